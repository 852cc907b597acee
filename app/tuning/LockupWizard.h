#pragma once
// The communication lock-up recovery wizard without its window: a motor whose program makes it
// deaf is reached by sending "E" every 50 ms at 9600 baud while the user powers it up; then the
// port's motors are detected, and the program can be uploaded for analysis and cleared.
//
// The send loop keeps the window alive through the pump it is given (the user's Continue and Close
// arrive there), sleeps on the clock it is given, and returns before the window may go: Close
// during the loop only asks, and the window ends once OnContinue has returned (Finished()).

#include "platform/clock/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
namespace ui {
class IQuestions;
}

namespace tuning {

// Control ids and texts of the window.
namespace lockup {
enum : int { kPortCombo = 1146, kText = 1069, kContinue = 1147, kUpload = 1144, kClear = 1145, kClose = 1 };
inline constexpr const char* kTitle = "Communication Lock-up Recovery Wizard";
inline constexpr int kSendEveryMs = 50;
inline constexpr int kSendAfterContinueMs = 1500;
inline constexpr int kPauseBeforeDetectMs = 1000;
inline constexpr int kLoopBaud = 9600;
extern const char* const kWelcomeText;
extern const char* const kPowerUpText;
extern const char* const kContactText;
extern const char* const kErrorText; // one %s: the error's message
extern const char* const kNotCalibratedQuestion;
extern const char* const kNotClearedQuestion;
} // namespace lockup

// What the wizard reaches outside itself.
struct LockupSurroundings {
    // Handles the window's pending events (Continue, Close) while the loop runs.
    std::function<void()> pump;
    // Writes one byte straight to the port's line; false when it was not written.
    std::function<bool(CCommPort& port, uint8_t byte)> writeByte;
    // Detects the motors of the port with the usual messages and recovery (the main window's
    // detection); true when a motor was found. The port's motor list may be replaced.
    std::function<bool(CCommPort& port)> detectPort;
    // Uploads the motor's program into a document and opens it.
    std::function<void(CMotor& motor)> uploadProgram;
    // Replaces the motor's program with END; true when the information view then holds no error.
    std::function<bool(CMotor& motor)> clearEEPROM;
    // The wait cursor (on while the loop runs).
    std::function<void(bool on)> waitCursor;
};

class CLockupWizard {
public:
    // `ports`: the project's ports in order; the serial ones (RS-232, RS-485) are offered, the
    // current port preselected when it is one of them.
    CLockupWizard(std::vector<CCommPort*> ports, CCommPort* current, platform::Clock& clock, ui::IQuestions& questions,
                  LockupSurroundings surroundings);
    ~CLockupWizard();

    // ---- what the window shows ----
    const std::vector<std::string>& PortNames() const { return m_names; }
    int Selected() const { return m_selected; }
    void Select(int index);
    const std::string& Text() const { return m_text; }
    bool ComboEnabled() const { return !m_running && m_comboEnabled; }
    // Continue is offered only when there is a port to work on.
    bool ContinueVisible() const { return m_continueVisible; }
    bool ContinueEnabled() const { return !m_names.empty(); }
    bool ContactButtonsVisible() const { return m_contact; }
    bool Running() const { return m_running; }
    // The window may end now (set by OnClose; while the loop runs only once it has unwound).
    bool Finished() const { return m_finished; }
    // The motor upload and clear work on: the port's first motor as detected (its address).
    int ContactAddress() const;

    // ---- the user's actions ----
    void OnContinue();
    void OnUpload();
    void OnClear();
    void OnClose();

private:
    void RunLoop();
    void RestoreBaud(bool quiet);
    std::unique_ptr<CMotor> ContactMotor() const;

    std::vector<CCommPort*> m_ports;
    std::vector<std::string> m_names;
    int m_selected = -1;
    platform::Clock& m_clock;
    ui::IQuestions& m_questions;
    LockupSurroundings m_around;

    CCommPort* m_port = nullptr;
    bool m_closeRequested = false;
    bool m_running = false;
    bool m_continuePressed = false;
    bool m_eepromCleared = false;
    int m_savedBaud = 0; // 0: none saved
    bool m_comboEnabled = true;
    bool m_continueVisible = true;
    bool m_contact = false;
    bool m_finished = false;
    std::string m_text;
};

} // namespace tuning
