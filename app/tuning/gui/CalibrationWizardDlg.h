#pragma once
// The index calibration wizard's window ("Factory Calibration", 280): the controls by their ids,
// the log in its three formats, the window timers; every rule is CCalibrationWizard's.

#include "app/tuning/CalibrationWizard.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTextEdit;
namespace shell {
class CAppContext;
}
namespace fw {
class ToolTimer;
}

namespace tuning::gui {

class CCalibrationWizardDlg : public QDialog, private ICalibrationWizardView {
    Q_OBJECT
public:
    // The questions and the help pages go through `app`.
    CCalibrationWizardDlg(QWidget* parent, CMotor& motor, calwizard::Mode mode, platform::Profile& profile,
                          const shell::CAppContext& app, std::string programFolder);
    ~CCalibrationWizardDlg() override;

    CCalibrationWizard& Form() { return *m_form; }
    // Runs start-up (the checks, the port copy, the first motor information) and the dialog.
    int DoModal();
    // The wizard asked for the re-calibration of a motor (port index, address) as it ended.
    std::function<void(int portIndex, int address)> recalibrate;
    // The log as plain text.
    QString LogText() const;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // ICalibrationWizardView
    void Log(const std::string& text, LogFormat format) override;
    void ClearLog() override;
    void SetStatus(const std::string& text) override;
    void SetTimer(int id, int ms) override;
    void KillTimer(int id) override;
    void WaitCursor(bool on) override;
    void Refresh() override;
    void EndDialog(int result) override;
    void PostRecalibrate(int portIndex, int address) override;

    std::unique_ptr<CCalibrationWizard> m_form;
    QLabel* m_description;
    QSpinBox* m_power;
    QLabel* m_sizeLabel;
    QComboBox* m_size;
    QPushButton* m_default;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_getInfo;
    QPushButton* m_details;
    QPushButton* m_clear;
    QTextEdit* m_log;
    QLabel* m_status;
    std::map<int, fw::ToolTimer*> m_timers;
    int m_cursor = 0;
    bool m_ending = false;
    bool m_refreshing = false;
    std::function<void()> m_afterEnd;
};

} // namespace tuning::gui
