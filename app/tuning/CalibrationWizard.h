#pragma once
// The index calibration wizard without its window: verifies or redoes a Quintaloc's index
// calibration with two downloaded programs. It works on a copy of the motor's port (the project's
// port stays closed meanwhile), prepares the calibration block, starts the motor's own test with
// "uuu", echoes what the motor prints, and judges what it leaves in www..zzz.
//
// The window implements ICalibrationWizardView (log, status line, timers, cursor, end) and calls
// the handlers; the window timers 1, 2 and 10 come back as OnTimer(id).

#include "app/tuning/CalibrationData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
namespace platform {
class Profile;
}
namespace ui {
class IQuestions;
}

namespace tuning {

namespace calwizard {
enum : int {
    kDescription = 1074,
    kPower = 1500,
    kPowerSpin = 1499,
    kDefault = 1498,
    kSizeLabel = 1474,
    kSizeCombo = 1471,
    kStart = 1051,
    kStop = 1403,
    kGetInfo = 1221,
    kDetails = 1052,
    kClear = 1157,
    kHelp = 9,
    kLog = 1000,
    kStatus = 1444,
};
enum : int { kRunTimer = 1, kEvaluateTimer = 2, kStartTimer = 10 };
inline constexpr int kTimerMs = 100;
enum class Mode { Recalibrate = 0, Verify = 1 };
inline constexpr const char* kVerifyTitle = "Verifying Index Calibration";
inline constexpr const char* kRecalibrateTitle = "Quintaloc Index Re-Calibration";
inline constexpr const char* kVerifyHelp = "::/VQXUsersGuide\\Tools\\Calibration\\Verifying.htm";
inline constexpr const char* kRecalibrateHelp = "::/VQXUsersGuide\\Tools\\Calibration\\Calibrating.htm";
inline constexpr uint32_t kStdCalFlags = 0x12481;
inline constexpr uint32_t kReCalFlags = 0x2401;
} // namespace calwizard

enum class LogFormat { Normal, Error, Output };

class ICalibrationWizardView {
public:
    virtual ~ICalibrationWizardView() = default;
    virtual void Log(const std::string& text, LogFormat format) = 0;
    virtual void ClearLog() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;
    virtual void WaitCursor(bool on) = 0;
    // The form's state changed: the window refreshes its controls.
    virtual void Refresh() = 0;
    virtual void EndDialog(int result) = 0;
    // Re-calibration of this motor is asked for once the wizard has ended (port index, address).
    virtual void PostRecalibrate(int portIndex, int address) = 0;
};

class CCalibrationWizard {
public:
    // `programFolder`: where "Cal/StdCal.scx" and "Cal/ReCal.tqx" are.
    CCalibrationWizard(CMotor& motor, calwizard::Mode mode, platform::Profile& profile, ui::IQuestions& questions,
                       ICalibrationWizardView& view, std::string programFolder);
    // Gives the motor's port back as it was found (see Cleanup).
    ~CCalibrationWizard();

    // ---- what the window shows ----
    std::string Title() const;
    std::string Description() const;
    calwizard::Mode GetMode() const { return m_mode; }
    bool Verifying() const { return m_mode == calwizard::Mode::Verify; }
    const std::vector<std::string>& SizeNames() const { return m_names; }
    bool SizeChoiceVisible() const { return m_sizeVisible; }
    int SelectedSize() const { return m_selected; }
    int PowerPercent() const { return m_powerPercent; }
    bool ControlsEnabled() const { return m_controlsEnabled; }
    bool StopEnabled() const { return m_stopEnabled; }
    bool Collapsed() const { return m_collapsed; }
    const char* HelpTopic() const;

    // ---- start-up and the user's actions ----
    void Init();
    void SelectSize(int index);
    // Edit 1500: only 0..100 is taken (the spin's range).
    void SetPowerPercent(int percent);
    bool OnGetMotorInfo();
    void OnStart();
    void OnStop();
    void OnClearLog();
    void OnDetails() { m_collapsed = !m_collapsed; }
    void OnDefault();
    void OnTimer(int id);
    // The window's close: offers to restore the power at start, then ends the dialog.
    void OnClose();

    // ---- state for the window and for tests ----
    CMotor* Motor() const { return m_motor; }
    bool PortCopyInUse() const { return m_copy != nullptr && m_copyOpen; }
    bool Downloaded() const { return m_downloaded; }
    bool BlockWritten() const { return m_blockWritten; }
    bool StopRequested() const { return m_stopRequested; }
    uint16_t PowerAtStart() const { return m_powerAtStart; }
    int ExpectedValue() const { return m_expected; }
    const CCalibrationSize& Size() const { return m_size; }

private:
    bool ReadSizeData();
    bool ParseSelected();
    bool CheckFactoryData();
    bool Download();
    bool DownloadFile(const std::string& path, uint32_t flags, bool recordInfo);
    bool Prepare();
    bool Restart();
    void Evaluate();
    bool StoreCalibration();
    void EnableControls(bool on);
    void ReportError(const std::string& text, bool toLog, bool toStatus, bool box);
    void Log(const std::string& text, LogFormat format = LogFormat::Normal) { m_view.Log(text, format); }
    void ReadBlock(CalibrationBlock& block);
    void WriteBlock(const CalibrationBlock& block);
    uint16_t PowerValueNow() const;
    int PortIndex() const;
    void Cleanup();

    CMotor* m_motor;         // the motor in the port copy once it is in use
    CMotor& m_projectMotor;  // the motor the wizard was opened for
    calwizard::Mode m_mode;
    platform::Profile& m_profile;
    ui::IQuestions& m_questions;
    ICalibrationWizardView& m_view;
    std::string m_folder;

    int m_expected = -1;
    std::vector<std::string> m_entries;
    std::vector<std::string> m_names;
    int m_selected = -1;
    bool m_sizeVisible = false;
    bool m_sizeUsable = false;
    CCalibrationSize m_size;
    uint16_t m_powerAtStart = kUnknownValue;
    int m_powerPercent = 0;
    bool m_stopRequested = false;
    bool m_portWasOpen = false;
    bool m_downloaded = false;
    bool m_blockWritten = false;
    bool m_calibrationFlag = false;
    bool m_controlsEnabled = true;
    bool m_stopEnabled = true;
    bool m_collapsed = true;
    bool m_ended = false;

    CCommPort* m_projectPort = nullptr;
    std::unique_ptr<CCommPort> m_copy;
    bool m_copyOpen = false;
};

} // namespace tuning
