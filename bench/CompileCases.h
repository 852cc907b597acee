#pragma once
// Compiling a 10,000-line motor program: warm (the same compiler again) and in a fresh process.

#include "bench/BenchTable.h"

namespace bench {

std::vector<Case> CompileCases(const char* self);
// The fresh-process case's child: compiles once and prints the seconds it took. Returns the exit
// status.
int CompileOnce();

} // namespace bench
