#include "platform/serial/SerialDevice.h"
#include "platform/serial/TermiosSerialDevice.h"
#include "tests/platform/serial/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>
#include <termios.h>
#include <thread>

using namespace std::chrono_literals;
using platform::SerialLineSettings;
using platform::SerialParity;
using platform::SerialTimeouts;

namespace {

using Ms = std::chrono::milliseconds;

// Upper bounds on a read's wait only tell a read that ended by the timeout under test from one that
// waits for a far longer one or for ever; they sit far above the wait itself, out of reach of a
// loaded machine. The lower bounds show the wait.
constexpr int64_t kEndedMs = 5000;

int64_t MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start).count();
}

// Bytes written on the master reach the slave through the kernel's work queue: wait until queued.
void WaitQueued(platform::SerialDevice& device, size_t n)
{
    for (int i = 0; i < 200 && device.Queued() < n; ++i)
        std::this_thread::sleep_for(1ms);
}

class TermiosSerial : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        std::string error;
        device = platform::OpenSerialDevice(pty.slavePath, SerialLineSettings{}, &error);
        ASSERT_TRUE(device) << error;
    }
    PtyPair pty;
    std::unique_ptr<platform::SerialDevice> device;
};

} // namespace

TEST_F(TermiosSerial, LineSettingsReachTheTerminal)
{
    struct Case {
        SerialLineSettings line;
        tcflag_t parityBits;
    };
    const Case cases[] = {
        {{19200, 8, SerialParity::Even, 2}, PARENB},
        {{38400, 8, SerialParity::Odd, 1}, PARENB | PARODD},
        {{2400, 8, SerialParity::Mark, 1}, PARENB | PARODD | CMSPAR},
        {{4800, 8, SerialParity::Space, 1}, PARENB | CMSPAR},
        {{9600, 8, SerialParity::None, 1}, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(device->SetLine(c.line));
        termios tio{};
        ASSERT_EQ(::tcgetattr(device->Handle(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
        // A pseudo-terminal has no parity bit on its line and always clears PARENB; the kind of
        // parity (odd, mark, space) and the parity check on input are kept.
        EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parityBits & ~tcflag_t(PARENB)) << c.line.baud;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.line.stopBits == 2);
        EXPECT_EQ(tio.c_iflag & INPCK ? 1 : 0, c.parityBits ? 1 : 0);
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD | CRTSCTS), tcflag_t(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), tcflag_t(0));
        EXPECT_EQ(tio.c_oflag & OPOST, tcflag_t(0));
        EXPECT_EQ(::cfgetospeed(&tio), c.line.baud == 19200  ? speed_t(B19200)
                                       : c.line.baud == 38400 ? speed_t(B38400)
                                       : c.line.baud == 2400  ? speed_t(B2400)
                                       : c.line.baud == 4800  ? speed_t(B4800)
                                                              : speed_t(B9600));
    }
    // Rates and shapes the line cannot take are refused and leave the line as it was.
    EXPECT_FALSE(device->SetLine({12345, 8, SerialParity::None, 1}));
    EXPECT_FALSE(device->SetLine({0, 8, SerialParity::None, 1}));
    EXPECT_FALSE(device->SetLine({9600, 9, SerialParity::None, 1}));
    EXPECT_FALSE(device->SetLine({9600, 8, SerialParity::None, 3}));
    EXPECT_EQ(device->GetLine().baud, 9600);
    EXPECT_FALSE(platform::OpenSerialDevice("/definitely/not/a/device", SerialLineSettings{}));
}

TEST_F(TermiosSerial, ReadTimeoutsAreHonoured)
{
    uint8_t buf[16];
    size_t got = 99;
    // Total constant: nothing comes, the read gives up after the constant.
    SerialTimeouts t;
    t.ReadTotalTimeoutConstant = 60;
    ASSERT_TRUE(device->SetTimeouts(t));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Read(buf, 5, got));
    auto took = MsSince(start);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(took, 60);
    EXPECT_LT(took, kEndedMs);

    // Multiplier per byte asked: 4 bytes x 10 ms + 20 ms; two of them come.
    t.ReadTotalTimeoutMultiplier = 10;
    t.ReadTotalTimeoutConstant = 20;
    device->SetTimeouts(t);
    pty.Send("ab");
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Read(buf, 4, got));
    took = MsSince(start);
    EXPECT_EQ(got, 2u);
    EXPECT_GE(took, 60);
    EXPECT_LT(took, kEndedMs);

    // Interval only: after the first byte a gap of 25 ms ends the read.
    t = {};
    t.ReadIntervalTimeout = 25;
    device->SetTimeouts(t);
    pty.Send("xyz");
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Read(buf, 10, got));
    took = MsSince(start);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), got), "xyz");
    EXPECT_GE(took, 25);
    EXPECT_LT(took, kEndedMs);

    // Return at once with what is queued.
    t = {};
    t.ReadIntervalTimeout = platform::kMaxTimeout;
    device->SetTimeouts(t);
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Read(buf, 10, got));
    EXPECT_EQ(got, 0u);
    EXPECT_LT(MsSince(start), kEndedMs);

    // Any byte: waits for the first one, then returns with it (not after the total constant).
    t.ReadTotalTimeoutMultiplier = platform::kMaxTimeout;
    t.ReadTotalTimeoutConstant = 4 * kEndedMs;
    device->SetTimeouts(t);
    // Timed from before the sender starts: its 30 ms then lie wholly inside the measured time.
    start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        std::this_thread::sleep_for(30ms);
        pty.Send("q");
    });
    ASSERT_TRUE(device->Read(buf, 10, got));
    took = MsSince(start);
    sender.join();
    EXPECT_EQ(got, 1u);
    EXPECT_GE(took, 30);
    EXPECT_LT(took, kEndedMs);
}

