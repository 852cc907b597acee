#include "core/VQXException.h"
#include "tests/core/port/FakePort.h"
#include "tests/common/CodeOf.h"

#include <cstring>

using namespace std::chrono_literals;

namespace {
std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}
} // namespace

TEST(SplitAddress, TakesTheLeadingNumberAndCutsTheLine)
{
    struct Case {
        const char* in;
        int address;
        const char* rest;
    };
    const Case cases[] = {
        {"2RP", 2, "RP"},     {"0BAUD9600", 0, "BAUD9600"}, {"RP", -1, "RP"},
        {"12\r34", 12, ""},   {"RP\nRV", -1, "RP"},         {"", -1, ""},
        {"007V=5", 7, "V=5"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(CCommPort::SplitAddress(text), c.address) << c.in;
        EXPECT_EQ(text, c.rest) << c.in;
    }
    // A digit run far too long for an address saturates instead of overflowing.
    std::string text = "99999999999999999999999RP";
    EXPECT_GT(CCommPort::SplitAddress(text), MAX_MOTOR_ADDRESS);
    EXPECT_EQ(text, "RP");
}

TEST_F(FakePortTest, FramesAreByteExact)
{
    Open();
    // An address in the text is always sent, even when it is the current motor.
    port->currentAddress = 3;
    port->addressDirty = 0;
    port->WriteCommand("3RP", -1, true);
    EXPECT_EQ(Wire(), Bytes({0x83, 'R', 'P', ' '}));

    // Address -2: no address byte, the text goes as it is.
    ClearWire();
    port->WriteCommand("RP", -2, true);
    EXPECT_EQ(Wire(), "RP ");

    // Tracking: a new motor is selected once; the next command to it carries no address byte.
    ClearWire();
    port->WriteCommand("RP", 5, true);
    port->WriteCommand("RV", 5, true);
    EXPECT_EQ(Wire(), Bytes({0x85, 'R', 'P', ' ', 'R', 'V', ' '}));
    EXPECT_EQ(port->currentAddress, 5);

    // Without tracking the byte goes out and leaves a pending re-selection of the current motor.
    ClearWire();
    port->WriteCommand("WAKE", 0, false);
    EXPECT_EQ(port->currentAddress, 5);
    EXPECT_EQ(port->addressDirty, 1);
    port->WriteCommand("RP", -1, true);
    EXPECT_EQ(Wire(), Bytes({0x80, 'W', 'A', 'K', 'E', ' ', 0x85, 'R', 'P', ' '}));
    EXPECT_EQ(port->addressDirty, 0);

    // Texts are bytes, never formats.
    ClearWire();
    port->WriteCommand("%s%n%d", -2, true);
    EXPECT_EQ(Wire(), "%s%n%d ");
}

TEST_F(FakePortTest, AddressesOutOfRangeNeverReachTheWire)
{
    Open();
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("121RP", -1, true); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", 200, false); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("99999999999999999999RP", -1, true); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", -7, true); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { port->SelectMotor(121); }), CVQXException::InvalidData);
    EXPECT_EQ(Wire(), "");
    port->WriteCommand("120RP", -1, true);
    EXPECT_EQ(Wire(), Bytes({0x80 + 120, 'R', 'P', ' '}));
}

TEST_F(FakePortTest, LongCommandsGoInChunksOfEightEachChecked)
{
    Open();
    const std::string text = "0123456789ABCDEFGHI"; // 19 characters plus the blank: 20 bytes
    port->WriteCommand(text, -2, true);
    EXPECT_EQ(motors.WriteSizes(), (std::vector<size_t>{8, 8, 4}));
    EXPECT_EQ(Wire(), text + " ");
    EXPECT_EQ(port->Echo, 1);
    EXPECT_EQ(port->pushbackCount, 0);
}

