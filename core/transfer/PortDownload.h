#pragma once
// Downloading one program into each motor of a port in turn.

#include <cstdint>
#include <string>

class CCommPort;
namespace transfer {

// Each motor of the port's list, in order, with DL_SEVERAL when there are several, so that an
// "all motors" answer holds for the rest. A skipped motor goes on to the next; a cancel stops the
// run (DL_CANCELLED in the result). The questions, progress and lines are the port's context's.
// A motor's error (the Cancel of a question among them) goes to
// the information view (unless quiet) and stops the run; failures tells whether one did (0 or 1).
uint32_t DownloadToEachMotor(CCommPort& port, const std::string& fileName, bool showProgress, uint32_t flags,
                             bool recordInfo, int* failures = nullptr);

} // namespace transfer
