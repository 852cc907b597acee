#pragma once
// The choices in which the program's port and the engine library's port differ, gathered in one
// object so that both run the same line, timeout and framing code: the command terminator, the
// pacing after a write without echo, write retries and the driver timeouts a read timeout becomes.
// The default policy is the program's. (Settings and traffic log come from the port's operation
// context.)

#include "platform/serial/SerialDevice.h"

#include <cstddef>
#include <cstdint>

class CCommPort;

class CPortPolicy {
public:
    virtual ~CPortPolicy() = default;

    // Ends every text command (a blank; the engine ends them with a carriage return).
    virtual char Terminator() const { return ' '; }
    // Milliseconds to wait after writing n bytes while echo is off, so that the motors keep pace.
    virtual int64_t PaceMs(const CCommPort& port, size_t n) const;
    // Called after a write failed (written of asked bytes went out) on attempt 1, 2, ...; return
    // true after preparing the line again to have the rest written once more.
    virtual bool RetryWrite(CCommPort& port, size_t written, size_t asked, int attempt);
    // Which timeout a port puts in force: the total (reply) or echo timeout, or an explicit one.
    enum class TimeoutKind { Total, Echo, Explicit };
    // The driver timeouts that put a read timeout of timeoutMs in force.
    virtual platform::SerialTimeouts DriverTimeouts(const CCommPort& port, TimeoutKind kind, int timeoutMs) const;
    // The line a serial port opens with: its baud rate and parity, 8 data bits, 1 stop bit.
    virtual platform::SerialLineSettings LineSettings(const CCommPort& port) const;

    // The program's policy.
    static CPortPolicy& Default();
};
