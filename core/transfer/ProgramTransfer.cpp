// The transfer on the wire: preparation, chunks checked against their echo, cancel, checksum
// verification, and the baud-rate limit of 462 motors.

#include "core/transfer/ProgramTransfer.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/port/CommPort.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/Progress.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <cstring>

namespace transfer {
namespace {

constexpr size_t kChunk = 8;
constexpr int kLimitedBaud = 9600;
constexpr int kUsbBaud = 38400;

// Program bytes are checked against their echo whatever the echo setting says: a byte changed on
// its way through the chain would otherwise end up in a motor's program, and the echoes of the
// remaining chunks would be left on the line.
void CheckEchoStrictly(CCommPort& port, const CMotor& motor, const uint8_t* bytes, size_t n)
{
    uint8_t echo[kChunk] = {};
    size_t got = 0;
    port.SetTimeout(1);
    try {
        port.ReadBytes(echo, n, got, -1);
    } catch (const CVQXException& e) {
        if (e.GetCode() != CVQXException::NoResponse)
            throw;
    }
    if (got != n || std::memcmp(echo, bytes, n) != 0) {
        LogTraffic(port, SDA_LOG_ECHO_ERROR, bytes, n);
        throw CVQXException(got == n ? CVQXException::InvalidEcho : CVQXException::NoEcho,
                            MakeMotorDataWord(port.id, motor.Address));
    }
    LogTraffic(port, SDA_LOG_SENT, bytes, n);
    LogTraffic(port, SDA_LOG_ECHO, echo, n);
}

void SendChunk(CMotor& motor, CCommPort& port, const uint8_t* bytes, size_t n)
{
    motor.WriteBytes(bytes, n);
    if (port.CommType == COMM_RS232 && port.Echo)
        CheckEchoStrictly(port, motor, bytes, n);
    else
        motor.CheckEcho(bytes, n);
    MarkLineContinues(port, true);
}

// After a failure the line may still hold echoes and replies of the failed transfer.
void DrainLine(CCommPort& port) noexcept
{
    try {
        port.pushbackCount = 0;
        if (port.isOpen)
            port.ClearBuffer();
    } catch (...) {
    }
}

// The motor is in load mode: the cancel bytes end it with a program the motor knows is broken,
// then the END program replaces it.
void CancelTransfer(CMotor& motor, CCommPort& port, uint32_t flags, bool afterFirstChunk)
{
    MarkLineContinues(port, false);
    std::vector<uint8_t> bytes(kCancelBytes, kCancelBytes + std::strlen(kCancelBytes));
    bytes.insert(bytes.end(), kImageTerminator, kImageTerminator + 3);
    try {
        motor.WriteChecked(bytes.data(), bytes.size());
    } catch (const CVQXException&) {
        // The END program below overwrites whatever the motor made of it.
    }
    platform::SleepMs(50);
    if (afterFirstChunk)
        AddInfoLine(motor, flags, kCancelledText);
    RescueWithEndProgram(motor);
}

// A transfer that failed after LOAD leaves the motor taking every byte as program: the cancel
// bytes end load mode with a program the motor knows is broken, so that what follows is heard as
// commands again.
void EndLoadMode(CMotor& motor, CCommPort& port) noexcept
{
    try {
        std::vector<uint8_t> bytes(kCancelBytes, kCancelBytes + std::strlen(kCancelBytes));
        bytes.insert(bytes.end(), kImageTerminator, kImageTerminator + 3);
        motor.WriteBytes(bytes.data(), bytes.size());
        platform::SleepMs(50);
    } catch (...) {
    }
    DrainLine(port);
}

// After a failed transfer: load mode ends (or the line is drained) before anything else is said.
void AfterFailedTransfer(CMotor& motor, bool loadSent) noexcept
{
    if (!motor.port)
        return;
    if (loadSent)
        EndLoadMode(motor, *motor.port);
    else
        DrainLine(*motor.port);
}

} // namespace

bool TransferImage(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t flags,
                   bool& loadSent)
{
    ui::IProgress* progress = showProgress ? &motor.Context().Progress() : nullptr;
    CCommPort& port = PortOf(motor);
    const bool calibration = (flags & DL_CALIBRATION) != 0;
    PrepareTransfer(motor, calibration, (flags & DL_BLIND) != 0, loadSent);

    if (progress && progress->Notify(ui::kProgressTotal, static_cast<int64_t>(length)) == 0) {
        CancelTransfer(motor, port, flags, false);
        return false;
    }
    MarkLineContinues(port, false);
    size_t sent = 0;
    try {
        while (length - sent > kChunk) {
            SendChunk(motor, port, image + sent, kChunk);
            sent += kChunk;
            if (progress && progress->Notify(ui::kProgressCount, static_cast<int64_t>(sent)) == 0) {
                CancelTransfer(motor, port, flags, true);
                return false;
            }
        }
        std::vector<uint8_t> last(image + sent, image + length);
        SendChunk(motor, port, last.data(), last.size());
        SendChunk(motor, port, kImageTerminator, 3);
    } catch (...) {
        MarkLineContinues(port, false);
        throw;
    }
    MarkLineContinues(port, false);
    if (progress)
        progress->Notify(ui::kProgressDone, 0);

    const std::string text(reinterpret_cast<const char*>(image), std::min<size_t>(length, 11));
    const auto expected = HeaderChecksum(text);
    motor.VerifyChecksum(false, expected ? static_cast<int64_t>(*expected) : -1, flags);
    return true;
}

bool RunDownload(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t& flags)
{
    bool loadSent = false;
    bool done = false;
    try {
        motor.LimitDownloadBaud(false);
        done = TransferImage(motor, image, length, showProgress, flags, loadSent);
        motor.LimitDownloadBaud(true);
    } catch (...) {
        // Load mode ends at the rate the motor loads at, before anything else is said to it.
        AfterFailedTransfer(motor, loadSent);
        try {
            motor.LimitDownloadBaud(true);
        } catch (...) {
        }
        if (motor.port)
            WakeAllQuietly(*motor.port);
        if (loadSent && !(flags & DL_CALIBRATION))
            RescueWithEndProgram(motor);
        throw;
    }
    if (!done)
        flags |= DL_CANCELLED;
    return done;
}

} // namespace transfer

