#include "app/frame/gui/ProjectSession.h"

#include "app/framework/gui/CommandTable.h"
#include "app/framework/LongOperation.h"
#include "app/framework/WindowPlacement.h"
#include "app/framework/gui/DockDlg.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/framework/gui/Text8.h"
#include "app/project/SelectMotor.h"
#include "app/project/TerminalMenu.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/frame/gui/FrameCommands.h"
#include "app/project/gui/MacrosDlg.h"
#include "app/project/gui/PortWindowsEvents.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TermView.h"
#include "app/project/gui/TerminalView.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "app/setup/gui/PortPages.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/InfoBar.h"
#include "app/tuning/gui/CalibrationCommands.h"
#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/MonitorWindows.h"
#include "app/tools/gui/MonitorDlg.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/VQXException.h"
#include "core/settings/Options.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"
#include "platform/paths/Paths.h"
#include "platform/serial/SerialProbe.h"
#include "scanner/Scanner.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <QLineEdit>


namespace {

// A part of the program that keeps its state in the project file through one routine.
class CSectionRoutine final : public IProjectSection {
public:
    explicit CSectionRoutine(std::function<void(const std::string&, CTagArchive&)> routine) : m_routine(std::move(routine)) {}
    void SerializeSection(const std::string& group, CTagArchive& ar) override { m_routine(group, ar); }

private:
    std::function<void(const std::string&, CTagArchive&)> m_routine;
};

} // namespace

