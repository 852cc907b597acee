#include "core/port/IntervalTimer.h"

#include <chrono>

using namespace std::chrono_literals;

uint32_t CIntervalTimer::ElapsedMs() const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(platform::Now() - m_start).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

uint32_t CIntervalTimer::WaitUntil(uint32_t ms) const
{
    for (;;) {
        const uint32_t elapsed = ElapsedMs();
        if (elapsed >= ms)
            return elapsed;
        const uint32_t remaining = ms - elapsed;
        if (remaining > 200)
            platform::Sleep(100ms);
        else if (remaining > 1)
            platform::Sleep(std::chrono::milliseconds(remaining - 1));
        else
            platform::Sleep(100us); // the last millisecond in short naps rather than a busy spin
    }
}
