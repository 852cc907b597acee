#pragma once
// The transfer of an image into a motor, with what callers need to know about how far it got.

#include <cstddef>
#include <cstdint>

class CMotor;

namespace transfer {

// Prepares the motor, sends the image in chunks of 8 and FF FF 20, and verifies the checksum.
// With showProgress the steps go to the please-wait dialog of the motor's context.
// Returns false when the user cancelled (the END program is then in place and the motors awake).
// loadSent becomes true as soon as the motor may hold a partial program.
bool TransferImage(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t flags,
                   bool& loadSent);

// The whole download of an image after its checks: baud limit, transfer, restore; on failure the
// baud rate is restored, the motors are woken and the END program is put in place when a program
// (not a calibration program) had started to load; then the error is rethrown. Returns false when
// cancelled (DL_CANCELLED is added to flags).
bool RunDownload(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t& flags);

} // namespace transfer
