#include "core/port/IntervalTimer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(IntervalTimer, CountsAndWaitsOnTheInjectedClock)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    CIntervalTimer timer;
    timer.Init();
    EXPECT_EQ(timer.ElapsedMs(), 0u);
    clock.Advance(1500us);
    EXPECT_EQ(timer.ElapsedMs(), 1u);
    EXPECT_EQ(timer.WaitUntil(1000), 1000u);
    EXPECT_EQ(clock.Slept(), 998500us);
    // A time already passed returns at once.
    const auto slept = clock.Slept();
    EXPECT_EQ(timer.WaitUntil(10), 1000u);
    EXPECT_EQ(clock.Slept(), slept);
    timer.Start();
    EXPECT_EQ(timer.ElapsedMs(), 0u);
}

TEST(IntervalTimer, WaitNeverEndsEarlyOnTheSteadyClock)
{
    CIntervalTimer timer;
    timer.Start();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GE(timer.WaitUntil(30), 30u);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 30ms);
    EXPECT_LT(took, 1000ms); // precision is measured by benchmarks, not here
}
