#include "core/transfer/TransferSteps.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"
#include "core/port/PortEvents.h"

#include <cctype>

namespace transfer {

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

void LogTraffic(const CCommPort& port, uint32_t flags, const uint8_t* bytes, size_t n)
{
    if (ITrafficLog* log = port.Context().TrafficLog())
        log->LogData(port.id, flags, bytes, n);
}

void MarkLineContinues(const CCommPort& port, bool set)
{
    // A port outside a project has no page; page -1 would mean every page.
    if (port.id < 0)
        return;
    if (ITrafficLog* log = port.Context().TrafficLog())
        log->SetPageFlags(port.id, SDA_CONTINUES, set);
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const size_t n = std::char_traits<char>::length(suffix);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) !=
            std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

SystemTime ToSystemTime(std::time_t t)
{
    SystemTime st;
    std::tm tm {};
    if (!gmtime_r(&t, &tm))
        return st;
    st.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    st.wDay = static_cast<uint16_t>(tm.tm_mday);
    st.wHour = static_cast<uint16_t>(tm.tm_hour);
    st.wMinute = static_cast<uint16_t>(tm.tm_min);
    st.wSecond = static_cast<uint16_t>(tm.tm_sec);
    return st;
}

void AddErrorLine(const CMotor& motor, uint32_t flags, const std::string& text)
{
    if (!(flags & DL_QUIET))
        motor.Context().Info().AddError(text);
}

void AddInfoLine(const CMotor& motor, uint32_t flags, const std::string& text)
{
    if (!(flags & DL_QUIET))
        motor.Context().Info().AddInfo(text);
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

void RefreshTree(CMotor& motor)
{
    if (IPortEvents* events = motor.Context().PortEvents())
        events->MotorRecordChanged(motor);
}

} // namespace transfer
