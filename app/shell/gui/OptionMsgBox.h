#pragma once
// The remembered-answer message box: sized to its text, an icon, up to three buttons (left 1002,
// middle 1110, right 1111) and the check box "Check to disable this message" (1109). Which
// buttons a style shows, what they and Escape answer and where the focus goes is ui::LayoutOf's;
// what is remembered is OptionMessageBox's. This is the window.

#include "core/ui/Questions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class COptionMsgBox : public QDialog {
    Q_OBJECT
public:
    COptionMsgBox(const ui::MessageBoxRequest& request, QWidget* parent = nullptr);

    // Runs the box; the button's answer and the check box.
    ui::MessageBoxReply Ask();
    QPushButton* Button(int index) const { return m_buttons[index]; }

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void End(int answer);

    ui::MessageBoxRequest m_request;
    ui::BoxLayout m_layout;
    QLabel* m_text;
    QLabel* m_icon;
    QCheckBox* m_check;
    QPushButton* m_buttons[3];
    int m_answer = ui::IDCANCEL;
};
