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

// Ten echoing motors on a paced chain at 9600 baud, opened by the PC.
struct PacedChain {
    static constexpr size_t kMotors = 10;
    PacedChain(platform::ManualClock& clock, const std::string& name) : clock(clock)
    {
        MotorProfile p;
        p.echo[0] = true;
        FakeLineOptions paced;
        paced.pacing = true;
        rig = FakeLineRig::Chain(MakeProfiles(kMotors, p, true), name, paced);
        pc = Open(name, 9600);
        pc->SetTimeouts({0, 0, 1000, 0, 0});
    }
    // Time since start, in character times of 10 bits at 9600 baud.
    double CharsSince(TimePoint start) const
    {
        return std::chrono::duration<double>(clock.Now() - start).count() * 960.0;
    }

    platform::ManualClock& clock;
    std::unique_ptr<FakeLineRig> rig;
    std::unique_ptr<platform::SerialDevice> pc;
};

const auto kCharAt9600 = std::chrono::microseconds(1041);

TEST(FakeLine, PacedChainForwardsEachByteAsSoonAsItIsWhole)
{
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    PacedChain chain(clock, "sim-paced-pipeline");
    const auto start = clock.Now();
    Write(*chain.pc, "abcdefgh");
    // The next write goes out while the first is still in the chain: it follows it on every wire
    // without waiting for it to leave the chain.
    clock.Advance(8 * kCharAt9600);
    Write(*chain.pc, "ijklmnop");
    EXPECT_EQ(Read(*chain.pc, 16), "abcdefghijklmnop");
    // Sixteen characters on the PC's wire, then one character through each motor.
    EXPECT_NEAR(chain.CharsSince(start), 16 + PacedChain::kMotors, 0.5);
}

TEST(FakeLine, PacedChainCarriesARateChangeToTheLastMotorWithinTheHostsWait)
{
    platform::ManualClock clock;
    platform::ScopedClock scoped(clock);
    PacedChain chain(clock, "sim-paced-baud");
    Write(*chain.pc, "\x80WAKE ");
    clock.Advance(6 * kCharAt9600);
    const std::string baud = "\x80" "BAUD19200 ";
    const auto written = clock.Now();
    Write(*chain.pc, baud);
    // The host waits the write's own time on the wire and one character per motor, then reopens.
    EXPECT_EQ(Read(*chain.pc, 6 + baud.size()), "\x80WAKE " + baud);
    EXPECT_LE(chain.CharsSince(written), double(baud.size() + PacedChain::kMotors) + 0.01);
    for (size_t i = 0; i < PacedChain::kMotors; ++i)
        EXPECT_EQ(chain.rig->WithMotor(i, [](SimMotor& m) { return m.Channel(0).baud; }), 19200) << i;
}

} // namespace
} // namespace vqxsim::test