// A read of a known count waits for all of it at once; bytes that trickle in are all collected, and
// a read that runs out of time still returns those that came meanwhile.
TEST_F(TermiosSerial, CountedReadsCollectBytesThatTrickleIn)
{
    SerialTimeouts t;
    t.ReadTotalTimeoutConstant = 2000;
    ASSERT_TRUE(device->SetTimeouts(t));
    std::thread sender([&] {
        for (char c : std::string("abcdefgh")) {
            std::this_thread::sleep_for(2ms);
            pty.Send(std::string(1, c));
        }
    });
    uint8_t buf[16];
    size_t got = 0;
    ASSERT_TRUE(device->Read(buf, 8, got));
    sender.join();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), got), "abcdefgh");

    t.ReadTotalTimeoutConstant = 500;
    ASSERT_TRUE(device->SetTimeouts(t));
    std::thread late([&] {
        std::this_thread::sleep_for(20ms);
        pty.Send("xyz");
    });
    ASSERT_TRUE(device->Read(buf, 8, got));
    late.join();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), got), "xyz");

    // The next read of one byte is not held back by the count the last one waited for.
    t.ReadTotalTimeoutConstant = 2000;
    ASSERT_TRUE(device->SetTimeouts(t));
    pty.Send("q");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(device->Read(buf, 1, got));
    EXPECT_EQ(got, 1u);
    EXPECT_LT(MsSince(start), 1000);
}

TEST_F(TermiosSerial, WritesReachTheOtherEnd)
{
    size_t written = 0;
    ASSERT_TRUE(device->Write(reinterpret_cast<const uint8_t*>("\x83RP "), 4, written));
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(pty.Receive(4), "\x83RP ");
}

TEST_F(TermiosSerial, PurgeDiscardsUnreadInput)
{
    pty.Send("stale");
    WaitQueued(*device, 5);
    ASSERT_EQ(device->Queued(), 5u);
    ASSERT_TRUE(device->Purge(true, true));
    EXPECT_EQ(device->Queued(), 0u);
    SerialTimeouts t;
    t.ReadTotalTimeoutConstant = 10;
    device->SetTimeouts(t);
    uint8_t buf[8];
    size_t got = 0;
    ASSERT_TRUE(device->Read(buf, 5, got));
    EXPECT_EQ(got, 0u);
    // A pseudo-terminal keeps no line-error counts: nothing to report.
    EXPECT_EQ(device->TakeLineErrors(), 0u);
}

TEST_F(TermiosSerial, SecondOpenerIsRefusedUntilTheFirstCloses)
{
    std::string error;
    EXPECT_FALSE(platform::OpenSerialDevice(pty.slavePath, SerialLineSettings{}, &error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    device.reset();
    EXPECT_TRUE(platform::OpenSerialDevice(pty.slavePath, SerialLineSettings{}, &error)) << error;
}

TEST_F(TermiosSerial, UnpluggedDeviceFailsAtOnce)
{
    SerialTimeouts t;
    t.ReadTotalTimeoutConstant = 5000;
    device->SetTimeouts(t);
    uint8_t buf[4];
    size_t got = 0;
    // The other end goes away while a long read waits.
    std::thread unplug([&] {
        std::this_thread::sleep_for(30ms);
        pty.CloseMaster();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->Read(buf, 4, got));
    unplug.join();
    EXPECT_LT(MsSince(start), kEndedMs / 2); // not after the 5 s constant
    EXPECT_NE(device->LastError(), 0);

    // Later reads and writes fail at once too.
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(device->Read(buf, 4, got));
    size_t written = 0;
    EXPECT_FALSE(device->Write(reinterpret_cast<const uint8_t*>("RP "), 3, written));
    EXPECT_LT(MsSince(start), kEndedMs / 2);
}

TEST(TermiosSerialSettings, ALineTheDriverDidNotTakeIsRefused)
{
    // What was asked: mark parity, two stop bits, 19200 baud.
    termios asked{};
    asked.c_cflag = CS8 | CREAD | CLOCAL | PARENB | PARODD | CMSPAR | CSTOPB;
    ::cfsetispeed(&asked, B19200);
    ::cfsetospeed(&asked, B19200);

    // A pseudo-terminal clears PARENB and forces 8 bits; the line is still what was asked.
    termios pty = asked;
    pty.c_cflag &= ~tcflag_t(PARENB);
    EXPECT_TRUE(platform::TermiosSerialDevice::SettingsKept(asked, pty));

    // A driver without mark and space parity drops CMSPAR: odd parity would go on the wire.
    termios noMarkSpace = asked;
    noMarkSpace.c_cflag &= ~tcflag_t(CMSPAR);
    EXPECT_FALSE(platform::TermiosSerialDevice::SettingsKept(asked, noMarkSpace));

    termios oneStop = asked;
    oneStop.c_cflag &= ~tcflag_t(CSTOPB);
    EXPECT_FALSE(platform::TermiosSerialDevice::SettingsKept(asked, oneStop));

    termios otherSpeed = asked;
    ::cfsetospeed(&otherSpeed, B9600);
    ::cfsetispeed(&otherSpeed, B9600);
    EXPECT_FALSE(platform::TermiosSerialDevice::SettingsKept(asked, otherSpeed));

    termios even = asked;
    even.c_cflag &= ~tcflag_t(PARODD);
    EXPECT_FALSE(platform::TermiosSerialDevice::SettingsKept(asked, even));
}
