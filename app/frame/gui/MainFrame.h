#pragma once
// The MDI main window of VQX: toolbar, status bar, the four dock bars, the tool-window slots, the
// program's one poll loop, its placement, and the close sequence that ends the program.

#include "app/framework/gui/DockMDI.h"
#include "app/framework/gui/ToolTimer.h"
#include "app/shell/CloseSequence.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/PollCycle.h"
#include "app/shell/ShellProject.h"
#include "app/shell/ToolWindow.h"
#include "app/shell/gui/FrameSite.h"
#include "app/shell/gui/MainStatusBar.h"
#include "app/shell/gui/ToolSlot.h"


#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CInfoBar;
class CTagArchive;
class QMenu;
class QToolBar;

namespace fw {
class CommandTable;
class CDockDlg;
} // namespace fw

class CMainFrame : public fw::CDockMDI, public shell::IFrameSite, private shell::ICloseParticipant {
    Q_OBJECT
public:
    explicit CMainFrame(shell::CAppContext& context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    shell::CAppContext& Context() const override { return m_context; }
    fw::CDockMDI& Window() override { return *this; }
    fw::CommandTable& Commands() const override { return *m_commands; }
    CMainStatusBar* StatusBar() const override { return m_status; }
    QToolBar* ToolBar() const { return m_toolBar; }

    // The four bars, in the order the frame registers them.
    CInfoBar* InfoBar() const override { return m_infoBar; }
    fw::CDockDlg* TerminalBar() const { return m_terminalBar; }
    fw::CDockDlg* ConfigBar() const { return m_configBar; }
    fw::CDockDlg* AnalyzerBar() const { return m_analyzerBar; }

    // ---- the project ----
    void SetProject(shell::IShellProject* project);
    shell::IShellProject& Project() const { return *m_project; }

    // ---- tool windows ----
    shell::IToolWindow* MonitorWindow(int slot) const override;
    shell::IToolWindow* MotorView(int slot) const override;
    void SetMonitorWindow(int slot, shell::IToolWindow* window) override;
    void SetMotorView(int slot, shell::IToolWindow* window) override;
    shell::IToolWindow* Playground() const override { return m_playground.get(); }
    shell::IToolWindow* Tuner() const override { return m_tuner.get(); }
    shell::IToolWindow* ChartView() const override { return m_chart.get(); }
    void SetPlayground(shell::IToolWindow* w) override
    {
        m_playground = w;
        if (w)
            WakePoll();
    }
    void SetTuner(shell::IToolWindow* w) override { m_tuner = w; }
    void SetChartView(shell::IToolWindow* w) override { m_chart = w; }
    // A tool window that closes clears its slot (whichever it is in).
    void ClearToolSlot(shell::IToolWindow* window) override;
    // Tells every tool window in a slot what changed under it (a window that closes meanwhile is
    // not told again).
    void TellToolWindows(const shell::SessionChange& change) override;
    shell::MotorLookupState MotorLookup() const override { return m_motorLookup ? m_motorLookup() : shell::MotorLookupState{}; }
    // The session's ports and terminal choice (none: no ports).
    void SetMotorLookup(std::function<shell::MotorLookupState()> lookup) { m_motorLookup = std::move(lookup); }

    // ---- the poll loop ----
    // The terminal bar's read of incoming data (state 0 of the cycle).
    void SetTerminalPoll(std::function<bool()> poll) { m_terminalPoll = std::move(poll); }
    // Runs one tick now (what the timer does) and returns the next delay.
    int PollTick();
    const shell::PollCycle& PollState() const { return m_poll; }
    fw::ToolTimer& PollTimer() { return m_pollTimer; }
    // A tool window came: a resting poll cycle polls at its usual pace again.
    void WakePoll();

    // ---- placement ----
    // Reads "Settings"\"WindowPos" and applies it hidden; false when the text does not count.
    bool RestoreWindowPos();
    void SaveWindowPos();

    // ---- title ----
    void UpdateFrameTitle();

    // ---- dock layout in the project file ----
    void SerializeDockDlgs(const char* groupName, CTagArchive& ar);

    // The find/replace dialog of the editor commands (destroyed when the frame closes).
    void SetFindDialog(QWidget* dialog) { m_findDialog = dialog; }

    // Handlers of the framework's own commands; other areas add theirs.
    void OnCommand(int id);
    void AddCommandHandler(std::function<bool(int id)> handler) override { m_handlers.push_back(std::move(handler)); }
    // Refuses commands while it answers false for them (a macro that runs takes only its Stop).
    void SetCommandGate(std::function<bool(int id)> gate) { m_gate = std::move(gate); }
    // What the update rules read of the program beyond the frame (the project, the current and
    // selected ports, the active document); the frame fills in its bars and lists.
    void SetStateProvider(std::function<shell::FrameState()> provider) { m_stateProvider = std::move(provider); }
    shell::FrameState RuleState() const;
    // A command's state by the update rules: from the state taken once for a refresh under way,
    // else from the state now.
    fw::CommandState RuleStateOf(int id) const;
    // The compiler's firmware version list (rebuilt at creation and after the options).
    void RebuildFirmwareList();
    const std::vector<std::string>& FirmwareVersions() const { return m_firmwareVersions; }
    QMenu* FirmwareMenu() const { return m_firmwareMenu; }
    void RebuildFirmwareMenu();

Q_SIGNALS:
    // The close sequence has run to its end (the frame is about to go).
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Every tool-window slot, monitor windows first, then motor views, playground, tuner, chart.
    std::vector<shell::ToolSlot*> AllSlots();
    void BuildCommands();
    void BuildMenus();
    void BuildToolBar();
    void BuildBars();
    void ToggleBar(fw::CDockDlg* bar);
    // F1: the help page of the bar being worked in, else the contents.
    void OnContextHelp();
    void OnFirmwareVersion(int id);

    // ICloseParticipant
    bool CloseHookAllows() override;
public:
    // Offers the changes of every open document to be saved; false when one must stay open.
    bool SaveModifiedDocuments() override;

private:
    bool ToolWindowsCanClose() override;
    bool ProjectIsDefault() override;
    bool ProjectModified() override;
    std::string ProjectPath() override;
    bool FrameVisible() override;
    bool SaveWorkspaceSetting() override;
    void WriteLastWorkspace(const std::string& path) override;
    bool SaveProject() override;
    int AskSaveProject() override;
    void CloseTunerAndPlayground() override;
    void ClosePorts() override;
    void CloseToolWindows() override;
    void StopPollTimer() override;
    void DestroyFindDialog() override;
    void CloseDocumentsAndDestroy() override;

public:
    // Files dropped on the frame (none: ignored).
    std::function<void(const std::vector<std::string>&)> onDropFiles;
    // "Where are my windows?": the four bars back at their first places, the children cascaded.
    void WhereAreMyWindows();
    // The close hook of the framework (none: allows).
    std::function<bool()> closeHook;

private:
    shell::CAppContext& m_context;
    fw::CommandTable* m_commands;
    CMainStatusBar* m_status;
    QToolBar* m_toolBar = nullptr;
    CInfoBar* m_infoBar = nullptr;
    fw::CDockDlg* m_terminalBar = nullptr;
    fw::CDockDlg* m_configBar = nullptr;
    fw::CDockDlg* m_analyzerBar = nullptr;

    shell::CDefaultShellProject m_defaultProject;
    shell::IShellProject* m_project = &m_defaultProject;

    shell::PollCycle m_poll;
    fw::ToolTimer m_pollTimer;
    std::function<bool()> m_terminalPoll;
    // Every window and widget the frame keeps across the event loop is guarded: it reads empty
    // once that object is destroyed, whatever destroyed it.
    std::array<shell::ToolSlot, shell::kToolSlots> m_monitors{};
    std::array<shell::ToolSlot, shell::kToolSlots> m_views{};
    shell::ToolSlot m_playground;
    shell::ToolSlot m_tuner;
    shell::ToolSlot m_chart;
    QPointer<QWidget> m_findDialog;
    QPointer<QWidget> m_savedFocus;
    bool m_active = false;
    bool m_closing = false;
    std::vector<std::function<bool(int)>> m_handlers;
    std::function<bool(int)> m_gate;
    std::function<shell::FrameState()> m_stateProvider;
    std::optional<shell::FrameState> m_refreshState;
    std::function<shell::MotorLookupState()> m_motorLookup;
    std::vector<std::string> m_firmwareVersions;
    QMenu* m_firmwareMenu = nullptr;
};

