#include "platform/clock/Clock.h"

#include <atomic>
#include <thread>

namespace platform {

TimePoint SteadyClock::Now() { return std::chrono::steady_clock::now(); }

void SteadyClock::SleepFor(Duration d)
{
    if (d > Duration::zero())
        std::this_thread::sleep_for(d);
}

TimePoint ManualClock::Now()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_now;
}

void ManualClock::SleepFor(Duration d)
{
    if (d <= Duration::zero())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_now += d;
    m_slept += d;
}

void ManualClock::Advance(Duration d)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_now += d;
}

Duration ManualClock::Slept()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slept;
}

namespace {
SteadyClock g_steady;
std::atomic<Clock*> g_clock{&g_steady};
} // namespace

Clock& GetClock() { return *g_clock.load(std::memory_order_acquire); }

Clock* SetClock(Clock* clock) { return g_clock.exchange(clock ? clock : &g_steady, std::memory_order_acq_rel); }

int64_t MillisSince(TimePoint start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - start).count();
}

} // namespace platform
