#include "tests/support/platform/FakeSerialLine.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using platform::FakeSerialLine;
using platform::SerialLineSettings;
using platform::SerialParity;
using platform::SerialTimeouts;

namespace {

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

struct Opened {
    std::shared_ptr<FakeSerialLine> line;
    std::unique_ptr<platform::SerialDevice> host;
};

Opened Open(const std::string& name = {}, SerialLineSettings settings = {})
{
    Opened o;
    o.line = FakeSerialLine::Create(name);
    o.host = o.line->OpenHost(settings);
    return o;
}

std::string Read(platform::SerialDevice& host, size_t n)
{
    std::string buf(n, '\0');
    size_t got = 0;
    EXPECT_TRUE(host.Read(reinterpret_cast<uint8_t*>(buf.data()), n, got));
    buf.resize(got);
    return buf;
}

void Write(platform::SerialDevice& host, std::string_view bytes)
{
    size_t written = 0;
    ASSERT_TRUE(host.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), written));
    ASSERT_EQ(written, bytes.size());
}

SerialTimeouts Total(uint32_t ms)
{
    SerialTimeouts t;
    t.ReadTotalTimeoutConstant = ms;
    return t;
}

} // namespace

TEST(FakeSerialLine, OpensByNameExclusivelyAndShowsTheHostLine)
{
    auto line = FakeSerialLine::Create("fake:open-test");
    SerialLineSettings settings{19200, 8, SerialParity::Mark, 2};
    std::string error;
    auto host = platform::OpenSerialDevice("fake:open-test", settings, &error);
    ASSERT_TRUE(host) << error;
    EXPECT_TRUE(line->HostIsOpen());
    EXPECT_EQ(line->HostLine(), settings);
    EXPECT_FALSE(platform::OpenSerialDevice("fake:open-test", settings, &error));
    EXPECT_NE(error.find("in use"), std::string::npos);
    EXPECT_FALSE(host->SetLine({12345, 8, SerialParity::None, 1}));
    EXPECT_EQ(line->HostLine().baud, 19200);
    host.reset();
    EXPECT_FALSE(line->HostIsOpen());
    line.reset();
    // Gone with its owner.
    EXPECT_FALSE(FakeSerialLine::Find("fake:open-test"));
}

TEST(FakeSerialLine, TimedOutReadAdvancesTheManualClock)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    auto o = Open();
    o.host->SetTimeouts(Total(611));
    const auto start = platform::Now();
    EXPECT_EQ(Read(*o.host, 4), "");
    EXPECT_EQ(platform::MillisSince(start), 611);

    // Bytes scheduled later arrive when the clock reaches them, within the timeout.
    o.line->PeerWriteAfter(100ms, "12");
    const auto second = platform::Now();
    EXPECT_EQ(Read(*o.host, 2), "12");
    EXPECT_EQ(platform::MillisSince(second), 100);

    // A line time per byte spaces the bytes; the read stops at its deadline with what came.
    o.line->SetByteTime(10ms);
    o.line->PeerWrite("abcdefghij");
    o.host->SetTimeouts(Total(45));
    EXPECT_EQ(Read(*o.host, 10), "abcd"); // 10..40 ms
    EXPECT_EQ(Read(*o.host, 6), "efghi"); // 50..90 ms
    o.host->SetTimeouts(Total(100));
    EXPECT_EQ(Read(*o.host, 6), "j");

    // Interval timeout: a gap longer than the interval after the first byte ends the read.
    o.line->SetByteTime({});
    o.line->PeerWrite("xy");
    o.line->PeerWriteAfter(50ms, "z");
    SerialTimeouts t;
    t.ReadIntervalTimeout = 20;
    o.host->SetTimeouts(t);
    EXPECT_EQ(Read(*o.host, 5), "xy");
    // No total limit and nothing on its way: under a manual clock the read returns instead of hanging.
    EXPECT_EQ(Read(*o.host, 5), "z");
}

TEST(FakeSerialLine, PeerSeesHostBytesAndAnswersFromTheHook)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    auto o = Open();
    std::vector<size_t> writes;
    o.line->SetHostWriteHook([&](FakeSerialLine& line, const std::vector<uint8_t>& bytes) {
        writes.push_back(bytes.size());
        line.PeerWrite(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()); // echo
        return false;
    });
    Write(*o.host, "\x85RP ");
    o.host->SetTimeouts(Total(100));
    EXPECT_EQ(Read(*o.host, 4), "\x85RP ");
    EXPECT_EQ(Str(o.line->TakeHostBytes()), "\x85RP ");
    EXPECT_EQ(Str(o.line->HostWritten()), "\x85RP ");
    EXPECT_EQ(writes, std::vector<size_t>{4});
}

