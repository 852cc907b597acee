#include "core/detect/AddressScan.h"

#include "core/VQXException.h"
#include "core/detect/DetectionRun.h"
#include "core/motor/Motor.h"

namespace {

constexpr int kUnaddressed = 114; // where a motor without an address answers
constexpr int kOwnAddressByte = 32262;

bool IsLineError(int code)
{
    return code == CVQXException::Parity || code == CVQXException::Framing || code == CVQXException::Break;
}

// The broadcast probe after the motors found were put to sleep: whether anything answered.
// Silence is normal; anything else fails the run.
bool BroadcastAnswers(CCommPort& port, const AddressScanStyle& style)
{
    try {
        port.Query(style.probe, 0);
        return true;
    } catch (const CVQXException& e) {
        if (e.GetCode() == CVQXException::NoResponse)
            return false;
        if (style.lineErrorsMatter && IsLineError(e.GetCode()))
            return true;
        throw;
    }
}

} // namespace

int RunAddressScan(CCommPort& port, CDetectionProgress& progress, int flags, const AddressScanStyle& style)
{
    CWakeAllOnExit wake(port, style.channel1);
    const int maxMotors = port.MaxMotors;
    int last = 0;
    for (int a = 1; a <= maxMotors + 1; ++a) {
        const bool unaddressed = a == maxMotors + 1;
        int address = a;
        try {
            progress.SubText(unaddressed ? std::string("Looking for motor address 114...")
                                         : FormatNumber("Looking for motor address %lld...", a));
            const std::string reply = port.Query(style.probe, unaddressed ? kUnaddressed : a);
            if (style.garbage && style.garbage(reply)) {
                port.AllVer5s = 0;
                progress.Close();
                return DETECT_LINE_GARBAGE;
            }
            if (unaddressed) {
                address = last + 1;
                port.WriteCommand(FormatNumber("ADDR=%lld", address), kUnaddressed, false);
            }
        } catch (const CVQXException& e) {
            if (style.lineErrorsMatter && IsLineError(e.GetCode())) {
                port.AllVer5s = 0;
                progress.Close();
                return DETECT_LINE_GARBAGE;
            }
            if (!progress.Step(a))
                return CancelDetection(port, progress);
            continue;
        }
        last = address;
        CMotor* motor = EnterDetectedMotor(port, address);
        if (unaddressed && style.storeNewAddress)
            motor->WriteEEPROMByte(kOwnAddressByte, static_cast<uint8_t>(address));
        progress.SubText(FormatNumber("Found motor with address %lld. Getting motor information ...",
                                      unaddressed && style.foundAt114 ? kUnaddressed : a));
        ReadDetectedIdentity(*motor);
        if (style.calibrationCheck)
            style.calibrationCheck(port, *motor);
        motor->IsAvailable = true;
        if (!progress.Step(a))
            return CancelDetection(port, progress);
    }

    progress.SubText("Looking for un-addressed motors ...");
    const char* sleep = style.channel1 ? "SLEEP1" : "SLEEP";
    for (int i = 0; i < port.motors.GetCount(); ++i)
        port.motors.GetAt(i)->SendCommand(sleep);
    const bool answered = BroadcastAnswers(port, style);
    bool probedAbove = false, answeredAbove = false;
    if (answered && !(flags & DETECT_KEEP_MAX)) {
        probedAbove = true;
        for (int a = maxMotors + 1; a <= 100; ++a)
            port.WriteCommand(sleep, a, false);
        answeredAbove = BroadcastAnswers(port, style);
    }
    wake.WakeNow();
    progress.Close();
    const bool found = port.motors.GetCount() > 0;
    if (found && (flags & DETECT_KEEP_MAX))
        port.SetMaxMotors(last);
    port.SelectMotor(0);
    return ScanResult(found, answered, answeredAbove, probedAbove);
}
