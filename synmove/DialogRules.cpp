#include "synmove/DialogRules.h"

#include "platform/registry/Profile.h"

#include <cstdio>

namespace synmove {
namespace {
constexpr const char* kSection = "Setup";
} // namespace

SetupValues LoadSetup(platform::Profile& p)
{
    SetupValues v;
    v.piOrigin = p.GetInt(kSection, "PIOrigin", 1);
    v.portIndex = p.GetInt(kSection, "PortIndex", 0);
    v.v = p.GetInt(kSection, "V", 100000);
    v.a = p.GetInt(kSection, "A", 100);
    for (int k = 0; k < 6; ++k)
        v.map[size_t(k)] = p.GetInt(kSection, "MM" + std::to_string(k + 1), k + 1);
    return v;
}

bool SaveSetup(platform::Profile& p, const SetupValues& v)
{
    platform::Profile::Batch batch(p);
    p.WriteInt(kSection, "PIOrigin", v.MoveToOrigin() ? 1 : 0);
    p.WriteInt(kSection, "PortIndex", v.portIndex);
    p.WriteInt(kSection, "V", v.v);
    p.WriteInt(kSection, "A", v.a);
    for (int k = 0; k < 6; ++k)
        p.WriteInt(kSection, "MM" + std::to_string(k + 1), v.map[size_t(k)]);
    return batch.Commit();
}

std::optional<ProgressView> ComputeProgress(const MotionTable& table, const MotionRun& run)
{
    std::array<int32_t, 6> origin{};
    for (int k = 0; k < 6; ++k)
        origin[size_t(k)] = run.Origin(k);
    return ComputeProgress(table, run.ProgressIndex(), run.SampleRate(), run.MotorsUsed(), origin);
}

std::optional<ProgressView> ComputeProgress(const MotionTable& table, int32_t i, double sampleRate, int32_t motorsUsed,
                                            const std::array<int32_t, 6>& origin)
{
    if (i < 0 || size_t(i) >= table.Count() || table.Count() < 2)
        return std::nullopt;
    ProgressView view;
    const size_t r = size_t(i);
    view.record = std::to_string(i + 1);
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", sampleRate > 0 ? table.records[r].time / sampleRate : 0.0);
    view.time = text;
    if (i > 0)
        view.timeDelta = std::to_string(int64_t(table.records[r].time) - table.records[r - 1].time);
    const int used = std::min<int32_t>(std::min<int32_t>(motorsUsed, 6), table.columns);
    for (int k = 0; k < used; ++k)
        view.positions += std::to_string(int64_t(table.Position(r, k)) + origin[size_t(k)]) + "\n";
    view.bar = int(int64_t(i) * 1000 / int64_t(table.Count() - 1));
    return view;
}

std::vector<int> SetupHeights(int h, bool expand)
{
    std::vector<int> heights;
    if (expand) {
        for (int v : {1, 2, 4, 9, 13, 12, 11, 11, 12, 13})
            heights.push_back((v + 20) * h / 33);
    } else {
        for (int n = 32; n >= 20; --n)
            heights.push_back(n * h / 33);
    }
    return heights;
}

} // namespace synmove
