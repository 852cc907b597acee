// Motors on the in-process serial line: what only it can carry (framing errors), and answers on a
// hand-driven clock.

#include "tests/sim/unit/PcLine.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include "platform/clock/Clock.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

using platform::SerialLineSettings;

std::unique_ptr<platform::SerialDevice> Open(const std::string& name, int baud = 9600,
                                             platform::SerialParity parity = platform::SerialParity::None)
{
    SerialLineSettings line;
    line.baud = baud;
    line.parity = parity;
    auto device = platform::OpenSerialDevice(name, line);
    if (device)
        device->SetTimeouts({0, 0, 200, 0, 0});
    return device;
}

void Write(platform::SerialDevice& d, const std::string& text)
{
    size_t written = 0;
    d.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size(), written);
}

std::string Read(platform::SerialDevice& d, size_t n)
{
    std::string out(n, '\0');
    size_t got = 0;
    d.Read(reinterpret_cast<uint8_t*>(out.data()), n, got);
    out.resize(got);
    return out;
}

TEST(FakeLine, CollidingAnswersArriveWithAFramingError)
{
    auto rig = FakeLineRig::Bus(MakeProfiles(2, MotorProfile{}, true), "sim-bus-framing");
    rig->WithMotor(1, [](SimMotor& m) { m.SetBit('e', true); });
    auto pc = Open("sim-bus-framing");
    ASSERT_TRUE(pc);
    Write(*pc, "\x82RBe ");
    EXPECT_EQ(Read(*pc, 2), "1\r");
    EXPECT_EQ(pc->TakeLineErrors(), 0u);
    Write(*pc, "\x80RBe ");
    EXPECT_EQ(Read(*pc, 2), std::string("0\r"));
    EXPECT_EQ(pc->TakeLineErrors(), platform::kLineFrame);
}

TEST(FakeLine, LateCollidingAnswersKeepTheirFramingError)
{
    auto rig = FakeLineRig::Bus(MakeProfiles(2, MotorProfile{}, true), "sim-bus-late-framing");
    for (int i = 0; i < 2; ++i)
        rig->WithMotor(i, [i](SimMotor& m) {
            m.knobs.replyDelayMs = 5;
            m.SetBit('e', i == 1);
        });
    auto pc = Open("sim-bus-late-framing");
    ASSERT_TRUE(pc);
    Write(*pc, "\x80RBe ");
    EXPECT_EQ(Read(*pc, 2), std::string("0\r"));
    EXPECT_EQ(pc->TakeLineErrors(), platform::kLineFrame);
}

TEST(FakeLine, ChainEchoesAndKnowsTheHostsParity)
{
    MotorProfile p;
    p.echo[0] = true;
    p.channel[0] = {9600, 'E'};
    auto rig = FakeLineRig::Chain(MakeProfiles(2, p, true), "sim-chain-even");
    {
        auto pc = Open("sim-chain-even");
        Write(*pc, "\x82RSP ");
        EXPECT_EQ(Read(*pc, 5), "") << "even parity on the motors, none on the PC";
    }
    auto pc = Open("sim-chain-even", 9600, platform::SerialParity::Even);
    Write(*pc, "\x82RSP ");
    EXPECT_EQ(Read(*pc, 15), "\x82RSP 24576/450\r");
}

TEST(FakeLine, AnswersKeepTheirTimeOnAManualClock)
{
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    auto rig = FakeLineRig::Bus(MakeProfiles(1, MotorProfile{}, true), "sim-manual");
    rig->WithMotor(0, [](SimMotor& m) { m.knobs.eepromWriteMs = 400; });
    auto pc = Open("sim-manual");
    pc->SetTimeouts({0, 0, 1000, 0, 0});
    Write(*pc, "\x81" "ab[0]=9 EPTR=100 VST(ab[0],1) RBs ");
    const auto before = clock.Now();
    EXPECT_EQ(Read(*pc, 2), "0\r");
    EXPECT_GE(clock.Now() - before, std::chrono::milliseconds(400)) << "the answer waited for the write";
    EXPECT_EQ(rig->WithMotor(0, [](SimMotor& m) { return m.Eeprom()[100]; }), 9);
}

TEST(FakeLine, PacedLineSpacesTheBytes)
{
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    FakeLineOptions paced;
    paced.pacing = true;
    auto rig = FakeLineRig::Bus(MakeProfiles(1, MotorProfile{}, true), "sim-paced", paced);
    auto pc = Open("sim-paced", 9600);
    Write(*pc, "\x81RSP ");
    const auto before = clock.Now();
    EXPECT_EQ(Read(*pc, 10), "24576/450\r");
    // Ten characters of 10 bits at 9600 baud.
    EXPECT_GE(clock.Now() - before, std::chrono::microseconds(9 * 1041));
}

} // namespace
} // namespace vqxsim::test
