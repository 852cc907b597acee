#include "core/VQXException.h"
#include "core/port/PortEvents.h"
#include "tests/core/port/FakePort.h"
#include "tests/common/CodeOf.h"

using namespace std::chrono_literals;

namespace {

struct RecordingEvents : IPortEvents {
    int stateChanges = 0, rebuilds = 0, sounds = 0;
    std::string soundFile;
    void PortStateChanged(const CCommPort&) override { ++stateChanges; }
    void RebuildConfigTree() override { ++rebuilds; }
    void PlayReceiveSound(const std::string& file) override
    {
        ++sounds;
        soundFile = file;
    }
};

// The events sink of a context, for a scope shorter than the port's life.
struct ScopedEvents {
    ScopedEvents(ui::COperationContext& c, IPortEvents* e) : context(c) { context.SetPortEvents(e); }
    ~ScopedEvents() { context.SetPortEvents(nullptr); }
    ui::COperationContext& context;
};

} // namespace

TEST_F(FakePortTest, OpenAppliesTheLineAndTimeouts)
{
    RecordingEvents events;
    ScopedEvents scoped(context, &events);
    port->BitPerSec = 38400;
    port->Parity = 3;
    port->MaxMotors = 10;
    EXPECT_TRUE(port->OpenPort());
    EXPECT_EQ(port->isOpen, 1);
    EXPECT_NE(port->handle, -1);
    EXPECT_EQ(line->HostLine(), (platform::SerialLineSettings{38400, 8, platform::SerialParity::Mark, 1}));
    // The total timeout in force is the one before the new calculation.
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, 500u);
    EXPECT_EQ(port->echoTimeout, (10 * 10000 + 10000) / 38400 + 100);
    EXPECT_EQ(events.stateChanges, 1);
    EXPECT_EQ(line->PurgeCount(), 1);

    // Opening an open port reopens it.
    EXPECT_TRUE(port->OpenPort());
    EXPECT_EQ(port->isOpen, 1);
    EXPECT_EQ(events.stateChanges, 3);
    EXPECT_TRUE(port->ClosePort());
    EXPECT_FALSE(port->ClosePort());
    EXPECT_EQ(port->handle, -1);
    EXPECT_FALSE(line->HostIsOpen());
}

TEST_F(FakePortTest, FailedOpenLeavesThePortClosed)
{
    port->PortName = "/dev/no-such-serial-device";
    EXPECT_EQ(CodeOf([&] { port->OpenPort(); }), CVQXException::CannotOpenPort);
    EXPECT_EQ(port->isOpen, 0);
    EXPECT_EQ(port->handle, -1);

    // A missing or unusable rate never reaches the arithmetic or the line.
    port->PortName = line->Name();
    for (int baud : {0, -9600, 12345}) {
        port->BitPerSec = baud;
        EXPECT_EQ(CodeOf([&] { port->OpenPort(); }), CVQXException::CannotOpenPort);
        EXPECT_EQ(port->isOpen, 0);
        port->CalcTimeouts(10); // computed as 9600 baud
        EXPECT_EQ(port->echoTimeout, 111);
    }
    port->BitPerSec = 9600;
    port->Parity = 5;
    EXPECT_EQ(CodeOf([&] { port->OpenPort(); }), CVQXException::CannotOpenPort);
    port->Parity = 0;

    // Someone else holds the line.
    auto other = line->OpenHost({});
    EXPECT_EQ(CodeOf([&] { port->OpenPort(); }), CVQXException::CannotOpenPort);
    EXPECT_EQ(port->isOpen, 0);
    other.reset();

    // Stale line errors of an earlier session do not fail the open.
    line->InjectLineError(platform::kLineFrame);
    EXPECT_NO_THROW(port->OpenPort());
    EXPECT_EQ(port->isOpen, 1);

    // Writes on a closed port are refused, not lost silently.
    port->ClosePort();
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", 1, true); }), CVQXException::PortNotOpen);
}

TEST_F(FakePortTest, TimeoutArithmetic)
{
    context.Options().ResponseTimeout = 500;
    context.Options().NetworkDelay = 1000;
    port->BitPerSec = 9600;
    port->CalcTimeouts(10);
    EXPECT_EQ(port->echoTimeout, 111);
    EXPECT_EQ(port->totalTimeout, 611);

    port->CommType = COMM_RS485;
    port->BitPerSec = 38400;
    port->CalcTimeouts(10);
    EXPECT_EQ(port->echoTimeout, 10);
    EXPECT_EQ(port->totalTimeout, 510);

    context.Options().CalTimeouts = false;
    context.Options().EchoTimeout = 70;
    port->CalcTimeouts(10);
    EXPECT_EQ(port->echoTimeout, 70);
    port->CommType = COMM_ETHERNET;
    port->CalcTimeouts(10);
    EXPECT_EQ(port->echoTimeout, 1070);
    EXPECT_EQ(port->totalTimeout, 1570);
    EXPECT_EQ(port->networkDelay, 1000);

    // Modes: 0 total, 1 echo, else milliseconds.
    port->CommType = COMM_RS232;
    port->OpenPort();
    port->CalcTimeouts(10);
    port->SetTimeout(1);
    EXPECT_EQ(port->currentTimeout, port->echoTimeout);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, uint32_t(port->echoTimeout));
    port->SetTimeout(0);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, uint32_t(port->totalTimeout));
    port->SetTimeout(8000);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, 8000u);
    // No time at all means "what is there", never "wait forever".
    port->SetTimeout(-5);
    EXPECT_EQ(line->HostTimeouts().ReadIntervalTimeout, platform::kMaxTimeout);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, 0u);
}

