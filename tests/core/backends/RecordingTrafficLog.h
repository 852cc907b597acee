#pragma once
// Keeps every traffic report of the back ends, for tests of what the analyzer would show.

#include "core/analyzer/TrafficLog.h"

#include <string>
#include <vector>

struct RecordingTrafficLog : ITrafficLog {
    struct Entry {
        int page;
        uint32_t flags;
        std::string bytes;
    };
    std::vector<Entry> entries;
    // Each change of the line-continues mark: true set, false cleared.
    std::vector<bool> continues;

    void LogData(int page, uint32_t flags, const uint8_t* bytes, size_t count) override
    {
        entries.push_back({page, flags, std::string(reinterpret_cast<const char*>(bytes), count)});
    }
    void LogText(int page, const char* text, size_t count) override
    {
        entries.push_back({page, SDA_LOG_RECEIVED, std::string(text, count)});
    }
    void SetPageFlags(int, uint32_t bits, bool set) override
    {
        if (bits & SDA_CONTINUES)
            continues.push_back(set);
    }
};
