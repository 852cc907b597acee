#pragma once
// Counts the bytes a host put on the line, through the traffic log of its operation context, so a
// benchmark can set them beside the bytes its floor counts. VQX_BENCH_TRACE=1 prints the short
// writes (a floor's trace prints the same) to find where the two part.

#include "core/analyzer/TrafficLog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

class SentCounter : public ITrafficLog {
public:
    size_t sent = 0;
    void LogData(int, uint32_t flags, const uint8_t* bytes, size_t count) override
    {
        if (!(flags & SDA_SENT))
            return;
        sent += count;
        if (std::getenv("VQX_BENCH_TRACE") && count < 8) {
            std::string shown;
            for (size_t i = 0; i < count; ++i)
                shown += bytes[i] >= 0x20 && bytes[i] < 0x7F ? std::string(1, char(bytes[i]))
                                                             : '<' + std::to_string(bytes[i]) + '>';
            std::fprintf(stderr, "host %s\n", shown.c_str());
        }
    }
    void LogText(int, const char*, size_t) override {}
    void SetPageFlags(int, uint32_t, bool) override {}
};

// Empty when the host sent what the floor counts, else both counts.
inline std::string BytesNote(size_t host, size_t floor)
{
    if (host == floor)
        return {};
    return "the host sent " + std::to_string(host) + " bytes where the protocol sends " + std::to_string(floor);
}

} // namespace bench
