#pragma once
// What the source editor reaches outside itself: the program's context (questions, information
// lines, settings, desktop services, the one compiler), the project, the main frame's
// communication-error query and the terminal bar. The program owns one and hands it to
// RegisterEditor, which gives it to every source view; the session fills in the project's parts.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CCommPort;
class COptions;
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
class CAppContext;
class IFrameSite;
} // namespace shell
namespace ui {
class COperationContext;
}

namespace editor {

struct EditorEnvironment {
    // The frame's context (set by RegisterEditor).
    shell::CAppContext* app = nullptr;
    CProject* project = nullptr;
    commerror::ICommErrorHandler* commError = nullptr;
    // The terminal's current port and its target address as a selection word.
    std::function<uint32_t()> currentTarget;
    // Shows the terminal bar with the pane of a port.
    std::function<void(CCommPort*)> showTerminal;
    // The select-motor dialog for the download (flags 5); none: the real dialog.
    std::function<bool(uint32_t& selection, bool& blind)> selectTarget;

    ui::COperationContext& Context() const;
    CScanner& Scanner() const;
    COptions& Options() const;
};

// The source view of the active child frame (the one last active while the program is in the
// background), null when another kind of window, or none, is active.
CVQXView* ActiveView(QMdiArea* area);

// Gives the source templates (".tqs", ".tqc") their view and adds the editor's commands and
// menu to the main window.
void RegisterEditor(fw::DocTemplates& templates, shell::IFrameSite& site, EditorEnvironment& env);

} // namespace editor
