#pragma once
// The seams of VQX's main window: the please-wait dialog, the question boxes and the information
// bar, put into the program's operation context for the lifetime of this object (the quiet seams
// come back when it goes).

#include "app/shell/gui/QtProgress.h"
#include "app/shell/gui/QtQuestions.h"
#include "core/ui/InfoView.h"

class CMainFrame;
namespace ui {
class COperationContext;
}

namespace bridge {

class ShellServices {
public:
    // `frame` null: boxes without an owner, information lines kept without a window.
    ShellServices(ui::COperationContext& context, CMainFrame* frame);
    ~ShellServices();
    ShellServices(const ShellServices&) = delete;
    ShellServices& operator=(const ShellServices&) = delete;

    QtProgress& Progress() { return m_progress; }
    QtQuestions& Questions() { return m_questions; }
    // Points the dialogs and the information lines at the frame once it exists.
    void SetFrame(CMainFrame* frame);

private:
    ui::COperationContext& m_context;
    QtQuestions m_questions;
    QtProgress m_progress;
    ui::CInfoView m_infoBeforeFrame; // keeps the lines until the frame exists
    ui::CInfoView* m_info = nullptr;
};

} // namespace bridge
