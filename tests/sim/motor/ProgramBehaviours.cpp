#include "tests/sim/motor/ProgramBehaviours.h"

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {
namespace {

int32_t Get(SimMotor& m, const char* name) { return m.Var(name); }
void Put(SimMotor& m, const char* name, int64_t v) { m.Vars().Set(VarRef{VarRef::Kind::Scalar, name, 0}, v); }

// Time one character takes on the motor's line.
std::chrono::nanoseconds CharTime(const SimMotor& m)
{
    const LineSettings s = m.LineSide();
    return std::chrono::nanoseconds(int64_t(BitsPerChar(s)) * 1000000000 / std::max(1, s.baud));
}

// The generated tuning program: p=@P, one line with the error and z, G, then one line per loop
// (error + z, position from p + z) until CLK reaches t, going back to p once CLK reaches w, then
// "FINISHED". Lines leave at the line's pace; the shaft's future is worked out on a copy of the
// model, and the return move is given to the real one at the same moment.
void StartTuning(SimMotor& m)
{
    m.SetBehaviour("tune");
    const int32_t z = Get(m, "z");
    const int64_t t = Get(m, "t");
    int64_t w = Get(m, "w");
    const int32_t p = m.Position();
    Put(m, "p", p);
    const auto charTime = CharTime(m);
    TimePoint at = m.Now();
    std::string line = std::to_string(int64_t(m.PositionError()) + z) + std::to_string(z) + "\r";
    m.SendProgram(line, at);
    at += charTime * int64_t(line.size());

    const int32_t v = m.Values()["V"], a = m.Values()["A"];
    m.Motion().Go(v, a);
    m.SetBit('o', false);
    MotionModel shaft = m.Motion();
    const MotionLimits limits = m.Limits();
    const int64_t start = m.SampleAt(m.Now());
    int32_t lastA = 0, lastB = 0;
    for (int lines = 0; lines < 1000000; ++lines) {
        const int64_t sample = std::max(m.SampleAt(at), shaft.Sample());
        shaft.AdvanceTo(sample, limits);
        const int64_t clk = sample - start;
        if (clk >= t)
            break;
        if (clk >= w) {
            shaft.SetTarget(p);
            shaft.Go(v, a);
            m.At(at, [p, v, a](SimMotor& motor) {
                motor.Motion().SetTarget(p);
                motor.Motion().Go(v, a);
            });
            w = t;
        }
        lastA = shaft.PositionError();
        lastB = shaft.Position() - p;
        line = std::to_string(int64_t(lastA) + z) + std::to_string(int64_t(lastB) + z) + "\r";
        m.SendProgram(line, at);
        at += charTime * int64_t(line.size());
    }
    m.SendProgram("FINISHED\r", at);
    at += charTime * 9;
    m.At(at, [lastA, lastB, w](SimMotor& motor) {
        Put(motor, "a", lastA);
        Put(motor, "b", lastB);
        Put(motor, "w", w);
        motor.SetProgramRunning(false);
    });
}

// The index calibration programs wait for uuu, then test for a while, printing progress, and
// end with a backspace; the results stay in www, xxx, yyy, zzz.
void StartCalibration(SimMotor& m)
{
    m.SetBehaviour("calibrate");
    m.programWatch = [](SimMotor& motor, const std::string&) {
        const int32_t mode = motor.Var("uuu");
        if (mode != 2 && mode != 3)
            return;
        motor.programWatch = nullptr;
        const auto& c = motor.knobs.calibration;
        motor.SetBit('n', true); // not finished until it is
        TimePoint at = motor.Now();
        motor.SendProgram(mode == 3 ? "Verifying index" : "Calibrating index", at);
        const int steps = 4;
        for (int i = 1; i <= steps; ++i)
            motor.SendProgram(".", at + Ms(int64_t(c.durationMs) * i / (steps + 1)));
        const TimePoint end = at + Ms(c.durationMs);
        motor.SendProgram(mode == 3 ? " done\r\n\x08" : " finished\r\n\x08", end);
        motor.At(end, [mode](SimMotor& s) {
            const auto& r = s.knobs.calibration;
            if (mode == 3) {
                Put(s, "www", r.www);
                Put(s, "xxx", r.xxx);
                Put(s, "yyy", r.yyy);
                Put(s, "zzz", r.zzz);
                s.SetBit('n', r.www == -1);
            } else {
                Put(s, "yyy", r.newValue);
                s.SetBit('n', r.newValue < 0 || r.newValue > 160);
            }
            s.SetProgramRunning(false);
        });
    };
}

std::string Field(char letter, int64_t value) { return letter + std::to_string(value); }

} // namespace

ProgramKind ProgramBehaviourOf(SimMotor& m)
{
    if (!m.Program().Valid())
        return ProgramKind::Plain;
    const std::string& body = m.Program().Body();
    const auto has = [&body](const char* text) { return body.find(text) != std::string::npos; };
    if (has("PGPC-POLL"))
        return ProgramKind::Poll;
    if (has("INDEX-CAL"))
        return ProgramKind::Calibrate;
    if (has("LOCKUP-DEAF"))
        return ProgramKind::Deaf;
    if (has("FINISHED") && has("CLK<t"))
        return ProgramKind::Tune;
    return ProgramKind::Plain;
}

bool StartProgramBehaviour(SimMotor& m)
{
    switch (ProgramBehaviourOf(m)) {
    case ProgramKind::Poll:
        m.SetBehaviour("poll");
        if (m.Var("f") == 0)
            Put(m, "f", 44);
        return true;
    case ProgramKind::Tune:
        StartTuning(m);
        return true;
    case ProgramKind::Calibrate:
        StartCalibration(m);
        return true;
    case ProgramKind::Deaf:
        m.SetBehaviour("deaf");
        // At power-up the start window is open for an "E"; run later, it is deaf at once.
        m.SetDeafFrom(m.Now() == m.PoweredAt() ? m.PoweredAt() + Ms(m.knobs.startWindowMs) : m.Now());
        return true;
    case ProgramKind::Plain:
        break;
    }
    return false;
}

std::string AnswerPoll(SimMotor& m)
{
    const int32_t f = m.Var("f");
    std::string reply;
    const auto changed = [&](int bit, char letter, const char* var, int32_t value) {
        if (!(f & bit) || m.Var(var) == value)
            return;
        reply += Field(letter, value);
        Put(m, var, value);
    };
    changed(1, 'P', "p", m.Position());
    changed(2, 'E', "g", m.PositionError());
    if (f & 4) {
        // n not 0 (462 firmware): the calibration flag Bn, when it changed since n last took it,
        // in place of the status word.
        const int32_t n = m.Var("n");
        const int32_t bn = m.Flag("Bn") ? 1 : 0;
        const int32_t w = n != 0 && n != bn + 2 ? 134217728 + 65536 * bn : m.StatusWord();
        if (n != 0 && n != bn + 2)
            Put(m, "n", bn + 2);
        reply += Field('W', w);
        Put(m, "w", w);
    }
    changed(8, 'I', "i", m.InputWord());
    changed(16, 'V', "v", m.Velocity());
    changed(32, 'O', "o", m.OutputWord());
    return reply;
}

void RegisterBehaviourCommands(CommandTable& t)
{
    // Only a running polling program answers; without one the motor stays silent.
    t.Add("GOSUB9", {[](SimMotor& m, const std::string&, const std::string&) {
              if (m.ProgramRunning() && m.Behaviour() == "poll")
                  m.Answer(AnswerPoll(m));
          }});
}

} // namespace vqxsim
