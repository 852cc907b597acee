#pragma once
// A millisecond stopwatch on the injectable clock, and a precise wait until a time since its start.

#include "platform/clock/Clock.h"

#include <cstdint>

class CIntervalTimer {
public:
    // Starts the timer (the steady clock is always there, so there is no fallback to choose).
    void Init() { Start(); }
    void Start() { m_start = platform::Now(); }
    // Milliseconds since the start, as an unsigned 32-bit count (wraps after 49 days).
    uint32_t ElapsedMs() const;
    // Waits until ms have passed since the start: sleeps 100 ms at a time while more than 200 ms
    // remain, then in short steps to the exact millisecond. Returns the elapsed milliseconds.
    uint32_t WaitUntil(uint32_t ms) const;

private:
    platform::TimePoint m_start = platform::Now();
};
