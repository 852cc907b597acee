#pragma once
// The main frame's answer to a communication-error request: explain the error, ask whether to
// re-establish communication, detect the port's motors, and when that fails walk the user through
// the recovery choices (try again, wider search, other bus type, other channel, automatic
// addressing, the wizards, manual settings). Widget-free: detection, the commands and the
// information view come in through ICommErrorActions, the boxes through the question seam.

#include "app/shell/CommError.h"

#include <cstdint>
#include <string>

namespace ui {
class IQuestions;
}

namespace commerror {

// Recovery choices (the choice box's values).
enum Recovery : int {
    kTryAgain = 100,
    kSearchBeyondMax = 101,
    kSearchRS232 = 102,
    kRunSetupWizard = 103,
    kRunLockupWizard = 104,
    kManualSettings = 105,
    kSearchRS485 = 106,
    kOtherChannel = 107,
    kReassignAddresses = 108,
};

class ICommErrorActions {
public:
    virtual ~ICommErrorActions() = default;
    // Detects the port's motors and merges them into the project (DetectAllMotors).
    virtual uint32_t DetectAllMotors(CCommPort& port, uint32_t flags) = 0;
    // Runs a main-frame command for kRunSetupWizard, kRunLockupWizard or kManualSettings.
    virtual void RunRecoveryCommand(int choice) = 0;
    // The same, with the port the request was about (the lock-up wizard starts on it).
    virtual void RunRecoveryCommandFor(int choice, CCommPort& port)
    {
        (void)port;
        RunRecoveryCommand(choice);
    }
    virtual void AddInfoWarning(const std::string& text) = 0;
    virtual void ShowInfoSummary() = 0;
};

class CCommErrorQuery final : public ICommErrorHandler {
public:
    // The questions go to `questions` (the main window's context's).
    CCommErrorQuery(ICommErrorActions& actions, ui::IQuestions& questions)
        : m_actions(actions), m_questions(questions)
    {
    }
    uint32_t OnCommError(uint32_t request, Target target) override;

    // The error query's title and text for a code (motor name or port name in the text).
    static std::string QueryTitle(uint32_t code);
    static std::string QueryText(uint32_t code, bool motor, const std::string& name);

private:
    ICommErrorActions& m_actions;
    ui::IQuestions& m_questions;
};

} // namespace commerror
