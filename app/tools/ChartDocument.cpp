#include "app/tools/ChartDocument.h"

#include "core/archive/TagArchive.h"
#include "platform/registry/Profile.h"

#include <algorithm>
#include <limits>

namespace {

constexpr const char* kSection = "Chart";

} // namespace

void ChartDocument::Serialize(CTagArchive& ar)
{
    if (ar.IsStoring()) {
        ar.SerializeList("ChartItems", Items.Count(), kMaxItems,
                         [&](int i, const std::string& arr) { Items.GetAt(i)->Serialize(arr, ar); });
    } else {
        Items.RemoveAll();
        ar.SerializeList("ChartItems", 0, kMaxItems, [&](int, const std::string& arr) {
            auto* item = new CChartItem;
            item->Serialize(arr, ar);
            Items.Add(item);
        });
    }
    uint32_t vMax = static_cast<uint32_t>(VMax), vMin = static_cast<uint32_t>(VMin);
    uint32_t updateTime = static_cast<uint32_t>(UpdateTime);
    ar.SerializeDword("VMax", vMax, 0);
    ar.SerializeDword("VMin", vMin, 0);
    ar.SerializeDword("UpdateTime", updateTime, 0);
    VMax = static_cast<int32_t>(vMax);
    VMin = static_cast<int32_t>(vMin);
    UpdateTime = updateTime > static_cast<uint32_t>(INT32_MAX) ? 0 : static_cast<int32_t>(updateTime);
    ar.SerializeLong("MaxSamples", MaxSamples, 0);
    ar.SerializeString("ChartTitle", ChartTitle, "");
    ar.SerializeString("VerticalAxis", VerticalAxis, "");
    ar.SerializeLong("LastSample", LastSample, 0);
    ar.SerializeLong("LeftSample", LeftSample, 0);
    ar.SerializeLong("NoOfSamples", NoOfSamples, 0);
    ar.SerializeLong("RulerSample", RulerSample, 0);
    // Kept in 32 bits in the file: a chart sampled beyond 24 days keeps the largest time that fits.
    int32_t total = static_cast<int32_t>(std::clamp<int64_t>(TotalTime, 0, INT32_MAX));
    ar.SerializeLong("TotalTime", total, 0);
    TotalTime = total;
    ar.SerializeBool("VGrid", VGrid, false);
    ar.SerializeBool("HGrid", HGrid, false);
    if (ar.IsLoading())
        Normalise();
}

bool ChartDocument::Normalise()
{
    bool cleared = false;
    if (ChartTitle.size() > kMaxTitle)
        ChartTitle.resize(kMaxTitle);
    if (VerticalAxis.size() > kMaxTitle)
        VerticalAxis.resize(kMaxTitle);
    bool consistent = true;
    if (UpdateTime < kMinUpdateTime) {
        UpdateTime = kMinUpdateTime;
        consistent = false;
    }
    if (MaxSamples < kMinBufferSize || MaxSamples > kMaxBufferSize) {
        MaxSamples = kDefaultBufferSize;
        consistent = false;
    }
    for (CChartItem* item : Items) {
        if (item->BufSize() != MaxSamples) {
            item->SetBufferSize(MaxSamples);
            cleared = true;
        }
    }
    if (NoOfSamples < 0 || NoOfSamples > MaxSamples || LastSample < -1 || LastSample >= MaxSamples ||
        (NoOfSamples == 0) != (LastSample == -1) ||
        TotalTime < static_cast<int64_t>(NoOfSamples) * UpdateTime)
        consistent = false;
    if (!consistent) {
        Clear();
        cleared = true;
    }
    if (LeftSample < 0 || LeftSample >= MaxSamples)
        LeftSample = 0;
    if (RulerSample < -1 || RulerSample >= MaxSamples || Timeline().PositionOf(RulerSample) < 0)
        RulerSample = -1;
    return cleared;
}

void ChartDocument::Clear()
{
    NoOfSamples = 0;
    LastSample = -1;
    LeftSample = 0;
    TotalTime = 0;
    for (CChartItem* item : Items)
        item->ResetSamples();
}

std::string ChartDocument::Read(const std::string& path)
{
    CTagArchive ar(kFileClass);
    if (!ar.OpenForRead(path))
        return "Cannot open the specified file";
    Serialize(ar);
    ar.Close();
    for (CChartItem* item : Items) {
        const std::string problem = item->Item.Problem();
        if (!problem.empty())
            return "Cannot open the specified file\n" + problem;
    }
    return {};
}

bool ChartDocument::Write(const std::string& path)
{
    CTagArchive ar(kFileClass);
    if (!ar.OpenForWrite(path))
        return false;
    Serialize(ar);
    return ar.Close();
}

void ChartDocument::LoadProfile()
{
    platform::Profile& p = platform::AppProfile();
    VMax = p.GetInt(kSection, "VMax", 100);
    VMin = p.GetInt(kSection, "VMin", 0);
    UpdateTime = p.GetInt(kSection, "UpdateTime", 100);
    MaxSamples = p.GetInt(kSection, "MaxSamples", 1000);
    if (VMin >= VMax) {
        VMin = 0;
        VMax = 100;
    }
    Normalise();
}

void ChartDocument::SaveProfile() const
{
    platform::Profile& p = platform::AppProfile();
    p.WriteInt(kSection, "VMax", VMax);
    p.WriteInt(kSection, "VMin", VMin);
    p.WriteInt(kSection, "UpdateTime", UpdateTime);
    p.WriteInt(kSection, "MaxSamples", MaxSamples);
}