CProjectSession::CProjectSession(CMainFrame& frame)
    : m_frame(frame), m_bar(new CTerminalBar(frame.Context().Operation())), m_actions(m_project, *this, [this](int choice) { RunRecoveryCommand(choice); }),
      m_query(m_actions, frame.Context().Questions()), m_shell(m_project)
{
    m_project.SetContext(&frame.Context().Operation());
    m_frame.TerminalBar()->setWidget(m_bar);
    // The analyzer records the traffic of the project's ports and shows it in its bar.
    m_analyzer = new CSerialDataAnalyzerWnd(frame.Context());
    m_frame.AnalyzerBar()->setWidget(m_analyzer);
    // A traffic log the context already has (a test's own) stays.
    if (!m_project.Context().TrafficLog())
        m_project.Context().SetTrafficLog(&m_analyzer->Analyzer());
    m_analyzer->ApplyOptions(m_project.Context().Options());
    m_project.SetSectionOwner("SDAView", m_analyzer);
    m_layoutSection = std::make_unique<CSectionRoutine>(
        [this](const std::string& group, CTagArchive& ar) { m_frame.SerializeDockDlgs(group.c_str(), ar); });
    m_scannerSection = std::make_unique<CSectionRoutine>(
        [this](const std::string& group, CTagArchive& ar) { m_frame.Context().Scanner().SerializeSettings(ar, group); });
    m_project.SetSectionOwner("MainFrame", m_layoutSection.get());
    m_project.SetSectionOwner("Scanner", m_scannerSection.get());
    m_bar->SetProject(&m_project);
    m_bar->SetCommErrorHandler(&m_query);
    m_frame.SetTerminalPoll([this] { return m_bar->PollIncoming(); });
    m_frame.SetMotorLookup([this] {
        shell::MotorLookupState s;
        for (int i = 0; i < m_project.PortCount(); ++i)
            s.ports.push_back(m_project.Port(i));
        const int tab = m_bar->CurrentTab();
        s.currentPort = m_project.Port(tab);
        s.currentAddress = s.currentPort ? m_bar->GetTargetAddress(tab) : -1;
        return s;
    });
    m_frame.SetProject(&m_shell);
    m_project.collectDocuments = [this] { return CollectDocuments(); };
    m_shell.openOrNew = [this](const std::string& file, bool keep) { return OpenOrNew(file, keep); };
    m_shell.runMacro = [this](CMacro& macro) {
        if (m_bar->CurrentTab() < 0)
            return;
        fw::LongOperation busy;
        m_macros.Run(macro, m_bar->Pane(m_bar->CurrentTab()), [] { QApplication::processEvents(); });
    };
    // Keys without a menu item live on the frame's window, so that they work wherever the focus is.
    for (int d = 0; d <= 9; ++d) {
        fw::CommandInfo key;
        key.id = cmd::ID_MACRO_KEY_FIRST + d;
        key.shortcut = "Ctrl+" + std::to_string(d);
        m_frame.addAction(m_frame.Commands().Add(key));
    }
    fw::CommandInfo stop;
    stop.id = cmd::ID_MACRO_STOP;
    stop.shortcut = "Ctrl+Pause"; // the Break key
    m_frame.addAction(m_frame.Commands().Add(stop));
    // While a Ctrl+digit macro runs, only its Stop is taken.
    m_frame.SetCommandGate([this](int id) { return !m_macros.Running() || id == cmd::ID_MACRO_STOP; });
    auto add = [this](int id, const char* text, const char* key = nullptr) {
        fw::CommandInfo info;
        info.id = id;
        info.menuText = text;
        info.shortcut = key ? key : "";
        m_frame.Commands().Add(info);
    };
    add(cmd::ID_MACRO, "&Macro...");
    add(terminalmenu::kClear, "Clear");
    add(terminalmenu::kSave, "Save");
    add(terminalmenu::kCopy, "Copy");
    m_frame.AddCommandHandler([this](int id) { return OnCommand(id); });
    m_bar->runCommand = [this](int id) { m_frame.Commands().Execute(id); };
    // The configuration tree and the commands of the project.
    m_tree = new CConfigBar(m_frame.Commands());
    m_frame.ConfigBar()->setWidget(m_tree);
    m_tree->SetProject(&m_project);
    m_commands = std::make_unique<CFrameCommands>(m_frame, m_project, *m_bar, *m_tree, m_query, *this);
    m_commands->openProject = [this](const std::string& path) { return OpenOrNew(path, false); };
    m_actions.runCommandFor = [this](int choice, int portIndex) { RunRecoveryCommand(choice, portIndex); };
    if (CInfoBar* info = m_frame.InfoBar())
        info->runCalibration = [this](uint32_t dataWord, bool verify) {
            m_commands->Calibration().OnCalibrateMotorKey(dataWord, verify);
        };
    m_commands->addRecentProject = [this](const std::string& path) {
        if (recentProject)
            recentProject(path);
    };
    // A motor or port of the project that goes is let go of by every window that shows it
    // (detection, deletion, another project), before anything reads it again.
    CMainFrame* f = &m_frame;
    CMotor::SetDestroyHook([f](CMotor* motor) { f->RemoveMotorWindows(motor); });
    CCommPort::SetDestroyHook([f](CCommPort* port) { f->TellToolWindows({shell::SessionChange::PortGoing, nullptr, port}); });
    // The ports tell the windows when they open, close or learn their motors.
    m_portEvents = std::make_unique<CPortWindowsEvents>(m_project, *m_bar, *m_tree);
    if (!m_project.Context().PortEvents())
        m_project.Context().SetPortEvents(m_portEvents.get());
    m_frame.onDropFiles = [this](const std::vector<std::string>& files) { m_commands->OnDropFiles(files); };
}

