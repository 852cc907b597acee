#pragma once
// What the main frame asks of a tool window (monitor window, motor view, playground, tuner,
// chart view): one poll step at a time, whether it may close, and which motor it shows. The
// windows come with their own issues; the frame holds them in its slots through this interface.

#include "app/shell/PollCycle.h"

class CMotor;

namespace shell {

class IToolWindow : public IPollingWindow {
public:
    // Asks to save unsaved changes (Yes saves, No discards: true; Cancel: false).
    virtual bool CanClose() = 0;
    // Closes the window after the current event: the object stays valid until the caller that is
    // on the stack now has returned (a poll step that raised a query which replaced the motors).
    virtual void RequestClose() = 0;
    // The motor shown; null for none.
    virtual const CMotor* Motor() const = 0;
    // Clears the unsaved-changes mark so that the window closes without asking.
    virtual void ClearModified() {}
    // Sets the motor to none and lets the window choose again (tuner, playground).
    virtual void ForgetMotor() {}
};

} // namespace shell
