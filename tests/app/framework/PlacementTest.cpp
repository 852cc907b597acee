// The main frame's stored placement: parsing, defaults, the empty-rectangle and maximise rules.

#include "app/framework/WindowPlacement.h"

#include <gtest/gtest.h>

using fw::PlacementRect;

TEST(Placement, RestorePlanTable)
{
    struct Row {
        const char* text;
        bool applies;
        PlacementRect normal;
        bool maximise;
    } rows[] = {
        {"0,1,-1,-1,-1,-1,64,64,918,832", true, {64, 64, 918, 832}, false},   // the default
        {"0,3,-1,-1,-1,-1,0,0,0,0", true, {0, 0, 800, 600}, true},            // empty rect, maximised
        {"0,1,0,0,0,0,100,100,50,400", true, {0, 0, 800, 600}, false},        // right < left: empty
        {"2,1,-1,-1,-1,-1, 10, 20, 30, 40 trailing", true, {10, 20, 30, 40}, false}, // blanks, tail
        {"0,1,-1,-1,-1,-1,64,64,918", false, {}, false},                      // nine numbers
        {"", false, {}, false},
        {"garbage", false, {}, false},
        {"0,1,-1,-1,-1,-1,64,64,918,x", false, {}, false},
        {"0,1,-1,-1,-1,-1,64,64,99999999999,832", false, {}, false},          // out of range
        {"0;1;-1;-1;-1;-1;64;64;918;832", false, {}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const auto plan = fw::PlanPlacementRestore(r.text);
        ASSERT_EQ(plan.has_value(), r.applies);
        if (plan) {
            EXPECT_EQ(plan->normal, r.normal);
            EXPECT_EQ(plan->maximise, r.maximise);
        }
    }
}

TEST(Placement, FormatWritesFlagsAsZeroAndRoundTrips)
{
    fw::WindowPlacement p;
    p.flags = 7;
    p.showCmd = 3;
    p.normal = {-5, 10, 1200, 900};
    const std::string text = fw::FormatPlacement(p);
    EXPECT_EQ(text, "0,3,-1,-1,-1,-1,-5,10,1200,900");
    const auto back = fw::ParsePlacement(text);
    ASSERT_TRUE(back);
    p.flags = 0;
    EXPECT_EQ(*back, p);
}

TEST(Placement, OffScreenRectangleComesBackWholeOnTheScreen)
{
    const PlacementRect screen{0, 0, 1920, 1080};
    EXPECT_EQ(fw::FitOnScreen({5000, 3000, 5800, 3600}, screen), (PlacementRect{1120, 480, 1920, 1080}));
    EXPECT_EQ(fw::FitOnScreen({-900, -50, -100, 550}, screen), (PlacementRect{0, 0, 800, 600}));
    EXPECT_EQ(fw::FitOnScreen({10, 10, 5000, 5000}, screen), (PlacementRect{0, 0, 1920, 1080}));
    EXPECT_EQ(fw::FitOnScreen({64, 64, 918, 832}, screen), (PlacementRect{64, 64, 918, 832}));
}

TEST(Placement, ToolWindowsCascadeOverTheWorkAreaAndStartOverWhenItIsFull)
{
    using P = fw::PlacementPoint;
    using Held = std::vector<P>;
    // The frame's work area below its menu and toolbar: x 10..810, y 100..600.
    const PlacementRect area{10, 100, 810, 600};
    struct Row {
        const char* what;
        int w, h;
        Held held;
        std::optional<P> expected;
    };
    const Row rows[] = {
        {"the first at the corner", 400, 300, {}, P{10, 100}},
        {"the next one step on", 400, 300, {{10, 100}}, P{40, 130}},
        {"a window moved a little still holds its place", 400, 300, {{22, 87}}, P{40, 130}},
        {"a place freed is taken again", 400, 300, {{40, 130}, {70, 160}}, P{10, 100}},
        {"room for (500 - 250) / 30 + 1 = 9 places; the tenth starts over", 400, 250,
         {{10, 100}, {40, 130}, {70, 160}, {100, 190}, {130, 220}, {160, 250}, {190, 280}, {220, 310}, {250, 340}},
         P{10, 100}},
        {"a window larger than the area cascades over its upper-left half", 1200, 900, {{10, 100}}, P{40, 130}},
        {"no work area: left where it is", 400, 300, {}, std::nullopt},
    };
    for (const Row& r : rows) {
        const PlacementRect a = r.expected ? area : PlacementRect{};
        EXPECT_EQ(fw::CascadeOverWorkArea(a, r.w, r.h, r.held, 30), r.expected) << r.what;
    }
}
