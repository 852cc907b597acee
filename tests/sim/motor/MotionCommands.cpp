// Commands and reports of the drive: modes, moves, stops, the status word and its flags, limits,
// and the inputs and outputs by firmware family. The shaft itself is the motor's MotionModel.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {
namespace {

std::optional<int32_t> Evaluate(SimMotor& m, const std::string& text)
{
    return EvaluateExpression(text, [&m](const std::string& n) { return m.ReadName(n); });
}

CommandEntry Simple(std::function<void(SimMotor&)> fn)
{
    return {[fn = std::move(fn)](SimMotor& m, const std::string&, const std::string&) { fn(m); }};
}

// "P=<expr>" and the like: the value after the prefix.
CommandEntry Setter(size_t prefix, std::function<void(SimMotor&, int32_t)> fn)
{
    return {[prefix, fn = std::move(fn)](SimMotor& m, const std::string& token, const std::string&) {
        if (auto v = Evaluate(m, token.substr(prefix)))
            fn(m, *v);
    }};
}

void Go(SimMotor& m)
{
    if (m.MotorFamily() != Family::V5) {
        m.SetBit('e', false); // "G" clears the position error and wraparound latches there
        m.SetBit('w', false);
    }
    m.SetBit('o', false);
    m.Motion().Go(m.Values()["V"], m.Values()["A"]);
}

const char* ModeLetter(const SimMotor& m)
{
    switch (m.Motion().Mode()) {
    case DriveMode::Off:
        return "O";
    case DriveMode::Velocity:
        return "V";
    case DriveMode::Torque:
        return "T";
    default:
        return "P";
    }
}

// Older motors clear the historical limit and temperature latches when W or S is read.
void ClearOnRead(SimMotor& m)
{
    if (m.MotorFamily() == Family::V5)
        return;
    m.SetBit('r', false);
    m.SetBit('l', false);
    if (m.MotorFamily() == Family::Older)
        m.SetFlag("T6", false);
}

void StatusReport(SimMotor& m, bool lowByte)
{
    if (!lowByte && !m.knobs.statusReply.empty()) {
        m.Answer(m.knobs.statusReply);
        return;
    }
    const int32_t w = m.StatusWord();
    m.Answer(std::to_string(lowByte ? (w & 0xFF) : w));
    ClearOnRead(m);
}

int32_t Bits(SimMotor& m, int count, bool outputs)
{
    int32_t v = 0;
    for (int i = 0; i < count; ++i)
        if (outputs ? m.Output(i) : m.Input(i))
            v |= 1 << i;
    return v;
}

void SetLimitEnable(SimMotor& m, int direction, bool enabled)
{
    (direction > 0 ? m.Limits().positiveEnabled : m.Limits().negativeEnabled) = enabled;
}

} // namespace

