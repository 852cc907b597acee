#pragma once
// How ports report their traffic: every byte sent, every echo and every reply line, tagged with
// direction flags, into the page of the port (its index in the project).

#include <cstddef>
#include <cstdint>

// Flag bits of a traffic report.
enum : uint32_t {
    SDA_RECEIVED = 0x1,
    SDA_ECHO = 0x2,
    SDA_SENT = 0x4,
    SDA_FROM_TERMINAL = 0x100, // source tag: typed in a terminal
    SDA_FROM_SENDBAR = 0x200,  // source tag: the analyzer's own send bar
    SDA_FROM_PROGRAM = 0x400,  // source tag: detection, download, polling
    SDA_ECHO_ERROR = 0x1000,
    SDA_CONTINUES = 0x2000, // continues the current display line
};
// The combinations the ports report.
inline constexpr uint32_t SDA_LOG_RECEIVED = SDA_RECEIVED;               // 1: a reply line
inline constexpr uint32_t SDA_LOG_SENT = SDA_SENT;                       // 4: bytes written
inline constexpr uint32_t SDA_LOG_ECHO = SDA_CONTINUES | SDA_ECHO;       // 0x2002: matching echo
inline constexpr uint32_t SDA_LOG_ECHO_ERROR = SDA_ECHO_ERROR | SDA_SENT; // 0x1004: echo missing/wrong

class ITrafficLog {
public:
    virtual ~ITrafficLog() = default;
    virtual void LogData(int page, uint32_t flags, const uint8_t* bytes, size_t count) = 0;
    // Received text, split after every CR; a rest without CR is continued by the next LogText.
    virtual void LogText(int page, const char* text, size_t count) = 0;
    // Sets or clears bits of the tag word of one page, or of every page for page -1.
    virtual void SetPageFlags(int page, uint32_t bits, bool set) = 0;
    // The logging switch: off, reports are dropped (a restart keeps its polling out of the log
    // unless the user wants to see it). A log without a switch is always on.
    virtual void EnableLogging(bool /*on*/) {}
    virtual bool IsLogging() const { return true; }
};
