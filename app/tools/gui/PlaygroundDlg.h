#pragma once
// The playground window (template 259): a modeless window over the main window that shows the
// form's state and hands the user's actions to it. It is polled by the main frame (slot 3).
#include "app/shell/ToolWindow.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/PlaygroundServices.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;
class QTableWidget;
class CCommPort;
class CScanner;

namespace tools { class CModelPictureView; }
namespace commerror { class ICommErrorHandler; }

namespace tools::gui {

class CIconButton;
class LedButton;
class RotButton;
class HoldButton;

class CPlaygroundDlg : public QDialog, public shell::IToolWindow {
public:
    // ports: the project's ports now; the window asks again whenever it lists them.
    CPlaygroundDlg(ui::COperationContext& context, CScanner& scanner, std::function<std::vector<CCommPort*>()> ports,
                   PlaygroundSettings settings, QWidget* parent);
    ~CPlaygroundDlg() override;

    // Shows the window with the given motor (none: the first of the list) and tab.
    void Show(CMotor* motor, int tab = 0);
    void SelectMotor(CMotor* motor);
    CPlaygroundForm& Form() { return *m_form; }
    PollingProgramService& Programs() { return *m_programs; }
    // Called once the window has gone (the frame clears its pointer).
    std::function<void()> closed;
    // Whether the window may hand over to the main window ("Show VQX"); off in play mode.
    void SetCanShowMain(bool on);
    // Runs the project's start-up and the first screens once the user leaves for the main window.
    std::function<void()> startMainWindow;
    // The main window's port services: the machine's serial ports, its Port Properties dialog
    // (true on OK) and appending a new port to the project (Configure Port, Detect Motors).
    struct PortDialogs {
        std::function<platform::ISerialPortProbe*()> probe;
        std::function<bool(QWidget* parent, CCommPort& port, bool isNew)> properties;
        std::function<bool(std::unique_ptr<CCommPort> port)> append;
    };
    void SetPortDialogs(PortDialogs dialogs);
    // The main frame's communication-error handler, which detects a port's motors (Detect Motors).
    commerror::ICommErrorHandler* commError = nullptr;
    // Opens a help topic (F1: the window's page).
    std::function<void(const std::string& topic)> help;

    // shell::IToolWindow
    bool PollStep() override;
    bool CanClose() override { return true; }
    void RequestClose() override;
    const CMotor* Motor() const override { return m_form->Motor(); }
    // Its motor going sets it to none; a port of its list going or the port list changing lists
    // the project's ports again, after the change.
    void SessionChanged(const shell::SessionChange& change) override;

    void Refresh();

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void BuildTop();
    QWidget* BuildJogPage();
    struct SpeedControls;
    struct SpeedIds {
        int page, slider, maximum;
        const char *maximumLabel, *maximumTip, *stopTip;
        void (*maximumChanged)(CSpeedPage&, const std::string&);
        void (*stopClicked)(CSpeedPage&, bool);
        void (*slider_)(CSpeedPage&, Scroll, int);
    };
    QWidget* BuildSpeedPage(CSpeedPage& model, SpeedControls& c, const SpeedIds& ids);
    void RefreshSpeed(CSpeedPage& page, SpeedControls& c, bool on);
    QWidget* BuildVelocityPage();
    QWidget* BuildTorquePage();
    QWidget* BuildTerminalPage();
    QWidget* BuildInfoPage();
    void FillLists();
    // FillLists and Refresh after the current event; once however often asked meanwhile.
    void FillListsLater();
    void Finish();
    void OnShowMain();
    bool MainHidden() const;

    std::unique_ptr<MotorPlaygroundIo> m_io;
    std::unique_ptr<PollingProgramService> m_programs;
    std::unique_ptr<CPlaygroundForm> m_form;
    std::function<std::vector<CCommPort*>()> m_ports;
    bool m_refreshing = false;
    bool m_finished = false;
    bool m_fillQueued = false;
    bool m_canShowMain = true;
    LeaveChoice m_leaving;

    QComboBox* m_portList = nullptr;
    QComboBox* m_motorList = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_detect = nullptr;
    QPushButton* m_configure = nullptr;
    CIconButton* m_stop = nullptr;
    CIconButton* m_off = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_showMain = nullptr;
    QCheckBox* m_showAtStartup = nullptr;
    QLabel* m_address = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_model = nullptr;
    CIconButton* m_link = nullptr;
    CModelPictureView* m_picture = nullptr;
    QLabel* m_ioTitle = nullptr;
    QLabel* m_ioNote = nullptr;
    QCheckBox* m_left = nullptr;
    QCheckBox* m_soft = nullptr;
    QCheckBox* m_right = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<LedButton*, 23> m_statusLeds{};
    std::array<QLabel*, 23> m_statusLabels{};
    std::array<LedButton*, 5> m_inputLeds{};
    std::array<QLabel*, 5> m_inputLabels{};
    std::array<LedButton*, 7> m_ioLeds{};
    std::array<QLabel*, 7> m_ioLabels{};

    struct JogControls {
        QLineEdit *velocity, *fast, *acceleration, *left, *right, *destination, *current;
        QLabel *leftLabel, *rightLabel, *centreLabel;
        QSlider* slider;
        RotButton* knob;
        QCheckBox *stopOnRelease, *fastJog;
        QWidget* page;
    } m_jog{};
    struct SpeedControls {
        QLineEdit *maximum, *acceleration, *speed, *torque, *current;
        QLabel *top, *bottom;
        QSlider* slider;
        RotButton* knob;
        QCheckBox* stopOnRelease;
        QWidget* page;
    } m_vel{}, m_tq{};
    QTableWidget* m_termList = nullptr;
    QLineEdit* m_termEdit = nullptr;
    QLabel* m_infoTitle = nullptr;
    QTableWidget* m_infoList = nullptr;
};

} // namespace tools::gui
