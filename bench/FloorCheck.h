#pragma once
// The verdict every benchmark gives a time measured against its floor: a ratio below 1.0 means the
// floor claims more than the protocol needs, so the reference is wrong and the benchmark fails.

#include <cstdio>

namespace bench {

inline constexpr const char* kBelowFloor = "FAILED: below the floor, the reference is wrong";

// True when measured / floor is at least 1.0; otherwise prints the failure for what was measured.
inline bool HoldsFloor(const char* what, double ratio)
{
    if (ratio >= 1.0)
        return true;
    std::printf("  %s: %s (ratio %.3f)\n", what, kBelowFloor, ratio);
    return false;
}

} // namespace bench
