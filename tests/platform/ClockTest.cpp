#include "platform/clock/Clock.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(Clock, ManualClockMovesOnlyWhenSleptOrAdvanced)
{
    platform::ManualClock manual;
    platform::ScopedClock scope(manual);
    const auto start = platform::Now();
    EXPECT_EQ(platform::Now(), start);
    platform::SleepMs(5000);
    EXPECT_EQ(platform::MillisSince(start), 5000);
    manual.Advance(250ms);
    EXPECT_EQ(platform::MillisSince(start), 5250);
    EXPECT_EQ(manual.Slept(), 5000ms);
    platform::SleepMs(-3);
    EXPECT_EQ(manual.Slept(), 5000ms);
}

TEST(Clock, ScopeRestoresTheSteadyClock)
{
    {
        platform::ManualClock manual;
        platform::ScopedClock scope(manual);
        EXPECT_EQ(&platform::GetClock(), &manual);
    }
    const auto a = platform::Now();
    platform::SleepMs(2);
    EXPECT_GE(platform::MillisSince(a), 2);
}

TEST(Clock, NestedScopesRestoreTheClockInstalledBeforeThem)
{
    platform::ManualClock outer;
    platform::ScopedClock outerScope(outer);
    {
        platform::ManualClock inner;
        platform::ScopedClock innerScope(inner);
        EXPECT_EQ(&platform::GetClock(), &inner);
    }
    EXPECT_EQ(&platform::GetClock(), &outer) << "the outer scope's clock is back, not the steady one";
    const auto before = platform::Now();
    platform::SleepMs(5000);
    EXPECT_EQ(platform::MillisSince(before), 5000);
}