TEST_F(FakePortTest, ReadBytesRestoresTheTimeoutOnEveryPath)
{
    Open();
    port->SetTimeout(0);
    const uint32_t before = line->HostTimeouts().ReadTotalTimeoutConstant;
    uint8_t buf[8];
    size_t got = 0;

    // Short read.
    line->PeerWrite("ab");
    const auto start = platform::Now();
    EXPECT_EQ(CodeOf([&] { port->ReadBytes(buf, 4, got, 50); }), CVQXException::NoResponse);
    EXPECT_EQ(platform::MillisSince(start), 50);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(port->currentTimeout, int(before));
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, before);

    // Line error.
    line->PeerWrite("abcd", platform::kLineParity);
    EXPECT_EQ(CodeOf([&] { port->ReadBytes(buf, 4, got, 50); }), CVQXException::Parity);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, before);

    // Device failure.
    line->Unplug();
    EXPECT_EQ(CodeOf([&] { port->ReadBytes(buf, 4, got, 50); }), CVQXException::ReadError);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, before);
    line->Replug();

    // Success, with the receive sound when it is asked for.
    RecordingEvents events;
    ScopedEvents scoped(context, &events);
    context.Options().ReceiveSounds = true;
    context.Options().SoundFile = "ding.wav";
    line->PeerWrite("wxyz");
    port->ReadBytes(buf, 4, got, 50);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(line->HostTimeouts().ReadTotalTimeoutConstant, before);
    EXPECT_EQ(events.sounds, 1);
    EXPECT_EQ(events.soundFile, "ding.wav");

    // t = 0 takes only what is queued, without waiting.
    line->PeerWrite("12");
    line->PeerWriteAfter(5ms, "3");
    const auto now = platform::Now();
    port->ReadBytes(buf, 8, got, 0);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(platform::MillisSince(now), 0);
}

TEST_F(FakePortTest, LineErrorsBecomeTheirCodes)
{
    Open();
    struct Case {
        uint32_t flags;
        int code;
    };
    const Case cases[] = {{platform::kLineParity, CVQXException::Parity},
                          {platform::kLineFrame, CVQXException::Framing},
                          {platform::kLineOverrun, CVQXException::Overrun},
                          {platform::kLineBreak, CVQXException::Break}};
    char reply[REPLY_BUFFER_SIZE];
    for (const Case& c : cases) {
        line->PeerWrite("5\r", c.flags);
        EXPECT_EQ(CodeOf([&] { port->ReadResponse(reply, sizeof reply, true); }), c.code);
        port->ClearBuffer(); // the rest of the garbled reply
    }
    line->SendBreak();
    EXPECT_EQ(CodeOf([&] { port->ReadResponse(reply, sizeof reply, true); }), CVQXException::Break);
    // Clearing the buffer purges and raises what is pending.
    line->InjectLineError(platform::kLineFrame);
    EXPECT_EQ(CodeOf([&] { port->ClearBuffer(); }), CVQXException::Framing);
    EXPECT_NO_THROW(port->ClearBuffer());
}

TEST_F(FakePortTest, UnpluggedLineFailsAtOnce)
{
    Open();
    line->Unplug();
    const auto start = platform::Now();
    EXPECT_EQ(CodeOf([&] { port->WriteCommand("RP", 1, true); }), CVQXException::WriteError);
    char reply[REPLY_BUFFER_SIZE];
    EXPECT_EQ(CodeOf([&] { port->ReadResponse(reply, sizeof reply, true); }), CVQXException::ReadError);
    EXPECT_EQ(platform::MillisSince(start), 0);
    // The port stays open; the caller decides.
    EXPECT_EQ(port->isOpen, 1);
}

TEST_F(FakePortTest, ReopenChangesTheLine)
{
    Open();
    port->Reopen(4800, 4);
    EXPECT_EQ(line->HostLine().baud, 4800);
    EXPECT_EQ(line->HostLine().parity, platform::SerialParity::Space);
    port->Reopen(-1, -1);
    EXPECT_EQ(line->HostLine().baud, 4800);
    EXPECT_EQ(CodeOf([&] { port->Reopen(1234, -1); }), CVQXException::CannotOpenPort);
    EXPECT_EQ(port->BitPerSec, 4800);
    EXPECT_EQ(port->isOpen, 1);
}

TEST(CommPortNames, PathsAndDeviceNamesResolve)
{
    CCommPort port;
    port.PortName = "/dev/pts/7";
    EXPECT_EQ(port.DeviceName(), "/dev/pts/7");
    port.PortName = "ttyUSB0";
    EXPECT_EQ(port.DeviceName(), "/dev/ttyUSB0");
}
