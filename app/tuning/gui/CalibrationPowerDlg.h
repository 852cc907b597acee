#pragma once
// The calibration power dialog ("Calibration Power", 285): the controls by their ids over
// CCalibrationPower, which holds every rule.

#include "app/tuning/CalibrationPower.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tuning::gui {

class CCalibrationPowerDlg : public QDialog {
    Q_OBJECT
public:
    CCalibrationPowerDlg(QWidget* parent, CMotor& motor, platform::Profile& profile, ui::IQuestions& questions);

    CCalibrationPower& Form() { return m_form; }
    // Start-up, then the dialog; nothing is shown when start-up closes it (after its message).
    int DoModal();

private:
    void Refresh();

    CCalibrationPower m_form;
    QLineEdit* m_current;
    QLineEdit* m_new;
    QSlider* m_slider;
    QLabel* m_sizeLabel;
    QComboBox* m_size;
    QPushButton* m_default;
    QPushButton* m_apply;
    bool m_refreshing = false;
};

} // namespace tuning::gui
