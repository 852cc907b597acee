#include "app/tools/PlaygroundFaults.h"

namespace tools {
namespace {
bool Bit(int32_t w, int b) { return (uint32_t(w) >> b) & 1u; }

std::string Sides(bool left, bool right, const std::string& both, const std::string& l, const std::string& r)
{
    return left && right ? both : left ? l : r;
}
} // namespace

FaultQuestion BuildFaultQuestion(Family family, int32_t w, const LimitChecks& checks)
{
    FaultQuestion q;
    const bool br = Bit(w, 1), bl = Bit(w, 2);
    if (family == Family::Version5) {
        q.version5 = true;
        const bool sl = Bit(w, 19), sr = Bit(w, 20);
        if (!checks.soft && (sl || sr)) {
            q.kind = FaultQuestion::Choice;
            q.software = true;
            q.text = Sides(sl, sr, "Left and Right software limits", "Left software limit", "Right software limit") +
                     " encountered.";
            q.answers = {{100, "Clear Fault"}, {101, "Clear fault and disable software Limits"}};
            return q;
        }
        if (br || bl) {
            const std::string t = Sides(bl, br, "Left and Right hardware limits", "Left hardware limit", "Right hardware limit");
            q.kind = FaultQuestion::Choice;
            q.limitBits = (bl ? 1 : 0) | (br ? 2 : 0);
            q.text = t + " encountered.";
            q.answers = {{100, "Clear fault"}, {101, "Clear fault and disable " + t}};
            return q;
        }
    } else if (br || bl) {
        q.word = checks.soft ? "hardware " : (checks.left && checks.right) ? "software " : "";
        const std::string t = Sides(bl, br, "Left and Right " + q.word + "limits", "Left " + q.word + "limit",
                                    "Right " + q.word + "limit");
        q.kind = FaultQuestion::Choice;
        q.limitBits = (bl ? 1 : 0) | (br ? 2 : 0);
        q.text = t + " encountered.";
        q.answers = {{100, "Clear fault"}};
        if (q.word == "software ")
            q.answers.push_back({101, "Clear fault and disable software limits"});
        else if (q.word == "hardware ")
            q.answers.push_back({101, "Clear fault and disable " + t});
        else {
            q.answers.push_back({101, "Clear fault and disable hardware limits"});
            if (family == Family::Version46)
                q.answers.push_back({102, "Clear fault and disable software limits"});
        }
        return q;
    }
    if (Bit(w, 5) || Bit(w, 6)) {
        q.kind = FaultQuestion::YesNo;
        q.text = "The following Error(s) occurred:\n";
        if (Bit(w, 6))
            q.text += "    -Excessive Tempreature\n";
        if (Bit(w, 5))
            q.text += "    -Excessive Position Error\n";
        q.text += "\nDo you want to clear Error(s)?";
    }
    return q;
}

FaultAction FaultAnswer(const FaultQuestion& q, int answer, const LimitChecks& checks)
{
    FaultAction a;
    a.checks = checks;
    switch (q.kind) {
    case FaultQuestion::None: break;
    case FaultQuestion::YesNo: a.clearFaults = answer == 1; break;
    case FaultQuestion::Choice: {
        bool offered = false;
        for (const auto& [value, text] : q.answers)
            offered = offered || value == answer;
        if (!offered)
            break;
        if (answer == 100) {
            a.clearFaults = true;
        } else if (answer == 101) {
            if (q.software || q.word == "software ") {
                a.checks.soft = true;
            } else if (q.version5 || q.word == "hardware ") {
                a.checks.left = a.checks.left || (q.limitBits & 1);
                a.checks.right = a.checks.right || (q.limitBits & 2);
            } else {
                a.checks.left = a.checks.right = true;
            }
            a.sendLimits = a.clearFaults = true;
        } else if (answer == 102) {
            a.checks.soft = true;
            a.sendLimits = a.clearFaults = true;
        }
        break;
    }
    }
    return a;
}

} // namespace tools
