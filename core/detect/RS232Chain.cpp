// Finding and addressing the motors of an RS-232 daisy chain.
#include "core/detect/RS232Chain.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/AddressScan.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The rates a motor may be listening at, tried from the most likely down to the slowest; each
// step tells the motors to follow the computer to the next rate.
constexpr int kSweep[] = {38400, 9600, 19200, 4800, 2400};
constexpr char kParityLetters[] = "NOEII";

// The pause before the buffer is cleared for the final echo test: 50 ms, or on a chain too long
// for that, until the echo of the rate commands is back. Each motor passes a character on once it
// holds it whole, so the last of them comes back one character time per motor after it was sent,
// at the rate the chain heard it (the sweep's last rate), followed by what went out at the new
// one. Cleared any earlier, that echo would be read as the echo of the test itself.
int64_t CharsMs(const CCommPort& port, int64_t chars, int64_t rate)
{
    const int64_t bits = port.Parity != 0 ? 11 : 10;
    return (chars * bits * 1000 + rate - 1) / std::max<int64_t>(rate, 1);
}

int64_t SettleMs(const CCommPort& port, int sweptRate)
{
    const int64_t motors = std::max(port.MaxMotors, 1);
    return std::max<int64_t>(50, CharsMs(port, motors, sweptRate) + CharsMs(port, motors, port.BitPerSec));
}

// Looks for the chain's token until the first WAKE sent at the sweep's last rate can be back: its
// frame, then one character time per motor that passes it on, and a little for the system. Looked
// for only once, right after the writes, a chain longer than those writes take would never show it,
// and every attempt would send the whole sweep again.
bool ChainTokenBack(CCommPort& port, platform::TimePoint firstWake)
{
    const int64_t frame = 6; // address byte, "WAKE", blank
    const auto deadline =
        firstWake + std::chrono::milliseconds(CharsMs(port, frame + std::max(port.MaxMotors, 1) + 1, port.BitPerSec) + 10);
    for (;;) {
        // Only the token itself counts: behind an empty one lies what earlier reads left.
        if (ReadChainToken(port) && port.lineBuffer[0] != 0 &&
            std::strstr(reinterpret_cast<const char*>(port.lineBuffer) + 1, "WAKE"))
            return true;
        if (platform::Now() >= deadline)
            return false;
        platform::SleepMs(2);
    }
}

// Puts the echo timeout back on every way out of EstablishChain.
struct EchoTimeoutKeeper {
    CCommPort& port;
    int saved;
    ~EchoTimeoutKeeper() { port.echoTimeout = saved; }
};

bool IsEchoFailure(const CVQXException& e)
{
    return e.GetCode() == CVQXException::NoEcho || e.GetCode() == CVQXException::InvalidEcho;
}

} // namespace

bool ReadChainToken(CCommPort& port)
{
    const int start = port.lineCount;
    const size_t room = sizeof port.lineBuffer - static_cast<size_t>(start);
    size_t got = 0;
    port.ReadBytes(port.lineBuffer + start, room, got, 0);
    if (got > 0)
        if (ITrafficLog* log = port.Context().TrafficLog())
            log->LogData(port.id, SDA_LOG_RECEIVED, port.lineBuffer + start, got);
    for (size_t i = static_cast<size_t>(start); i < static_cast<size_t>(start) + got; ++i) {
        if (port.lineBuffer[i] == '\r' || port.lineBuffer[i] == ' ') {
            port.lineBuffer[i] = 0;
            port.lineCount = 0;
            return true;
        }
    }
    port.lineCount = start + static_cast<int>(got);
    if (port.lineCount >= static_cast<int>(sizeof port.lineBuffer))
        port.lineCount = 0;
    return false;
}

