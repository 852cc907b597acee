#pragma once
// The flag word of a download: passed in, added to by the checks so that an "all motors" answer
// holds for the next motors of the same run, and read back by the caller. Bits this code does not
// read come back unchanged.

#include <cstdint>

namespace transfer {

enum : uint32_t {
    DL_TURN_OFF_SERVOING = 0x1,   // a servoing motor is turned off without asking
    DL_SKIP_SERVOING = 0x2,       // a servoing motor is skipped without asking
    DL_FAIL_SERVOING = 0x4,       // a servoing motor fails with 1041
    DL_BLIND = 0x10,              // no pre-checks; failing preparation passed over; failure not rethrown
    DL_QUIET = 0x20,              // no lines in the information view
    DL_CANCELLED = 0x40,          // out: the user cancelled (a skip does not set it)
    DL_CALIBRATION = 0x80,        // a calibration program
    DL_NO_MEMORY_CHECK = 0x100,   // no program-memory probe
    DL_SKIP_NO_MEMORY = 0x200,    // a motor without program memory is skipped without asking
    DL_FAIL_NO_MEMORY = 0x400,    // a motor without program memory fails with 1036
    DL_SKIP_VERSION = 0x1000,     // a motor of another version is skipped without asking
    DL_FAIL_VERSION = 0x2000,     // a version difference fails with 1042
    DL_SEVERAL = 0x8000,          // one of several motors in a row: questions offer "all" answers
    DL_NO_CAL_WARNING = 0x10000,  // the calibration warning is not shown
};

// What cancel and failure use to put the END program in place: blind and quiet, so that no check
// or question can leave a half-written program behind.
inline constexpr uint32_t DL_RESCUE = DL_BLIND | DL_QUIET;

inline constexpr long kMaxProgramBytes = 32767;
inline constexpr long kMax462ProgramBytes = 27999;
inline constexpr long kMaxCalibrationBytes = 4500;

inline constexpr const char* kCancelledText = "Operation canceled by user.";

} // namespace transfer
