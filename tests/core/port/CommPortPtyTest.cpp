// The port on a real terminal device: a pseudo-terminal pair, the test holding the master end.
#include "core/VQXException.h"
#include "core/port/CommPort.h"
#include "tests/platform/serial/PtyPair.h"
#include "tests/core/port/FakePort.h"
#include "tests/common/CodeOf.h"

#include <poll.h>
#include <termios.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

class PtyPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        context.Options().CalTimeouts = false;
        context.Options().EchoTimeout = 30;
        context.Options().ResponseTimeout = 60;
        port.SetContext(&context);
        port.PortName = pty.slavePath;
        port.Echo = 0;
        context.Options().DownloadDelay = 0;
    }
    PtyPair pty;
    ui::COperationContext context;
    CCommPort port;
};

} // namespace

TEST_F(PtyPortTest, OpensExclusivelyWithItsLineSettings)
{
    port.BitPerSec = 19200;
    port.Parity = 1;
    port.OpenPort();
    termios tio{};
    ASSERT_EQ(::tcgetattr(port.handle, &tio), 0);
    EXPECT_EQ(::cfgetispeed(&tio), speed_t(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_NE(tio.c_cflag & PARODD, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);

    CCommPort second;
    second.SetContext(&context);
    second.PortName = pty.slavePath;
    EXPECT_EQ(CodeOf([&] { second.OpenPort(); }), CVQXException::CannotOpenPort);
    EXPECT_EQ(second.isOpen, 0);
}

TEST_F(PtyPortTest, CommandsAndRepliesCrossTheTerminal)
{
    // The wait for the answer only bounds a failure: far beyond what a loaded machine delays the
    // answering thread.
    context.Options().ResponseTimeout = 5000;
    port.OpenPort();
    port.CommType = COMM_RS485; // no echo on a bus
    std::jthread motor([&] { // joined on every path, also when the query throws
        if (pty.Receive(4) == "\x85RP ")
            pty.Send("321\r");
    });
    EXPECT_EQ(port.Query("5RP", -1, true), "321");
    motor.join();

    // Nothing answers: 1005 after the total timeout. (How closely it keeps to it is a benchmark's
    // matter; the upper bound tells it from a read that does not end, far out of a loaded
    // machine's reach.)
    context.Options().ResponseTimeout = 60;
    port.CalcTimeouts(10);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CodeOf([&] { port.Query("RV", -1, true); }), CVQXException::NoResponse);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 90ms);
    EXPECT_LT(took, 5s);
}

TEST_F(PtyPortTest, UnpluggedTerminalRaisesReadAndWriteErrorsPromptly)
{
    port.OpenPort();
    context.Options().ResponseTimeout = 5000;
    port.CalcTimeouts(10);
    std::thread unplug([&] {
        std::this_thread::sleep_for(30ms);
        pty.CloseMaster();
    });
    const auto start = std::chrono::steady_clock::now();
    char reply[REPLY_BUFFER_SIZE];
    EXPECT_EQ(CodeOf([&] { port.ReadResponse(reply, sizeof reply, true); }), CVQXException::ReadError);
    unplug.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms); // not after the 5 s timeout
    EXPECT_EQ(CodeOf([&] { port.WriteCommand("RP", 1, true); }), CVQXException::WriteError);
}
