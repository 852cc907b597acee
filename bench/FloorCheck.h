#pragma once
// The verdict every benchmark gives a time measured against its floor: a ratio below 1.0 means the
// floor claims more than the protocol needs, so the reference is wrong and the benchmark fails.
// And how a case that meets an error fails: with the error's text, the benchmark going on.

#include "core/VQXException.h"

#include <cstdio>
#include <exception>
#include <string>

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

// The text of an error a case met (the core's exceptions are not std::exceptions).
inline std::string ErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CVQXException& e) {
        return e.GetMessage();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

// Runs one case of a plain benchmark program: an error it meets is printed as the case's failure
// with its text, and the program goes on with its other cases. Returns the case's verdict, false
// when it failed.
template <class Run>
bool RunCase(const char* what, Run&& run)
{
    try {
        return run();
    } catch (...) {
        std::printf("  %s: FAILED: %s\n", what, ErrorText(std::current_exception()).c_str());
        std::fflush(stdout);
        return false;
    }
}

} // namespace bench
