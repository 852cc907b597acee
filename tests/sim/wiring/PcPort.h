#pragma once
// The PC's end of a simulated serial line, as the simulator sees it.

#include "tests/sim/wiring/MotorNode.h"

#include <cstddef>
#include <cstdint>

namespace vqxsim {

class PcPort {
public:
    virtual ~PcPort() = default;
    // A descriptor that becomes readable when the PC has sent something; -1 when the port must be
    // polled instead.
    virtual int ReadFd() const = 0;
    // What the PC has sent, without waiting; 0 when nothing.
    virtual size_t ReadFromPc(uint8_t* buffer, size_t size) = 0;
    // The speed and parity the PC has set on its end.
    virtual LineSettings PcSettings() = 0;
    // Hands a byte to the PC; false when the PC's buffer is full (try again later).
    virtual bool WriteToPc(const WireByte& byte) = 0;
    // A descriptor that becomes writable when WriteToPc may succeed again; -1 when none.
    virtual int WriteFd() const { return -1; }
};

} // namespace vqxsim
