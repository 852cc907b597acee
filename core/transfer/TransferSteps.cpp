#include "core/transfer/TransferSteps.h"

#include "core/VQXException.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/Services.h"

namespace transfer {
namespace {
std::function<void(CMotor&)>& TreeRefresh()
{
    static std::function<void(CMotor&)> refresh;
    return refresh;
}
} // namespace

CCommPort& PortOf(const CMotor& motor)
{
    if (!motor.port)
        throw CVQXException(CVQXException::PortNotOpen);
    return *motor.port;
}

const char* WakeCommand(const CCommPort& port) { return port.MotorChannel == 1 ? "WAKE1" : "WAKE"; }
const char* SleepCommand(const CCommPort& port) { return port.MotorChannel == 1 ? "SLEEP1" : "SLEEP"; }

void WakeAll(CCommPort& port) { port.WriteCommand(WakeCommand(port), 0, false); }

void WakeAllQuietly(CCommPort& port) noexcept
{
    try {
        if (port.isOpen)
            WakeAll(port);
    } catch (...) {
    }
}

void IsolateMotor(CMotor& motor)
{
    CCommPort& port = PortOf(motor);
    port.WriteCommand(SleepCommand(port), 0, false);
    motor.SendCommand(WakeCommand(port));
}

bool Is462(CMotor& motor)
{
    if (motor.Address != 0)
        return motor.IsVersion462();
    const CCommPort& port = PortOf(motor);
    for (int a = 1; a <= port.MaxMotors; ++a)
        if (const CMotor* m = port.GetMotor(a); m && m->Version.rfind("462", 0) == 0)
            return true;
    return false;
}

void PrepareTransfer(CMotor& motor, bool calibration, bool blind, bool& loadSent)
{
    CCommPort& port = PortOf(motor);
    auto step = [blind](const std::function<void()>& action) {
        try {
            action();
        } catch (const CVQXException&) {
            if (!blind)
                throw;
        }
    };
    if (port.CommType == COMM_RS232)
        step([&] { port.SetEchoMode(true); });
    if (motor.Address > 0)
        step([&] { IsolateMotor(motor); });
    step([&] { motor.SendCommand("END"); });
    // From here the motor may take what follows as program bytes.
    loadSent = true;
    step([&] { motor.SendCommand(calibration ? "LOADC" : "LOAD"); });
}

void AddErrorLine(uint32_t flags, const std::string& text)
{
    if (!(flags & DL_QUIET))
        ui::Info().AddError(text);
}

void AddInfoLine(uint32_t flags, const std::string& text)
{
    if (!(flags & DL_QUIET))
        ui::Info().AddInfo(text);
}

void RescueWithEndProgram(CMotor& motor) noexcept
{
    try {
        motor.ClearProgram(DL_RESCUE);
    } catch (...) {
    }
    if (motor.port)
        WakeAllQuietly(*motor.port);
}

void SetTreeRefresh(std::function<void(CMotor&)> refresh) { TreeRefresh() = std::move(refresh); }

void RefreshTree(CMotor& motor)
{
    if (TreeRefresh())
        TreeRefresh()(motor);
}

} // namespace transfer
