#pragma once
// The transfer of an image into a motor, with what callers need to know about how far it got.

#include <cstddef>
#include <cstdint>

class CMotor;

namespace transfer {

// How far a transfer got, for the paths that clean up after a failure.
struct TransferState {
    bool begun = false;   // LOAD may have been sent: the motor may hold a partial program
    bool loading = false; // the motor may still take what follows as program bytes
};

// Prepares the motor, sends the image in chunks of 8 and FF FF 20, and verifies the checksum.
// With showProgress the steps go to the please-wait dialog of the motor's context.
// Returns false when the user cancelled (the END program is then in place and the motors awake).
bool TransferImage(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t flags,
                   TransferState& state);

// The whole download of an image after its checks: baud limit, transfer, restore; on failure the
// baud rate is restored, an RS-232 chain is made to echo again, the END program is put in place
// when a program (not a calibration program) had started to load and the motors are woken; then
// the error is rethrown, naming the motors that may be left asleep or without a valid program
// when that could not be done. Returns false when cancelled (DL_CANCELLED is added to flags).
bool RunDownload(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t& flags);

} // namespace transfer
