#pragma once
// Synmove's one dialog: choose a motion file, set the port, the origin handling and the motor
// map, run and stop the file, open it in the desktop's text editor. The run's rules live in
// MotionRun and DialogRules; this window binds them to widgets and brings the worker's questions,
// messages and end onto its own thread.

#include "synmove/DialogRules.h"
#include "synmove/MotionFile.h"
#include "synmove/MotionRun.h"

#include <QDialog>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QWidget;

namespace platform {
class Profile;
}

namespace synmove {

class CSynmoveDlg : public QDialog, private RunEvents {
    Q_OBJECT
public:
    CSynmoveDlg(platform::Profile& profile, MotionRun::EngineFactory engine, QWidget* parent = nullptr);
    ~CSynmoveDlg() override;

    // What the dialog asks of the desktop; tests replace them.
    std::function<QString()> chooseFile;                                       // Browse: "" = cancelled
    std::function<bool(const QString& path)> openInEditor;                     // Edit
    std::function<void(const QString& title, const QString& text)> showError;  // error icon
    std::function<bool(const QString& text)> askYesNo;                          // "Warning!", Yes/No
    std::function<bool(const QString& page)> openHelp;                          // Help: the guide's page

    // ---- handlers (public: the buttons call them, and so can a test) ----
    void OnBrowse();
    void OnRun();
    void OnStop();
    void OnEdit();
    void OnHelp();
    // "&About Synmove..." (id 16): the About box (100) with the icon and "Synmove Version 1.101".
    void OnAbout();
    void OnSetup();
    void OnOK();
    void reject() override; // Escape
    void ShowProgress();
    void UpdateButtons();

    const MotionRun& Run() const { return m_run; }
    bool Expanded() const { return m_expanded; }
    int FullHeight() const { return m_fullHeight; }
    bool Animating() const;
    // The settings as the controls hold them.
    SetupValues Settings() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // RunEvents, on the worker thread.
    bool AskYesNo(const std::string& text) override;
    void ShowError(const std::string& title, const std::string& text) override;
    void ShowTotals(int32_t records, double seconds, int32_t motors) override;
    void Log(const std::string& line) override;
    void RunEnded() override;

    void BuildControls();
    void Display();
    void LoadSettings();
    void SaveSettings();
    bool Guard();
    void Animate(std::vector<int> heights, int intervalMs);
    void CloseWithSettings();

    platform::Profile& m_profile;
    MotionRun m_run;
    MotionTable m_table;
    QString m_path;
    bool m_expanded = false;
    int m_fullWidth = 0;
    int m_fullHeight = 0;
    std::vector<int> m_steps;
    QTimer* m_animation = nullptr;
    QTimer* m_timer = nullptr;

    QWidget* m_content = nullptr;
    QLineEdit* m_fileName = nullptr;
    QPushButton* m_browse = nullptr;
    QLineEdit* m_totalRecords = nullptr;
    QLineEdit* m_totalTime = nullptr;
    QLineEdit* m_currentRecord = nullptr;
    QLineEdit* m_currentTime = nullptr;
    QPlainTextEdit* m_positions = nullptr;
    QLineEdit* m_motors = nullptr;
    QLineEdit* m_timeDelta = nullptr;
    QPushButton* m_runButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_setupButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QComboBox* m_port = nullptr;
    std::array<QSpinBox*, 6> m_map{};
    QRadioButton* m_moveToOrigin = nullptr;
    QRadioButton* m_fromCurrent = nullptr;
    QSpinBox* m_v = nullptr;
    QSpinBox* m_a = nullptr;
};

} // namespace synmove
