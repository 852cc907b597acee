#pragma once
// The please-wait dialog: main text (with ". Please wait..."), second line, progress bar and an
// optional Cancel button, over the state of ui::CWaitState. Cancel, Escape and the close box all
// ask the bridge to cancel; the dialog never closes itself.

#include "core/ui/Progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class CWaitDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWaitDlg(QWidget* parent = nullptr);

    // Shows the state: texts, bar visibility and position, Cancel.
    void Refresh(const ui::CWaitState& state);
    QPushButton* CancelButton() const { return m_cancel; }

Q_SIGNALS:
    void cancelPressed();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_text;
    QLabel* m_subText;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
