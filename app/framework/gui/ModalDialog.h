#pragma once
// A modal dialog over a window that may go while the dialog waits (a project change, a deferred
// delete, the window manager's close): made on the heap as a child of that window, run, read and
// deleted here. A dialog on the stack would be deleted a second time by its parent going under
// it; this one goes with its parent, its loop ends as Rejected, and it reads empty afterwards.
// The code that ran the loop tests its own window (a QPointer `self`) before it goes on.
//
//   fw::ModalDialog<QFileDialog> dlg(this, title);
//   if (dlg.exec() != QDialog::Accepted || !self)
//       return;
//   use(dlg->selectedFiles());

#include <QDialog>
#include <QPointer>

#include <utility>

namespace fw {

template <class Dialog>
class ModalDialog {
public:
    template <class... Args>
    explicit ModalDialog(Args&&... args) : m_dialog(new Dialog(std::forward<Args>(args)...))
    {
    }
    ~ModalDialog() { delete m_dialog.data(); }
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Rejected as well when the dialog went with its parent while it waited.
    int exec() { return m_dialog ? m_dialog->exec() : int(QDialog::Rejected); }
    // The dialog, or null once it went.
    Dialog* get() const { return m_dialog.data(); }
    Dialog* operator->() const { return m_dialog.data(); }
    explicit operator bool() const { return !m_dialog.isNull(); }

private:
    QPointer<Dialog> m_dialog;
};

} // namespace fw
