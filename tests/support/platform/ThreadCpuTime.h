#pragma once
// The processor time the calling thread has used: what the simulations charge to themselves and
// the benchmarks to the host.

#include <ctime>

namespace platform {

inline double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace platform
