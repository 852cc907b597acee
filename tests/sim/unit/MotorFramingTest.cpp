// The motor's side of the framing and the line commands, driven byte by byte without wiring.

#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

MotorProfile Addressed(int address, std::string firmware = "450")
{
    MotorProfile p;
    p.address = address;
    p.firmware = std::move(firmware);
    return p;
}

TEST(MotorFraming, AddressBytesSelectUntilTheNextOne)
{
    SimMotor m(Addressed(3));
    EXPECT_EQ(Drive(m, "RSP "), "") << "not selected at power-up";
    EXPECT_EQ(Drive(m, "\x83RSP "), "24576/450\r");
    EXPECT_EQ(Drive(m, "RSP\r"), "24576/450\r") << "stays selected; CR ends a command as well";
    EXPECT_EQ(Drive(m, "\x84RSP "), "");
    EXPECT_EQ(Drive(m, "\x80RSP "), "24576/450\r") << "0x80 reaches every motor";
    EXPECT_EQ(Drive(m, "\x83 "), "") << "the empty command only selects";
}

TEST(MotorFraming, UnaddressedMotorAnswersAt114)
{
    SimMotor m;
    EXPECT_EQ(m.Address(), 0);
    EXPECT_EQ(Drive(m, "\xF2RBe "), "0\r");
    EXPECT_EQ(Drive(m, "\x81RBe "), "");
    // It keeps its selection while it takes an address.
    EXPECT_EQ(Drive(m, "\xF2" "ADDR=7 RBe "), "0\r");
    EXPECT_EQ(m.Address(), 7);
    EXPECT_EQ(Drive(m, "\xF2RBe "), "");
    EXPECT_EQ(Drive(m, "\x87RBe "), "0\r");
    Drive(m, "\x87SADDR0 ");
    EXPECT_EQ(Drive(m, "\xF2RBe "), "0\r") << "SADDR0 makes it unaddressed again";
}

TEST(MotorFraming, SeveralCommandsInOneFrameAndExpressions)
{
    SimMotor m(Addressed(1));
    EXPECT_EQ(Drive(m, "\x81" "a=UJA Ra "), "240\r");
    EXPECT_EQ(Drive(m, "\x81" "dd=1000 ff=dd&63 Rff "), "40\r");
    EXPECT_EQ(Drive(m, "ff=dd/64 Rff ff=2+3*4 Rff ff=-7/2 Rff "), "15\r14\r-3\r");
    EXPECT_EQ(Drive(m, "aaa=2147483647 aaa=aaa+1 Raaa "), "-2147483648\r") << "32-bit signed wrap";
    EXPECT_EQ(Drive(m, "b=5/0 Rb "), "0\r");
    EXPECT_EQ(Drive(m, "ab[0]=200 Rab[0] aw[1]=44468 Raw[1] "), "-56\r-21068\r") << "signed byte and word";
    m.Vars().unsignedArrays = true;
    EXPECT_EQ(Drive(m, "Rab[0] Raw[1] "), "200\r44468\r");
}

TEST(MotorFraming, UnknownCommandsAndReportsAreSilent)
{
    SimMotor m(Addressed(1));
    EXPECT_EQ(Drive(m, "\x81" "FROB Rnothing RXYZ q=nothing+1 Rq "), "0\r")
        << "only the known report answers; a bad expression assigns nothing";
}

TEST(MotorFraming, SleepingMotorIgnoresAllButWake)
{
    SimMotor m(Addressed(2));
    Drive(m, "\x80SLEEP ");
    EXPECT_TRUE(m.Asleep(0));
    EXPECT_EQ(Drive(m, "\x82RSP a=5 "), "");
    EXPECT_EQ(m.Var("a"), 0);
    EXPECT_EQ(Drive(m, "WAKE RSP "), "24576/450\r");
    // The channel-1 forms belong to channel 1 only.
    Drive(m, "SLEEP1 ");
    EXPECT_TRUE(m.Asleep(1));
    EXPECT_FALSE(m.Asleep(0));
    EXPECT_EQ(Drive(m, "RBe "), "0\r");
}

TEST(MotorFraming, CompareAndConditionalCommands)
{
    SimMotor m(Addressed(5));
    Drive(m, "\x85" "dd=1234 ");
    // Alone at its address: the comparison with its own number is true, so IFF silences it.
    EXPECT_EQ(Drive(m, "CMP dd==1234 IFF Rdd "), "");
    EXPECT_EQ(Drive(m, "ADDR=9 "), "") ;
    EXPECT_EQ(m.Address(), 5) << "commands stay conditional until IFX";
    EXPECT_EQ(Drive(m, "IFX Rdd "), "1234\r");
    EXPECT_EQ(Drive(m, "CMP dd==99 IFF Rdd IFX "), "1234\r");
    EXPECT_EQ(Drive(m, "CMP dd==1234 IFT ADDR=9 IFX "), "");
    EXPECT_EQ(m.Address(), 9);
}

