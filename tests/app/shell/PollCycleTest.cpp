// The main frame's poll cycle: which tool is polled on each tick and what delay follows.

#include "app/shell/PollCycle.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

struct Tool : shell::IPollingWindow {
    Tool(std::string n, std::vector<std::string>& log, bool works = true) : name(std::move(n)), log(log), works(works) {}
    bool PollStep() override
    {
        log.push_back(name);
        return works;
    }
    std::string name;
    std::vector<std::string>& log;
    bool works;
};

} // namespace

// Every tick reads the terminal; with nothing to do for 20 ticks in a row the cycle rests, its
// delay doubling up to 50 ms, until a step works or a window comes (Wake).
TEST(PollCycle, WithoutToolWindowsEveryTickReadsTheTerminalAndAnIdleCycleRests)
{
    shell::PollCycle cycle;
    shell::PollSlots monitors{}, views{};
    int terminalReads = 0;
    bool data = false;
    shell::PollCycle::Sources s{[&] { ++terminalReads; return data; }, &monitors, &views, nullptr};
    std::vector<int> delays;
    for (int i = 0; i < 26; ++i) {
        delays.push_back(cycle.Tick(s));
        EXPECT_EQ(cycle.State(), 0);
    }
    std::vector<int> expected(20, 5);
    expected.insert(expected.end(), {10, 20, 40, 50, 50, 50});
    EXPECT_EQ(delays, expected);
    EXPECT_EQ(terminalReads, 26);
    EXPECT_TRUE(cycle.Resting());
    // Text from a motor: back to the Part's pace at once, and 20 idle ticks before the next rest.
    data = true;
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_FALSE(cycle.Resting());
    data = false;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(cycle.Tick(s), 5) << i;
    EXPECT_EQ(cycle.Tick(s), 10);
    // A window opened: the same.
    cycle.Wake();
    EXPECT_FALSE(cycle.Resting());
    EXPECT_EQ(cycle.Tick(s), 5);
}

// Windows with nothing to ask rest the cycle as well; the first that asks gets its turn at the
// next tick, and the pace is the Part's again from there.
TEST(PollCycle, AWindowThatStartsToAskEndsTheRest)
{
    std::vector<std::string> log;
    Tool monitor("m2", log, false);
    shell::PollSlots monitors{}, views{};
    monitors[2] = &monitor;
    shell::PollCycle cycle;
    shell::PollCycle::Sources s{[] { return false; }, &monitors, &views, nullptr};
    int rested = 0;
    for (int i = 0; i < 30; ++i)
        rested = std::max(rested, cycle.Tick(s));
    EXPECT_EQ(rested, 50);
    monitor.works = true;
    log.clear();
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"m2"}));
    EXPECT_FALSE(cycle.Resting());
}

TEST(PollCycle, MonitorsInSlots3And7AlonePollAlternatelyEachOnEveryOtherTick)
{
    std::vector<std::string> log;
    Tool m3("m3", log), m7("m7", log);
    shell::PollSlots monitors{}, views{};
    monitors[3] = &m3;
    monitors[7] = &m7;
    shell::PollCycle cycle;
    int terminalReads = 0;
    shell::PollCycle::Sources s{[&] { ++terminalReads; return false; }, &monitors, &views, nullptr};
    std::vector<int> delays;
    for (int i = 0; i < 6; ++i)
        delays.push_back(cycle.Tick(s));
    EXPECT_EQ(log, (std::vector<std::string>{"m3", "m7", "m3"}));
    EXPECT_EQ(delays, (std::vector<int>{5, 5, 5, 5, 5, 5}));
    // The terminal is read at the start of every cycle: ticks 1, 3 and 5.
    EXPECT_EQ(terminalReads, 3);
    EXPECT_EQ(cycle.MonitorCursor(), 4);
}