TEST_F(FakePortTest, StrictEchoSendsEverythingThenRaisesTheLastError)
{
    context.Options().EchoErrors = true;
    Open();
    // The second chunk comes back with one byte changed.
    line->ChangeByte(platform::FakeSerialLine::Direction::ToHost, 10, '#');
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("0123456789ABCDEFGHI", -2, true); }), CVQXException::InvalidEcho);
    EXPECT_EQ(Wire(), "0123456789ABCDEFGHI ");
    EXPECT_EQ(port->Echo, 1);

    const auto log = Logged();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], std::make_pair(uint32_t(SDA_SENT), std::string("01234567")));
    EXPECT_EQ(log[1], std::make_pair(uint32_t(SDA_LOG_ECHO), std::string("01234567")));
    EXPECT_EQ(log[2], std::make_pair(uint32_t(SDA_LOG_ECHO_ERROR | SDA_CONTINUES), std::string("89ABCDEF")));
    EXPECT_EQ(log[3], std::make_pair(uint32_t(SDA_SENT | SDA_CONTINUES), std::string("GHI ")));
    EXPECT_EQ(log[4], std::make_pair(uint32_t(SDA_LOG_ECHO), std::string("GHI ")));
    // The next command starts a new analyzer line.
    EXPECT_EQ(Page().tagWord & SDA_CONTINUES, 0u);

    // Missing echo bytes: 1006, also after all chunks went out.
    ClearWire();
    line->DropBytes(platform::FakeSerialLine::Direction::ToHost, 2);
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", 4, true); }), CVQXException::NoEcho);
    EXPECT_EQ(Wire(), Bytes({0x84, 'R', 'P', ' '}));
    EXPECT_EQ(port->pushbackCount, 3); // what did come back stays for the reader
}

TEST_F(FakePortTest, AdaptiveEchoFollowsTheMotors)
{
    Open();
    // The motors stop echoing after the first three bytes: echo is switched off and the bytes that
    // did come back start the next reply.
    line->DropBytes(platform::FakeSerialLine::Direction::ToHost, 3, 1);
    motors.replies["RP"] = "77\r";
    char reply[REPLY_BUFFER_SIZE];
    port->Query("RP", reply, sizeof reply, 1, true);
    EXPECT_EQ(port->Echo, 0);
    EXPECT_EQ(std::string(reply), Bytes({0x81, 'R', 'P'}) + "77");

    // Echo found again: with echo off the reply begins with a copy of the frame, which turns echo
    // on and is stripped.
    motors.echo = true;
    ClearWire();
    EXPECT_EQ(port->Query("RP", -1, true), "77");
    EXPECT_EQ(port->Echo, 1);
}

TEST_F(FakePortTest, EchoOffPacesByTransmitTime)
{
    motors.echo = false;
    context.Options().DownloadDelay = 260;
    Open();
    port->Echo = 0;
    const auto slept = clock.Slept();
    port->WriteCommand("1234567", -2, true); // 8 bytes at 9600 baud, no parity
    // ceil(10 * 8 * 1000 / 9600) + ceil(8 * 260 * 0.001) = 9 + 3
    EXPECT_EQ(clock.Slept() - slept, 12ms);
    const auto log = Logged();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, uint32_t(SDA_SENT));
}

// A clock whose sleeps end late by a set time, as a loaded machine's do.
class OversleepingClock final : public platform::Clock {
public:
    platform::TimePoint Now() override { return m_now; }
    void SleepFor(platform::Duration d) override
    {
        if (d <= platform::Duration::zero())
            return;
        m_now += d + overslept;
        m_slept += d + overslept;
    }
    void Advance(platform::Duration d) { m_now += d; }
    platform::Duration Slept() const { return m_slept; }
    platform::Duration overslept{};

private:
    platform::TimePoint m_now{std::chrono::steady_clock::now()};
    platform::Duration m_slept{};
};

