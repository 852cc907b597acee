// The RS-485 bus on a pseudo-terminal: every motor hears the PC, none echoes, answers collide.

#include "tests/sim/unit/PcLine.h"
#include "tests/sim/wiring/SerialRig.h"

#include "platform/serial/SerialDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vqxsim::test {
namespace {

std::unique_ptr<SerialRig> Bus(size_t n, CollisionForm form, bool addressed = true)
{
    SerialOptions o;
    o.collision = form;
    return SerialRig::Bus(MakeProfiles(n, MotorProfile{}, addressed), o);
}

// Whether motor `index` reaches the state `has` tells, looking again until the line's thread has
// taken what the PC wrote (at most 10 s: a line that never takes it fails the test).
template <class F> bool MotorReaches(SerialRig& rig, size_t index, F has)
{
    for (int tries = 0; tries < 10000; ++tries) {
        if (rig.WithMotor(index, has))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(Bus, NoEchoAndOnlyTheAddressedMotorAnswers)
{
    auto rig = Bus(3, CollisionForm::Garbage);
    PcLine pc(rig->DevicePath());
    pc.Command(2, "a=9 Ra");
    EXPECT_EQ(pc.ReadUntil("\r"), "9\r");
    EXPECT_EQ(rig->WithMotor(0, [](SimMotor& m) { return m.Var("a"); }), 0);
}

TEST(Bus, IdenticalAnswersArriveClean)
{
    auto rig = Bus(3, CollisionForm::Garbage);
    PcLine pc(rig->DevicePath());
    pc.Command(0, "RSP");
    EXPECT_EQ(pc.ReadUntil("\r"), "24576/450\r");
    EXPECT_EQ(pc.ReadQuiet(), "");
}

TEST(Bus, DifferingAnswersCollideInTheChosenForm)
{
    {
        auto rig = Bus(2, CollisionForm::Garbage);
        rig->WithMotor(1, [](SimMotor& m) { m.SetBit('e', true); });
        PcLine pc(rig->DevicePath());
        pc.Command(0, "RBe");
        EXPECT_EQ(pc.ReadUntil("\r"), std::string("\xB1\r"));
    }
    {
        auto rig = Bus(2, CollisionForm::BitwiseAnd);
        PcLine pc(rig->DevicePath());
        pc.Command(0, "RSP"); // same text: no collision
        EXPECT_EQ(pc.ReadUntil("\r"), "24576/450\r");
        rig->WithMotor(0, [](SimMotor& m) { m.Vars().Set(*ParseVarRef("dd"), 12); });
        rig->WithMotor(1, [](SimMotor& m) { m.Vars().Set(*ParseVarRef("dd"), 3456); });
        pc.Command(0, "Rdd"); // numbers of different length: the longer one's tail arrives alone
        std::string expected = {char('1' & '3'), char('2' & '4'), char('\r' & '5'), '6', '\r'};
        EXPECT_EQ(pc.ReadUntil("6\r"), expected);
    }
    {
        auto rig = Bus(2, CollisionForm::FramingError);
        rig->WithMotor(1, [](SimMotor& m) { m.SetBit('e', true); });
        PcLine pc(rig->DevicePath());
        pc.Command(0, "RBe");
        EXPECT_EQ(pc.ReadUntil("\r"), std::string("\xB0\r")) << "a pseudo-terminal shows a framing error as garbage";
    }
}

TEST(Bus, SelfAddressingFromSerialNumbers)
{
    MotorProfile five;
    five.firmware = "5xx";
    auto profiles = MakeProfiles(2, five, false);
    profiles[0].serial = (uint32_t('A') << 24) | 130; // 130 & 63 = 2
    profiles[1].serial = (uint32_t('A') << 24) | 7;   // 7 & 63 = 7
    auto rig = SerialRig::Bus(profiles);
    PcLine pc(rig->DevicePath());
    pc.Send("\x80" "ECHO_OFF WAKE IFX EPTR=32256 VLD(dd,1) LSA ff=dd&63 ADDR=ff+1 ");
    EXPECT_EQ(pc.ReadQuiet(), "");
    pc.Command(3, "Rdd");
    EXPECT_EQ(pc.ReadUntil("\r"), std::to_string(int32_t(profiles[0].serial)) + "\r");
    pc.Command(3, "CMP dd==" + std::to_string(int32_t(profiles[0].serial)));
    pc.Command(3, "IFF Rdd");
    EXPECT_EQ(pc.ReadQuiet(), "") << "alone at its address";
    pc.Command(3, "IFX");
    pc.Command(8, "RBo");
    EXPECT_EQ(pc.ReadUntil("\r"), "1\r");
}

TEST(Bus, MotorsOnChannelOneFollowTheChannelOneCommands)
{
    SerialOptions o;
    o.busChannel = 1;
    auto rig = SerialRig::Bus(MakeProfiles(2, MotorProfile{}, true), o);
    PcLine pc(rig->DevicePath());
    pc.Command(0, "OCHN(RS4,1,N,19200,1,8,C)");
    // Nothing answers a rate command on a bus, and a pseudo-terminal gives the line the PC's rate
    // when the line takes the bytes: the PC follows only once the motors have taken it (a real
    // line has sent it by then).
    for (size_t i = 0; i < 2; ++i)
        ASSERT_TRUE(MotorReaches(*rig, i, [](SimMotor& m) { return m.Channel(1).baud == 19200; }));
    pc.SetLine(19200);
    pc.Command(0, "SLEEP1");
    pc.Command(2, "WAKE1");
    pc.Command(0, "RSP");
    EXPECT_EQ(pc.ReadUntil("\r"), "24576/450\r");
    EXPECT_TRUE(rig->WithMotor(0, [](SimMotor& m) { return m.Asleep(1); }));
    EXPECT_FALSE(rig->WithMotor(1, [](SimMotor& m) { return m.Asleep(1); }));
}

// A real line has sent every byte by the time the PC closes it; a pseudo-terminal only queues
// them. A rate command the PC writes just before it reopens the line at the new rate must still
// travel at the old rate, however late the line's thread gets to it.
TEST(Bus, RateCommandWrittenJustBeforeAReopenTravelsAtTheOldRate)
{
    auto rig = Bus(2, CollisionForm::Garbage);
    platform::SerialLineSettings line;
    line.baud = 9600;
    auto device = platform::OpenSerialDevice(rig->DevicePath(), line);
    ASSERT_TRUE(device);
    for (int round = 0; round < 20; ++round) {
        const int to = round % 2 == 0 ? 19200 : 9600;
        const std::string command = "\x80OCHN(RS4,0,N," + std::to_string(to) + ",1,8,C) ";
        size_t n = 0;
        ASSERT_TRUE(device->Write(reinterpret_cast<const uint8_t*>(command.data()), command.size(), n));
        ASSERT_EQ(n, command.size());
        device.reset();
        line.baud = to;
        device = platform::OpenSerialDevice(rig->DevicePath(), line);
        ASSERT_TRUE(device);
        // Motor 2 heard the command and answers at the new rate.
        ASSERT_TRUE(device->SetTimeouts({0, 0, 2000, 0, 0}));
        ASSERT_TRUE(device->Write(reinterpret_cast<const uint8_t*>("\x82RSP "), 5, n));
        std::string reply(10, '\0');
        ASSERT_TRUE(device->Read(reinterpret_cast<uint8_t*>(reply.data()), reply.size(), n));
        EXPECT_EQ(reply.substr(0, n), "24576/450\r") << "round " << round;
    }
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(rig->WithMotor(i, [](SimMotor& m) { return m.Channel(0).baud; }), 9600);
}

} // namespace
} // namespace vqxsim::test
