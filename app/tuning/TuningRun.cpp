#include "app/tuning/TuningRun.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"

#include <algorithm>

namespace tuning {
namespace {

constexpr const char* kGettingData = "Getting Tuning Data";

int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

std::string Assign(const char* name, int64_t v) { return std::string(name) + "=" + std::to_string(v); }

struct SavedVariables {
    std::optional<int32_t> E, a, b, p, V, A, w, z, t;
};

} // namespace

std::string StatusErrorText(int64_t w)
{
    if ((w & 0x66) == 0)
        return {};
    std::string text = kErrorsDetected;
    if (w & 0x02)
        text += "Positive Limit Error\n";
    if (w & 0x04)
        text += "Negative Limit Error\n";
    if (w & 0x20)
        text += "Position Error\n";
    if (w & 0x40)
        text += "Overheat Error\n";
    return text;
}

template <class F> void CTuningRun::Step(F f)
{
    try {
        f();
    } catch (const CVQXException&) {
    }
}

int32_t CTuningRun::AskNumber(const std::string& command) { return Clamp32(ReplyToNumber(m_motor.Ask(command))); }

bool CTuningRun::Ask(const std::string& text)
{
    return ui::OptionMessageBox(m_questions, text, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON2,
                                kWarningCaption) == ui::IDYES;
}

void CTuningRun::ShowError(const std::string& text)
{
    ui::OptionMessageBox(m_questions, text, ui::MB_OK | ui::MB_ICONERROR);
}

void CTuningRun::WarnStatus()
{
    const std::string text = StatusErrorText(ReplyToNumber(m_motor.Ask("RW")));
    if (!text.empty())
        ui::OptionMessageBox(m_questions, text, ui::MB_OK | ui::MB_ICONEXCLAMATION, kWarningCaption);
}

void CTuningRun::EndProgram()
{
    // The program's printing shares the line with the echo of "END": a strict echo check may
    // find the echo wrong although the motor took the command and stopped.
    try {
        m_motor.Send("END");
    } catch (const CVQXException& x) {
        if (x.GetCode() != CVQXException::NoEcho && x.GetCode() != CVQXException::InvalidEcho)
            throw;
    }
    m_motor.Purge();
}

bool CTuningRun::PrepareMotor()
{
    m_motor.ReadIdentity();
    if (m_motor.Ask("RBo").rfind('1', 0) != 0) {
        if (!Ask(kNotOffQuestion))
            return false;
        m_motor.Send("OFF");
    }
    const int64_t w = ReplyToNumber(m_motor.Ask("RW"));
    if ((w & 0x66) && showErrors && *showErrors) {
        *showErrors = false;
        if (!Ask(StatusErrorText(w) + "Do you want to continue?"))
            return false;
    }
    const bool ch = m_motor.MotorChannel() != 0;
    m_motor.SendToAll(ch ? "SLEEP1" : "SLEEP");
    m_motor.Send(ch ? "WAKE1" : "WAKE");
    m_motor.Send("END");
    return true;
}

RunOutcome CTuningRun::Run(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, int& rulerIndex)
{
    RunOutcome out;
    const int speed = SamplingLineSpeed(s, m_motor.PortBitPerSec(), m_motor.SerialPort());
    std::string why = WhyCannotRun(s, speed, s.mode == 1 ? m_motor.SamplePeriodMs() : 1.0);
    if (why.empty() && s.mode != 3)
        why = m_motor.WhyCannotSaveProgram();
    if (!why.empty()) {
        ShowError(why);
        return out;
    }
    if (s.mode == 1)
        RunProgram(s, position, posError, out);
    else
        RunPolled(s, position, posError, out);
    if (out.ran && rulerIndex < 0)
        rulerIndex = out.count / 2;
    return out;
}

void CTuningRun::RunProgram(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, RunOutcome& out)
{
    const bool serial = m_motor.SerialPort();
    const ProgramRunPlan plan = PlanProgramRun(s, SamplingLineSpeed(s, m_motor.PortBitPerSec(), serial));
    out.capacity = plan.capacity;
    position.SetSize(int32_t(std::min<int64_t>(plan.capacity, CSampleArray::kMaxCapacity)));
    posError.SetSize(position.Capacity);
    out.emptied = true;
    bool openedHere = false;
    std::optional<int> switchedFrom;
    SavedVariables saved;
    const bool ch = m_motor.MotorChannel() != 0;
    try {
        if (!m_motor.PortOpen()) {
            m_motor.OpenPort();
            openedHere = true;
        }
        saved.E = AskNumber("RE");
        saved.a = AskNumber("Ra");
        saved.b = AskNumber("Rb");
        saved.p = AskNumber("Rp");
        saved.z = AskNumber("Rz");
        saved.t = AskNumber("Rt");
        saved.w = AskNumber("Rw");
        saved.A = AskNumber("RA");
        m_motor.Send("a=V");
        saved.V = AskNumber("Ra");
        if (!PrepareMotor()) {
            Step([&] { m_motor.Send(Assign("a", *saved.a)); });
            Step([&] {
                if (openedHere)
                    m_motor.ClosePort();
            });
            return;
        }
        const double period = m_motor.SamplePeriodMs();
        if (!(period > 0))
            throw CVQXException(CVQXException::InvalidData,
                                "The motor's sample period is not known; the tuning program cannot be timed.");
        const int64_t t = int64_t(s.tuningTime / period);
        m_motor.Send("MP");
        m_motor.Send(Assign("V", s.speed));
        m_motor.Send(Assign("A", s.acceleration));
        m_motor.Send(Assign("D", s.positionOffset));
        m_motor.Send("E=30000");
        m_motor.Send(Assign("z", plan.z));
        m_motor.Send(Assign("t", t));
        m_motor.Send(s.returnToStart ? Assign("w", int64_t(s.waitTime / period)) : std::string("w=t+10000"));
        m_motor.SaveProgram();
        m_motor.DownloadTuningProgram(TuningProgramText(m_motor.MotorChannel() == 1 || m_motor.EthernetPort()));
        if (s.switch38400 && serial) {
            switchedFrom = m_motor.PortBitPerSec();
            m_motor.SwitchBaud(38400);
        }
        m_progress.Show(kGettingData, std::nullopt);
        m_progress.SetCancelVisible(true);
        m_progress.SetAskBeforeCancel(false);
        // Cleared before the total goes out: its message pumps, and a Cancel pressed then counts.
        m_progress.ClearCancelled();
        m_progress.SetTotal(plan.expected);
        out.ran = true;
        m_motor.Send("RUN");
        // A program that never prints "FINISHED" is not read for ever.
        const int64_t maxLines = plan.expected * 4 + 1000;
        int64_t lines = 0;
        for (;;) {
            const std::string line = m_motor.ReadLine();
            if (line == "FINISHED")
                break;
            if (line.empty())
                continue;
            if (const auto sample = ParseSampleLine(line, plan.width, plan.z)) {
                if (position.Add(sample->position))
                    posError.Add(sample->posError);
                else
                    ++out.overflow;
            } else {
                ++out.rejected;
            }
            out.count = position.Count;
            ++lines;
            if (!m_progress.Step(lines)) {
                // No sample of a cancelled run is kept, whatever stopping the program meets.
                out.count = 0;
                position.Reset();
                posError.Reset();
                EndProgram();
                break;
            }
            if (lines >= maxLines) {
                EndProgram();
                throw CVQXException(CVQXException::InvalidData,
                                    "The tuning program did not finish: more lines came than the tuning time can carry.");
            }
        }
    } catch (const CVQXException& x) {
        m_progress.Close();
        ShowError(x.GetMessage());
    }
    Step([&] { m_progress.Close(); });
    if (out.rejected || out.overflow)
        Step([&] {
            ui::OptionMessageBox(m_questions,
                                 std::to_string(out.rejected + out.overflow) + " sample lines were not recorded: " +
                                     std::to_string(out.rejected) + " did not have the expected form, " +
                                     std::to_string(out.overflow) + " came after the samples were full.",
                                 ui::MB_OK | ui::MB_ICONEXCLAMATION, kWarningCaption);
        });
    Step([&] { WarnStatus(); });
    Step([&] { m_motor.SendToAll(ch ? "WAKE1" : "WAKE"); });
    Step([&] { m_motor.Send("OFF"); });
    const std::pair<const char*, std::optional<int32_t>*> back[] = {{"E", &saved.E}, {"a", &saved.a}, {"b", &saved.b},
                                                                    {"p", &saved.p}, {"V", &saved.V}, {"A", &saved.A},
                                                                    {"w", &saved.w}, {"z", &saved.z}, {"t", &saved.t}};
    for (const auto& entry : back) // not a structured binding: the lambda could not capture it on every compiler
        if (*entry.second)
            Step([&] { m_motor.Send(Assign(entry.first, **entry.second)); });
    if (switchedFrom)
        Step([&] { m_motor.SwitchBaud(*switchedFrom); });
    if (openedHere)
        Step([&] { m_motor.ClosePort(); });
}

void CTuningRun::RunPolled(const TuningSettings& s, CSampleArray& position, CSampleArray& posError, RunOutcome& out)
{
    const bool serial = m_motor.SerialPort();
    const bool mode2 = s.mode == 2;
    const PollRunPlan plan = PlanPollRun(s, SamplingLineSpeed(s, m_motor.PortBitPerSec(), serial));
    out.capacity = plan.capacity;
    position.SetSize(int32_t(std::min<int64_t>(plan.capacity, CSampleArray::kMaxCapacity)));
    posError.SetSize(position.Capacity);
    out.emptied = true;
    bool openedHere = false;
    std::optional<int> switchedFrom;
    SavedVariables saved;
    const bool ch = m_motor.MotorChannel() != 0;
    auto portBack = [&] {
        if (switchedFrom)
            Step([&] { m_motor.SwitchBaud(*switchedFrom); });
        if (openedHere)
            Step([&] { m_motor.ClosePort(); });
    };
    try {
        if (!m_motor.PortOpen()) {
            m_motor.OpenPort();
            openedHere = true;
        }
        if (s.switch38400 && serial) {
            switchedFrom = m_motor.PortBitPerSec();
            m_motor.SwitchBaud(38400);
        }
        if (mode2)
            saved.E = AskNumber("RE");
        if (!PrepareMotor()) {
            portBack();
            return;
        }
        int64_t p0 = 0;
        if (mode2) {
            p0 = ReplyToNumber(m_motor.Ask("RP"));
            m_motor.Send("E=30000");
            m_motor.SaveProgram();
            m_motor.DownloadMoveProgram(s.moveProgram);
        } else {
            saved.E = AskNumber("RE");
            p0 = ReplyToNumber(m_motor.Ask("RP"));
            saved.a = AskNumber("Ra");
            saved.A = AskNumber("RA");
            m_motor.Send("a=V");
            saved.V = AskNumber("Ra");
            m_motor.Send("MP");
            m_motor.Send(Assign("V", s.speed));
            m_motor.Send(Assign("A", s.acceleration));
            m_motor.Send(Assign("D", s.positionOffset));
            m_motor.Send("E=3000");
        }
        m_motor.StartTimer();
        m_progress.Show(kGettingData, std::nullopt);
        m_progress.SetCancelVisible(true);
        m_progress.SetAskBeforeCancel(false);
        // Cleared before the total goes out: its message pumps, and a Cancel pressed then counts.
        m_progress.ClearCancelled();
        m_progress.SetTotal(s.tuningTime);
        out.ran = true;
        auto sample = [&](bool current) {
            const int64_t p = ReplyToNumber(current ? m_motor.AskCurrent("RP") : m_motor.Ask("RP"));
            position.Add(Clamp32(p - p0));
            if (s.pollError)
                posError.Add(Clamp32(ReplyToNumber(current ? m_motor.AskCurrent("RPE") : m_motor.Ask("RPE"))));
            out.count = position.Count;
        };
        sample(false);
        m_motor.StartTimer();
        m_motor.Send(mode2 ? "RUN" : "G");
        for (int64_t t = plan.intervalMs; t < s.tuningTime; t += plan.intervalMs) {
            if (!mode2 && s.returnToStart && t >= s.waitTime)
                m_motor.Send("P=" + std::to_string(p0) + " G");
            m_motor.WaitUntil(int(t));
            if (!m_progress.Step(t)) {
                m_motor.Send(mode2 ? "END" : "S");
                out.count = 0;
                position.Reset();
                posError.Reset();
                break;
            }
            sample(true);
        }
    } catch (const CVQXException& x) {
        m_progress.Close();
        ShowError(x.GetMessage());
    }
    Step([&] { m_progress.Close(); });
    Step([&] { WarnStatus(); });
    Step([&] { m_motor.SendToAll(ch ? "WAKE1" : "WAKE"); });
    if (mode2) {
        if (saved.E)
            Step([&] { m_motor.Send(Assign("E", *saved.E)); });
        Step([&] { m_motor.Send("OFF"); });
    } else {
        for (const auto& entry : {std::pair{"E", saved.E}, std::pair{"a", saved.a}, std::pair{"V", saved.V},
                                  std::pair{"A", saved.A}})
            if (entry.second)
                Step([&] { m_motor.Send(Assign(entry.first, *entry.second)); });
        Step([&] { m_motor.Send("OFF"); });
    }
    portBack();
}

} // namespace tuning
