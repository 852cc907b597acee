// IoTester and Jogger end to end: their logic through the engine library (loaded from the
// registry) on simulated motors, as a user drives them.
#include "tests/clients/ClientRig.h"

#include "samples/iotester/IoTester.h"
#include "samples/jogger/Jogger.h"

namespace {

TEST(IoTesterE2E, SetsAndReadsPinsAndShowsTheStatusWord)
{
    ClientRig rig(2, ClientRig::Kind::Plain);
    auto engine = vqxclient::CreateEngineHost();
    iotester::IoTester tester(*engine);
    tester.ConnectClicked("Com1");
    ASSERT_TRUE(tester.Connected()) << tester.TakeStatusLines();
    tester.SetMotorAddressText("2");
    rig.Motor(1, [](vqxsim::SimMotor& m) { return m.Values()["UCI"] = 1; });
    for (int i = 0; i < 8; ++i)
        tester.Tick(); // the seven inputs, then a round of polls
    EXPECT_EQ(tester.TakeStatusLines(), "");
    EXPECT_TRUE(rig.Logged(1, "UGI"));
    EXPECT_FALSE(rig.Logged(0, "UGI")) << "only the motor of the address field";
    EXPECT_TRUE(tester.Led(2)) << "pin C is driven high from outside";
    EXPECT_FALSE(tester.Led(3));
    EXPECT_EQ(tester.PollsMade(), 8);

    // Pin A: output low, then high; the motor's pin follows.
    tester.PinClicked(0);
    tester.Tick();
    EXPECT_EQ(rig.Motor(1, [](vqxsim::SimMotor& m) { return m.Values()["UAO"] * 10 + m.Values()["UA"]; }), 10);
    tester.PinClicked(0);
    tester.Tick();
    EXPECT_EQ(rig.Motor(1, [](vqxsim::SimMotor& m) { return m.Values()["UAO"] * 10 + m.Values()["UA"]; }), 11);

    // The status word: a position error once, a syntax error at every poll with "Zs".
    rig.Motor(1, [](vqxsim::SimMotor& m) { return m.knobs.statusReply = "8224"; });
    tester.AllLow();
    for (int i = 0; i < 3; ++i)
        tester.Tick();
    EXPECT_EQ(tester.TakeStatusLines(), "Error: Position Error\r\nError: Syntax Error\r\nError: Syntax Error\r\n"
                                        "Error: Syntax Error\r\n");
    EXPECT_TRUE(rig.Logged(1, "Zs"));
    EXPECT_EQ(tester.SentCommand(), "RW");
    EXPECT_EQ(tester.Response(), "8224");
    EXPECT_EQ(rig.Motor(1, [](vqxsim::SimMotor& m) { return m.Values()["UGO"] * 10 + m.Values()["UG"]; }), 10);

    // A motor that stops answering: a status line, and the program goes on.
    rig.Motor(1, [](vqxsim::SimMotor& m) { return m.knobs.mute = true; });
    tester.Tick();
    const std::string lines = tester.TakeStatusLines();
    EXPECT_EQ(lines.rfind("Error:", 0), 0u) << lines;
    tester.StopClicked();
    EXPECT_TRUE(rig.Logged(0, "S")) << "Stop reaches every motor";
    tester.ConnectClicked("Com1");
    EXPECT_FALSE(tester.Connected());

    // An absent port: a clear line, nothing connected.
    iotester::IoTester other(*engine);
    other.ConnectClicked("/dev/vqx-no-such-port");
    EXPECT_FALSE(other.Connected());
    EXPECT_EQ(other.TakeStatusLines().rfind("Error:", 0), 0u);
}

TEST(JoggerE2E, JogsTwoAxesAndStopsThemOnRelease)
{
    ClientRig rig(2, ClientRig::Kind::Motion);
    auto engine = vqxclient::CreateEngineHost();
    jogger::Jogger jog(*engine);
    ASSERT_TRUE(jog.Open("Com1", "38400")) << jog.Error();
    EXPECT_EQ(jog.MotorCount(), 2);
    jog.Poll();
    EXPECT_EQ(jog.XPos(), "0");
    EXPECT_EQ(jog.YPos(), "0");

    // Hold Right: a continuous move towards MaxX (far away, so that only the release stops it).
    jog.fields.maxX = "10000000";
    jog.ButtonDown(jogger::kRight);
    jog.JogTimer();
    ASSERT_TRUE(ClientRig::Eventually([&] { return rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; }) > 200; }));
    ASSERT_TRUE(jog.ButtonUp(jogger::kRight)) << jog.Error();
    // The motor ramps down at the jog acceleration.
    EXPECT_TRUE(ClientRig::Eventually([&] { return !rig.Motor(0, [&](vqxsim::SimMotor&) { return rig.motion[0]->Moving(); }); }))
        << "stopped on release";
    const int32_t stoppedAt = rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; });
    EXPECT_GT(stoppedAt, 200);
    EXPECT_LT(stoppedAt, 10000000);
    EXPECT_TRUE(rig.Logged(0, "MV"));
    EXPECT_FALSE(rig.Logged(1, "P=10000000")) << "the Y axis was not addressed";
    jog.Poll();
    EXPECT_EQ(jog.XPos(), std::to_string(stoppedAt)) << "it stays where it stopped";

    // A short click on Up steps the Y axis by the step.
    jog.fields.step = "250";
    jog.ButtonDown(jogger::kUp);
    ASSERT_TRUE(jog.ButtonUp(jogger::kUp)) << jog.Error();
    ASSERT_TRUE(ClientRig::Eventually([&] { return rig.Motor(1, [](vqxsim::SimMotor& m) { return m.Values()["P"]; }) == 250; }));
    jog.Poll();
    EXPECT_EQ(jog.YPos(), "250");
    EXPECT_EQ(rig.Motor(0, [](vqxsim::SimMotor& m) { return m.Values()["P"]; }), stoppedAt);

    // Status bits of the X axis; then a typed range that is not a number moves nothing.
    rig.Motor(0, [](vqxsim::SimMotor& m) { return m.knobs.statusReply = std::to_string(0x66); });
    jog.Poll();
    EXPECT_EQ(jog.XStatus(), "X:         1                    1                  1                 1");
    jog.fields.minX = "0 G";
    jog.ButtonDown(jogger::kLeft);
    jog.JogTimer();
    EXPECT_FALSE(jog.Error().empty());
    jog.ButtonUp(jogger::kLeft);
    EXPECT_FALSE(rig.Motor(0, [&](vqxsim::SimMotor&) { return rig.motion[0]->Moving(); }));
    EXPECT_FALSE(rig.Logged(0, "P=0"));

    // A motor that stops answering: the poll shows N/A, no message.
    rig.Motor(1, [](vqxsim::SimMotor& m) { return m.knobs.mute = true; });
    jog.Poll();
    EXPECT_EQ(jog.XPos(), "N/A");
    jog.Close();
}

} // namespace
