#pragma once
// The playground's fault question before a move: which limits or errors the status word shows,
// what the user is asked, and what each answer does (limit check boxes to tick, flags to clear).
#include "app/tools/PlaygroundPoll.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools {

struct LimitChecks {
    bool left = false;  // 1416 "Left" (disable the hardware left limit)
    bool soft = false;  // 1417 "Disable Software Limits"
    bool right = false; // 1418 "Right"
};

struct FaultQuestion {
    enum Kind { None, Choice, YesNo } kind = None;
    std::string text;
    std::vector<std::pair<int, std::string>> answers; // Choice: (value, text)
    // What the answers mean, kept for FaultAnswer.
    int limitBits = 0;   // 1 left, 2 right
    std::string word;    // older motors: "hardware ", "software " or ""
    bool version5 = false;
    bool software = false; // version 5: the question is about the software limits
};

// The question for a status word; kind None when nothing is to be reported (the move may go).
FaultQuestion BuildFaultQuestion(Family family, int32_t statusWord, const LimitChecks& checks);

struct FaultAction {
    LimitChecks checks;        // the check boxes afterwards
    bool sendLimits = false;   // send the limit settings (a box was ticked)
    bool clearFaults = false;  // send "ZS" (and what ClearFaults adds)
};
// What the answer (a choice value; for YesNo: 1 yes, 0 no) does.
FaultAction FaultAnswer(const FaultQuestion& q, int answer, const LimitChecks& checks);

} // namespace tools