CProjectSession::~CProjectSession()
{
    if (m_editor) {
        m_editor->project = nullptr;
        m_editor->commError = nullptr;
        m_editor->currentTarget = {};
        m_editor->showTerminal = {};
    }
    // The bar outlives the session (the frame deletes it): it must not reach the project after.
    if (m_bar)
        m_bar->SetProject(nullptr);
    m_frame.SetTerminalPoll({});
    m_frame.SetMotorLookup({});
    m_frame.SetCommandGate({});
    m_frame.onDropFiles = {};
    if (CInfoBar* info = m_frame.InfoBar())
        info->runCalibration = {};
    // The ports go while the windows that may still show them are told (a close refused by a
    // window leaves them open until the frame goes).
    m_project.RemoveAll();
    CMotor::SetDestroyHook({});
    CCommPort::SetDestroyHook({});
    if (m_project.Context().PortEvents() == m_portEvents.get())
        m_project.Context().SetPortEvents(nullptr);
    m_commands.reset();
    if (m_tree)
        m_tree->SetProject(nullptr);
    m_project.SetSectionOwner("TerminalView", nullptr);
    m_project.SetSectionOwner("SDAView", nullptr);
    m_project.SetSectionOwner("MainFrame", nullptr);
    m_project.SetSectionOwner("Scanner", nullptr);
    if (m_project.Context().TrafficLog() == &m_analyzer->Analyzer())
        m_project.Context().SetTrafficLog(nullptr);
    m_analyzer->UpdatePortTabs(nullptr);
}

void CProjectSession::Start(const std::string& startupDevice)
{
    platform::SystemSerialProbe probe;
    const bool configured = DefaultProjectExists();
    m_project.LoadDefault(&probe);
    if (!configured)
        AdoptStartupPort(m_project, startupDevice);
    ShowDefaultBars();
    m_project.ApplySections();
    m_bar->UpdatePortTabs();
    m_analyzer->UpdatePortTabs(&m_project);
    RestoreDocuments();
    m_bar->UpdatePortTabs();
    m_tree->RebuildTree(false);
}

void CProjectSession::SetTemplates(fw::DocTemplates* templates)
{
    m_templates = templates;
    m_commands->templates = templates;
}

bool CProjectSession::RunShortcutMacro(int digit)
{
    CMacro* macro = CMacroRunner::FindByShortcut(m_project.Macros(), digit);
    if (!macro || m_macros.Running() || m_bar->CurrentTab() < 0)
        return false;
    // The events are processed between the commands, so Ctrl+Break reaches the macro; no timer
    // and no close may start anything meanwhile.
    fw::LongOperation busy;
    return m_macros.Run(*macro, m_bar->Pane(m_bar->CurrentTab()), [] { QApplication::processEvents(); });
}

void CProjectSession::ShowPortText(int portIndex, const std::string& text) { m_bar->ShowPortText(portIndex, text); }

void CProjectSession::ShowPortError(int portIndex, const std::string& text)
{
    if (portIndex >= 0 && portIndex < CTerminalBar::kPanes)
        m_bar->Pane(portIndex).ShowError(text);
}

void CProjectSession::MotorsChanging(CCommPort& port)
{
    for (int i = 0; i < port.MotorCount(); ++i)
        m_frame.RemoveMotorWindows(port.motors.GetAt(i));
}

void CProjectSession::PortsChanged()
{
    m_bar->UpdatePortTabs();
    m_tree->RebuildTree(false);
    m_analyzer->UpdatePortTabs(&m_project);
    m_frame.TellToolWindows({shell::SessionChange::PortsChanged});
}

int CProjectSession::TargetAddress(int portIndex)
{
    return portIndex >= 0 && portIndex < m_bar->Tabs()->count() ? m_bar->GetTargetAddress(portIndex) : -1;
}