TEST(PollCycle, StepsFallThroughUntilOneWorksAndSetTheirDelay)
{
    std::vector<std::string> log;
    Tool idleMonitor("m0", log, false), view("v2", log), playground("pg", log);
    shell::PollSlots monitors{}, views{};
    monitors[0] = &idleMonitor;
    views[2] = &view;
    shell::PollCycle cycle;
    bool terminalWorks = true;
    shell::PollCycle::Sources s{[&] { log.push_back("term"); return terminalWorks; }, &monitors, &views, &playground};

    struct Expect {
        int delay;
        int state;
        std::vector<std::string> log;
    };
    // Terminal with data: 5 ms, stops there.
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"term"}));
    terminalWorks = false;
    log.clear();
    // The idle monitor falls through to the view: 3 ms; the playground comes next.
    EXPECT_EQ(cycle.Tick(s), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"m0", "v2"}));
    EXPECT_EQ(cycle.State(), 3);
    log.clear();
    EXPECT_EQ(cycle.Tick(s), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"pg"}));
    EXPECT_EQ(cycle.State(), 0);
    log.clear();
    // Nothing works: one visit of each state, never a second round in one tick.
    playground.works = false;
    view.works = false;
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"term", "m0", "v2", "pg"}));
}

TEST(PollCycle, AWindowWithNothingToAskPassesTheTurnToTheNextOfItsKind)
{
    std::vector<std::string> log;
    Tool m1("m1", log), m4("m4", log, false), v0("v0", log), v3("v3", log, false), v5("v5", log), pg("pg", log);
    shell::PollSlots monitors{}, views{};
    monitors[1] = &m1;
    monitors[4] = &m4;
    views[0] = &v0;
    views[3] = &v3;
    views[5] = &v5;
    shell::PollCycle cycle;
    shell::PollCycle::Sources s{[&] { log.push_back("term"); return false; }, &monitors, &views, &pg};
    struct Expect {
        int delay;
        std::vector<std::string> asked;
    };
    // The kinds alternate query by query; the idle windows are asked once and passed over.
    const Expect ticks[] = {
        {5, {"term", "m1"}}, {3, {"v0"}}, {3, {"pg"}},
        {5, {"term", "m4", "m1"}}, {3, {"v3", "v5"}}, {3, {"pg"}},
        {5, {"term", "m4", "m1"}}, {3, {"v0"}}, {3, {"pg"}},
    };
    for (size_t i = 0; i < std::size(ticks); ++i) {
        log.clear();
        EXPECT_EQ(cycle.Tick(s), ticks[i].delay) << "tick " << i + 1;
        EXPECT_EQ(log, ticks[i].asked) << "tick " << i + 1;
    }
    // Nobody has anything to ask: each window once, then 5 ms.
    m1.works = v0.works = v5.works = pg.works = false;
    log.clear();
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_EQ(log, (std::vector<std::string>{"term", "m4", "m1", "v3", "v5", "v0", "pg"}));
    EXPECT_EQ(cycle.MonitorCursor(), 2);
    EXPECT_EQ(cycle.ViewCursor(), 1);
}

TEST(PollCycle, AWindowClosedByAnEarlierStepIsNotPolled)
{
    std::vector<std::string> log;
    Tool view("v5", log);
    shell::PollSlots monitors{}, views{};
    views[5] = &view;
    shell::PollCycle cycle;
    // The terminal step closes the view (a query replaced the motors).
    shell::PollCycle::Sources s{[&] { views[5] = nullptr; return false; }, &monitors, &views, nullptr};
    EXPECT_EQ(cycle.Tick(s), 5);
    EXPECT_TRUE(log.empty());
}

TEST(PollCycle, NextOccupiedWrapsAfterSlot9)
{
    std::vector<std::string> log;
    Tool a("a", log);
    shell::PollSlots slots{};
    EXPECT_EQ(shell::PollCycle::NextOccupied(slots, 4), -1);
    slots[1] = &a;
    EXPECT_EQ(shell::PollCycle::NextOccupied(slots, 4), 1);
    EXPECT_EQ(shell::PollCycle::NextOccupied(slots, 1), 1);
}