int EstablishChain(CCommPort& port, int flags)
{
    EchoTimeoutKeeper keeper{port, port.echoTimeout};
    CStrictEchoScope strict(port);
    const bool progress = (flags & DETECT_SHOW_PROGRESS) != 0;
    port.Echo = 0;
    if (progress)
        port.Context().Progress().SetTotal(port.MaxMotors);
    port.lineCount = 0;
    if (!port.isOpen)
        port.OpenPort();

    for (int attempt = 1; attempt <= port.MaxMotors; ++attempt) {
        for (int rate : kSweep) {
            port.WriteCommand("WAKE", 0, false);
            port.WriteCommand("WAKE", 0, false);
            port.WriteCommand(FormatNumber("BAUD%lld", rate), 0, false);
            port.Reopen(rate, -1);
        }
        const platform::TimePoint firstWake = platform::Now();
        port.WriteCommand("WAKE", 0, false);
        port.WriteCommand("WAKE", 0, false);
        port.WriteCommand("ECHO", 0, false);
        if (progress && !port.Context().Progress().Step(attempt)) {
            // The motors that followed the sweep go back to the port's rate with the port.
            try {
                const int swept = port.BitPerSec;
                port.WriteCommand(FormatNumber("BAUD%lld", port.savedBitPerSec), 0, false);
                port.Reopen(port.savedBitPerSec, -1);
                platform::SleepMs(SettleMs(port, swept));
                port.ClearBuffer();
            } catch (const CVQXException&) {
            }
            port.Echo = 1;
            return DETECT_CANCELLED;
        }
        if (ChainTokenBack(port, firstWake))
            break;
    }

    const int rate = port.savedBitPerSec;
    const int swept = port.BitPerSec;
    port.WriteCommand(FormatNumber("BAUD%lld", rate), 0, false);
    port.Reopen(rate, -1);
    char ochn[64];
    std::snprintf(ochn, sizeof ochn, "OCHN(RS2,0,%c,%d,1,8,C)", kParityLetters[port.Parity <= 4 ? port.Parity : 0],
                  rate);
    port.WriteCommand(ochn, 0, false);
    platform::SleepMs(SettleMs(port, swept));
    port.ClearBuffer();
    port.pushbackCount = 0;
    port.Echo = 1;
    try {
        port.WriteCommand("ECHO", 0, false);
    } catch (const CVQXException& e) {
        // A missing or a wrong echo both mean that the chain does not carry characters through.
        if (IsEchoFailure(e))
            throw CVQXException(CVQXException::NoLink);
        throw;
    }
    return 1;
}

int DetectRS232Chain(CCommPort& port, int flags)
{
    if (port.CommType != COMM_RS232)
        return DETECT_NONE;
    EmptyMotorList(port);
    CDetectionProgress progress(port.Context().Progress(), (flags & DETECT_SHOW_PROGRESS) != 0);
    progress.Open(WithPortName("Detecting Tessaraxons on RS-232 daisy chain: \"%s\"", port), {}, true, true);
    try {
        if (EstablishChain(port, flags) == DETECT_CANCELLED)
            return CancelDetection(port, progress);
        port.CalcTimeouts(port.MaxMotors);
        progress.Total(port.MaxMotors + 1);
        progress.SubText("");
        port.WriteCommand("WAKE", 0);
        port.WriteCommand("WAKE", 0);
        port.AllVer5s = 1;
        AddressScanStyle style;
        style.garbage = [](const std::string& reply) { return reply != "0" && reply != "1"; };
        style.calibrationCheck = SimpleCalibrationCheck;
        return RunAddressScan(port, progress, flags, style);
    } catch (...) {
        return FailDetection(port, progress, flags);
    }
}

int AddressServos(CCommPort& port, int flags)
{
    if (port.CommType != COMM_RS232)
        return DETECT_NONE;
    EmptyMotorList(port);
    CDetectionProgress progress(port.Context().Progress(), (flags & DETECT_SHOW_PROGRESS) != 0);
    progress.Open(WithPortName("Addressing the motors connected to port: \"%s\"", port));
    try {
        if (EstablishChain(port, flags) == DETECT_CANCELLED)
            return CancelDetection(port, progress);
        port.CalcTimeouts(port.MaxMotors);
        progress.Total(port.MaxMotors);
        progress.SubText("Counting the motors...");

        CStrictEchoScope strict(port);
        CWakeAllOnExit wake(port, false);
        port.WriteCommand("END", 0);
        port.WriteCommand("SADDR0", 0);
        port.WriteCommand("ECHO_OFF", 0);
        port.Echo = 0;
        int counted = 0;
        int n = 0;
        for (;;) {
            n = counted + 1;
            port.WriteCommand(FormatNumber("SADDR%lld", n), 0);
            // Both carry the address byte: a motor further down that has not seen it would take
            // them as its own.
            port.WriteCommand("ECHO", n, false);
            port.Echo = 1;
            try {
                // The last motor's echo comes back; any other's stops at the next motor.
                port.WriteCommand("SLEEP", n, false);
                break;
            } catch (const CVQXException& e) {
                if (e.GetCode() != CVQXException::NoEcho)
                    throw;
            }
            port.pushbackCount = 0;
            ++counted;
            if (!progress.Step(counted))
                return CancelDetection(port, progress);
            if (counted >= port.MaxMotors) {
                progress.Close();
                port.AllVer5s = 0;
                if (flags & DETECT_THROW)
                    throw CVQXException(CVQXException::NoLink);
                return DETECT_NONE;
            }
            port.Echo = 0;
        }

        port.CalcTimeouts(n);
        wake.WakeNow();
        strict.Restore();
        progress.Total(n);
        progress.SubText("Getting motors information...");
        port.AllVer5s = 1;
        for (int address = 1; address <= n; ++address) {
            CMotor* motor = EnterDetectedMotor(port, address);
            ReadDetectedIdentity(*motor);
            if (!progress.Step(address))
                return CancelDetection(port, progress);
            motor->IsAvailable = true;
        }
        progress.Close();
        return DETECT_FOUND;
    } catch (...) {
        return FailDetection(port, progress, flags);
    }
}