bool CProjectSession::OnCommand(int id)
{
    if (id >= cmd::ID_MACRO_KEY_FIRST && id <= cmd::ID_MACRO_KEY_LAST) {
        RunShortcutMacro(id - cmd::ID_MACRO_KEY_FIRST);
        return true;
    }
    if (id == cmd::ID_MACRO_STOP) {
        m_macros.Stop();
        return true;
    }
    // The find commands of a terminal or analyzer file in front.
    if (QMdiSubWindow* active = m_frame.MdiArea()->activeSubWindow())
        if (auto* view = qobject_cast<CTermView*>(active->widget()); view && view->OnCommand(id))
            return true;
    const int tab = m_bar->CurrentTab();
    switch (id) {
    case cmd::ID_MACRO: {
        CMacrosDlg dlg(
            &m_frame, m_project, m_macros, m_project.Context().Questions(),
            [this]() -> IMacroTarget* { return m_bar->CurrentTab() >= 0 ? &m_bar->Pane(m_bar->CurrentTab()) : nullptr; },
            m_frame.Context());
        dlg.exec();
        return true;
    }
    case terminalmenu::kClear:
        if (tab >= 0) {
            m_bar->Pane(tab).Clear();
            m_bar->CommandEdit()->clear();
        }
        return true;
    case terminalmenu::kCopy:
        if (tab >= 0)
            m_bar->View(tab)->copy();
        return true;
    case terminalmenu::kSave: {
        if (tab < 0 || !m_project.Port(tab))
            return true;
        const QString suggested = fw::ToQt(m_project.Port(tab)->Name) + QStringLiteral(".trm");
        shell::FileChoice choice;
        choice.start = suggested;
        choice.filter = QStringLiteral("Terminal Files (*.trm);;All Files (*)");
        QString path = m_frame.Context().Desktop().ChooseSaveFile(&m_frame, choice);
        // A name typed without an extension is a terminal file all the same.
        if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".trm");
        std::string error;
        if (!path.isEmpty() && !m_bar->SavePane(tab, path.toStdString(), &error))
            ui::OptionMessageBox(m_project.Context().Questions(), error, ui::MB_OK | ui::MB_ICONHAND);
        return true;
    }
    }
    return false;
}

int CProjectSession::AskDifferentSettings(CCommPort& port, CCommPort& detected)
{
    CDifferentSettingsDlg dlg(&m_frame, port, detected, m_project);
    dlg.motorGoing = [this](CMotor* motor) { m_frame.RemoveMotorWindows(motor); };
    return dlg.exec();
}

// ---- opening and closing projects ----

