#pragma once
// "Motor detail information": the motor's details as rich text (name bold blue) and its hardware
// options as check boxes that only show.

#include <QDialog>

class CMotor;
class QTextEdit;

class CMotorDetailsDlg : public QDialog {
    Q_OBJECT
public:
    CMotorDetailsDlg(QWidget* parent, const CMotor& motor);
    QTextEdit* Text() const { return m_text; }

private:
    QTextEdit* m_text;
};
