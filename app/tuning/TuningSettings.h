#pragma once
// The tuner's run settings, their "Tuner" profile values and the arithmetic of a run: print width
// and offset of the generated program, expected lines and capacity, the poll interval of the
// modes that poll, and the checks that come before any traffic.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform { class Profile; }

namespace tuning {

struct TuningSettings {
    int mode = 1;             // 1 generated program, 2 the user's move program, 3 host-driven move
    int tuningTime = 1000;    // ms
    int speed = 100000;
    int acceleration = 100000;
    int positionOffset = 500; // signed: the direction of the move
    std::string moveProgram;  // compiled move program of mode 2
    bool switch38400 = true;
    bool pollError = true;
    bool returnToStart = false;
    int waitTime = 200;       // ms
    bool operator==(const TuningSettings&) const = default;
};

// The chart's two grid switches, kept with the settings.
struct GridChecks {
    bool horizontal = true;
    bool vertical = true;
    bool operator==(const GridChecks&) const = default;
};

inline constexpr const char* kTunerSection = "Tuner";

// Section "Tuner": a fresh profile gives Speed and Acceleration 1000000 (the window's own
// defaults before the read are 100000).
TuningSettings LoadTunerSettings(platform::Profile& profile, GridChecks* grid = nullptr);
void SaveTunerSettings(platform::Profile& profile, const TuningSettings& s, const GridChecks& grid);

// ---- arithmetic ----
// The largest |offset| whose printed values still fit a 32-bit motor variable (W up to 9).
inline constexpr int64_t kMaxPositionOffset = 199999999;
// Digits of 5 x |offset| (0 for offset 0): the width of one printed value.
int PrintWidth(int64_t positionOffset);
// 5 x 10^(W-1): added by the motor so that every printed value has W digits (0 for W 0).
int64_t PrintOffset(int width);

struct ProgramRunPlan {
    int width = 0;
    int64_t z = 0;
    int bitsPerLine = 0;
    int64_t expected = 0; // lines the line speed carries in the tuning time
    int64_t capacity = 0; // expected x 3 / 2
};
ProgramRunPlan PlanProgramRun(const TuningSettings& s, int lineSpeed);

struct PollRunPlan {
    int bitsPerPoll = 0;
    int intervalMs = 0;
    int64_t capacity = 0;
};
// Modes 2 and 3 (the reply width of mode 3 grows with the offset).
PollRunPlan PlanPollRun(const TuningSettings& s, int lineSpeed);

// The line speed of the sampling: 38400 when asked for and the port is serial, else the port's.
int SamplingLineSpeed(const TuningSettings& s, int portBitPerSec, bool serialPort);

// Why a run with these settings cannot start, as the message to show; empty when it can.
std::string WhyCannotRun(const TuningSettings& s, int lineSpeed, double samplePeriodMs);

// ---- the generated program and its lines ----
// The eleven lines joined by CR LF; channel1 gives PRINT1.
std::string TuningProgramText(bool channel1);

struct SampleLine {
    int32_t posError = 0;
    int32_t position = 0;
};
// A line of exactly 2W digits: the error (first W) and the position (next W), each minus z.
std::optional<SampleLine> ParseSampleLine(std::string_view line, int width, int64_t z);

} // namespace tuning
