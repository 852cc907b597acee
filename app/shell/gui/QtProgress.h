#pragma once
// The please-wait seam on the real dialog. While a dialog is shown it is application-modal and
// the program-wide long-operation flag is up, so no timer, menu or close starts a second exchange
// on a port; each progress message processes the pending events (the only way the user's Cancel
// gets through) and answers 0 once the user has confirmed Cancel.

#include "core/ui/Progress.h"

#include <QPointer>

class CWaitDlg;
class QWidget;

namespace bridge {

class QtProgress : public ui::CDialogProgress {
public:
    // `parent`: the window the dialog is centred on (the main frame); `questions`: the seam that
    // asks "Are you sure you want to cancel ...?".
    QtProgress(QWidget* parent, ui::IQuestions& questions);
    ~QtProgress() override;

    // The dialog shown (null when none).
    CWaitDlg* Dialog() const;
    void SetParent(QWidget* parent) { m_parent = parent; }

private:
    bool Open() override;
    void Closed() override;
    void Changed(Change change) override;
    void Notified(int kind, int64_t value, int reply) override;
    void Pump(int kind, int64_t value) override;
    void Refresh();
    void OnCancel();

    QPointer<QWidget> m_parent;
    ui::IQuestions& m_questions;
    // Guarded: the dialog is a child of its parent window and goes with it.
    QPointer<CWaitDlg> m_dialog;
    bool m_asking = false;
};

} // namespace bridge
