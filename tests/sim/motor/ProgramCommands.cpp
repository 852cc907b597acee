// Commands about the stored programs: load, upload, run, stop, and the PRINT statement programs use.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {
namespace {

void Upload(SimMotor& m, bool calibration)
{
    Bytes out;
    if (m.Profile().hasEeprom) {
        ProgramStore& store = calibration ? m.CalibrationProgram() : m.Program();
        out = ToBytes(store.Body());
    }
    out.push_back(0xFF);
    if (m.knobs.uploadTruncateAt >= 0 && size_t(m.knobs.uploadTruncateAt) < out.size())
        out.resize(size_t(m.knobs.uploadTruncateAt));
    m.Send(std::move(out), m.Now() + Ms(m.knobs.replyDelayMs));
}

// PRINT("text",#13,a): strings as they are, #n as the character n, anything else as a number.
void Print(SimMotor& m, const std::string& token)
{
    size_t open = token.find('(');
    if (token.back() != ')')
        return;
    std::string args = token.substr(open + 1, token.size() - open - 2);
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    for (char c : args) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    std::string text;
    for (const std::string& p : parts) {
        if (p.size() >= 2 && p.front() == '"' && p.back() == '"')
            text += p.substr(1, p.size() - 2);
        else if (!p.empty() && p[0] == '#')
            text += char(std::atoi(p.c_str() + 1) & 0xFF);
        else if (auto v = EvaluateExpression(p, [&m](const std::string& n) { return m.ReadName(n); }))
            text += std::to_string(*v);
    }
    m.SendProgram(text, m.Now() + Ms(m.knobs.replyDelayMs));
}

CommandEntry Run(std::function<void(SimMotor&)> fn)
{
    return {[fn = std::move(fn)](SimMotor& m, const std::string&, const std::string&) { fn(m); }};
}

} // namespace

void RegisterProgramCommands(CommandTable& t)
{
    t.Add("LOAD", Run([](SimMotor& m) { m.StartLoad(false); }));
    t.Add("LOADC", Run([](SimMotor& m) { m.StartLoad(true); }));
    t.Add("UPLOAD", Run([](SimMotor& m) { Upload(m, false); }));
    t.Add("UP", Run([](SimMotor& m) { Upload(m, false); }));
    t.Add("UPLOADC", Run([](SimMotor& m) { Upload(m, true); }));
    t.Add("RUN", Run([](SimMotor& m) { m.RunProgram(); }));
    t.Add("END", Run([](SimMotor& m) { m.SetProgramRunning(false); }));
    CommandEntry print{[](SimMotor& m, const std::string& token, const std::string&) { Print(m, token); }};
    t.AddPrefix("PRINT(", print);
    t.AddPrefix("PRINT1(", print);
}

} // namespace vqxsim
