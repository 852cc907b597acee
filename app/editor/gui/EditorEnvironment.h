#pragma once
// What the source editor reaches outside itself: the program's one compiler, the project, the
// main frame's communication-error query, the terminal bar, the status panes. The program sets it
// up at start (RegisterEditor); a test sets the parts it drives.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CCommPort;
class QMdiArea;
class CProject;
class CScanner;
class CVQXView;
namespace commerror {
class ICommErrorHandler;
}
namespace fw {
class DocTemplates;
}
namespace shell {
class IFrameSite;
}
namespace ui {
class COperationContext;
}

namespace editor {

struct EditorEnvironment {
    CProject* project = nullptr;
    commerror::ICommErrorHandler* commError = nullptr;
    // The terminal's current port and its target address as a selection word.
    std::function<uint32_t()> currentTarget;
    // Shows the terminal bar with the pane of a port.
    std::function<void(CCommPort*)> showTerminal;
    // The select-motor dialog for the download (flags 5); none: the real dialog.
    std::function<bool(uint32_t& selection, bool& blind)> selectTarget;
};

EditorEnvironment& Environment();
// The program's one compiler.
CScanner& TheScanner();
// The context of the editor's operations (the main window's).
ui::COperationContext& EditorContext();
// The source view of the active child frame (the one last active while the program is in the
// background), null when another kind of window, or none, is active.
CVQXView* ActiveView(QMdiArea* area);

// Gives the source templates (".tqs", ".tqc") their view and adds the editor's commands and
// menu to the main window.
void RegisterEditor(fw::DocTemplates& templates, shell::IFrameSite& site);

} // namespace editor