TEST(MotorFraming, BaudAndChannelCommandsChangeTheChannels)
{
    SimMotor m(Addressed(1));
    Drive(m, "\x80" "BAUD38400 ");
    EXPECT_EQ(m.Channel(0).baud, 38400);
    Drive(m, "BAUD12345 ");
    EXPECT_EQ(m.Channel(0).baud, 38400) << "no such rate";
    Drive(m, "OCHN(RS4,1,E,19200,1,8,C) ");
    EXPECT_EQ(m.Channel(1), (LineSettings{19200, 'E'}));
    Drive(m, "OCHN(RS2,0,I,4800,1,8,C) ");
    EXPECT_EQ(m.Channel(0), (LineSettings{4800, 'I'}));
    Drive(m, "ECHO ECHO1 ");
    EXPECT_TRUE(m.Echo(0));
    EXPECT_TRUE(m.Echo(1));
    Drive(m, "ECHO_OFF1 ");
    EXPECT_TRUE(m.Echo(0));
    EXPECT_FALSE(m.Echo(1));
}

TEST(MotorFraming, BaudIsTheChannelZeroCommandWhateverLineTheMotorHearsOn)
{
    // A bus wired to channel 1 changes its rate only through OCHN(RS4,1,...): BAUD sets channel 0.
    SimMotor m(Addressed(1));
    m.lineChannel = 1;
    Drive(m, "\x81" "BAUD19200 ");
    EXPECT_EQ(m.Channel(0).baud, 19200);
    EXPECT_EQ(m.Channel(1).baud, 9600);
}

TEST(MotorFraming, ResetIsSilentForTheBootTimeThenPowerUpState)
{
    SimMotor m(Addressed(4));
    m.knobs.bootMs = 100;
    TimePoint t0 = SimClock::now();
    Drive(m, "\x84" "a=5 SLEEP1 Z ", t0);
    EXPECT_EQ(Drive(m, "\x84RSP ", t0 + Ms(50)), "") << "booting";
    EXPECT_EQ(Drive(m, "\x84RSP Ra ", t0 + Ms(150)), "24576/450\r0\r");
    EXPECT_FALSE(m.Asleep(1));
    EXPECT_EQ(m.Address(), 4);
}

TEST(MotorFraming, PowerCycleTakesTheAddressFromEeprom)
{
    SimMotor m(Addressed(4));
    Drive(m, "\x84SADDR9 ");
    m.knobs.bootMs = 0;
    m.PowerCycle(SimClock::now());
    EXPECT_EQ(m.Address(), 4);
    m.Eeprom()[eeaddr::kAddress] = 0xFF;
    m.PowerCycle(SimClock::now());
    EXPECT_EQ(m.Address(), 0);
}

TEST(MotorFraming, IdentityReportsAndPProtocol)
{
    SimMotor m(Addressed(1, "462ah"));
    EXPECT_EQ(Drive(m, "\x81RSP PSP "), "24576/462ah\r");
    MotorProfile pp = Addressed(1);
    pp.pProtocol = true;
    SimMotor p(pp);
    EXPECT_EQ(Drive(p, "\x81RSP RBo "), "") << "a P-protocol motor is silent to R reports";
    EXPECT_EQ(Drive(p, "PSP PFo Pa "), "24576/450\r1\r0\r");
}

TEST(MotorFraming, ServoStatusAndLsa)
{
    SimMotor m(Addressed(1, "5xx"));
    EXPECT_EQ(Drive(m, "\x81RBo "), "1\r");
    m.SetServo(true);
    EXPECT_EQ(Drive(m, "RBo "), "0\r");
    EXPECT_EQ(Drive(m, "OFF RBo "), "1\r");
    EXPECT_EQ(Drive(m, "LSA Rdd "), std::to_string(int32_t(m.Profile().serial)) + "\r");
    SimMotor old(Addressed(1, "450"));
    EXPECT_EQ(Drive(old, "\x81" "dd=7 LSA Rdd "), "7\r") << "LSA does nothing before the 5 series";
}

TEST(MotorFraming, AnswerTimingKnobs)
{
    SimMotor m(Addressed(1));
    TimePoint t0 = SimClock::now();
    m.knobs.replyDelayMs = 30;
    for (char c : std::string("\x81RSP "))
        m.Receive(uint8_t(c), t0);
    ASSERT_EQ(m.Outbox().size(), 1u);
    EXPECT_EQ(m.Outbox().front().readyAt, t0 + Ms(30));
    m.Outbox().clear();
    // Chatter: characters without a line end, one every interval, for the whole time.
    m.knobs.replyDelayMs = 0;
    m.knobs.chatterMs = 20;
    m.knobs.chatterIntervalMs = 5;
    for (char c : std::string("RSP "))
        m.Receive(uint8_t(c), t0);
    ASSERT_EQ(m.Outbox().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m.Outbox()[i].bytes, Bytes{'#'});
        EXPECT_EQ(m.Outbox()[i].readyAt, t0 + Ms(5 * int(i)));
    }
}

} // namespace
} // namespace vqxsim::test
