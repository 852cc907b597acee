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
    // The data of the write error raised when the retries are spent: the system's error number
    // in the engine, none in the program (its data names a motor).
    virtual uint32_t WriteErrorData(int /*systemError*/) const { return 0; }
    // Which timeout a port puts in force: the total (reply) or echo timeout, or an explicit one.
    enum class TimeoutKind { Total, Echo, Explicit };
    // The driver timeouts that put a read timeout of timeoutMs in force.
    virtual platform::SerialTimeouts DriverTimeouts(const CCommPort& port, TimeoutKind kind, int timeoutMs) const;
    // The line a serial port opens with: its baud rate and parity, 8 data bits, 1 stop bit.
    virtual platform::SerialLineSettings LineSettings(const CCommPort& port) const;
    // Whether a chunked write stops at the first chunk whose echo is wrong (the engine's) instead
    // of sending the rest and raising the echo error afterwards (the program's).
    virtual bool StopAtEchoError() const { return false; }
    // The RS-485 address scan: the report it probes each address with, and whether it stops the
    // motors' programs ("END" to all) before it starts.
    virtual const char* BusScanProbe() const { return "RBe"; }
    virtual bool EndBeforeBusScan() const { return false; }
    // Whether reading a motor's identity also decodes its factory block and, when the block is
    // missing or invalid, builds and writes a new one (the program's). The engine only reads: a
    // client that merely detects or addresses motors must not change their data memory.
    virtual bool RebuildsFactoryData() const { return true; }
    // Ethernet and USB: whether a command to one motor that is not in the address table, or whose
    // link is closed, fails (invalid data, port not open) instead of being dropped (a write) or
    // unanswered (a query), as the program takes a motor that went away.
    virtual bool RefusesMissingLinkMotor() const { return false; }
    // Whether an uploaded program's text puts a blank after keywords the motor runs on into their
    // expression ("WHILEa<6"), so that the compiler reads it back (the program's); the engine
    // hands the client the text as the motor keeps it.
    virtual bool SpacesUploadedKeywords() const { return true; }
    // Called before a read of n bytes of a motor's data memory (the engine announces long ones).
    virtual void MemoryReadBegins(int /*bytes*/) {}
    // Ethernet and USB, reading from every motor: whether the motors after the first one that
    // keeps the reader waiting are only asked for what they already have.
    virtual bool WaitsOnFirstSilentLinkOnly() const { return false; }
    // Ethernet detection's progress steps: the program counts each empty discovery poll after it
    // and numbers each motor before it is handled; the engine's client is told the empty polls so
    // far before every poll and the motors handled after each.
    virtual bool CountsNetStepsBefore() const { return false; }

    // The program's policy.
    static CPortPolicy& Default();
};
