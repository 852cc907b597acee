#pragma once
// What the playground reads from its motor: the reply of the polling program to "GOSUB9", and
// the fixed cycle of report commands it walks without the program.
#include <cstdint>
#include <string>
#include <string_view>

namespace tools {

// The motor's family as the playground tells them apart.
enum class Family { Version5, Version46, Older };

struct PollValues {
    int32_t Position = 0;      // P
    int32_t PositionError = 0; // E
    int32_t StatusWord = 0;    // W
    int32_t Inputs = 0;        // I
    int32_t Velocity = 0;      // V
    int32_t Outputs = 0;       // O
};

// Reads fields "<letter><number>" with letters from "PEWIVOX" into values and returns the letters
// seen, in order. A number starts with "-" or a digit and runs to the next letter; its leading
// decimal integer is the value (wrapped to 32 bits). X stores nothing (it asks for "RUN"). Any
// other character where a letter belongs, or a letter without a number, ends the reading there.
std::string ParsePollReply(std::string_view reply, PollValues& values);

// The fixed cycle without the polling program: steps 0-29 here, 30 and up the current page's.
// The command of a step; empty for a step that has none (the cycle starts again at 0).
std::string FixedPollCommand(int step, Family family);

// What to refresh after a step's reply.
enum PollUpdate : unsigned {
    UpdateStatus = 1,     // the status word LEDs (and the picture)
    UpdateInputs = 2,     // the input LEDs
    UpdateOutputs = 4,    // the output LEDs
    UpdateDriveFault = 8, // "RBn": the calibration-fault LED alone, from bit 16 of StatusWord
};
struct FixedStepResult {
    int next = 0;
    unsigned update = 0;
};
// A status word with this bit reports only the calibration fault flag of 462 firmware (in bit 16):
// the polling program sends it in place of the status word when the flag changed, and the
// fixed cycle makes one of the "RBn" reply.
inline constexpr uint32_t kCalibrationReport = 0x8000000u;
inline bool IsCalibrationReport(int32_t w) { return w != -1 && (uint32_t(w) & kCalibrationReport); }
// The status word with bit 16 set or cleared by the flag a calibration report carries.
inline int32_t WithCalibrationFault(int32_t status, int32_t report)
{
    return int32_t((uint32_t(status) & ~0x10000u) | (uint32_t(report) & 0x10000u));
}

// Takes the reply n of a step into values. The status word feeds StatusWord, so the fault
// question sees real faults without the polling program; the drive-fault flag only sets or
// clears bit 16 of it.
FixedStepResult ApplyFixedReply(int step, int32_t n, Family family, bool firmware462, PollValues& values);

} // namespace tools
