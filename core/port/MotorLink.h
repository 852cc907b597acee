#pragma once
// What a port needs of the motors of an Ethernet or USB port, where each motor is reached over its
// own link (a TCP socket or a USB bridge) instead of one shared serial line. The motor list
// implements IPortMotors; each motor's back end implements IMotorLink. A port without these
// refuses to open as Ethernet or USB.

#include <cstddef>
#include <cstdint>

class ITrafficLog;

class IMotorLink {
public:
    virtual ~IMotorLink() = default;
    // Where the link reports the traffic it sends and receives (the port's analyzer page); the
    // port sets it before connecting.
    virtual void SetTrafficLog(ITrafficLog* /*log*/, int /*page*/) {}
    // Connects (TCP to the motor, or opens its bridge device), waiting at most waitMs.
    virtual bool Connect(int waitMs) = 0;
    virtual void Disconnect() = 0;
    // Discards whatever the motor sent and nobody read (socket drain, bridge flush).
    virtual void Drain() = 0;
    // The motor's checked write of one frame (0x80, text, terminator); throws CVQXException.
    virtual void WriteFrame(const uint8_t* frame, size_t n) = 0;
    // Writes bytes as they are; throws CVQXException.
    virtual void WriteBytes(const uint8_t* bytes, size_t n) = 0;
    // Reads one reply line into buffer (at most size-1 characters, NUL-terminated) within
    // timeoutMs; no reply throws 1005. Returns the text length.
    virtual size_t ReadReply(char* buffer, size_t size, int timeoutMs) = 0;
    // Reads up to n bytes within timeoutMs; returns the count (0 when nothing came).
    virtual size_t Read(uint8_t* buffer, size_t n, int timeoutMs) = 0;
};

class IPortMotors {
public:
    virtual ~IPortMotors() = default;
    // Motors in list order.
    virtual int Count() const = 0;
    // The link of the motor at a list index, null when it has none.
    virtual IMotorLink* LinkAt(int index) = 0;
    // The list index of the motor at an address (address table), -1 when there is none.
    virtual int IndexOfAddress(int address) const = 0;
    virtual bool IsAvailable(int index) const = 0;
    virtual void SetAvailable(int index, bool available) = 0;
};
