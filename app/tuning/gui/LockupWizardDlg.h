#pragma once
// The communication lock-up recovery wizard's window (185): the controls by their ids over
// CLockupWizard. Its send loop runs inside the Continue click and keeps the window alive through
// the event loop; the window ends only once that loop has returned.

#include "app/tuning/LockupWizard.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
namespace shell {
class CAppContext;
}

namespace tuning::gui {

class CLockupWizardDlg : public QDialog {
    Q_OBJECT
public:
    // `surroundings.pump` and `waitCursor` are the window's own (any given are replaced).
    // The clock, the questions and the help pages are `app`'s.
    CLockupWizardDlg(QWidget* parent, std::vector<CCommPort*> ports, CCommPort* current, const shell::CAppContext& app,
                     LockupSurroundings surroundings);
    ~CLockupWizardDlg() override;

    CLockupWizard& Form() { return *m_form; }
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Refresh();
    void Act(void (CLockupWizard::*action)());

    std::unique_ptr<CLockupWizard> m_form;
    QComboBox* m_ports;
    QLabel* m_text;
    QPushButton* m_continue;
    QPushButton* m_upload;
    QPushButton* m_clear;
    int m_cursor = 0;
    int m_depth = 0; // handlers on the stack
};

} // namespace tuning::gui
