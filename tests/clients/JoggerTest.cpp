// Jogger's press/hold/release state machine, its poll and its refusal of typed text that is not
// a number, against a recording engine.
#include "samples/jogger/Jogger.h"

#include "tests/clients/FakeEngine.h"

#include <gtest/gtest.h>

using namespace jogger;

namespace {

struct JoggerLogic : ::testing::Test {
    FakeEngine engine;
    Jogger jog{engine};
    std::string x = "2950", y = "0", wx = "0", wy = "0";

    void SetUp() override
    {
        engine.chain = 2;
        engine.reply = [this](const std::string& c) {
            if (c == "RP")
                return lastMotor == 1 ? x : y;
            return lastMotor == 1 ? wx : wy;
        };
        engine.onCall = [this](const std::string& line) {
            if (line.rfind("DefaultMotor=", 0) == 0)
                lastMotor = std::stoi(line.substr(13));
        };
        ASSERT_TRUE(jog.Open("Com1", "38400")) << jog.Error();
        EXPECT_EQ(engine.Take(), "OpenPort Com1|BaudRate=38400|AddressMotorChain|Echo=1|DefaultMotor=0|WriteCommand MP|"
                                 "WriteCommand D=0|WriteCommand P=@P|WriteCommand G|DefaultMotor=0|"
                                 "WriteCommand V=100000|WriteCommand A=100|WriteCommand MP");
        EXPECT_EQ(jog.MotorCount(), 2);
        jog.Poll();
        engine.Take();
    }
    int lastMotor = 0;
};

TEST_F(JoggerLogic, ShortClicksStepOnlyInsideTheRange)
{
    jog.ButtonDown(kRight);
    EXPECT_TRUE(jog.ButtonUp(kRight));
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand D=100|WriteCommand G");
    x = "3000";
    jog.Poll();
    engine.Take();
    jog.ButtonDown(kRight);
    jog.ButtonUp(kRight);
    EXPECT_EQ(engine.Take(), "") << "at MaxX nothing moves";
    jog.ButtonDown(kLeft);
    jog.ButtonUp(kLeft);
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand D=-100|WriteCommand G");
    jog.ButtonDown(kDown);
    jog.ButtonUp(kDown);
    EXPECT_EQ(engine.Take(), "") << "Y stands at MinY";
    jog.fields.step = "25";
    jog.ButtonDown(kUp);
    jog.ButtonUp(kUp);
    EXPECT_EQ(engine.Take(), "DefaultMotor=2|WriteCommand D=25|WriteCommand G");
    EXPECT_EQ(jog.State(), kIdle);
}

TEST_F(JoggerLogic, HoldingJogsToTheEndOfTheRangeAndReleaseStops)
{
    jog.fields.minX = "-500";
    jog.ButtonDown(kLeft);
    EXPECT_EQ(jog.State(), kWaiting);
    EXPECT_TRUE(jog.JogTimer());
    EXPECT_EQ(jog.State(), kJogging);
    EXPECT_TRUE(jog.JogTimer()); // a late second tick does nothing
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand P=-500|WriteCommand V=100000|WriteCommand A=100|WriteCommand G");
    EXPECT_TRUE(jog.ButtonUp(kLeft));
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand MV|WriteCommand V=0|WriteCommand G|WriteCommand MP|"
                             "WriteCommand V=100000");
    EXPECT_EQ(jog.State(), kIdle);

    jog.ButtonDown(kUp);
    jog.JogTimer();
    EXPECT_EQ(engine.Take(), "DefaultMotor=2|WriteCommand P=3000|WriteCommand V=100000|WriteCommand A=100|WriteCommand G");
    // A failing release still ends the jog.
    engine.failOn = "WriteCommand V=0";
    EXPECT_FALSE(jog.ButtonUp(kUp));
    EXPECT_EQ(jog.Error(), "No response from motor!");
    EXPECT_EQ(jog.State(), kIdle);
}

TEST_F(JoggerLogic, TypedTextThatIsNoNumberSendsNothing)
{
    const struct {
        std::string Fields::*field;
        const char* text;
        Direction direction;
        bool hold;
    } cases[] = {
        {&Fields::maxX, "3000 G", kRight, true}, // would splice a second command into "P="
        {&Fields::minY, "abc", kDown, true},
        {&Fields::speed, "1e5", kLeft, true},
        {&Fields::accel, "", kRight, true},
        {&Fields::step, "10;S", kRight, false},
        {&Fields::maxX, "99999999999", kRight, false},
    };
    for (const auto& c : cases) {
        Fields saved = jog.fields;
        jog.fields.*c.field = c.text;
        jog.ButtonDown(c.direction);
        if (c.hold) {
            jog.JogTimer();
            EXPECT_NE(jog.Error().find("must be a whole number"), std::string::npos) << c.text;
        }
        const bool released = jog.ButtonUp(c.direction);
        EXPECT_EQ(engine.Take(), "") << c.text;
        if (!c.hold) {
            EXPECT_FALSE(released) << c.text;
        }
        jog.fields = saved;
    }
    jog.fields.speed = "fast";
    EXPECT_FALSE(jog.CommitChanges());
    EXPECT_EQ(jog.Error(), "\"Jog Speed:\" must be a whole number, not \"fast\".");
    EXPECT_EQ(engine.Take(), "");
}

TEST_F(JoggerLogic, PollShowsPositionsAndStatusBitsOrNA)
{
    wx = "102"; // 0x66: all four bits
    wy = "-2147483648";
    y = "1234";
    jog.Poll();
    EXPECT_EQ(engine.Take(), "ClearBuffer|DefaultMotor=1|WriteCommand RP|ReadResponse|WriteCommand RW|ReadResponse|"
                             "DefaultMotor=2|WriteCommand RP|ReadResponse|WriteCommand RW|ReadResponse");
    EXPECT_EQ(jog.XPos(), "2950");
    EXPECT_EQ(jog.YPos(), "1234");
    EXPECT_EQ(jog.XStatus(), "X:         1                    1                  1                 1");
    EXPECT_EQ(jog.YStatus(), "Y:         0                    0                  0                 0");
    EXPECT_EQ(StatusLine("X:", 0x20), "X:         1                    0                  0                 0");

    engine.failOn = "WriteCommand RW";
    jog.Poll();
    EXPECT_EQ(jog.XPos(), "N/A");
    EXPECT_EQ(jog.YPos(), "N/A");
    EXPECT_EQ(jog.Error(), "") << "a poll failure shows no message";

    // One motor: Y is never polled.
    FakeEngine single;
    single.chain = 1;
    Jogger one(single);
    ASSERT_TRUE(one.Open("Com1", "9600"));
    single.Take();
    one.Poll();
    EXPECT_EQ(single.Take(), "ClearBuffer|DefaultMotor=1|WriteCommand RP|ReadResponse|WriteCommand RW|ReadResponse");
    EXPECT_EQ(one.YPos(), "N/A");
    EXPECT_FALSE(Jogger(single).Open("Com1", "fast"));
    EXPECT_EQ(single.Take(), "") << "a bad baud rate opens nothing";
}

} // namespace
