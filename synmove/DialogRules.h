#pragma once
// The rules of Synmove's dialog that need no widgets: the "Setup" profile section, the progress
// texts shown on each timer tick, and the heights of the setup area's animation.

#include "synmove/MotionFile.h"
#include "synmove/MotionRun.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {
class Profile;
}

namespace synmove {

// The "Setup" section of the program's profile.
struct SetupValues {
    int32_t piOrigin = 1; // 1: "Move to origin"; anything else: "Start from current positioin"
    int32_t portIndex = 0;
    int32_t v = 100000;
    int32_t a = 100;
    MotorMap map{1, 2, 3, 4, 5, 6};

    bool MoveToOrigin() const { return piOrigin == 1; }
};
SetupValues LoadSetup(platform::Profile& profile);
// False when the profile could not be written.
bool SaveSetup(platform::Profile& profile, const SetupValues& values);

// What ShowProgress puts on the dialog for progress index i.
struct ProgressView {
    std::string record;                  // "Current" record: i + 1
    std::string time;                    // "Current" time in seconds, "%.3f"
    std::optional<std::string> timeDelta; // only from the second record on
    std::string positions;               // one "%d\n" per motor used
    int bar = 0;                         // 0..1000
};
// Nothing to show (no run, or index -1): nullopt.
std::optional<ProgressView> ComputeProgress(const MotionTable& table, const MotionRun& run);
std::optional<ProgressView> ComputeProgress(const MotionTable& table, int32_t index, double sampleRate,
                                            int32_t motorsUsed, const std::array<int32_t, 6>& origin);

// Window heights, step by step, for the setup area's animation (full height H): collapsing goes
// 32/33 .. 20/33 of H, expanding overshoots and settles at H.
std::vector<int> SetupHeights(int fullHeight, bool expand);
inline int CollapsedHeight(int fullHeight) { return 20 * fullHeight / 33; }

} // namespace synmove