TEST(FakeSerialLine, FaultsChangeDropAndInsertBytes)
{
    auto o = Open();
    o.line->ChangeByte(FakeSerialLine::Direction::ToPeer, 1, 'X');
    o.line->DropBytes(FakeSerialLine::Direction::ToPeer, 3, 2);
    Write(*o.host, "abcdefg");
    EXPECT_EQ(Str(o.line->TakeHostBytes()), "aXcfg");
    // The host's own record shows what it sent, before the faults.
    EXPECT_EQ(Str(o.line->HostWritten()), "abcdefg");

    o.line->InsertBytes(FakeSerialLine::Direction::ToHost, 2, "!!");
    o.line->DropBytes(FakeSerialLine::Direction::ToHost, 0);
    o.line->PeerWrite("1234");
    o.host->SetTimeouts(Total(10));
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    EXPECT_EQ(Read(*o.host, 10), "2!!34");
}

TEST(FakeSerialLine, LineErrorsComeWithTheirBytes)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    auto o = Open();
    o.host->SetTimeouts(Total(10));
    o.line->PeerWrite("ok");
    o.line->PeerWrite("?", platform::kLineParity);
    EXPECT_EQ(Read(*o.host, 2), "ok");
    EXPECT_EQ(o.host->TakeLineErrors(), 0u);
    EXPECT_EQ(Read(*o.host, 1), "?");
    EXPECT_EQ(o.host->TakeLineErrors(), platform::kLineParity);
    EXPECT_EQ(o.host->TakeLineErrors(), 0u);

    o.line->SendBreak();
    EXPECT_EQ(Read(*o.host, 1), std::string(1, '\0'));
    EXPECT_EQ(o.host->TakeLineErrors(), platform::kLineBreak);

    o.line->InjectLineError(platform::kLineFrame | platform::kLineOverrun);
    EXPECT_EQ(o.host->TakeLineErrors(), platform::kLineFrame | platform::kLineOverrun);
}

TEST(FakeSerialLine, PurgeDropsArrivedInputOnly)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    auto o = Open();
    o.line->PeerWrite("old");
    o.line->PeerWriteAfter(50ms, "new");
    EXPECT_EQ(o.host->Queued(), 3u);
    o.host->Purge(true, true);
    EXPECT_EQ(o.line->PurgeCount(), 1);
    EXPECT_EQ(o.host->Queued(), 0u);
    o.host->SetTimeouts(Total(100));
    EXPECT_EQ(Read(*o.host, 3), "new");
}

TEST(FakeSerialLine, UnplugFailsReadsAndWritesAtOnce)
{
    platform::ManualClock clock;
    platform::ScopedClock scope(clock);
    auto o = Open();
    o.host->SetTimeouts(Total(5000));
    o.line->Unplug();
    const auto start = platform::Now();
    uint8_t buf[4];
    size_t got = 0, written = 0;
    EXPECT_FALSE(o.host->Read(buf, 4, got));
    EXPECT_FALSE(o.host->Write(buf, 4, written));
    EXPECT_EQ(platform::MillisSince(start), 0);
    o.line->Replug();
    EXPECT_TRUE(o.host->Write(buf, 4, written));

    // A line dropped by its owner is an unplugged device to a host still holding it.
    auto host = std::move(o.host);
    o.line.reset();
    EXPECT_FALSE(host->Read(buf, 1, got));
    EXPECT_FALSE(host->Write(buf, 1, written));
}

TEST(FakeSerialLine, PeerOnItsOwnThreadUnderTheSteadyClock)
{
    auto o = Open();
    o.host->SetTimeouts(Total(2000));
    std::thread motor([line = o.line] {
        auto bytes = line->WaitHostBytes(2000ms);
        if (Str(bytes) == "RP ")
            line->PeerWrite("42\r");
    });
    Write(*o.host, "RP ");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(*o.host, 3), "42\r");
    motor.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

TEST(FakeSerialLine, ExactArrivalHandsOverNothingEarlyAndKeepsTimeouts)
{
    auto o = Open();
    o.line->SetExactArrival(true);
    o.host->SetTimeouts(Total(2000));
    using std::chrono::steady_clock;
    // Each read waits for bytes scheduled a few milliseconds on and gets them, never before they arrive.
    for (const auto delay : {3ms, 1ms, 6ms}) {
        const auto start = steady_clock::now();
        o.line->PeerWriteAfter(delay, "ab");
        o.line->PeerWriteAfter(delay + 2ms, "c");
        EXPECT_EQ(Read(*o.host, 2), "ab");
        EXPECT_GE(steady_clock::now() - start, delay);
        EXPECT_EQ(Read(*o.host, 1), "c");
        EXPECT_GE(steady_clock::now() - start, delay + 2ms);
    }
    // A read whose time-out comes first still ends at its time-out, with nothing.
    o.host->SetTimeouts(Total(5));
    o.line->PeerWriteAfter(50ms, "late");
    const auto start = steady_clock::now();
    EXPECT_EQ(Read(*o.host, 4), "");
    EXPECT_GE(steady_clock::now() - start, 5ms);
}
