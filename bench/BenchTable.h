#pragma once
// The benchmark cases and the one table they print: case, measured, floor, ratio, target.
// Every case runs; one that throws or reports an error is listed as failed, and so is one whose
// ratio falls below 1.0 (its reference is wrong).

#include "tests/support/platform/ThreadCpuTime.h"

#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Result {
    double measured = 0;    // seconds
    double floor = 0;       // seconds; 0: no floor (the target is an absolute time)
    double target = 0;      // the ratio to stay within, or with no floor the time in seconds (0: none)
    double cpuShare = -1;   // the host thread's CPU time over the wall time, when measured
    std::string note;       // shown below the table
    std::string error;      // a failed case
};

struct Case {
    std::string name;
    std::function<Result()> run;
};

// Runs every case in order, printing each row as it completes; returns the exit status (0 when no
// case failed).
int RunCases(const std::vector<Case>& cases);

using platform::ThreadCpuSeconds;

} // namespace bench
