#pragma once
// How the index calibration wizard judges what the motor's own test left behind: the verdict of a
// verification from w, x, y, z, and what a re-calibration's new value means.

#include <string>

namespace tuning {

struct CalibrationVerdict {
    std::string text;
    bool error = false; // shown in the log's error format
};

// The first rule that applies: w = -1 could not test; |y| <= 17 perfect; |y| below both |x| and |z|
// (above 50 recommended, else unexpected); otherwise by |y|: up to 35, 36..40, above 40.
CalibrationVerdict VerifyVerdict(long w, long x, long y, long z);

enum class RecalibrationOutcome {
    Failed,    // outside 0..160
    Unchanged, // the value the block already holds
    NewValue,  // a new value, stored when the user agrees
};
RecalibrationOutcome JudgeRecalibration(long value, int expected);

} // namespace tuning
