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

// Ends load mode with a program the motor knows is broken. They are program bytes like all
// others: chunks of at most 8, each checked. A motor that is not loading takes the FF bytes for
// an address byte, so the wire selection is unknown afterwards.
void SendCancelBytes(CMotor& motor, CCommPort& port)
{
    std::vector<uint8_t> bytes(kCancelBytes, kCancelBytes + std::strlen(kCancelBytes));
    bytes.insert(bytes.end(), kImageTerminator, kImageTerminator + 3);
    try {
        motor.WriteChecked(bytes.data(), bytes.size());
    } catch (const CVQXException&) {
        // Whatever the motor made of them is replaced or reported by the caller.
    }
    port.addressDirty = 1;
    platform::SleepMs(50);
}

// The motor is in load mode: the cancel bytes end it, then the END program replaces the program.
void CancelTransfer(CMotor& motor, CCommPort& port, uint32_t flags, bool afterFirstChunk)
{
    MarkLineContinues(port, false);
    SendCancelBytes(motor, port);
    if (afterFirstChunk)
        AddInfoLine(motor, flags, kCancelledText);
    RescueWithEndProgram(motor);
}

// After a failed transfer: load mode ends, where the motor may still be in it, before anything
// else is said; the line is drained of what the failure left on it.
void EndLoadMode(CMotor& motor, CCommPort& port, bool loading) noexcept
{
    try {
        if (loading)
            SendCancelBytes(motor, port);
    } catch (...) {
    }
    DrainLine(port);
}

// WAKE to all, so that the motors the preparation put to sleep hear what follows (a sleeping
// motor ignores a new baud rate). On an RS-232 chain a motor that stopped passing bytes on keeps
// every command from the motors behind it: the WAKE reaches the motors up to it, then the echo
// set-up switches echo on along the chain, so that the final WAKE reaches every motor that can
// hear. False when the chain still does not echo.
bool WakeAndReestablishEcho(CCommPort& port) noexcept
{
    WakeAllQuietly(port);
    if (port.CommType != COMM_RS232 || !port.isOpen)
        return true;
    try {
        port.SetEchoMode(true);
        return true;
    } catch (...) {
        DrainLine(port);
        return false;
    }
}

std::string MotorNames(const CCommPort& port, const CMotor& except)
{
    std::string names;
    for (int i = 0; i < port.motors.GetCount(); ++i) {
        const CMotor* m = port.motors.GetAt(i);
        if (m == &except)
            continue;
        names += (names.empty() ? "\"" : ", \"") + (m->Name.empty() ? "Motor " + std::to_string(m->Address) : m->Name) + "\"";
    }
    return names;
}

// What the error adds when the motors could not be brought back: who may still be asleep, and
// who may hold no valid program.
std::string StrandedMotorsNote(const CCommPort& port, const CMotor& motor, bool asleep, bool withoutProgram)
{
    std::string note;
    const std::string others = motor.Address > 0 ? MotorNames(port, motor) : std::string();
    if (asleep && !others.empty())
        note += "\nThe chain does not pass commands on: motors that may be left asleep: " + others + ".";
    if (withoutProgram) {
        const std::string target =
            motor.Address > 0 ? "\"" + (motor.Name.empty() ? "Motor " + std::to_string(motor.Address) : motor.Name) + "\""
                              : MotorNames(port, motor);
        note += "\nMotors that may be left without a valid program: " + target + ".";
    }
    return note;
}

// Everything a failed transfer leaves to do, in order: load mode ends at the rate the motor loads
// at, the motors are woken and the chain echoes again at that rate, the rate is restored (every
// motor awake to hear it), the END program goes in (rescue) and the motors are woken once more. A bare transfer (not a download) leaves the rate and the program to its
// caller. Returns what the error must add to say what could not be mended.
std::string RecoverAfterFailure(CMotor& motor, const TransferState& state, bool download, bool rescue) noexcept
{
    if (!motor.port)
        return {};
    CCommPort& port = *motor.port;
    EndLoadMode(motor, port, state.loading);
    const bool chainEchoes = WakeAndReestablishEcho(port);
    if (download) {
        try {
            motor.LimitDownloadBaud(true);
        } catch (...) {
        }
    }
    // Without an echoing chain every chunk of the END program would fail its echo check.
    const bool programValid = !rescue || !state.begun || (chainEchoes && RescueWithEndProgram(motor));
    WakeAllQuietly(port);
    if (chainEchoes && programValid)
        return {};
    try {
        return StrandedMotorsNote(port, motor, !chainEchoes, state.begun && (!programValid || !chainEchoes));
    } catch (...) {
        return {};
    }
}

// Rethrows the error in flight, with the note when there is one.
[[noreturn]] void Rethrow(const std::string& note)
{
    if (note.empty())
        throw;
    try {
        throw;
    } catch (const CVQXException& e) {
        throw CVQXException(e.GetCode(), e.GetMessage() + note, e.GetData());
    }
}

} // namespace

bool TransferImage(CMotor& motor, const uint8_t* image, size_t length, bool showProgress, uint32_t flags,
                   TransferState& state)
{
    ui::IProgress* progress = showProgress ? &motor.Context().Progress() : nullptr;
    CCommPort& port = PortOf(motor);
    const bool calibration = (flags & DL_CALIBRATION) != 0;
    PrepareTransfer(motor, calibration, (flags & DL_BLIND) != 0, state.begun);
    state.loading = state.begun;

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
        // The motor has its terminator: a failure from here on (the checksum) finds it out of
        // load mode, and cancel bytes would only be taken for commands.
        state.loading = false;
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
    TransferState state;
    bool done = false;
    try {
        motor.LimitDownloadBaud(false);
        done = TransferImage(motor, image, length, showProgress, flags, state);
        motor.LimitDownloadBaud(true);
    } catch (...) {
        Rethrow(RecoverAfterFailure(motor, state, true, !(flags & DL_CALIBRATION)));
    }
    if (!done)
        flags |= DL_CANCELLED;
    return done;
}

} // namespace transfer

using namespace transfer;

bool CMotor::SendProgramBytes(const uint8_t* image, size_t length, bool showProgress, uint32_t flags)
{
    TransferState state;
    try {
        return TransferImage(*this, image, length, showProgress, flags, state);
    } catch (...) {
        // Whatever failed, the target leaves load mode and the SLEEP of the preparation ends.
        Rethrow(RecoverAfterFailure(*this, state, false, false));
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
