// Chart files (".sch") on any bytes: whatever the file holds, the document ends up in the ranges
// the chart works with, and a document that was read saves, loads and saves alike.
#include "app/tools/ChartDocument.h"
#include "core/archive/TagArchive.h"
#include "fuzz/FuzzTarget.h"

#include <vector>

namespace {

std::vector<uint8_t> Stored(ChartDocument& doc)
{
    CTagArchive out(ChartDocument::kFileClass);
    out.OpenForWriteMemory();
    doc.Serialize(out);
    VQX_FUZZ_CHECK(out.Close());
    return out.TakeBytes();
}

} // namespace

VQX_FUZZ_TARGET(chart_file, data, size)
{
    CTagArchive ar(ChartDocument::kFileClass);
    if (!ar.OpenForReadMemory(data, size))
        return;
    ChartDocument doc;
    doc.Serialize(ar);
    ar.Close();
    VQX_FUZZ_CHECK(doc.ItemCount() <= ChartDocument::kMaxItems);
    VQX_FUZZ_CHECK(doc.MaxSamples >= ChartDocument::kMinBufferSize && doc.MaxSamples <= ChartDocument::kMaxBufferSize);
    VQX_FUZZ_CHECK(doc.UpdateTime >= ChartDocument::kMinUpdateTime);
    VQX_FUZZ_CHECK(doc.NoOfSamples >= 0 && doc.NoOfSamples <= doc.MaxSamples);
    VQX_FUZZ_CHECK(doc.LastSample >= -1 && doc.LastSample < doc.MaxSamples);
    VQX_FUZZ_CHECK(doc.ChartTitle.size() <= ChartDocument::kMaxTitle);
    for (int i = 0; i < doc.ItemCount(); ++i) {
        VQX_FUZZ_CHECK(doc.Item(i)->BufSize() == doc.MaxSamples);
        if (!doc.Item(i)->Item.Problem().empty())
            return; // refused by the reader
    }

    const std::vector<uint8_t> first = Stored(doc);
    CTagArchive in(ChartDocument::kFileClass);
    VQX_FUZZ_CHECK(in.OpenForReadMemory(first));
    ChartDocument again;
    again.Serialize(in);
    in.Close();
    VQX_FUZZ_CHECK(again.ItemCount() == doc.ItemCount());
    VQX_FUZZ_CHECK(Stored(again) == first);
}