// Oversleeping one pause shortens the next, so that the pauses of writes in a row do not add up,
// yet never below the next bytes' own time on the line; time the sender spends between two writes
// (reading a reply) is no pause and shortens nothing, and neither does an oversleep long ago.
TEST_F(FakePortTest, EchoOffPausesNeverTotalLessThanAsked)
{
    OversleepingClock late;
    platform::ScopedClock lateScope{late};
    motors.echo = false;
    context.Options().DownloadDelay = 0;
    Open();
    port->Echo = 0;
    struct Step {
        std::chrono::microseconds overslept; // how late the previous pause ended
        std::chrono::microseconds between;   // the sender's own time before this write
        std::chrono::microseconds pause;     // this write's pause as asked of the clock (9 ms alone,
                                             // 8.333 ms on the line)
    };
    const Step steps[] = {
        {0us, 0us, 9000us},      // first write: its whole pause
        {0us, 0us, 9000us},      // previous pause on time
        {700us, 0us, 8333us},    // overslept: the pause shrinks, down to the bytes' line time
        {400us, 0us, 8600us},    // overslept less than the slack: all of it is taken off
        {400us, 3000us, 8600us}, // a reply read after an oversleep: only the oversleep counts
        {0us, 3000us, 9000us},   // a reply read after a pause on time: a whole pause
        {700us, 20000us, 9000us} // after a gap: a whole pause again
    };
    const std::string chunk = "1234567"; // with the blank, 8 bytes at 9600 baud
    const size_t n = std::size(steps);
    for (size_t i = 0; i < n; ++i) {
        late.Advance(steps[i].between);
        // This write's pause ends as late as the next step says.
        late.overslept = i + 1 < n ? steps[i + 1].overslept : 0us;
        const auto before = late.Slept();
        port->WriteCommand(chunk, -2, true);
        EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(late.Slept() - before - late.overslept),
                  steps[i].pause)
            << "step " << i << ": overslept " << steps[i].overslept.count() << " us, " << steps[i].between.count()
            << " us between";
    }
}

TEST_F(FakePortTest, RepliesAreReadToTheLineEnd)
{
    Open();
    motors.replies["RP"] = "1234\r";
    EXPECT_EQ(port->Query("RP", 1, true), "1234");
    const auto log = Logged();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::make_pair(uint32_t(SDA_RECEIVED), std::string("1234\r")));

    // LF and NUL end a reply too.
    motors.replies["RV"] = std::string("-5\n", 3);
    EXPECT_EQ(port->Query("RV", -1, true), "-5");
    motors.replies["RA"] = std::string("9\0tail", 6);
    EXPECT_EQ(port->Query("RA", -1, true), "9");
}

TEST_F(FakePortTest, ReplyNeverOverrunsTheCallersBuffer)
{
    Open();
    motors.replies["RP"] = "123456789012\r";
    char reply[12];
    std::memset(reply, '@', sizeof reply);
    EXPECT_EQ(port->Query("RP", reply, 8, 1, true), 7);
    EXPECT_STREQ(reply, "1234567");
    EXPECT_EQ(reply[8], '@');
    EXPECT_EQ(CodeOf([&] { port->Query("RP", reply, 0, 1, true); }), CVQXException::InvalidData);
}

TEST_F(FakePortTest, NoReplyRaisesNoResponseAfterTheTotalTimeout)
{
    context.Options().CalTimeouts = false;
    context.Options().EchoTimeout = 100;
    context.Options().ResponseTimeout = 200;
    Open();
    const auto start = platform::Now();
    EXPECT_EQ(CodeOf([&] { port->Query("RP", 1, true); }), CVQXException::NoResponse);
    EXPECT_EQ(platform::MillisSince(start), 300);

    // Part of a reply, then silence: 1005, and what came is logged as received.
    motors.replies["RV"] = "12";
    EXPECT_EQ(CodeOf([&] { port->Query("RV", -1, true); }), CVQXException::NoResponse);
    EXPECT_EQ(Logged().back(), std::make_pair(uint32_t(SDA_RECEIVED), std::string("12")));
}

