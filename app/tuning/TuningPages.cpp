#include "app/tuning/TuningPages.h"

#include "app/shell/CommError.h"
#include "app/tools/CommErrorAnswer.h"
#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <cerrno>
#include <cstdlib>
#include <cstdlib>

namespace tuning {
namespace {

// A signed 32-bit whole number, blanks around it allowed.
bool ParseInt(const std::string& text, int& out)
{
    const char* s = text.c_str();
    while (*s == ' ')
        ++s;
    if (!*s)
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s, &end, 10);
    while (*end == ' ')
        ++end;
    if (*end || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = int(v);
    return true;
}

std::string NotANumber(const char* label, const std::string& text)
{
    return std::string(label) + " \"" + text + "\" is not a whole number.";
}

} // namespace

// ---- Settings page ----

void CTuningSettingsForm::SetSettings(const TuningSettings& s)
{
    time = std::to_string(s.tuningTime);
    speed = std::to_string(s.speed);
    acceleration = std::to_string(s.acceleration);
    offset = std::to_string(std::llabs(int64_t(s.positionOffset)));
    ccw = s.positionOffset < 0;
    returnChecked = s.returnToStart;
    waitTime = std::to_string(s.waitTime);
    moveProgram = s.moveProgram;
    switch38400 = s.switch38400;
    pollError = s.pollError;
    mode = s.mode;
}

std::string CTuningSettingsForm::GetSettings(TuningSettings& s) const
{
    TuningSettings r = s;
    const std::pair<const char*, std::pair<const std::string*, int*>> fields[] = {
        {"Tuning Time (mSec):", {&time, &r.tuningTime}}, {"Velocity:", {&speed, &r.speed}},
        {"Acceleration:", {&acceleration, &r.acceleration}}, {"Position Offset:", {&offset, &r.positionOffset}},
        {"mSec.", {&waitTime, &r.waitTime}}};
    for (const auto& [label, field] : fields)
        if (!ParseInt(*field.first, *field.second))
            return NotANumber(label, *field.first);
    if (ccw)
        r.positionOffset = -r.positionOffset;
    r.returnToStart = returnChecked;
    r.moveProgram = moveProgram;
    r.switch38400 = switch38400;
    r.pollError = pollError;
    r.mode = mode;
    s = r;
    return {};
}

bool CTuningSettingsForm::Enabled(int id) const
{
    switch (id) {
    case kSpeed:
    case kAcceleration:
    case kOffset:
    case kCw:
    case kCcw:
    case kReturn: return mode != 2;
    case kWait: return mode != 2 && returnChecked;
    case kMoveProgram:
    case kBrowse: return mode == 2;
    default: return true;
    }
}

// ---- Tuning Values page ----

void CTuningValuesForm::SetGains(const Gains& g, bool motorColumnToo)
{
    m_gains = g;
    for (size_t i = 0; i < g.size(); ++i) {
        newColumn[i] = std::to_string(g[i]);
        if (motorColumnToo)
            motorColumn[i] = newColumn[i];
    }
}

void CTuningValuesForm::Report(CMotor& motor, const CVQXException& x, const GainsServices& services, bool reading)
{
    if (commerror::IsCommLoss(x.GetCode())) {
        if (services.context) {
            services.context->Info().Clear();
            services.context->Info().AddException(x);
            services.context->Info().Show(false);
        }
        const CCommPort* port = motor.GetPort();
        tools::RequestCommError(services.commError, services.findMotor, x.GetCode(), port ? port->id : -1,
                                motor.Address);
        return;
    }
    if (!services.context)
        return;
    const std::string text = reading ? "Cannot get the tuning values from motor '" + motor.Name + "': " + x.GetMessage()
                                     : x.GetMessage();
    ui::OptionMessageBox(services.context->Questions(), text, ui::MB_OK | ui::MB_ICONERROR);
}

bool CTuningValuesForm::ReadValues(CMotor& motor, const GainsServices& services)
{
    Gains g{};
    try {
        tools::PollTrafficScope scope(motor, tools::TrafficKind::Tool);
        CCommPort* port = motor.GetPort();
        if (!port)
            throw CVQXException(CVQXException::PortNotOpen, "The motor has no port.");
        if (!port->isOpen)
            port->OpenPort();
        for (size_t i = 0; i < g.size(); ++i)
            g[i] = int32_t(std::clamp<int64_t>(ReplyToNumber(motor.SendAndReceive(std::string("R") + kGainNames[i])),
                                               INT32_MIN, INT32_MAX));
    } catch (const CVQXException& x) {
        Report(motor, x, services, true);
        return false;
    }
    SetGains(g, true);
    return true;
}

bool CTuningValuesForm::NewValues(Gains& out, std::string* error) const
{
    for (size_t i = 0; i < out.size(); ++i) {
        int v = 0;
        if (!ParseInt(newColumn[i], v)) {
            if (error)
                *error = NotANumber(kGainNames[i], newColumn[i]);
            return false;
        }
        out[i] = v;
    }
    return true;
}

bool CTuningValuesForm::ApplyValues(CMotor& motor, const GainsServices& services)
{
    Gains g{};
    std::string error;
    if (!NewValues(g, &error)) {
        if (services.context)
            ui::OptionMessageBox(services.context->Questions(), error + " Nothing was sent to the motor.",
                                 ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    bool ok = true;
    try {
        tools::PollTrafficScope scope(motor, tools::TrafficKind::Tool);
        CCommPort* port = motor.GetPort();
        if (!port)
            throw CVQXException(CVQXException::PortNotOpen, "The motor has no port.");
        const bool openedHere = !port->isOpen;
        if (openedHere)
            port->OpenPort();
        for (size_t i = 0; i < g.size(); ++i)
            motor.SendCommand(std::string(kGainNames[i]) + "=" + std::to_string(g[i]));
        motor.SendCommand("F");
        if (openedHere)
            port->ClosePort();
    } catch (const CVQXException& x) {
        Report(motor, x, services, false);
        ok = false;
    }
    return ReadValues(motor, services) && ok;
}

void CTuningValuesForm::LoadDefaults()
{
    Gains g{};
    for (size_t i = 0; i < g.size(); ++i)
        g[i] = m_profile.GetInt(kTunerSection, kGainNames[i], kDefaults[i]);
    SetGains(g, false);
}

void CTuningValuesForm::SaveDefaults()
{
    for (size_t i = 0; i < m_gains.size(); ++i)
        m_profile.WriteInt(kTunerSection, kGainNames[i], m_gains[i]);
}

std::string CTuningValuesForm::CopyProgram(std::string* error) const
{
    Gains g{};
    if (!NewValues(g, error))
        return {};
    std::string text = "' Setting Tuning Parameters\r\n";
    for (size_t i = 0; i < g.size(); ++i)
        text += std::string(kGainNames[i]) + "=" + std::to_string(g[i]) + "\r\n";
    return text + "F\r\n";
}

} // namespace tuning
