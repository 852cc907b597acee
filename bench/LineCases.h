#pragma once
// Download and chain-detection cases on a simulated line timed like real wires.

#include "bench/BenchTable.h"

namespace bench {

// The settings' DownloadDelay the cases use (its default): microseconds per character written
// without echo.
inline constexpr int kDownloadDelayUs = 260;

std::vector<Case> LineCases();

} // namespace bench