void RegisterMotionCommands(CommandTable& t)
{
    t.Add("G", Simple(Go));
    t.Add("S", Simple([](SimMotor& m) { m.Motion().Stop(); }));
    t.Add("X", Simple([](SimMotor& m) { m.Motion().Decelerate(); }));
    t.Add("OFF", Simple([](SimMotor& m) { m.SetServo(false); }));
    t.Add("F", Simple([](SimMotor& m) { m.TakeGains(); }));
    t.Add("MP", Simple([](SimMotor& m) { m.Motion().SetMode(DriveMode::Position); }));
    t.Add("MV", Simple([](SimMotor& m) { m.Motion().SetMode(DriveMode::Velocity); }));
    t.Add("MT", Simple([](SimMotor& m) {
              m.Motion().SetMode(DriveMode::Torque);
              m.Motion().SetTorque(m.Values()["T"]);
              m.SetBit('o', false);
              m.Motion().Go(0, 0);
              if (m.MotorFamily() != Family::V5)
                  m.SetBit('w', false);
          }));
    t.AddPrefix("P=", Setter(2, [](SimMotor& m, int32_t v) { m.Motion().SetTarget(v); }));
    t.AddPrefix("D=", Setter(2, [](SimMotor& m, int32_t v) {
                    m.Values()["D"] = v;
                    m.Motion().SetDistance(v);
                }));
    t.AddPrefix("T=", Setter(2, [](SimMotor& m, int32_t v) {
                    m.Values()["T"] = v;
                    m.Motion().SetTorque(v);
                }));
    t.AddPrefix("O=", Setter(2, [](SimMotor& m, int32_t v) { m.SetPosition(v); }));
    t.AddPrefix("SLN=", Setter(4, [](SimMotor& m, int32_t v) { m.Values()["SLN"] = m.Limits().softNegative = v; }));
    t.AddPrefix("SLP=", Setter(4, [](SimMotor& m, int32_t v) { m.Values()["SLP"] = m.Limits().softPositive = v; }));
    t.Add("SLE", Simple([](SimMotor& m) { m.Limits().softEnabled = true; }));
    t.Add("SLD", Simple([](SimMotor& m) { m.Limits().softEnabled = false; }));
    t.Add("LPE", Simple([](SimMotor& m) { SetLimitEnable(m, +1, true); }));
    t.Add("LPD", Simple([](SimMotor& m) { SetLimitEnable(m, +1, false); }));
    t.Add("LNE", Simple([](SimMotor& m) { SetLimitEnable(m, -1, true); }));
    t.Add("LND", Simple([](SimMotor& m) { SetLimitEnable(m, -1, false); }));
    // Older motors: pins C and D are the limit inputs unless made plain inputs.
    const auto pinLimit = [&t](const std::string& name, int direction, bool enabled) {
        const CommandEntry* pin = t.Find(name, 'R');
        CommandFn before = pin ? pin->run : CommandFn();
        t.Add(name, {[before, direction, enabled](SimMotor& m, const std::string& token, const std::string& arg) {
                  if (before)
                      before(m, token, arg);
                  SetLimitEnable(m, direction, enabled);
              }});
    };
    pinLimit("UCI", +1, false);
    pinLimit("UCP", +1, true);
    pinLimit("UDI", -1, false);
    pinLimit("UDM", -1, true);

    // Clearing latched flags: "ZS" all of them, "Z<c>" one, "ZSl".."ZSc" the soft-limit ones.
    t.Add("ZS", Simple([](SimMotor& m) {
              for (char c : LatchedFlags(m.MotorFamily()))
                  m.SetBit(c, false);
              m.SetFlag("T6", false);
              for (const char* s : {"Sl", "Sr", "Sb", "Sc"})
                  m.SetFlag(s, false);
          }));
    for (char c : std::string("rlwehsduabcfkn"))
        t.Add(std::string("Z") + c, Simple([c](SimMotor& m) { m.SetBit(c, false); }));
    for (char c : std::string("lrbc"))
        t.Add(std::string("ZS") + c, Simple([c](SimMotor& m) { m.SetFlag(std::string("S") + c, false); }));

    // Outputs of version 5 motors.
    for (int n = 0; n < 3; ++n)
        t.AddPrefix('O' + std::to_string(n) + "=",
                    Setter(3, [n](SimMotor& m, int32_t v) { m.SetOutput(n, v != 0); }));
    t.AddPrefix("OUT=", Setter(4, [](SimMotor& m, int32_t v) {
                    for (int n = 0; n < 3; ++n)
                        m.SetOutput(n, v >> n & 1);
                }));

    t.AddReport("W", [](SimMotor& m, const std::string&) { StatusReport(m, false); });
    t.AddReport("S", [](SimMotor& m, const std::string&) { StatusReport(m, true); });
    t.AddReport("MODE", [](SimMotor& m, const std::string&) { m.Answer(ModeLetter(m)); });
    t.AddReport("P", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.Position())); });
    t.AddReport("V", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.Velocity())); });
    for (const char* error : {"E", "PE"})
        t.AddReport(error, [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.PositionError())); });
    // Version 5: inputs 0-4 and 7 in one number, each input alone, the three outputs.
    t.AddReport("IN", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(Bits(m, 8, false) & 0x9F)); });
    for (int n = 0; n < 8; ++n)
        t.AddReport('I' + std::to_string(n),
                    [n](SimMotor& m, const std::string&) { m.Answer(m.Input(n) ? "1" : "0"); });
    t.AddReport("OUT", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(Bits(m, 3, true))); });
    for (int n = 0; n < 3; ++n)
        t.AddReport('O' + std::to_string(n),
                    [n](SimMotor& m, const std::string&) { m.Answer(m.Output(n) ? "1" : "0"); });
    // 4.6 motors: the levels of pins A..G in one number.
    t.AddReport("U", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(Bits(m, 7, false))); });
    t.AddReport("TP", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.Values()["TEMP"])); });
    t.AddReport("VLT", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.Values()["UJA"])); });
    t.AddReport("J", [](SimMotor& m, const std::string&) { m.Answer(std::to_string(m.Values()["UIA"])); });
}

} // namespace vqxsim
