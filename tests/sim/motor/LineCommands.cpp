// Commands about the line and the motor's place on it: sleep, echo, speed, channel settings,
// addresses, conditions and the reset.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/Expression.h"
#include "tests/sim/motor/SimMotor.h"

#include <cctype>
#include <sstream>

namespace vqxsim {
namespace {

NameReader Reader(SimMotor& m)
{
    return [&m](const std::string& name) { return m.ReadName(name); };
}

std::optional<int> Digits(const std::string& text)
{
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    for (char c : text)
        if (!std::isdigit(uint8_t(c)))
            return std::nullopt;
    return std::stoi(text);
}

bool IsMotorBaud(int baud)
{
    switch (baud) {
    case 2400: case 4800: case 9600: case 19200: case 38400: case 57600: case 115200:
        return true;
    default:
        return false;
    }
}

// "OCHN(RS2,0,N,9600,1,8,C)": interface, channel, parity letter, speed, stop bits, data bits, mode.
void ChannelCommand(SimMotor& m, const std::string& token)
{
    if (token.back() != ')')
        return;
    std::stringstream in(token.substr(5, token.size() - 6));
    std::vector<std::string> fields;
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    if (fields.size() != 7 || (fields[0] != "RS2" && fields[0] != "RS4"))
        return;
    auto channel = Digits(fields[1]);
    auto baud = Digits(fields[3]);
    if (!channel || *channel > 1 || !baud || !IsMotorBaud(*baud) || fields[2].size() != 1)
        return;
    char parity = fields[2][0];
    if (parity != 'N' && parity != 'O' && parity != 'E' && parity != 'I')
        return;
    m.SetChannel(*channel, LineSettings{*baud, parity});
}

CommandEntry Simple(std::function<void(SimMotor&)> fn, bool whileAsleep = false)
{
    CommandEntry e;
    e.run = [fn = std::move(fn)](SimMotor& m, const std::string&, const std::string&) { fn(m); };
    e.whileAsleep = whileAsleep;
    return e;
}

} // namespace

void RegisterLineCommands(CommandTable& t)
{
    t.Add("WAKE", Simple([](SimMotor& m) { m.SetAsleep(0, false); }, true));
    t.Add("WAKE1", Simple([](SimMotor& m) { m.SetAsleep(1, false); }, true));
    t.Add("SLEEP", Simple([](SimMotor& m) { m.SetAsleep(0, true); }));
    t.Add("SLEEP1", Simple([](SimMotor& m) { m.SetAsleep(1, true); }));
    t.Add("ECHO", Simple([](SimMotor& m) { m.SetEcho(0, true); }));
    t.Add("ECHO1", Simple([](SimMotor& m) { m.SetEcho(1, true); }));
    t.Add("ECHO_OFF", Simple([](SimMotor& m) { m.SetEcho(0, false); }));
    t.Add("ECHO_OFF1", Simple([](SimMotor& m) { m.SetEcho(1, false); }));
    t.Add("Z", Simple([](SimMotor& m) { m.Restart(); }));

    // BAUD is channel 0's command (channel 1 changes speed only through OCHN). The new speed
    // applies from the next byte on: the terminator and its echo still travel at the old one.
    t.AddPrefix("BAUD", {[](SimMotor& m, const std::string& token, const std::string&) {
                    auto baud = Digits(token.substr(4));
                    if (!baud || !IsMotorBaud(*baud))
                        return;
                    LineSettings s = m.Channel(0);
                    s.baud = *baud;
                    m.SetChannel(0, s);
                }});
    t.AddPrefix("OCHN(", {[](SimMotor& m, const std::string& token, const std::string&) { ChannelCommand(m, token); }});

    // SADDR0 makes the motor unaddressed (it answers at 114); SADDRn gives it address n.
    t.AddPrefix("SADDR", {[](SimMotor& m, const std::string& token, const std::string&) {
                    auto address = Digits(token.substr(5));
                    if (address && *address <= 120)
                        m.SetAddress(*address);
                }});
    t.AddPrefix("ADDR=", {[](SimMotor& m, const std::string& token, const std::string&) {
                    auto address = EvaluateExpression(token.substr(5), Reader(m));
                    if (address && *address >= 0 && *address <= 120)
                        m.SetAddress(*address);
                }});

    CommandEntry compare;
    compare.takesArgument = true;
    compare.run = [](SimMotor& m, const std::string&, const std::string& argument) {
        if (auto flag = EvaluateComparison(argument, Reader(m)))
            m.SetCompareFlag(*flag);
    };
    t.Add("CMP", compare);
    CommandEntry ifx = Simple([](SimMotor& m) { m.SetCondition(0); });
    ifx.ignoresCondition = true;
    t.Add("IFX", ifx);
    CommandEntry ift = Simple([](SimMotor& m) { m.SetCondition(1); });
    ift.ignoresCondition = true;
    t.Add("IFT", ift);
    CommandEntry iff = Simple([](SimMotor& m) { m.SetCondition(2); });
    iff.ignoresCondition = true;
    t.Add("IFF", iff);
}

} // namespace vqxsim
