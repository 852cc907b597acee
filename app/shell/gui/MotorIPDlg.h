#pragma once
// "Motor IP Address" (283): the static IP address the network set-up asks for a motor, with a
// note and this computer's own address.

#include <QDialog>

#include <string>

class QLineEdit;
namespace ui {
class IQuestions;
}

class CMotorIPDlg : public QDialog {
    Q_OBJECT
public:
    // The address is replaced on OK by the entered one, in plain decimal.
    // `questions` tells the user an entered address is not valid.
    CMotorIPDlg(QWidget* parent, ui::IQuestions& questions, std::string& address, const std::string& note = {}, bool showLocalAddress = true);

protected:
    void accept() override;

private:
    ui::IQuestions& m_questions;
    std::string& m_address;
    QLineEdit* m_edit;
};
