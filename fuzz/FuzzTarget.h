#pragma once
// One fuzz target per reader of outside input. A target is written once:
//
//   VQX_FUZZ_TARGET(tips, data, size) { ParseTipRecord({...}, 0); }
//
// Built with clang for libFuzzer (VQX_LIBFUZZER), it is the program's LLVMFuzzerTestOneInput.
// Built into the test suite, it registers itself under its name, and the corpus replay runs it
// on every saved input in fuzz/corpus/<name>/, so that a fixed finding stays fixed.
//
// A target checks what must hold for any input with VQX_FUZZ_CHECK: a failed check aborts (a
// finding for the fuzzer, a failed test for the replay).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

using TargetFunction = void (*)(const uint8_t* data, size_t size);

// Registers a target for the replay; returns true so that it can initialise a static.
bool RegisterTarget(const char* name, TargetFunction function);

[[noreturn]] inline void CheckFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

// The input as text.
inline std::string_view Text(const uint8_t* data, size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace fuzz

#define VQX_FUZZ_CHECK(condition)                                                                                     \
    do {                                                                                                              \
        if (!(condition))                                                                                             \
            ::fuzz::CheckFailed(#condition, __FILE__, __LINE__);                                                      \
    } while (0)

#ifdef VQX_LIBFUZZER
#define VQX_FUZZ_TARGET(name, data, size)                                                                             \
    static void FuzzTarget_##name(const uint8_t* data, size_t size);                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                                          \
    {                                                                                                                 \
        FuzzTarget_##name(data, size);                                                                                \
        return 0;                                                                                                     \
    }                                                                                                                 \
    static void FuzzTarget_##name(const uint8_t* data, size_t size)
#else
#define VQX_FUZZ_TARGET(name, data, size)                                                                             \
    static void FuzzTarget_##name(const uint8_t* data, size_t size);                                                  \
    [[maybe_unused]] static const bool kFuzzTargetRegistered_##name =                                                 \
        ::fuzz::RegisterTarget(#name, FuzzTarget_##name);                                                             \
    static void FuzzTarget_##name(const uint8_t* data, size_t size)
#endif