TEST_F(FakePortTest, ChatterIsCutOffAfterTwiceTheTotalTimeout)
{
    context.Options().CalTimeouts = false;
    context.Options().EchoTimeout = 50;
    context.Options().ResponseTimeout = 150; // total 200 ms, cut-off 400 ms
    Open();
    port->WriteCommand("RP", 1, true);
    line->SetByteTime(10ms);
    line->PeerWrite(std::string(200, 'x'));
    const auto start = platform::Now();
    char reply[REPLY_BUFFER_SIZE];
    const int n = port->ReadResponse(reply, sizeof reply, true);
    const auto took = platform::MillisSince(start);
    EXPECT_GE(took, 400);
    EXPECT_LE(took, 420);
    EXPECT_GE(n, 40);
    EXPECT_LE(n, 42);
    EXPECT_EQ(std::strlen(reply), static_cast<size_t>(n));
}

TEST_F(FakePortTest, SelectMotorAlwaysPutsTheAddressOnTheWire)
{
    Open();
    port->SelectMotor(4);
    port->SelectMotor(4);
    EXPECT_EQ(Wire(), Bytes({0x84, ' ', 0x84, ' '}));
    EXPECT_EQ(port->currentAddress, 4);
    ClearWire();
    port->SelectMotor(-2);
    EXPECT_EQ(Wire(), "");
    EXPECT_EQ(port->currentAddress, -2);
}

TEST_F(FakePortTest, EchoModeSwitching)
{
    Open();
    // Motors with echo off stay silent to the first ECHO, then echo.
    line->DropBytes(platform::FakeSerialLine::Direction::ToHost, 0, 6);
    const auto slept = clock.Slept();
    port->SetEchoMode(true);
    EXPECT_EQ(Wire(), Bytes({0x80, 'E', 'C', 'H', 'O', ' ', 0x80, 'E', 'C', 'H', 'O', ' '}));
    EXPECT_EQ(port->Echo, 1);
    EXPECT_GE(clock.Slept() - slept, 200ms);

    // A chain that never echoes: one attempt more than motors (none here), then 1006.
    motors.echo = false;
    ClearWire();
    EXPECT_EQ(CodeOf([&] { port->SetEchoMode(true); }), CVQXException::NoEcho);
    EXPECT_EQ(motors.writes.size(), 2u);
    EXPECT_FALSE(context.Options().EchoErrors);

    ClearWire();
    const int purges = line->PurgeCount();
    port->MotorChannel = 1;
    port->SetEchoMode(false);
    EXPECT_EQ(Wire(), Bytes({0x80}) + "ECHO_OFF1 ");
    EXPECT_EQ(port->Echo, 0);
    EXPECT_EQ(line->PurgeCount(), purges + 1);

    port->CommType = COMM_RS485;
    port->Echo = 1;
    ClearWire();
    port->SetEchoMode(true);
    EXPECT_EQ(port->Echo, 0);
    EXPECT_EQ(Wire(), "");
}

TEST_F(FakePortTest, BaudChangeTellsTheMotorsAndFollows)
{
    Open();
    port->currentAddress = 3;
    port->addressDirty = 0;
    port->SetMotorsBaudRate(19200);
    EXPECT_EQ(Wire(), Bytes({0x80}) + "BAUD19200 " + Bytes({0x83, ' '}));
    EXPECT_EQ(line->HostLine().baud, 19200);
    EXPECT_EQ(port->BitPerSec, 19200);
    EXPECT_EQ(port->currentAddress, 3);

    port->CommType = COMM_RS485;
    port->Parity = 2;
    port->MotorChannel = 1;
    port->OpenPort();
    port->currentAddress = -2;
    ClearWire();
    port->SetMotorsBaudRate(38400);
    EXPECT_EQ(Wire(), Bytes({0x80}) + "OCHN(RS4,1,E,38400,1,8,C) ");
    EXPECT_EQ(line->HostLine().baud, 38400);
    EXPECT_EQ(line->HostLine().parity, platform::SerialParity::Even);

    // Rates the line cannot take are refused before anything is sent.
    ClearWire();
    EXPECT_EQ(CodeOf([&] { port->SetMotorsBaudRate(12345); }), CVQXException::InvalidData);
    EXPECT_EQ(Wire(), "");

    // A closed port only changes its setting.
    port->ClosePort();
    port->SetMotorsBaudRate(4800);
    EXPECT_EQ(port->BitPerSec, 4800);
    EXPECT_FALSE(line->HostIsOpen());
}
