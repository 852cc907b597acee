#pragma once
// What the main frame asks of a tool window (monitor window, motor view, playground, tuner,
// chart view): one poll step at a time, whether it may close, which motor it shows, and what it
// does when the project changes under it. The windows come with their own issues; the frame holds
// them in its slots through this interface.

#include "app/shell/PollCycle.h"

class CCommPort;
class CMotor;

namespace shell {

// What changed under the windows; the main frame sends it to every tool window and to the
// windows that listen for a while (docs/design/window-lifetimes.md).
struct SessionChange {
    enum Kind {
        // The motor object is being destroyed (detection, deletion, another project): the
        // pointer may be compared, never read through.
        MotorGoing,
        // The port object is being destroyed, with the motors it still holds (a port deleted,
        // the project closed or replaced): the same.
        PortGoing,
        // The project's port list changed and is whole again (ports added, deleted or edited,
        // motors detected, another project): lists of ports are built again from the project.
        PortsChanged,
        // The motors of `port` (null: of every port) are about to be replaced or taken away
        // (another project, detection, the port edited or deleted). They and their port are
        // whole and may still be used; their MotorGoing and PortGoing come after.
        MotorsChanging,
    };
    Kind kind;
    const CMotor* motor = nullptr;   // MotorGoing
    const CCommPort* port = nullptr; // PortGoing, MotorsChanging
    // Whether a window showing `shown` (a motor of the project or one made for the window; null
    // for none) must let go of it: that motor goes, or the port it belongs to.
    bool Takes(const CMotor* shown) const;
};

// A window that is told of a SessionChange. MotorGoing and PortGoing come while the object is
// being destroyed, in the middle of the project's own change: the window only drops what it holds
// and queues the rest (closing, listing again) for after the current event.
class ISessionListener {
public:
    virtual ~ISessionListener() = default;
    virtual void SessionChanged(const SessionChange& change) = 0;
};

class IToolWindow : public IPollingWindow, public ISessionListener {
public:
    // Asks to save unsaved changes (Yes saves, No discards: true; Cancel: false).
    virtual bool CanClose() = 0;
    // Closes the window after the current event: the object stays valid until the caller that is
    // on the stack now has returned (a poll step that raised a query which replaced the motors).
    virtual void RequestClose() = 0;
    // The motor shown; null for none.
    virtual const CMotor* Motor() const = 0;
    // A window that keeps motor keys only (port index and address, looked up when it acts) has
    // nothing to drop.
    void SessionChanged(const SessionChange&) override {}
};

} // namespace shell
