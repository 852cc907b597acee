#pragma once
// The Playground command of the main window (menu, toolbar) and of the configuration tree: opens
// the one playground window over the main window, or brings it forward and shows the tree's
// motor. The composition root gives what the window needs; nothing is taken from a global.
#include "app/tools/gui/PlaygroundDlg.h"

#include <functional>
#include <memory>
#include <vector>

class CCommPort;
class CProject;
class CTerminalBar;
class CMotor;
class CScanner;
class QWidget;
namespace ui { class COperationContext; }
namespace shell { class IToolWindow; }
namespace commerror { class ICommErrorHandler; }

namespace tools::gui {

struct PlaygroundWiring {
    QWidget* mainWindow = nullptr;                         // the parent of the window
    std::function<void(shell::IToolWindow*)> setSlot;      // the main frame's playground slot (null: empty)
    ui::COperationContext* context = nullptr;              // the session's operation context
    CScanner* scanner = nullptr;                           // the program's compiler
    std::function<std::vector<CCommPort*>()> ports;        // the project's ports now
    std::function<CMotor*()> terminalMotor;                // the terminal's current motor (none: null)
    std::function<CMotor*()> selectedMotor;                // the configuration tree's motor
    commerror::ICommErrorHandler* commError = nullptr;     // the main frame's (Detect Motors)
    CPlaygroundDlg::PortDialogs portDialogs;               // the main frame's Port Properties
    std::function<void(const std::string&)> help;          // opens a help topic
};

// The handler for the frame's command table: true for the ids it handled.
std::function<bool(int id)> PlaygroundCommandHandler(PlaygroundWiring wiring);

// The wiring of a running session: the main window and its playground slot, the program's
// compiler, the project's ports and context, the terminal's current motor, the tree's motor. Once `alive` has expired (the
// session is gone) the handler takes nothing and the window sees no ports.
std::function<bool(int id)> SessionPlaygroundHandler(QWidget* mainWindow,
                                                     std::function<void(shell::IToolWindow*)> setSlot,
                                                     CScanner& scanner, CProject& project, CTerminalBar& bar,
                                                     std::function<CMotor*()> selectedMotor, std::weak_ptr<int> alive,
                                                     commerror::ICommErrorHandler* commError = nullptr,
                                                     CPlaygroundDlg::PortDialogs portDialogs = {},
                                                     std::function<void(const std::string&)> help = {});

} // namespace tools::gui
