// The I/O pins A..G: "UxI" makes pin x an input, "UxO" an output, "Ux=<expr>" drives it as an
// output at that level (0 or 1): the motor view and the playground switch a pin with "Ux=" alone
// and read it back with "z=UxI Rz". Reading "UxI" in an expression gives the pin's level: what the
// outside drives on an input (a test sets Values()["UxI"]), the motor's own level on an output.
// The pin's mode is Values()["UxO"] (1 = output) and its output level Values()["Ux"].

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {

void RegisterPinCommands(CommandTable& t)
{
    for (char pin = 'A'; pin <= 'G'; ++pin) {
        const std::string u = std::string("U") + pin;
        t.Add(u + "I", {[u](SimMotor& m, const std::string&, const std::string&) { m.Values()[u + "O"] = 0; }});
        t.Add(u + "O", {[u](SimMotor& m, const std::string&, const std::string&) {
                  m.Values()[u + "O"] = 1;
                  m.Values()[u + "I"] = m.Values()[u];
              }});
        t.AddPrefix(u + "=", {[u](SimMotor& m, const std::string& token, const std::string&) {
                        auto v = EvaluateExpression(token.substr(3), [&m](const std::string& n) { return m.ReadName(n); });
                        if (!v)
                            return;
                        m.Values()[u] = *v ? 1 : 0;
                        m.Values()[u + "O"] = 1;
                        m.Values()[u + "I"] = m.Values()[u];
                    }});
    }
}

} // namespace vqxsim
