// Watch files (".mon", with the file-level "Hex") and monitor templates (".mtf", without) on any
// bytes: a file is taken whole or refused, and what was taken saves, loads and saves alike.
#include "app/tools/WatchList.h"
#include "core/archive/TagArchive.h"
#include "fuzz/FuzzTarget.h"

#include <vector>

namespace {

std::vector<uint8_t> Stored(tools::CWatchList& list)
{
    CTagArchive out(tools::kWatchFileClass);
    out.OpenForWriteMemory();
    list.SerializeItems(out);
    out.SerializeBool("Hex", list.Hex, false);
    VQX_FUZZ_CHECK(out.Close());
    return out.TakeBytes();
}

} // namespace

VQX_FUZZ_TARGET(watch_file, data, size)
{
    CTagArchive ar(tools::kWatchFileClass);
    if (!ar.OpenForReadMemory(data, size))
        return;
    tools::CWatchList list;
    if (!list.SerializeItems(ar).empty()) {
        VQX_FUZZ_CHECK(list.Count() == 0); // refused: the list is left alone
        return;
    }
    ar.SerializeBool("Hex", list.Hex, false);
    ar.Close();
    VQX_FUZZ_CHECK(list.Count() <= tools::kMaxWatchItems);

    const std::vector<uint8_t> first = Stored(list);
    CTagArchive in(tools::kWatchFileClass);
    VQX_FUZZ_CHECK(in.OpenForReadMemory(first));
    tools::CWatchList again;
    VQX_FUZZ_CHECK(again.SerializeItems(in).empty());
    in.SerializeBool("Hex", again.Hex, false);
    in.Close();
    VQX_FUZZ_CHECK(again.Count() == list.Count());
    VQX_FUZZ_CHECK(Stored(again) == first);
}
