#pragma once
// The Tuner command of the main window (menu, toolbar) and "Tune this motor" of the
// configuration tree: the one tuner window over the main window. The menu command brings an open
// tuner forward, else opens one for the terminal's current port and motor address; the tree's
// command closes an open tuner and opens one for the tree's motor. The window is kept only when
// its motor's gains could be read. The composition root gives what it needs.
#include <functional>
#include <memory>
#include <string>

class CMotor;
class CProject;
class CScanner;
class CTerminalBar;
class QWidget;
namespace commerror { class ICommErrorHandler; }
namespace shell {
class IDesktopServices;
class IToolWindow;
} // namespace shell

namespace tuning::gui {

struct TunerWiring {
    QWidget* mainWindow = nullptr;
    std::function<void(shell::IToolWindow*)> setSlot; // the main frame's tuner slot (null: empty)
    CScanner* scanner = nullptr;
    CProject* project = nullptr;
    CTerminalBar* bar = nullptr;
    shell::IDesktopServices* desktop = nullptr;
    commerror::ICommErrorHandler* commError = nullptr;
    std::function<CMotor*()> selectedMotor;           // the configuration tree's motor
    std::weak_ptr<int> alive;                          // expired: the session is gone
    std::function<void(const std::string& topic)> help; // opens a page of the guide
};

// The handler for the frame's command table: true for the ids it handled.
std::function<bool(int id)> SessionTunerHandler(TunerWiring wiring);

} // namespace tuning::gui
