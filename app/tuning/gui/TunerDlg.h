#pragma once
// The tuner window (template 180): a modeless window over the main window for one target motor.
// It shows the tuner form's state (pages, chart, statistics, ruler) and hands the user's actions
// to it; it samples in its own run, so it takes no step of the main frame's poll cycle.
#include "app/shell/ToolWindow.h"
#include "app/tuning/TunerForm.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class CProject;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QTabWidget;
class QTableWidget;
namespace shell { class IDesktopServices; }

namespace tuning::gui {

class CTunerDlg : public QDialog, public shell::IToolWindow {
public:
    struct Wiring {
        ui::COperationContext* context = nullptr;
        CScanner* scanner = nullptr;
        CProject* project = nullptr;
        shell::IDesktopServices* desktop = nullptr;
        commerror::ICommErrorHandler* commError = nullptr;
        std::string backupFolder = tools::CProgramBackupStore::DefaultFolder();
        std::function<void(const std::string& topic)> help; // opens a page of the guide
    };
    CTunerDlg(Wiring wiring, uint32_t key, QWidget* parent);
    ~CTunerDlg() override;

    // Reads the target's gains; only then the window is built and shown. False: nothing shown
    // (the failure was reported); the caller deletes the object.
    bool Show();
    CTunerForm& Form() { return m_form; }
    // Called once the window has gone (the frame clears its slot).
    std::function<void()> closed;

    // shell::IToolWindow
    bool PollStep() override { return false; }
    bool CanClose() override { return true; }
    void RequestClose() override;
    const CMotor* Motor() const override { return m_form.Motor(); }
    // Its motor, or the port of its motor, going: the motor is set to none and the user chooses
    // another (the choose-motor command, after this event). Motors about to change get the
    // programs saved from them back first; a program that could not go back then goes back once
    // its motor is in the project again.
    void SessionChanged(const shell::SessionChange& change) override;

    // The commands of the toolbar, the context menu and the buttons.
    void OnCommand(int id);
    void OnRun();
    void OnOpen();
    void OnSave();
    void OnSaveAs();
    void OnCopyData();
    void OnCopyImage();
    void OnSelectMotor();
    void OnMotorRemoved();
    void Refresh();
    // The chart image as last drawn.
    const QImage& ChartImage() const { return m_image; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Build();
    QWidget* BuildModePage();
    QWidget* BuildSettingsPage();
    QWidget* BuildValuesPage();
    void RefreshSettings();
    void RefreshValues();
    void DrawChart();
    void ShowRuler();
    void Finish();
    void RestoreWaitingLater();
    void Help(const char* topic);

    Wiring m_wiring;
    CTunerForm m_form;
    std::string m_targetError;
    bool m_built = false;
    bool m_finished = false;
    bool m_restoreQueued = false;
    bool m_settingRuler = false;
    chart::Picture m_picture;
    QImage m_image;

    QLabel* m_motorName = nullptr;
    QCheckBox* m_hGrid = nullptr;
    QCheckBox* m_vGrid = nullptr;
    QLineEdit* m_rulerTime = nullptr;
    QLineEdit* m_rulerSample = nullptr;
    QSpinBox* m_rulerSpin = nullptr;
    QScrollBar* m_scroll = nullptr;
    QTableWidget* m_list = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_picture_ = nullptr;
    std::array<QRadioButton*, 3> m_modes{};
    struct SettingsControls {
        QLineEdit *time, *speed, *acceleration, *offset, *wait, *program;
        QRadioButton *cw, *ccw;
        QCheckBox *ret, *switch38400, *pollError;
        QPushButton* browse;
    } m_set{};
    std::array<QLineEdit*, 8> m_motorValues{};
    std::array<QLineEdit*, 8> m_newValues{};
};

} // namespace tuning::gui
