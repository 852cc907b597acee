#pragma once
// "Select Motor" (150): the ports list (1003), the motors list (1024), the address (1025, its spin
// 1014), the prompt (1074) and "Blind Download" (1268). The rules are CSelectMotorForm's.

#include "app/project/SelectMotor.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QTreeWidget;
class QSpinBox;
namespace ui {
class IQuestions;
}

class CSelectMotorDlg : public QDialog {
    Q_OBJECT
public:
    // `selection` is read at once and written on OK; `blind` (may be null) takes the check box.
    CSelectMotorDlg(QWidget* parent, const CProject& project, uint32_t* selection, int flags,
                    const std::string& prompt = selectmotor::kDefaultPrompt, bool* blind = nullptr);

    selectmotor::CSelectMotorForm& Form() { return m_form; }
    QTreeWidget* Ports() const { return m_ports; }
    QTreeWidget* Motors() const { return m_motors; }
    QSpinBox* AddressEdit() const { return m_address; }
    QCheckBox* BlindBox() const { return m_blind; }

    void accept() override;

private:
    void ShowMotors();

    ui::IQuestions& m_questions;
    selectmotor::CSelectMotorForm m_form;
    uint32_t* m_selection;
    bool* m_blindOut;
    bool m_updating = false;
    QTreeWidget* m_ports;
    QTreeWidget* m_motors;
    QSpinBox* m_address;
    QCheckBox* m_blind;
};
