// The editor's wheel: one line for every 40 units, a notch of 120 three lines, the finer steps of a
// high-resolution wheel carried until they make a line, a turn the other way starting afresh.

#include "app/editor/WheelSteps.h"

#include <gtest/gtest.h>

#include <vector>

TEST(WheelSteps, FortyUnitsALineAndFineStepsCarried)
{
    struct Case {
        const char* what;
        std::vector<int> deltas;
        std::vector<int> lines;
    };
    const Case cases[] = {
        {"a distance of 100 scrolls two lines", {100}, {2}},
        {"a notch up and one down", {120, -120}, {3, -3}},
        {"below 40 nothing yet, then the carried rest", {15, 15, 15, 30, 5}, {0, 0, 1, 0, 1}},
        {"the rest of 100 goes with the next step", {100, 20}, {2, 1}},
        {"a turn the other way drops what was carried", {30, -30, -10}, {0, 0, -1}},
        {"large distances at once", {-400, 39}, {-10, 0}},
    };
    for (const Case& c : cases) {
        editor::CWheelSteps wheel;
        std::vector<int> lines;
        for (int d : c.deltas)
            lines.push_back(wheel.Lines(d));
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}
