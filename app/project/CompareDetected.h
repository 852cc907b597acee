#pragma once
// "Find Motors": every port of the project is detected on a private copy and the result compared
// with the project; the user decides how a different result is taken over.

#include <cstdint>

class CProject;
class ICommandSurroundings;

// Detection modes of the comparison (with DetectAllMotors' flags).
inline constexpr uint32_t kCompareDetect = 0x1280000;
inline constexpr uint32_t kCompareDetectTo100 = 0x1A80000;
inline constexpr uint32_t kCompareDetectAddress = 0x1680000;

struct CompareOutcome {
    int detectedPorts = 0; // ports whose detection finished
    int motorsFound = 0;
    int differingPorts = 0;
    bool cancelled = false;
    int answer = 0;        // the merge answer taken (0 when nothing was asked or taken)
    bool changed = false;  // the project's ports were changed
};

// Ports whose detection failed or was cancelled are left out of the comparison, so a failure
// never empties a port; a cancel ends the comparison with the project unchanged. The private
// copies are closed before the project's ports are reopened.
CompareOutcome CompareDetected(CProject& project, ICommandSurroundings& around);
