#include "engine/settings/EngineLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace engine {

namespace {
struct LogState {
    std::mutex mutex;
    uint32_t flags = 0;
    std::string fileName;
    std::FILE* file = nullptr;
    ~LogState()
    {
        if (file)
            std::fclose(file);
    }
};
LogState& State()
{
    static LogState state;
    return state;
}
void CloseLocked(LogState& s)
{
    if (s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
}
} // namespace

void WriteLog(uint32_t flags, const std::string& text)
{
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (flags == kLogClose) {
        CloseLocked(s);
        return;
    }
    if ((flags & s.flags) == 0)
        return;
    if (!s.file) {
        if (s.fileName.empty())
            return;
        s.file = std::fopen(s.fileName.c_str(), (s.flags & kLogAppend) ? "a" : "w");
        if (!s.file)
            return;
    }
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&t, &local);
    std::fprintf(s.file, "%02d:%02d:%02d.%03d %s\n", local.tm_hour, local.tm_min, local.tm_sec, int(ms), text.c_str());
    std::fflush(s.file);
}

uint32_t LogFlags()
{
    std::lock_guard lock(State().mutex);
    return State().flags;
}

void SetLogFlags(uint32_t flags)
{
    std::lock_guard lock(State().mutex);
    State().flags = flags;
}

std::string LogFileName()
{
    std::lock_guard lock(State().mutex);
    return State().fileName;
}

void SetLogFileName(const std::string& name)
{
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    s.fileName = name.substr(0, 259);
    CloseLocked(s);
}

} // namespace engine
