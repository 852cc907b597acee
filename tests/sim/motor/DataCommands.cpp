// Commands that move data: assignments, the EEPROM pointer, block loads and stores between the
// EEPROM and the variables, and LSA.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

#include <cctype>

namespace vqxsim {
namespace {

// Named values a command may set; everything else on the left of '=' is no assignment.
bool IsWritableValue(const std::string& name)
{
    static const char* const names[] = {"P", "V", "A", "T", "O", "D", "E", "KP", "KD", "KI", "KL", "KS", "KV",
                                        "KA", "KG", "OUT", "SLN", "SLP", "PID"};
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
}

void Assign(SimMotor& m, const std::string& token)
{
    size_t eq = token.find('=');
    std::string target = token.substr(0, eq);
    auto value = EvaluateExpression(token.substr(eq + 1), [&m](const std::string& n) { return m.ReadName(n); });
    if (!value)
        return;
    if (auto ref = ParseVarRef(target))
        m.Vars().Set(*ref, *value);
    else if (IsWritableValue(target))
        m.Values()[target] = *value;
}

// "VLD(aaa,3)" -> aaa and 3. Blocks of scalars go up to ten values.
bool ParseTransfer(const std::string& token, VarRef& first, int& count)
{
    if (token.back() != ')')
        return false;
    std::string inside = token.substr(4, token.size() - 5);
    size_t comma = inside.rfind(',');
    if (comma == std::string::npos)
        return false;
    auto ref = ParseVarRef(inside.substr(0, comma));
    std::string digits = inside.substr(comma + 1);
    if (!ref || digits.empty() || digits.size() > 3)
        return false;
    for (char c : digits)
        if (!std::isdigit(uint8_t(c)))
            return false;
    count = std::stoi(digits);
    first = *ref;
    return count >= 1 && (ref->kind != VarRef::Kind::Scalar || count <= 10);
}

void Transfer(SimMotor& m, const std::string& token, bool store)
{
    VarRef ref;
    int count = 0;
    if (!ParseTransfer(token, ref, count) || m.EptrOutside())
        return;
    Bytes& ee = m.Eeprom();
    const bool sticks = m.Profile().hasEeprom;
    for (int i = 0; i < count; ++i) {
        int width = ref.Width();
        int at = m.Eptr();
        if (store) {
            uint32_t v = uint32_t(m.Vars().Get(ref).value_or(0));
            for (int b = width - 1; b >= 0; --b, v >>= 8)
                if (sticks)
                    ee[(at + b) % eeaddr::kSize] = uint8_t(v & 0xFF);
        } else {
            uint32_t v = 0;
            for (int b = 0; b < width; ++b)
                v = (v << 8) | ee[(at + b) % eeaddr::kSize];
            m.Vars().Set(ref, int64_t(v));
        }
        m.SetEptr(at + width);
        if (i + 1 < count) {
            auto next = ref.Next();
            if (!next)
                break;
            ref = *next;
        }
    }
    if (store)
        m.BeginEepromWrite();
}

constexpr uint32_t kFiveSeriesEepromBits = 0x0D000000;

CommandEntry Run(std::function<void(SimMotor&, const std::string&)> fn)
{
    return {[fn = std::move(fn)](SimMotor& m, const std::string& token, const std::string&) { fn(m, token); }};
}

} // namespace

void RegisterDataCommands(CommandTable& t)
{
    t.SetAssignment(Run(Assign));
    // The 5 series ORs 0x0D000000 into single accesses and block accesses use the plain address:
    // both reach the same memory. Other motors have only the plain 32 KiB.
    t.AddPrefix("EPTR=", Run([](SimMotor& m, const std::string& token) {
                    auto v = EvaluateExpression(token.substr(5), [&m](const std::string& n) { return m.ReadName(n); });
                    if (!v)
                        return;
                    uint32_t plain = uint32_t(*v);
                    if (m.Profile().IsVersion5())
                        plain &= ~kFiveSeriesEepromBits;
                    if (plain < uint32_t(eeaddr::kSize))
                        m.SetEptr(plain);
                    else
                        m.SetEptrOutside();
                }));
    t.AddPrefix("VLD(", Run([](SimMotor& m, const std::string& token) { Transfer(m, token, false); }));
    t.AddPrefix("VST(", Run([](SimMotor& m, const std::string& token) { Transfer(m, token, true); }));
    t.Add("LSA", Run([](SimMotor& m, const std::string&) {
              if (m.Profile().IsVersion5())
                  m.Vars().Set(VarRef{VarRef::Kind::Scalar, "dd", 0}, m.Profile().serial);
          }));
}

} // namespace vqxsim
