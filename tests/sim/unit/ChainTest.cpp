// The RS-232 daisy chain on a pseudo-terminal, seen from the PC's end with raw bytes.

#include "tests/sim/unit/PcLine.h"
#include "tests/sim/wiring/SerialRig.h"

#include "platform/serial/SerialDevice.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

MotorProfile EchoingMotor()
{
    MotorProfile p;
    p.echo[0] = true;
    return p;
}

std::string Frame(int address, const std::string& text)
{
    return std::string(1, char(0x80 + address)) + text + " ";
}

TEST(Chain, EveryByteComesBackAndTheAnswerFollowsTheEcho)
{
    auto rig = SerialRig::Chain(MakeProfiles(3, EchoingMotor(), true));
    PcLine pc(rig->DevicePath());
    pc.Command(2, "RSP");
    EXPECT_EQ(pc.ReadUntil("\r"), Frame(2, "RSP") + "24576/450\r");
    const size_t mark = rig->ReceivedMark();
    pc.Command(3, "a=5");
    EXPECT_EQ(pc.ReadUntil(" "), Frame(3, "a=5"));
    EXPECT_EQ(rig->WithMotor(2, [](SimMotor& m) { return m.Var("a"); }), 5);
    pc.Command(1, "RSP");
    EXPECT_EQ(pc.ReadUntil("\r"), Frame(1, "RSP") + "24576/450\r");

    // The line's log: who took in what, in order, across the motors; a mark leaves out the older.
    auto received = [](const std::vector<LineRig::Received>& r) {
        std::vector<std::pair<size_t, std::string>> out;
        for (const auto& c : r)
            out.emplace_back(c.motor, c.command);
        return out;
    };
    using Log = std::vector<std::pair<size_t, std::string>>;
    EXPECT_EQ(received(rig->ReceivedSince()), (Log{{1, "RSP"}, {2, "a=5"}, {0, "RSP"}}));
    EXPECT_EQ(received(rig->ReceivedSince(mark)), (Log{{2, "a=5"}, {0, "RSP"}}));
    EXPECT_TRUE(rig->ReceivedSince(rig->ReceivedMark()).empty());
}

TEST(Chain, AnswersMeetingInOneMotorInterleaveByteByByte)
{
    auto rig = SerialRig::Chain(MakeProfiles(2, EchoingMotor(), true));
    PcLine pc(rig->DevicePath());
    pc.Command(0, "RBe");
    EXPECT_EQ(pc.ReadUntil("\r\r"), Frame(0, "RBe") + "00\r\r");
}

TEST(Chain, EchoOffReachesTheNextMotorBeforeItStopsTheChain)
{
    auto rig = SerialRig::Chain(MakeProfiles(3, EchoingMotor(), true));
    PcLine pc(rig->DevicePath());
    pc.Command(0, "ECHO_OFF");
    EXPECT_EQ(pc.ReadUntil("ECHO_OFF "), Frame(0, "ECHO_OFF")) << "each motor passes the terminator on before acting";
    for (size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(rig->WithMotor(i, [](SimMotor& m) { return m.Echo(0); })) << "motor " << i + 1;
    pc.Command(1, "RSP");
    EXPECT_EQ(pc.ReadQuiet(), "") << "motor 1 answers, but motors 2 and 3 pass nothing on";

    // ECHO to all: one more motor echoes with each try; the PC sees the frame on the fourth.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        pc.Command(0, "ECHO");
        EXPECT_EQ(pc.ReadQuiet(), "") << "attempt " << attempt;
    }
    pc.Command(0, "ECHO");
    EXPECT_EQ(pc.ReadUntil("ECHO "), Frame(0, "ECHO"));
}

TEST(Chain, CountingUnaddressedMotorsByTheirEcho)
{
    auto rig = SerialRig::Chain(MakeProfiles(3, EchoingMotor(), false));
    PcLine pc(rig->DevicePath());
    pc.Send(Frame(0, "END") + Frame(0, "SADDR0") + Frame(0, "ECHO_OFF"));
    EXPECT_EQ(pc.ReadUntil("ECHO_OFF "), Frame(0, "END") + Frame(0, "SADDR0") + Frame(0, "ECHO_OFF"));
    int last = 0;
    for (int n = 1; n <= 4 && last == 0; ++n) {
        pc.Send(Frame(0, "SADDR" + std::to_string(n)));
        pc.Send(Frame(n, "ECHO"));
        pc.Send(Frame(n, "SLEEP"));
        std::string back = pc.ReadQuiet();
        if (back == Frame(n, "SLEEP"))
            last = n;
        else
            EXPECT_EQ(back, "") << "motor " << n << " is not the last";
    }
    EXPECT_EQ(last, 3);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rig->WithMotor(i, [](SimMotor& m) { return m.Address(); }), int(i + 1));
    pc.Command(0, "WAKE");
    EXPECT_EQ(pc.ReadUntil("WAKE "), Frame(0, "WAKE"));
    pc.Command(2, "RBo");
    EXPECT_EQ(pc.ReadUntil("\r"), Frame(2, "RBo") + "1\r");
}

