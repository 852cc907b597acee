#include "app/tools/PlaygroundPages.h"

#include "app/tools/CommandText.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/PlaygroundMath.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/shared/MotorModels.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"

#include <cstdio>
#include <cstdlib>

namespace tools {
namespace {

std::string Num(int64_t v) { return std::to_string(v); }

// The number a user typed; false when there is none.
bool ParseDouble(const std::string& text, double& out)
{
    const char* s = text.c_str();
    char* end = nullptr;
    out = std::strtod(s, &end);
    return end != s;
}

// The leading integer of a typed text (0 when none), clamped to 32 bits.
int32_t ParseInt(const std::string& text)
{
    const int64_t v = std::strtoll(text.c_str(), nullptr, 10);
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}

std::string Fixed2(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

void Message(CPlaygroundForm& form, const std::string& text)
{
    ui::OptionMessageBox(form.Context().Questions(), text, ui::MB_OK | ui::MB_ICONERROR, pg::kTitle);
}

} // namespace

// ---- every page ------------------------------------------------------------------------------

void CPlaygroundPage::ShowPage(bool show)
{
    m_shown = show;
    if (show && Ready())
        Activate();
}

bool CPlaygroundPage::PagePollStep(int& step)
{
    step = 0;
    return false;
}

bool CPlaygroundPage::Ready() const { return m_form.Connected() && m_form.Motor(); }

// ---- Position --------------------------------------------------------------------------------

void CJogPage::Activate()
{
    SoftLimitsSupported = m_form.MotorFamily() == Family::Version46;
    MovePending = false;
    m_settling = false;
    ApplyPollValues("P");
    Apply();
    if (!Ready())
        return;
    std::string reply;
    if (!m_form.SendPollSettings("f=45 p=@P+1 w=-1 i=-1 o=-1 g=-1 n=0") || !m_form.Send("MP") || !m_form.Send("S") ||
        !m_form.Ask("RP", reply))
        return;
    // The first values update sends the position just read back as the target.
    Destination = int32_t(ReplyToNumber(reply));
    MovePending = true;
}

void CJogPage::ApplyPollValues(const std::string& letters)
{
    CMotor* motor = m_form.Motor();
    if (!motor)
        return;
    if (MovePending) {
        MovePending = false;
        if (!FollowSlider) {
            sliderPosition = SliderOfCount(Destination, LeftLimit, RightLimit);
            destinationText = Num(Destination);
        }
        if (!m_form.Send("P=" + Num(Destination)) || !m_form.Send("G"))
            return;
    }
    if (letters.find('P') != std::string::npos) {
        const int32_t p = m_form.Values().Position;
        knobAngle = KnobAngleOfPosition(p, motor->EnRes);
        currentText = Num(p);
        const int s = SliderOfCount(p, LeftLimit, RightLimit);
        selectionFrom = s - 5;
        selectionTo = s + 5;
        // A jog let go decelerates after "X": until the motor stands (the same position twice)
        // the destination is where it is, so that a click steps from there and the slider's
        // steps start there; then the field is the user's again.
        if (m_settling && p == Destination)
            m_settling = false;
        if (FollowSlider || m_settling) {
            sliderPosition = s;
            destinationText = Num(p);
        }
        if (m_settling)
            Destination = p;
    }
}

bool CJogPage::PagePollStep(int& step)
{
    std::string reply;
    if (!m_form.PollQuery("RP", reply))
        return false;
    m_form.MutableValues().Position = int32_t(ReplyToNumber(reply));
    ApplyPollValues("P");
    step = 0;
    return true;
}

void CJogPage::Apply()
{
    CMotor* motor = m_form.Motor();
    if (!Ready())
        return;
    double v = 0, fast = 0, acc = 0;
    ParseDouble(velocityText, v);
    ParseDouble(fastVelocityText, fast);
    ParseDouble(accelerationText, acc);
    // A refused value is put back to the last one accepted, in the edit's own unit.
    const struct {
        double value;
        std::string& text;
        std::string& last;
        const char* message;
    } checks[] = {
        {v, velocityText, m_lastVelocity, "Please Enter a Positive Number for Velocity."},
        {fast, fastVelocityText, m_lastFastVelocity, "Please Enter a Positive Number for Fast Velocity."},
        {acc, accelerationText, m_lastAcceleration, "Please Enter a Positive Number for Acceleration."},
    };
    for (const auto& c : checks)
        if (c.value < 0) {
            Message(m_form, c.message);
            c.text = c.last;
            return;
        }
    const int32_t left = ParseInt(leftText), right = ParseInt(rightText);
    if (left >= right) {
        Message(m_form, "Left limit must be less than Right limit. Please correct the values for left and right limits.");
        leftText = Num(LeftLimit);
        rightText = Num(RightLimit);
        return;
    }
    m_lastVelocity = velocityText;
    m_lastFastVelocity = fastVelocityText;
    m_lastAcceleration = accelerationText;
    Velocity = VelocityOfRpm(v, motor->EnRes, motor->SamplePeriod);
    FastVelocity = VelocityOfRpm(fast, motor->EnRes, motor->SamplePeriod);
    Acceleration = AccelerationOfRps2(acc, motor->EnRes, motor->SamplePeriod);
    LeftLimit = left;
    RightLimit = right;
    sliderPosition = SliderOfCount(Destination, LeftLimit, RightLimit);
    if (!m_form.Send("A=" + Num(Acceleration)) || !m_form.Send("V=" + Num(fastJog ? FastVelocity : Velocity)))
        return;
    if (SoftLimitsSupported && !m_form.Checks().soft)
        if (!m_form.Send("SLN=" + Num(LeftLimit)) || !m_form.Send("SLP=" + Num(RightLimit)))
            return;
    std::string busy;
    if (m_form.Ask("RBt", busy) && !busy.empty() && busy[0] == '1')
        m_form.Send("G");
}

bool CJogPage::MayMove() { return Ready() && m_form.AskClearFaults(); }

void CJogPage::Pending(int64_t destination)
{
    Destination = destination > INT32_MAX ? INT32_MAX : destination < INT32_MIN ? INT32_MIN : int32_t(destination);
    MovePending = true;
    m_settling = false;
}

void CJogPage::Go()
{
    if (MayMove())
        Pending(ParseInt(destinationText));
}

void CJogPage::GoTo(int id)
{
    if (!MayMove())
        return;
    Pending(id == kLL ? LeftLimit : id == kRL ? RightLimit : 0);
}

void CJogPage::Zero()
{
    if (!Ready())
        return;
    if (m_form.Send("O=0"))
        knobAngle = 0;
}

void CJogPage::Decelerate()
{
    if (Ready())
        m_form.Send("X");
}

void CJogPage::KnobTurned(double degrees)
{
    CMotor* motor = m_form.Motor();
    if (MayMove())
        Pending(KnobDestination(m_form.Values().Position, motor->EnRes, degrees));
}

void CJogPage::Slider(Scroll code, int position)
{
    if (!MayMove())
        return;
    const int64_t span = int64_t(RightLimit) - LeftLimit;
    switch (code) {
    case Scroll::LineLess: Pending(int64_t(Destination) - span / 500); break;
    case Scroll::LineMore: Pending(int64_t(Destination) + span / 500); break;
    case Scroll::PageLess: Pending(int64_t(Destination) - span / 10); break;
    case Scroll::PageMore: Pending(int64_t(Destination) + span / 10); break;
    case Scroll::ToLess: Pending(LeftLimit); break;
    case Scroll::ToMore: Pending(RightLimit); break;
    case Scroll::ThumbTrack:
    case Scroll::ThumbPosition:
        sliderPosition = position;
        Pending(CountOfSlider(position, LeftLimit, RightLimit));
        break;
    case Scroll::EndScroll: break;
    }
}

void CJogPage::JogButton(int id, int code)
{
    if (!MayMove())
        return;
    const bool left = id == kL;
    if (stopOnRelease) {
        if (code == 3) {
            FollowSlider = true;
            Pending(left ? LeftLimit : RightLimit);
        } else if (code == 1) {
            FollowSlider = false;
            m_settling = m_form.Send("X");
        } else if (code == 2) {
            Pending(int64_t(ParseInt(destinationText)) + (left ? -1 : 1));
        }
    } else if (code == 1 || code == 2) {
        Pending(left ? LeftLimit : RightLimit);
        FollowSlider = true;
    }
}

// ---- Velocity and Torque ---------------------------------------------------------------------

void CSpeedPage::ApplyPollValues(const std::string& letters)
{
    CMotor* motor = m_form.Motor();
    if (!motor)
        return;
    if (letters.find('V') != std::string::npos) {
        const int32_t v = m_form.Values().Velocity;
        speedText = FormatTrimmed(RpmOfVelocity(v, motor->EnRes, motor->SamplePeriod));
        speedHighlighted = v != 0;
    }
    if (letters.find('P') != std::string::npos) {
        knobAngle = KnobAngleOfPosition(m_form.Values().Position, motor->EnRes);
        currentText = Num(m_form.Values().Position);
    }
}

bool CSpeedPage::MayCommand(Scroll code)
{
    if (!Ready() || !m_form.AskClearFaults())
        return false;
    // With "Stop on release", only dragging the thumb drives the motor; anything else stops it.
    if (stopOnRelease && code != Scroll::ThumbTrack) {
        Stop();
        return false;
    }
    return true;
}

bool CSpeedPage::PagePollStep(int& step)
{
    std::string reply;
    const bool position = step == 30;
    if (!m_form.PollQuery(position ? "RP" : "RV", reply))
        return false;
    const int32_t n = int32_t(ReplyToNumber(reply));
    if (position)
        m_form.MutableValues().Position = n;
    else
        m_form.MutableValues().Velocity = n;
    ApplyPollValues(position ? "P" : "V");
    step = position ? 31 : 0;
    return true;
}

void CVelocityPage::MaximumChanged(const std::string& text)
{
    maximumText = text;
    CMotor* motor = m_form.Motor();
    double rpm = 0;
    ParseDouble(text, rpm);
    MaxVelocity = motor ? VelocityOfRpm(rpm, motor->EnRes, motor->SamplePeriod, true) : 0;
    if (MaxVelocity != 0)
        sliderPosition = SliderOfCommand(CommandedVelocity, MaxVelocity);
    topLabel = Fixed2(rpm);
    bottomLabel = Fixed2(-rpm);
}

void CVelocityPage::AccelerationChanged(const std::string& text)
{
    accelerationText = text;
    CMotor* motor = m_form.Motor();
    double rps2 = 0;
    ParseDouble(text, rps2);
    Acceleration = motor ? AccelerationOfRps2(rps2, motor->EnRes, motor->SamplePeriod) : 0;
    AccelerationChangedFlag = true;
}

void CVelocityPage::Activate()
{
    MaximumChanged(maximumText);
    AccelerationChanged(accelerationText);
    CommandedVelocity = 0;
    if (!m_form.Send("A=" + Num(Acceleration)) || !m_form.Send("V=0") || !m_form.Send("MV") || !m_form.Send("G") ||
        !m_form.SendPollSettings("f=61 v=@V+1 w=-1 i=-1 o=-1 g=-1 n=0"))
        return;
    // Reading the edit marked the acceleration changed: the first slider move sends it again.
    ApplyPollValues("PV");
    sliderPosition = 100;
}

void CVelocityPage::Stop()
{
    if (CommandedVelocity != 0) {
        CommandedVelocity = 0;
        if (!m_form.Send("V=0") || !m_form.Send("G"))
            return;
    }
    sliderPosition = 100;
}

void CVelocityPage::Slider(Scroll code, int position)
{
    if (!MayCommand(code))
        return;
    sliderPosition = position;
    CommandedVelocity = CommandOfSlider(position, MaxVelocity);
    if (AccelerationChangedFlag) {
        if (!m_form.Send("A=" + Num(Acceleration)))
            return;
        AccelerationChangedFlag = false;
    }
    if (m_form.Send("V=" + Num(CommandedVelocity)))
        m_form.Send("G");
}

void CVelocityPage::StopOnReleaseClicked(bool checked)
{
    stopOnRelease = checked;
    if (checked && Ready())
        Stop();
}

// ---- Torque ----------------------------------------------------------------------------------

void CTorquePage::ShowPage(bool show)
{
    TorqueModeEntered = false;
    CPlaygroundPage::ShowPage(show);
}

void CTorquePage::MaximumChanged(const std::string& text)
{
    maximumText = text;
    const int32_t t = ParseInt(text);
    MaxTorque = t >= 1024 ? 1023 : t < 10 ? 10 : t;
    sliderPosition = SliderOfCommand(CommandedTorque, MaxTorque);
    topLabel = Num(MaxTorque);
    bottomLabel = Num(-MaxTorque);
}

void CTorquePage::Activate()
{
    CommandedTorque = 0;
    if (!m_form.SendPollSettings("f=63 w=-1 i=-1 o=-1 g=-1 n=0"))
        return;
    ApplyPollValues("PV");
    torqueText = '0';
    torqueHighlighted = false;
    sliderPosition = 100;
}

void CTorquePage::EnterTorqueMode()
{
    if (TorqueModeEntered || !Ready())
        return;
    CommandedTorque = 0;
    if (m_form.Send("T=0") && m_form.Send("MT"))
        TorqueModeEntered = true;
}

void CTorquePage::Stop()
{
    if (CommandedTorque != 0) {
        const bool positive = CommandedTorque > 0;
        CommandedTorque = 0;
        if (!m_form.Send(positive ? "T=0" : "T=-1"))
            return;
    }
    sliderPosition = 100;
    torqueText = '0';
    torqueHighlighted = false;
}

void CTorquePage::Slider(Scroll code, int position)
{
    EnterTorqueMode();
    if (!MayCommand(code))
        return;
    sliderPosition = position;
    CommandedTorque = CommandOfSlider(position, MaxTorque);
    if (m_form.Send("T=" + Num(CommandedTorque))) {
        torqueText = Num(CommandedTorque);
        torqueHighlighted = CommandedTorque != 0;
    }
}

void CTorquePage::StopOnReleaseClicked(bool checked)
{
    stopOnRelease = checked;
    if (checked && Ready())
        Stop();
}

// ---- Terminal and Motor Info -----------------------------------------------------------------

void CTerminalPage::Activate()
{
    if (m_form.Send("S"))
        m_form.SendPollSettings("f=44 w=-1 i=-1 o=-1 g=-1 n=0");
    editText.clear();
}

void CTerminalPage::Send()
{
    if (!Ready() || editText.empty())
        return;
    // A byte of 0x80 or more is an address byte on the wire and would re-address the chain.
    if (!IsSendableText(editText)) {
        Message(m_form, UnsendableTextMessage("command"));
        return;
    }
    rows.push_back({editText, {}});
    try {
        rows.back().second = m_form.AskRaw(editText);
    } catch (const CVQXException& x) {
        if (x.GetCode() != CVQXException::NoResponse) {
            m_form.GoOffline();
            return;
        }
    } catch (...) {
        m_form.GoOffline();
        return;
    }
    editText.clear();
}

void CPlaygroundInfoPage::Activate()
{
    if (m_form.Send("S"))
        m_form.SendPollSettings("f=44 w=-1 i=-1 o=-1 g=-1 n=0");
    Fill();
}

void CPlaygroundInfoPage::Fill()
{
    rows.clear();
    title.clear();
    CMotor* m = m_form.Motor();
    if (!m)
        return;
    title = "Information for " + m->Name + ":\n";
    const CMotorModel* model = m->MotorType != 0 ? GetMotorModels().Get(m->MotorType) : nullptr;
    char buf[64];
    rows.push_back({"Model", !m->Model.empty() ? m->Model : model ? model->Name : std::string()});
    rows.push_back({"Firmware Version", m->Version});
    rows.push_back({"Address", Num(m->Address)});
    std::snprintf(buf, sizeof buf, "%.6f", m->SamplePeriod);
    rows.push_back({"Sample Period(mSec)", buf});
    if (m->SerialNumber != 0)
        rows.push_back({"Serial No.", FormatSerialNumber(m->SerialNumber)});
    if (!model)
        return;
    const struct {
        const char* name;
        const char* format;
        double value;
    } fields[] = {
        {"Cont. Torque(in-lb)", "%.3f", model->ContinuousTorque},
        {"Peak Torque(in-lb)", "%.3f", model->PeakTorque},
        {"Torque Const.(oz-in/Amp)", "%.2f", model->TorqueConstant},
        {"Nom. Cont. Power(hp)", "%.2f", model->NominalContinuousPower},
        {"Top Speed(rpm)", "%.0f", model->TopSpeed},
        {"Voltage Const.(V/krpm)", "%.2f", model->VoltageConstant},
        {"Winding Resistance(ohms)", "%.1f", model->WindingResistance},
        {"Encoder Res.(Counts/Rev)", "%.0f", double(m->EnRes)},
        {"Rotor Interia(oz-in-Sec)", "%.5f", model->RotorInteria},
        {"Poles", "%.0f", double(model->Poles)},
        {"Slots", "%.0f", double(model->Slots)},
        {"Shaft Diameter(inches)", "%.4f", model->ShaftDiameter},
        {"Weight(lbs)", "%.2f", model->Weight},
        {"Length(inches)", "%.2f", model->Length},
        {"Width(inches)", "%.2f", model->Width},
    };
    for (const auto& f : fields) {
        std::snprintf(buf, sizeof buf, f.format, f.value);
        rows.push_back({f.name, buf});
    }
}

} // namespace tools
