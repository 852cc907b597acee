// Host mode from the motor's side, driven byte by byte on the test's own time line: packets, the
// slot buffer, playback one tick per sample, the status reply and what a motor does when it runs
// dry.

#include "tests/sim/motor/HostMode.h"
#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

constexpr int64_t kTickNs = 245760; // figure 24576 x 10 ns

std::string Position(int32_t p)
{
    const uint32_t v = static_cast<uint32_t>(p);
    return std::string{'\xFA', char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Clock(uint32_t c) { return std::string{'\xFB', '\0', char(c >> 16), char(c >> 8), char(c)}; }

std::string Status(uint8_t b1, uint8_t b2, uint8_t b3 = 0, uint8_t b4 = 0)
{
    return std::string{'\xF9', char(b1), char(b2), char(b3), char(b4)};
}

struct HostMotor {
    explicit HostMotor(std::string firmware = "450", HostModeOptions options = {})
    {
        MotorProfile p;
        p.address = 1;
        p.firmware = std::move(firmware);
        motor = std::make_unique<SimMotor>(p, t0 - Ms(1000));
        host = AttachHostMode(*motor, options);
    }
    TimePoint At(int64_t ticks) const { return t0 + std::chrono::nanoseconds(ticks * kTickNs); }
    std::string Send(const std::string& bytes, int64_t ticks = 0) { return Drive(*motor, bytes, At(ticks)); }

    TimePoint t0 = SimClock::now();
    std::unique_ptr<SimMotor> motor;
    std::shared_ptr<HostModeMotor> host;
};

TEST(HostMode, SlotsPlayOnTheMotorsClockAndRunningDryStopsIt)
{
    HostMotor m;
    EXPECT_EQ(m.Send("\x81MD\r" "Q\r"), Status(0x80 | 19, 0)) << "empty buffer, clock 0";
    // Three slots; payload bytes of 0x80 and more are no address bytes.
    m.Send(Position(10) + Clock(0) + Position(-2139062144 /* 0x80808080 */) + Clock(64) + Position(30) + Clock(128));
    EXPECT_EQ(m.host->Buffered(), 3u);
    EXPECT_EQ(m.Send("Q\r"), Status(0x80 | 16, 0)) << "still selected after the packets";
    m.Send("G\r");
    EXPECT_EQ(m.host->Played().size(), 1u) << "the slot at clock 0 is reached at once";
    m.host->Advance(m.At(63));
    EXPECT_EQ(m.host->Played().size(), 1u);
    m.host->Advance(m.At(64));
    ASSERT_EQ(m.host->Played().size(), 2u);
    EXPECT_EQ(m.host->Played()[1].position, -2139062144);
    EXPECT_EQ(m.Send("Q\r", 100), Status(0x80 | 18, 0, 0, 100)) << "one slot left, clock 100";
    m.host->Advance(m.At(128));
    EXPECT_TRUE(m.host->Playing());
    EXPECT_EQ(m.host->Position(), 30);
    // Nothing to go on with: stopped where it is, under-run reported in form B.
    EXPECT_EQ(m.Send("Q\r", 129), Status(0x40, 19));
    EXPECT_FALSE(m.host->Playing());
    EXPECT_EQ(m.host->Position(), 30);
    // A new "MD" begins a new stream.
    EXPECT_EQ(m.Send("MD\rQ\r", 200), Status(0x80 | 19, 0));
}

TEST(HostMode, FaultsOfTheStreamShowInTheStatus)
{
    {
        HostMotor m;
        m.Send("\x81MD\r" + Position(1) + Clock(0) + Position(2) + Clock(96));
        EXPECT_EQ(m.Send("Q\r"), Status(0x04, 18)) << "96 ticks is no single bit";
    }
    {
        HostModeOptions two;
        two.capacity = 2;
        HostMotor m("450", two);
        m.Send("\x81MD\r" + Clock(0) + Clock(64) + Clock(128));
        EXPECT_EQ(m.Send("Q\r"), Status(0x20, 0)) << "a slot with none free";
    }
    {
        HostModeOptions old;
        old.supported = false;
        HostMotor m("450", old);
        EXPECT_EQ(m.Send("\x81Zs MD RBs\r"), "1\r") << "no host mode: the syntax bit";
        EXPECT_FALSE(m.host->InHostMode());
    }
}

TEST(HostMode, OtherMotorsPacketsAndStatusPassUnread)
{
    HostMotor m;
    m.Send("\x81MD\r");
    // A packet to motor 2 carrying 0x81 bytes, then motor 2's status passing on the chain: motor
    // 1 is not selected by any of it, takes nothing, and stays deselected.
    EXPECT_EQ(m.Send('\x82' + Position(-2122219135 /* 0x81818181 */) + Status(0x81, 0x81, 0x81, 0x81) + "Q\r"), "");
    EXPECT_EQ(m.host->Buffered(), 0u);
    // Address 0 reaches it; a sleeping motor ignores packets.
    m.Send('\x80' + Position(5) + Clock(0));
    EXPECT_EQ(m.host->Buffered(), 1u);
    m.Send("\x81SLEEP\r" + Position(6) + Clock(64));
    EXPECT_EQ(m.host->Buffered(), 1u);
}

TEST(HostMode, ImplicitClockFirmwareClosesSlotsByPosition)
{
    HostMotor m("416");
    m.Send("\x81MD\r" + Position(1) + Clock(0) + Position(2) + Clock(32));
    // Then positions alone: each new one closes the one before, one slot length on.
    m.Send(Position(3) + Position(4) + Position(5));
    ASSERT_EQ(m.host->Buffered(), 4u);
    m.Send("G\r");
    m.host->Advance(m.At(96));
    ASSERT_EQ(m.host->Played().size(), 4u);
    EXPECT_EQ(m.host->Played()[3].clock, 96u);
    EXPECT_EQ(m.host->Played()[3].position, 4);
}

TEST(HostMode, EndingTheStream)
{
    // "MP" while playing: the buffer plays out, then position mode, no under-run.
    HostMotor m;
    m.Send("\x81MD\r" + Position(7) + Clock(0) + Position(8) + Clock(64) + "G\r");
    m.Send("MP\rP=8\r", 10);
    EXPECT_TRUE(m.host->Playing());
    m.host->Advance(m.At(65));
    EXPECT_FALSE(m.host->Playing());
    EXPECT_FALSE(m.host->InHostMode());
    EXPECT_EQ(m.Send("Q\r", 70), Status(0x80 | 19, 0, 0, 65));
    m.Send("G\r", 80);
    EXPECT_EQ(m.host->Moves(), std::vector<int32_t>{8});
    // "S" stops at once and drops what was left.
    HostMotor s;
    s.Send("\x81MD\r" + Position(1) + Clock(0) + Position(2) + Clock(1024) + "G\r");
    s.Send("S\r", 10);
    s.host->Advance(s.At(2000));
    EXPECT_EQ(s.host->Played().size(), 1u);
    EXPECT_EQ(s.host->Position(), 1);
    EXPECT_EQ(s.host->ErrorBits(), 0);
}

TEST(HostMode, PidFactorDividesTheSamplePeriod)
{
    HostMotor m;
    m.Send("\x81PID2 MD\r" + Position(1) + Clock(0) + Position(2) + Clock(64) + Position(3) + Clock(128) + "G\r");
    m.host->Advance(m.At(32)); // 64 ticks of half the period
    EXPECT_EQ(m.host->Played().size(), 2u);
    EXPECT_EQ(m.host->PidFactor(), 2);
}

} // namespace
} // namespace vqxsim::test
