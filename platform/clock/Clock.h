#pragma once
// The one clock and sleep that all waiting code uses, so that tests can replace real time.

#include <chrono>
#include <cstdint>
#include <mutex>

namespace platform {

using Duration = std::chrono::steady_clock::duration;
using TimePoint = std::chrono::steady_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void SleepFor(Duration d) = 0;
};

// Real time on the steady clock.
class SteadyClock final : public Clock {
public:
    TimePoint Now() override;
    void SleepFor(Duration d) override;
};

// Time that moves only when someone sleeps or advances it: long waits run instantly.
class ManualClock final : public Clock {
public:
    TimePoint Now() override;
    void SleepFor(Duration d) override;
    void Advance(Duration d);
    // Total time slept through this clock, for tests that check how long code waited.
    Duration Slept();

private:
    std::mutex m_mutex;
    // Starts at the real time, so that what was scheduled on the steady clock before a test
    // installed this clock is not in its far future.
    TimePoint m_now{std::chrono::steady_clock::now()};
    Duration m_slept{};
};

// The clock in use; the steady clock unless a test installed another.
Clock& GetClock();
// Installs a clock (nullptr restores the steady clock) and returns the one installed before. The
// caller keeps ownership.
Clock* SetClock(Clock* clock);

inline TimePoint Now() { return GetClock().Now(); }
inline void Sleep(Duration d) { GetClock().SleepFor(d); }
inline void SleepMs(int64_t ms)
{
    if (ms > 0)
        GetClock().SleepFor(std::chrono::milliseconds(ms));
}
int64_t MillisSince(TimePoint start);

// Installs a clock for the lifetime of a scope and puts back the one installed before it.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) : m_previous(SetClock(&clock)) {}
    ~ScopedClock() { SetClock(m_previous); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* m_previous;
};

} // namespace platform
