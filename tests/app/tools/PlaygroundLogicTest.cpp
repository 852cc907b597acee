// The playground's rules without a window: the polling program's reply, the fixed cycle per
// family, the fault question's answer matrix, the knob's angles and the unit and slider
// arithmetic at its edges.
#include <gtest/gtest.h>

#include "app/tools/PlaygroundFaults.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/PlaygroundMath.h"
#include "app/tools/PlaygroundPoll.h"

#include <climits>

using namespace tools;

TEST(PlaygroundPoll, ParsePollReplyTakesFieldsUntilSomethingElse)
{
    const struct {
        const char* reply;
        const char* letters;
        PollValues want; // from a start of all 7
    } cases[] = {
        {"P1200E-3W8I0V0O0", "PEWIVO", {1200, -3, 8, 0, 0, 0}},
        {"P12 X5", "PX", {12, 7, 7, 7, 7, 7}},          // " " ends P's number text; X asks for RUN
        {"W-1", "W", {7, 7, -1, 7, 7, 7}},
        {"V5abcO9", "VO", {7, 7, 7, 7, 5, 9}},          // junk after the digits is ignored
        {"Q1P5", "", {7, 7, 7, 7, 7, 7}},               // anything else first: nothing
        {"P5Ex", "P", {5, 7, 7, 7, 7, 7}},              // a letter without a number stops there
        {"P5E", "P", {5, 7, 7, 7, 7, 7}},               // cut short
        {"", "", {7, 7, 7, 7, 7, 7}},
        {"p5", "", {7, 7, 7, 7, 7, 7}},                 // lower case is no field
        {"P99999999999W1", "PW", {1215752191, 7, 1, 7, 7, 7}}, // wraps to 32 bits, no overflow trap
        {"P-2147483648", "P", {INT32_MIN, 7, 7, 7, 7, 7}},
        {"I-", "I", {7, 7, 7, 0, 7, 7}},                // "-" alone reads as 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        PollValues v{7, 7, 7, 7, 7, 7};
        EXPECT_EQ(ParsePollReply(c.reply, v), c.letters);
        EXPECT_EQ(v.Position, c.want.Position);
        EXPECT_EQ(v.PositionError, c.want.PositionError);
        EXPECT_EQ(v.StatusWord, c.want.StatusWord);
        EXPECT_EQ(v.Inputs, c.want.Inputs);
        EXPECT_EQ(v.Velocity, c.want.Velocity);
        EXPECT_EQ(v.Outputs, c.want.Outputs);
    }
}

// Walks the fixed cycle from step 0 until it reaches the page's steps (30), answering every
// command with `reply`, and returns the commands sent.
static std::vector<std::string> Cycle(Family f, bool is462, int32_t reply, PollValues& v)
{
    std::vector<std::string> sent;
    for (int step = 0; step < 30 && sent.size() < 20;) {
        const std::string cmd = FixedPollCommand(step, f);
        if (cmd.empty())
            break;
        sent.push_back(cmd);
        step = ApplyFixedReply(step, reply, f, is462, v).next;
    }
    return sent;
}

TEST(PlaygroundPoll, FixedCycleByFamilyFeedsTheStatusWord)
{
    using V = std::vector<std::string>;
    PollValues v;
    EXPECT_EQ(Cycle(Family::Version5, false, 0x180002, v), (V{"RW", "RIN", "ROUT"}));
    EXPECT_EQ(v.StatusWord, 0x180002); // the fault question sees it
    EXPECT_EQ(v.Outputs, 0x180002);
    v = {};
    EXPECT_EQ(Cycle(Family::Version46, false, 4, v), (V{"RW", "RU"}));
    EXPECT_EQ(v.StatusWord, 4);
    v = {};
    EXPECT_EQ(Cycle(Family::Version46, true, 1, v), (V{"RW", "RU", "RBn"}));
    EXPECT_EQ(v.StatusWord, 0x10001); // RBn sets bit 16
    EXPECT_EQ(ApplyFixedReply(21, 0, Family::Version46, true, v).update, unsigned(UpdateDriveFault));
    EXPECT_EQ(v.StatusWord, 1); // and clears it
    v = {};
    EXPECT_EQ(Cycle(Family::Older, false, 1, v),
              (V{"RW", "z=UAI Rz", "z=UBI Rz", "z=UCI Rz", "z=UDI Rz", "z=UEI Rz", "z=UFI Rz", "z=UGI Rz"}));
    EXPECT_EQ(v.Inputs, 0x7F);
    // An unknown status word (-1) greys the LEDs but keeps the last known word.
    v.StatusWord = 32;
    EXPECT_EQ(ApplyFixedReply(0, -1, Family::Older, false, v).update, unsigned(UpdateStatus));
    EXPECT_EQ(v.StatusWord, 32);
    EXPECT_TRUE(FixedPollCommand(8, Family::Older).empty());
    EXPECT_EQ(ApplyFixedReply(8, 5, Family::Older, false, v).next, 0);
}