using namespace transfer;

bool CMotor::SendProgramBytes(const uint8_t* image, size_t length, bool showProgress, uint32_t flags)
{
    bool loadSent = false;
    try {
        return TransferImage(*this, image, length, showProgress, flags, loadSent);
    } catch (...) {
        // Whatever failed, the target leaves load mode and the SLEEP of the preparation ends.
        AfterFailedTransfer(*this, loadSent);
        if (port)
            WakeAllQuietly(*port);
        throw;
    }
}

void CMotor::VerifyChecksum(bool skip, int64_t expected, uint32_t flags)
{
    if (Address <= 0 || skip)
        return;
    CCommPort& port = PortOf(*this);
    std::string reply;
    try {
        motorport::CTimeoutScope timeouts(port, -1, kChecksumTimeoutMs);
        reply = GetVariable((flags & DL_CALIBRATION) ? "CKSC" : "CKS");
    } catch (...) {
        WakeAllQuietly(port);
        throw;
    }
    const bool ok = IsChecksumReply(reply, false) && (expected < 0 || ReplyChecksum(reply) == expected);
    WakeAll(port);
    if (!ok)
        throw CVQXException(CVQXException::NotDownloaded, MakeMotorDataWord(port.id, Address));
}

void CMotor::LimitDownloadBaud(bool restore)
{
    CCommPort& port = PortOf(*this);
    if (restore) {
        if (savedBaudRate == 0)
            return;
        const int rate = savedBaudRate;
        savedBaudRate = 0;
        if (port.CommType == COMM_USB) {
            if (USBCom)
                USBCom->SetBaudRate(rate);
        } else {
            port.SetMotorsBaudRate(rate);
        }
        return;
    }
    // Already limited (an END program put in place in the middle of a download).
    if (savedBaudRate != 0 || !Is462(*this))
        return;
    if (port.IsSerial()) {
        if (port.BitPerSec <= kLimitedBaud)
            return;
        const int old = port.BitPerSec;
        port.SetMotorsBaudRate(kLimitedBaud);
        savedBaudRate = old;
    } else if (port.CommType == COMM_USB && USBCom) {
        USBCom->SetBaudRate(kLimitedBaud);
        savedBaudRate = kUsbBaud;
    }
}
