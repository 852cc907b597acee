#pragma once
// Counts the bytes a port puts on the line and takes off it, for benchmarks that compare what
// went over the wire with the least the protocol needs.

#include "core/analyzer/TrafficLog.h"

#include <cstddef>
#include <cstdint>

class LineCounter : public ITrafficLog {
public:
    size_t sent = 0;
    size_t received = 0;
    void LogData(int, uint32_t flags, const uint8_t*, size_t count) override
    {
        if (flags & SDA_SENT)
            sent += count;
        else if (flags & SDA_LOG_RECEIVED)
            received += count;
    }
    void LogText(int, const char*, size_t) override {}
    void SetPageFlags(int, uint32_t, bool) override {}
};