TEST(PlaygroundFaults, AnswerMatrix)
{
    const int32_t bl = 4, br = 2, sl = 1 << 19, sr = 1 << 20, be = 32, temp = 64;
    const struct {
        Family f;
        int32_t w;
        LimitChecks before;
        const char* text; // "" for no question
        size_t answers;
        int answer;
        LimitChecks after;
        bool clear;
    } cases[] = {
        {Family::Version5, 0, {}, "", 0, 0, {}, false},
        {Family::Version5, sl, {}, "Left software limit encountered.", 2, 101, {false, true, false}, true},
        {Family::Version5, sl | sr, {}, "Left and Right software limits encountered.", 2, 100, {}, true},
        {Family::Version5, sr, {}, "Right software limit encountered.", 2, 2, {}, false}, // cancelled
        // Software limits disabled: only the hardware limits are reported.
        {Family::Version5, sl | br, {false, true, false}, "Right hardware limit encountered.", 2, 101, {false, true, true}, true},
        {Family::Version5, sl, {false, true, false}, "", 0, 0, {false, true, false}, false},
        {Family::Version5, bl | br, {}, "Left and Right hardware limits encountered.", 2, 101, {true, false, true}, true},
        {Family::Older, bl, {}, "Left limit encountered.", 2, 101, {true, false, true}, true},
        {Family::Version46, br, {}, "Right limit encountered.", 3, 102, {false, true, false}, true},
        {Family::Older, br, {true, false, true}, "Right software limit encountered.", 2, 101, {true, true, true}, true},
        {Family::Older, bl, {false, true, false}, "Left hardware limit encountered.", 2, 101, {true, true, false}, true},
        {Family::Older, br, {}, "Right limit encountered.", 2, 102, {}, false}, // 102 only for 4.6
        {Family::Older, be | temp, {}, "The following Error(s) occurred:\n    -Excessive Tempreature\n    -Excessive Position Error\n\nDo you want to clear Error(s)?", 0, 1, {}, true},
        {Family::Version5, be, {}, "The following Error(s) occurred:\n    -Excessive Position Error\n\nDo you want to clear Error(s)?", 0, 0, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const FaultQuestion q = BuildFaultQuestion(c.f, c.w, c.before);
        EXPECT_EQ(q.text, c.text);
        EXPECT_EQ(q.kind == FaultQuestion::None, std::string(c.text).empty());
        EXPECT_EQ(q.answers.size(), c.answers);
        const FaultAction a = FaultAnswer(q, c.answer, c.before);
        EXPECT_EQ(a.checks.left, c.after.left);
        EXPECT_EQ(a.checks.soft, c.after.soft);
        EXPECT_EQ(a.checks.right, c.after.right);
        EXPECT_EQ(a.clearFaults, c.clear);
        EXPECT_EQ(a.sendLimits, c.clear && c.answer > 100);
    }
    const FaultQuestion hw = BuildFaultQuestion(Family::Version5, bl, {});
    EXPECT_EQ(hw.answers[1].second, "Clear fault and disable Left hardware limit");
}

TEST(PlaygroundMath, KnobAnglesAndUnitsAtTheirEdges)
{
    for (auto [in, out] : {std::pair{725.0, 5.0}, {-90.0, 270.0}, {-720.0, 0.0}, {360.0, 0.0}, {0.0, 0.0}})
        EXPECT_DOUBLE_EQ(NormalizeAngle(in), out) << in;
    // A point opposite the pointer is a half turn either way; nothing lies outside.
    EXPECT_NEAR(std::abs(KnobChange(KnobPointAngle(0, 50, 101, 101), 0)), 180.0, 1e-9);
    EXPECT_NEAR(KnobPointAngle(50, 0, 101, 101), 90.0, 1e-9); // 12 o'clock
    for (double t = 0; t < 360; t += 7.5)
        for (double c = 0; c < 360; c += 11)
            EXPECT_LE(std::abs(KnobChange(t, c)), 180.0);
    EXPECT_DOUBLE_EQ(KnobAngleOfPosition(500, 2000), 270.0);
    EXPECT_EQ(KnobDestination(1000, 2000, 90), 500);
    EXPECT_EQ(KnobDestination(INT32_MIN + 10, 4000000, 180), INT32_MIN); // clamped, not wrapped

    EXPECT_EQ(VelocityOfRpm(1, 2000, 0.24576), 536);
    EXPECT_EQ(AccelerationOfRps2(10, 2000, 0.24576), 79);
    EXPECT_EQ(VelocityOfRpm(1000, 2000, 0.24576, true), 536871);
    EXPECT_EQ(VelocityOfRpm(1e9, 2000, 0.24576), INT32_MAX); // clamped, not wrapped
    EXPECT_EQ(VelocityOfRpm(-1e9, 2000, 0.24576), INT32_MIN);
    EXPECT_EQ(AccelerationOfRps2(1e12, 2000, 0.24576), INT32_MAX);
    EXPECT_EQ(FormatTrimmed(RpmOfVelocity(536871, 2000, 0.24576)), "1000");
    EXPECT_EQ(FormatTrimmed(12.5), "12.5");
    EXPECT_EQ(FormatTrimmed(-0.001), "0");

    // Sliders: the (c - left) * 500 and (100 - p) * maximum products do not wrap at 32 bits.
    EXPECT_EQ(SliderOfCount(0, -100000, 100000), 250);
    EXPECT_EQ(SliderOfCount(1000000000, -2000000000, 2000000000), 375);
    EXPECT_EQ(SliderOfCount(5000000000LL, -100, 100), 500);
    EXPECT_EQ(SliderOfCount(-5, 10, 10), 0); // empty span
    EXPECT_EQ(CountOfSlider(500, -2000000000, 2000000000), 2000000000);
    EXPECT_EQ(CountOfSlider(250, -100000, 100000), 0);
    EXPECT_EQ(SliderOfCommand(0, 1023), 100);
    EXPECT_EQ(SliderOfCommand(1023, 1023), 0);
    EXPECT_EQ(SliderOfCommand(-3000000000LL, 1023), 200);
    EXPECT_EQ(CommandOfSlider(0, 536871000), 536871000);
    EXPECT_EQ(CommandOfSlider(200, 2147483647), -2147483647);
    EXPECT_EQ(CommandOfSlider(0, 5000000000LL), INT32_MAX);
}

TEST(PlaygroundLeave, ShowVQXCloseAndTheStartUpSetting)
{
    const struct {
        bool canShowMain, mainHidden, checked;
        const char* text;
        bool offers, writeNoShow, startMain, endsProgram;
    } cases[] = {
        {true, true, true, "Show VQX", true, false, true, false},   // first window, kept for next time
        {true, true, false, "Show VQX", true, true, true, false},   // first window, not next time
        {true, false, true, "Close", false, false, false, false},   // opened from the menu
        {true, false, false, "Close", false, true, false, false},   // the setting was off already
        {false, true, true, "Close", false, false, false, true},    // play mode: closing ends the program
        {false, false, false, "Close", false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.canShowMain) + std::to_string(c.mainHidden) + std::to_string(c.checked));
        EXPECT_STREQ(ShowMainButtonText(c.canShowMain, c.mainHidden), c.text);
        EXPECT_EQ(OffersShowAtStartup(c.canShowMain, c.mainHidden), c.offers);
        const LeaveChoice leave = DecideLeave(c.canShowMain, c.mainHidden, c.checked);
        EXPECT_EQ(leave.writeNoShowAtStartup, c.writeNoShow);
        EXPECT_EQ(leave.startMainWindow, c.startMain);
        EXPECT_EQ(ClosingEndsProgram(c.mainHidden, leave), c.endsProgram);
    }
}
