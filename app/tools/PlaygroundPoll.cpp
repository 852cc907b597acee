#include "app/tools/PlaygroundPoll.h"

#include <cstring>

namespace tools {

namespace {
constexpr const char* kLetters = "PEWIVOX";
bool IsLetter(char c) { return c && std::strchr(kLetters, c); }

int32_t LeadingInteger(std::string_view s)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    uint32_t v = 0; // wraps as the motor's 32-bit arithmetic does
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        v = v * 10u + uint32_t(s[i] - '0');
    return int32_t(negative ? 0u - v : v);
}
} // namespace

std::string ParsePollReply(std::string_view reply, PollValues& values)
{
    std::string letters;
    while (!reply.empty()) {
        const char letter = reply[0];
        if (!IsLetter(letter))
            break;
        reply.remove_prefix(1);
        if (reply.empty() || !(reply[0] == '-' || (reply[0] >= '0' && reply[0] <= '9')))
            break;
        size_t end = 1;
        while (end < reply.size() && !IsLetter(reply[end]))
            ++end;
        const int32_t v = LeadingInteger(reply.substr(0, end));
        reply.remove_prefix(end);
        letters += letter;
        switch (letter) {
        case 'P': values.Position = v; break;
        case 'E': values.PositionError = v; break;
        case 'W': values.StatusWord = v; break;
        case 'I': values.Inputs = v; break;
        case 'V': values.Velocity = v; break;
        case 'O': values.Outputs = v; break;
        default: break; // X
        }
    }
    return letters;
}

std::string FixedPollCommand(int step, Family family)
{
    static const char* const kOlderInputs[] = {"z=UAI Rz", "z=UBI Rz", "z=UCI Rz", "z=UDI Rz",
                                               "z=UEI Rz", "z=UFI Rz", "z=UGI Rz"};
    switch (step) {
    case 0: return "RW";
    case 1:
        return family == Family::Version5 ? "RIN" : family == Family::Version46 ? "RU" : kOlderInputs[0];
    case 20: return "ROUT";
    case 21: return "RBn";
    default:
        if (step >= 2 && step <= 7)
            return kOlderInputs[step - 1];
        return {};
    }
}

FixedStepResult ApplyFixedReply(int step, int32_t n, Family family, bool firmware462, PollValues& v)
{
    switch (step) {
    case 0:
        // -1 is the motor's "unknown": the LEDs go grey, the last known word stays for the faults.
        if (n != -1)
            v.StatusWord = n;
        return {1, UpdateStatus};
    case 1:
        v.Inputs = n;
        if (family == Family::Version5)
            return {20, UpdateInputs};
        if (family == Family::Version46)
            return {firmware462 ? 21 : 30, UpdateInputs};
        return {2, 0};
    case 20:
        v.Outputs = n;
        return {30, UpdateOutputs};
    case 21:
        v.StatusWord = WithCalibrationFault(v.StatusWord, n != 0 ? 0x10000 : 0);
        return {30, UpdateDriveFault};
    default:
        if (step >= 2 && step <= 7) {
            v.Inputs = int32_t(uint32_t(v.Inputs) | (uint32_t(n) << (step - 1)));
            return {step == 7 ? 30 : step + 1, step == 7 ? UpdateInputs : 0u};
        }
        return {0, 0};
    }
}

} // namespace tools