TEST(Chain, MotorsIgnoreBytesAtAnotherSpeedOrParity)
{
    MotorProfile fast = EchoingMotor();
    fast.channel[0] = {19200, 'N'};
    auto rig = SerialRig::Chain(MakeProfiles(1, fast, true));
    PcLine pc(rig->DevicePath(), 9600);
    pc.Command(1, "a=3");
    EXPECT_EQ(pc.ReadQuiet(), "");
    // A pseudo-terminal keeps only the odd and mark/space bits of the parity setting.
    pc.SetLine(19200, 'O');
    pc.Command(1, "a=4");
    EXPECT_EQ(pc.ReadQuiet(), "");
    EXPECT_EQ(rig->WithMotor(0, [](SimMotor& m) { return m.Var("a"); }), 0);
    pc.SetLine(19200, 'N');
    pc.Command(1, "Ra");
    EXPECT_EQ(pc.ReadUntil("\r"), Frame(1, "Ra") + "0\r");
}

TEST(Chain, BaudCommandTravelsAtTheOldRateThenTheChainFollows)
{
    auto rig = SerialRig::Chain(MakeProfiles(2, EchoingMotor(), true));
    PcLine pc(rig->DevicePath(), 9600);
    pc.Command(0, "BAUD38400");
    EXPECT_EQ(pc.ReadUntil("BAUD38400 "), Frame(0, "BAUD38400"));
    pc.Command(2, "RSP");
    EXPECT_EQ(pc.ReadQuiet(), "");
    pc.SetLine(38400);
    pc.Command(2, "RSP");
    EXPECT_EQ(pc.ReadUntil("\r"), Frame(2, "RSP") + "24576/450\r");
}

TEST(Chain, EchoFaultsAndSilence)
{
    auto rig = SerialRig::Chain(MakeProfiles(2, EchoingMotor(), true));
    PcLine pc(rig->DevicePath());
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.dropEchoBytes = 2; });
    pc.Command(1, "RBo");
    EXPECT_EQ(pc.ReadUntil("\r"), "Bo 1\r") << "the first two bytes of the echo are lost";
    rig->WithMotor(0, [](SimMotor& m) { m.knobs.corruptEchoBytes = 1; });
    pc.Command(2, "a=1");
    EXPECT_EQ(pc.ReadUntil(" "), Frame(3, "a=1")) << "the address byte changed on the way, so motor 2 ignored it";
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Var("a"); }), 0);
    rig->WithMotor(1, [](SimMotor& m) { m.knobs.mute = true; });
    pc.Command(2, "RSP");
    EXPECT_EQ(pc.ReadUntil(" "), Frame(2, "RSP"));
    EXPECT_EQ(pc.ReadQuiet(), "") << "and nothing after the echo";
}

TEST(Chain, PacedLineTakesTheCharacterTime)
{
    SerialOptions paced;
    paced.pacing = true;
    paced.realTime = false; // the line runs at normal priority all the same
    auto rig = SerialRig::Chain(MakeProfiles(1, EchoingMotor(), true), paced);
    PcLine pc(rig->DevicePath(), 2400);
    rig->WithMotor(0, [](SimMotor& m) { m.SetChannel(0, {2400, 'N'}); });
    auto t0 = SimClock::now();
    pc.Command(1, "RSP"); // 5 bytes of echo and 10 of answer: 15 characters of 4.17 ms
    std::string back = pc.ReadUntil("\r");
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SimClock::now() - t0).count();
    EXPECT_EQ(back, Frame(1, "RSP") + "24576/450\r");
    EXPECT_GE(elapsed, 55);
}

// The platform's own serial device sets speed and parity through termios, as the host does.
TEST(Chain, HostSerialDeviceSettingsReachTheMotors)
{
    MotorProfile odd = EchoingMotor();
    odd.channel[0] = {19200, 'O'};
    auto rig = SerialRig::Chain(MakeProfiles(2, odd, true));
    platform::SerialLineSettings line;
    line.baud = 19200;
    line.parity = platform::SerialParity::Odd;
    auto device = platform::OpenSerialDevice(rig->DevicePath(), line);
    ASSERT_TRUE(device);
    device->SetTimeouts({0, 0, 300, 0, 0});
    size_t n = 0;
    device->Write(reinterpret_cast<const uint8_t*>("\x82RSP "), 5, n);
    std::string back(15, '\0');
    device->Read(reinterpret_cast<uint8_t*>(back.data()), back.size(), n);
    EXPECT_EQ(back.substr(0, n), "\x82RSP 24576/450\r");

    rig->WithMotor(1, [](SimMotor& m) { m.SendUnsolicited("X1\r"); });
    device->Read(reinterpret_cast<uint8_t*>(back.data()), 3, n);
    EXPECT_EQ(back.substr(0, n), "X1\r") << "output a motor sends of its own accord";

    line.baud = 9600;
    device->SetLine(line);
    device->SetTimeouts({0, 0, 100, 0, 0});
    device->Write(reinterpret_cast<const uint8_t*>("\x82RSP "), 5, n);
    device->Read(reinterpret_cast<uint8_t*>(back.data()), back.size(), n);
    EXPECT_EQ(n, 0u);
}

} // namespace
} // namespace vqxsim::test
