#pragma once
// The main frame's commands that work on the project: each id of the command table reaches its
// worker here (ports, motors, builds, the configuration tree's items), and the update rules get
// the project's part of the program state. Widget-free workers do the work; this class finds the
// current port, the selected tree item or the chosen file and hands them over.

#include "app/project/CommandSurroundings.h"
#include "app/setup/gui/SetupServices.h"
#include "app/shell/FrameCommandTable.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "platform/serial/SerialProbe.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CConfigBar;
class CMainFrame;
class CMotor;
class CMotorViewWindows;
class CProject;
class CScanner;
class CTerminalBar;
class CVQXView;
namespace fw {
class DocTemplates;
}
namespace platform {
class ISerialPortProbe;
}
namespace commerror {
class ICommErrorHandler;
}
namespace tuning::gui {
class CCalibrationCommands;
}

class CFrameCommands final : public ICommandSurroundings {
public:
    CFrameCommands(CMainFrame& frame, CProject& project, CTerminalBar& bar, CConfigBar& tree,
                   commerror::ICommErrorHandler& query, IDetectionSurroundings& session);
    ~CFrameCommands() override;

    // Runs a command; false when the id is not one of these.
    bool OnCommand(int id);
    // The program state the update rules read (the frame adds its bars and lists).
    shell::FrameState State() const;
    // Files dropped on the main frame.
    void OnDropFiles(const std::vector<std::string>& files);
    // New Project; withWizard (the first-run welcome): the name page only, then the setup wizard
    // finds the ports and motors of the new project.
    void NewProject(bool withWizard);
    // The setup wizard on the project; a project it made becomes the program's project.
    void RunSetupWizard();

    // Opens a project file (the session's OpenOrNew) and puts a file on the recent-project list.
    std::function<bool(const std::string& path)> openProject;
    std::function<void(const std::string& path)> addRecentProject;
    // The document templates that open files (none: files are not opened).
    fw::DocTemplates* templates = nullptr;
    // The serial devices the port dialogs list (null: the machine's).
    platform::ISerialPortProbe* serialProbe = nullptr;
    // The calibration wizards and the lock-up wizard (the information view and the error query
    // reach them too).
    tuning::gui::CCalibrationCommands& Calibration() { return *m_calibration; }

    // ICommandSurroundings
    void ShowPortText(int portIndex, const std::string& text) override;
    void ShowPortError(int portIndex, const std::string& text) override;
    void MotorsChanging(CCommPort& port) override;
    void PortsChanged() override;
    int TargetAddress(int portIndex) override { return m_session.TargetAddress(portIndex); }
    uint32_t CommError(uint32_t request, commerror::Target target) override;
    void RebuildTree(bool show) override;
    void PortSettingsChanged(int portIndex) override;
    void TalkToMotors() override;
    bool OpenUploadedProgram(const std::string& file, const std::string& title, bool calibration) override;
    bool SaveOpenDocument(const std::string& path) override;
    int AskDifferentSettings(CProject& project, const std::vector<CCommPort*>& detected) override;
    using ICommandSurroundings::AskDifferentSettings;
    void ResolveMotor(CMotor& motor, CMotor& read) override;

private:
    void ShowProjectBars();
    bool OnTreeCommand(int id);
    // What the set-up dialogs are handed: the frame's context, its firmware versions, the
    // detection query and the serial devices.
    setup::SetupServices SetupDialogServices();
    void SendToEveryPane(const char* line);
    void SaveProjectAs();
    // Save All: the project, then every source document that has a file and changes.
    void SaveAll();
    // Configure Port and a new port's detection in the playground.
    tools::gui::CPlaygroundDlg::PortDialogs PlaygroundPortDialogs();
    // Port Properties of a project port over `parent` (null: the main window); true on OK.
    bool EditPortProperties(CCommPort& port, QWidget* parent = nullptr);
    bool OnMotorProperties(CMotor& motor);
    // "Download the program": the active editor's document compiled into the motor.
    void DownloadEditorDocument(CVQXView& view, CMotor& motor);
    // The tree's selected port, motor and file (null when the selection is not of that level).
    CCommPort* SelectedPort(int* index = nullptr) const;
    CMotor* SelectedMotor() const;
    int SelectedFile() const;
    std::vector<std::string> ChooseFiles(const char* title, const char* filter, bool many);
    bool OpenDocument(const std::string& path);
    // The select-motor dialog preset to `selection`; false when cancelled.
    bool ChooseMotor(uint32_t& selection, int flags, bool* blind);

    CMainFrame& m_frame;
    CProject& m_project;
    CTerminalBar& m_bar;
    CConfigBar& m_tree;
    commerror::ICommErrorHandler& m_query;
    IDetectionSurroundings& m_session;
    std::unique_ptr<tuning::gui::CCalibrationCommands> m_calibration;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    platform::SystemSerialProbe m_machineProbe; // the playground's port list when no probe is set
    std::unique_ptr<CMotorViewWindows> m_motorViews;
};