namespace {

// The eleven numbers stored for a window: flags 0, its show command, no minimised or maximised
// position, its normal rectangle, and `last` (the active document, a polling monitor).
std::vector<long long> PlacementNumbers(const QWidget& w, bool last)
{
    const QRect r = w.isMaximized() || w.isMinimized() ? w.normalGeometry() : w.geometry();
    const long long show = w.isMaximized() ? fw::SW_SHOWMAXIMIZED
                           : w.isMinimized() ? fw::SW_SHOWMINIMIZED
                                             : fw::SW_SHOWNORMAL;
    return {0, show, -1, -1, -1, -1, r.left(), r.top(), r.right() + 1, r.bottom() + 1, last ? 1 : 0};
}

// Puts a window where its stored numbers say; without ten numbers or with an empty rectangle it
// stays where it is. A top-level window stored on a screen that is gone comes back on this one.
void ApplyPlacement(QWidget& w, const std::vector<long long>& p, bool topLevel)
{
    if (p.size() < 10)
        return;
    auto at = [&p](size_t i) { return static_cast<int32_t>(std::clamp<long long>(p[i], INT32_MIN, INT32_MAX)); };
    fw::PlacementRect rect{at(6), at(7), at(8), at(9)};
    if (!rect.Empty()) {
        if (QScreen* screen = topLevel ? QGuiApplication::primaryScreen() : nullptr) {
            const QRect a = screen->availableGeometry();
            rect = fw::FitOnScreen(rect, {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
        }
        w.setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    }
    if (p[1] == fw::SW_SHOWMAXIMIZED)
        w.showMaximized();
    else if (p[1] == fw::SW_SHOWMINIMIZED)
        w.showMinimized();
}

} // namespace

std::string CProjectSession::CollectDocuments() const
{
    std::vector<OpenDocumentEntry> entries;
    QMdiSubWindow* active = m_frame.MdiArea()->activeSubWindow();
    for (QMdiSubWindow* w : m_frame.MdiArea()->subWindowList()) {
        auto* child = qobject_cast<fw::CChildFrame*>(w);
        if (!child || child->PathName().isEmpty())
            continue;
        OpenDocumentEntry e;
        e.path = child->PathName().toStdString();
        e.placement = PlacementNumbers(*child, w == active);
        entries.push_back(std::move(e));
    }
    // Then the monitor windows that show a file, in the order of the frame's table; the last
    // number says whether the window was polling.
    for (int slot = 0; slot < shell::kToolSlots; ++slot) {
        const auto* monitor = dynamic_cast<const CMonitorDlg*>(m_frame.MonitorWindow(slot));
        if (!monitor || monitor->Form().FilePath().empty())
            continue;
        OpenDocumentEntry e;
        e.kind = OpenDocumentEntry::Monitor;
        e.path = monitor->Form().FilePath();
        e.placement = PlacementNumbers(*monitor, monitor->Form().Polling());
        entries.push_back(std::move(e));
    }
    return FormatOpenDocuments(entries);
}

void CProjectSession::RestoreDocuments()
{
    // Guarded: a document opened later may close it (or ask a question that lets the user do so).
    QPointer<QMdiSubWindow> activate;
    for (const OpenDocumentEntry& e : ParseOpenDocuments(m_project.OpenDocuments)) {
        if (e.kind == OpenDocumentEntry::Monitor) {
            RestoreMonitor(e);
            continue;
        }
        // Motor views come with their own windows; without them their entries are passed over.
        if (e.kind != OpenDocumentEntry::Document || !m_templates)
            continue;
        std::string error;
        fw::CChildFrame* child = m_templates->OpenDocument(m_frame.MdiArea(), QString::fromStdString(e.path), &error);
        if (!child) {
            m_project.Context().Info().AddError(error);
            continue;
        }
        ApplyPlacement(*child, e.placement, false);
        if (e.active())
            activate = child;
    }
    if (activate)
        m_frame.MdiArea()->setActiveSubWindow(activate);
}

namespace {

void RunWhenNoBoxIsUp(QObject* context, std::function<void()> run)
{
    QTimer::singleShot(QApplication::activeModalWidget() ? 50 : 0, context, [context, run = std::move(run)]() mutable {
        if (QApplication::activeModalWidget())
            RunWhenNoBoxIsUp(context, std::move(run));
        else
            run();
    });
}

} // namespace

void CProjectSession::RestoreMonitor(const OpenDocumentEntry& entry)
{
    // A file that cannot be read, or a full table, is one line in the information view: the
    // project goes on opening.
    std::string problem;
    CMonitorDlg* monitor = OpenMonitorWindow({m_frame, m_project, *m_bar, m_query}, entry.path, &problem);
    if (!monitor) {
        m_project.Context().Info().AddError(entry.path + ": " + problem);
        return;
    }
    ApplyPlacement(*monitor, entry.placement, true);
    if (entry.placement.size() >= 11)
        monitor->Form().SetPolling(entry.placement[10] != 0);
}

void CProjectSession::RunRecoveryCommand(int choice, int portIndex)
{
    int id = 0;
    switch (choice) {
    case commerror::kRunSetupWizard: id = cmd::ID_COMM_WIZARD; break;
    case commerror::kRunLockupWizard:
        // The lock-up wizard's own command, starting on the port of the error.
        id = cmd::ID_LOCKUP_WIZARD;
        m_commands->Calibration().PreselectLockupPort(portIndex);
        break;
    case commerror::kManualSettings: id = cmd::ID_COMM_SETTINGS; break;
    default: return;
    }
    // After the failed operation has given up and left the stack: the command may replace the
    // ports and motors that operation still holds. The query's last box (the summary) runs an
    // event loop of its own, so the command waits until no modal box is up any more.
    RunWhenNoBoxIsUp(&m_frame, [frame = &m_frame, id] { frame->Commands().Execute(id); });
}

void CProjectSession::ShowDefaultBars()
{
    if (m_project.HasSection("MainFrame"))
        return;
    m_frame.ShowControlBar(m_frame.TerminalBar(), true);
    m_frame.ShowControlBar(m_frame.ConfigBar(), true);
    m_frame.ShowControlBar(m_frame.InfoBar(), false);
    m_frame.ShowControlBar(m_frame.AnalyzerBar(), false);
}

void CProjectSession::ClearWindows(bool keepState)
{
    if (!keepState) {
        m_project.CloseAllPorts();
        for (int i = 0; i < CTerminalBar::kPanes; ++i)
            m_bar->Pane(i).Clear();
        m_analyzer->ClearPages(); // the traffic of the old project's ports is no longer theirs
    }
    m_project.Context().Info().Clear();
    if (!keepState)
        fw::CloseAllDocuments(m_frame.MdiArea()); // their changes were offered to be saved
}

bool CProjectSession::OpenOrNew(const std::string& fileName, bool keepState, bool runStartup)
{
    ui::IQuestions& questions = m_project.Context().Questions();
    if (!m_frame.SaveModifiedDocuments())
        return false;
    if (m_project.Context().Options().SaveWorkspace) {
        m_project.Save();
    } else if (m_project.modified && !m_project.isDefault) {
        const int answer = ui::OptionMessageBox(questions, kSaveChangesQuestion, ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
        if (answer == ui::IDCANCEL)
            return false;
        if (answer == ui::IDYES && !m_project.Save())
            return false;
    }

    platform::SystemSerialProbe probe;
    if (fileName.empty()) {
        ClearWindows(false);
        m_bar->SetProject(nullptr);
        m_project.LoadDefault(&probe);
        m_bar->SetProject(&m_project);
        ShowDefaultBars();
        m_project.ApplySections();
        PortsChanged();
        m_frame.UpdateFrameTitle();
        return true;
    }
    auto fresh = std::make_unique<CProject>();
    fresh->SetContext(&m_project.Context());
    if (fileName == kSampleProject) {
        fresh->EnumSerialPorts(probe);
        fresh->isDefault = false;
        fresh->Name = "Sample";
        fresh->Path = platform::UserDataPath("Sample");
        fresh->FileName = platform::JoinPath(fresh->Path, "Sample.spj");
        std::error_code ec;
        std::filesystem::create_directories(fresh->Path, ec);
        if (!fresh->Save())
            return false;
    } else {
        try {
            fresh->Load(fileName);
        } catch (const CVQXException& e) {
            ui::OptionMessageBox(questions, e.GetMessage(), ui::MB_OK | ui::MB_ICONSTOP);
            return false;
        }
    }
    ClearWindows(keepState);
    m_bar->SetProject(nullptr);
    m_project.Copy(*fresh);
    m_bar->SetProject(&m_project);
    ShowDefaultBars();
    m_project.ApplySections();
    m_bar->UpdatePortTabs();
    if (recentProject)
        recentProject(m_project.FileName);
    RestoreDocuments();
    if (runStartup)
        m_shell.RunStartup();
    PortsChanged();
    m_frame.UpdateFrameTitle();
    return true;
}

// The editor reaches the session's project, communication-error query and terminal bar.
void CProjectSession::ConnectEditor(editor::EditorEnvironment& env)
{
    m_editor = &env;
    env.project = &m_project;
    env.commError = &m_query;
    CTerminalBar* bar = m_bar;
    env.currentTarget = [bar] {
        const int tab = bar->CurrentTab();
        return selectmotor::MakeSelection(tab < 0 ? 0 : tab, bar->GetTargetAddress(tab));
    };
    env.showTerminal = [bar, frame = &m_frame](CCommPort* port) {
        if (fw::CDockDlg* dock = frame->TerminalBar())
            dock->show();
        if (port && port->id >= 0 && port->id < bar->Tabs()->count())
            bar->Tabs()->setCurrentIndex(port->id);
    };
}
