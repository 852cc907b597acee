#pragma once
// The program-wide long-operation flag. Long operations run on the user-interface thread and
// keep the window alive by processing events; while the flag is up no timer of the program may
// start an exchange with a motor, so that no two exchanges interleave on one port. Timers
// (gui/ToolTimer) listen to the flag: they stop when it rises and start again when it falls.
// Operations nest; the flag falls when the outermost one ends. User-interface thread only.

#include <functional>

namespace fw {

class LongOperation {
public:
    // Raises the flag for the lifetime of the object.
    LongOperation();
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    static bool Active();
    static int Depth();

    // A listener is told true when the flag rises and false when it falls. Returns a handle for
    // RemoveListener.
    static int AddListener(std::function<void(bool active)> listener);
    static void RemoveListener(int handle);

    // Raise and lower by hand, for a dialog whose lifetime is not a scope.
    static void Enter();
    static void Leave();
};

} // namespace fw
