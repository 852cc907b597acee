#include "app/frame/gui/FrameCommands.h"

#include "app/editor/SourceBuild.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/project/AssociatedFiles.h"
#include "app/project/CompareDetected.h"
#include "app/frame/gui/MonitorWindows.h"
#include "app/frame/gui/ChartViewWindow.h"
#include "app/frame/gui/MotorViewWindows.h"
#include "app/project/MotorPrograms.h"
#include "app/project/PollingHeld.h"
#include "app/project/PortCommands.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "app/project/ProjectBuild.h"
#include "app/project/ProjectSaveAs.h"
#include "app/project/ValidateMotor.h"
#include "app/project/SelectMotor.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/frame/gui/OptionsCommand.h"
#include "app/project/gui/ResolveMotorsDlg.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/setup/gui/CommWizardDlg.h"
#include "app/setup/gui/MotorSettingsDlg.h"
#include "app/setup/gui/PortPages.h"
#include "app/setup/gui/ProjectPages.h"
#include "app/shell/CommandIds.h"
#include "app/tools/gui/PlaygroundCommand.h"
#include "app/tuning/gui/CalibrationCommands.h"
#include "app/tuning/gui/TunerCommand.h"
#include "app/shell/FrameDecisions.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/ReaddressDlg.h"
#include "core/VQXException.h"
#include "core/shared/SharedFunctions.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"
#include "platform/fs/AtomicFile.h"
#include "platform/paths/Paths.h"
#include "platform/serial/SerialProbe.h"
#include "scanner/Scanner.h"

#include <QMdiArea>
#include <QUrl>

#include <filesystem>
#include <optional>

namespace {

using namespace shell::ids;

constexpr const char* kClearQuestion =
    "Any program in the motor will be permanently overwriten with a program containing only an \"END\" "
    "command.\n\nAre you sure you want to continue?";

// "A|*.a|B|*.b||" as a dialog filter.
QString DialogFilter(const char* filter)
{
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out.join(QStringLiteral(";;"));
}

shell::RulePort RuleOf(const CCommPort* port)
{
    shell::RulePort r;
    if (!port)
        return r;
    r.exists = true;
    r.commType = port->CommType;
    r.open = port->isOpen != 0;
    r.bitPerSec = port->BitPerSec;
    r.echo = port->Echo != 0;
    return r;
}

// Commands whose dialogs come with other parts of the program and are not there yet.
const std::vector<int> kNotYetAvailable = {};

constexpr const char* kDetectQuestion = "Do you want VQX to automatically detect the motors?";

// The file dialogs that name no folder of their own start in the project's folder.
void EnterProjectFolder(const CProject& project)
{
    std::error_code ec;
    if (!project.isDefault && !project.FileName.empty())
        std::filesystem::current_path(platform::FolderPart(platform::TranslatePath(project.FileName)), ec);
}

} // namespace

CFrameCommands::CFrameCommands(CMainFrame& frame, CProject& project, CTerminalBar& bar, CConfigBar& tree,
                               commerror::ICommErrorHandler& query, IDetectionSurroundings& session)
    : m_frame(frame), m_project(project), m_bar(bar), m_tree(tree), m_query(query), m_session(session)
{
    m_frame.SetStateProvider([this] { return State(); });
    // The frame keeps its handlers; one of a session that is gone does nothing.
    m_frame.AddCommandHandler([this, alive = std::weak_ptr<int>(m_alive)](int id) {
        return !alive.expired() && OnCommand(id);
    });
    m_frame.AddCommandHandler(tools::gui::SessionPlaygroundHandler(
        &m_frame,
        [this](shell::IToolWindow* w) { w ? m_frame.SetPlayground(w) : m_frame.ClearToolSlot(m_frame.Playground()); },
        m_frame.Context().Scanner(), m_project, m_bar, [this] { return SelectedMotor(); }, m_alive, &m_query,
        PlaygroundPortDialogs(), [this](const std::string& topic) { help::ShowHelpTopic(m_frame.Context(), topic); }));
    m_frame.AddCommandHandler(tuning::gui::SessionTunerHandler(
        {&m_frame, [this](shell::IToolWindow* w) { w ? m_frame.SetTuner(w) : m_frame.ClearToolSlot(m_frame.Tuner()); },
         &m_frame.Context().Scanner(), &m_project, &m_bar, &m_frame.Context().Desktop(), &m_query,
         [this] { return SelectedMotor(); }, m_alive,
         [this](const std::string& topic) { help::ShowHelpTopic(m_frame.Context(), topic); }}));
    m_tree.showBar = [this] { m_frame.ShowControlBar(m_frame.ConfigBar(), true); };
    m_calibration = std::make_unique<tuning::gui::CCalibrationCommands>(tuning::gui::CalibrationWiring{
        &m_frame, &m_project, &m_frame.Context(), this, [this] { return SelectedMotor(); },
        [this] { return m_bar.CurrentTab(); }});
    m_frame.AddCommandHandler([this, alive = std::weak_ptr<int>(m_alive)](int id) {
        return !alive.expired() && m_calibration->OnCommand(id);
    });
    m_motorViews = std::make_unique<CMotorViewWindows>(CMotorViewWindows::Sources{
        m_frame, m_project, m_bar, m_query, [this](CMotor& motor, CMotor& read) { ResolveMotor(motor, read); },
        [this](CMotor& motor) { return OnMotorProperties(motor); }});
}

setup::SetupServices CFrameCommands::SetupDialogServices()
{
    // The motor settings dialog offers the compiler's firmware versions the frame knows.
    auto versions = [this] {
        std::string text;
        for (const std::string& v : m_frame.FirmwareVersions())
            text += v;
        return text;
    };
    return setup::SetupServices{m_frame.Context(), versions, &m_query, serialProbe};
}

CFrameCommands::~CFrameCommands() { m_frame.SetStateProvider({}); }

shell::FrameState CFrameCommands::State() const
{
    shell::FrameState s;
    s.projectDefault = m_project.isDefault;
    s.currentPort = RuleOf(m_project.Port(m_bar.CurrentTab()));
    s.selectedPort = RuleOf(SelectedPort());
    s.unavailable = kNotYetAvailable;
    // The calibration commands work on the tree's motor.
    if (!SelectedMotor())
        s.unavailable.insert(s.unavailable.end(), {kTreeVerifyCalibration, kTreeRecalibrate, kTreeCalibrationPower});
    const auto selected = m_tree.Selected();
    if (!selected)
        s.unavailable.push_back(kTreeProperties);
    // A motor view needs a motor.
    if (!selected || selected->kind != ConfigItemKind::Motor)
        s.unavailable.push_back(kTreeMotorView);
    // Tune this motor, Validate and Associate files need the tree's motor; Download main
    // associated file a motor with a main file; the tree's rates its port.
    if (!selected || selected->kind != ConfigItemKind::Motor)
        s.unavailable.insert(s.unavailable.end(), {kTreeTuneMotor, kTreeValidate, kTreeAssociate});
    if (const CMotor* motor = SelectedMotor(); !motor || !motor->GetMainAssociatedFile())
        s.unavailable.push_back(kTreeDownloadMain);
    if (!SelectedPort())
        for (int id = kBaudTreeFirst; id <= kBaudTreeLast; ++id)
            s.unavailable.push_back(id);
    s.activeSourceDocument = editor::ActiveView(m_frame.MdiArea()) != nullptr;
    return s;
}

// ---- the command handlers -------------------------------------------------------------------------

bool CFrameCommands::OnCommand(int id)
{
    const int tab = m_bar.CurrentTab();
    if (const int baud = shell::BaudOfCommand(id)) {
        // The terminal's rates act on its current port, the tree's on the selected port.
        int port = id >= kBaudTreeFirst ? -1 : tab;
        if (id >= kBaudTreeFirst)
            SelectedPort(&port);
        SetPortBaud(m_project, port, baud, *this);
        return true;
    }
    switch (id) {
    case cmd::ID_SAVE_PROJECT:
        if (m_project.isDefault)
            SaveProjectAs();
        else
            m_project.Save();
        m_frame.UpdateFrameTitle();
        return true;
    case cmd::ID_SAVE_PROJECT_AS: SaveProjectAs(); return true;
    case cmd::ID_SAVE_ALL: SaveAll(); return true;
    case cmd::ID_OPEN_PROJECT: {
        const auto files = ChooseFiles("Open Project File", "VQX Project Files (*.spj)|*.spj|All Files (*.*)|*.*||", false);
        if (!files.empty() && openProject && openProject(files.front()))
            EnterProjectFolder(m_project);
        return true;
    }
    case cmd::ID_NEW_PROJECT: NewProject(false); return true;
    case cmd::ID_CLOSE_PROJECT: m_frame.Project().OpenOrNew({}, false); return true;
    case cmd::ID_PROJECT_PROPERTIES:
        if (EditProjectPorts(&m_frame, m_project, QStringLiteral("Project properties"), "ProjectProperties.htm",
                             SetupDialogServices(), [this] { PortsChanged(); }, [this] { AllMotorsChanging(m_project, *this); }))
            PortsChanged();
        return true;
    case cmd::ID_COMM_SETTINGS:
        if (EditCommunication(&m_frame, m_project, SetupDialogServices(), [this] { PortsChanged(); },
                              [this] { AllMotorsChanging(m_project, *this); }))
            PortsChanged();
        return true;
    case cmd::ID_COMM_WIZARD: RunSetupWizard(); return true;
    case cmd::ID_TALK_TO_MOTORS: TalkToMotors(); return true;
    case cmd::ID_FIND_MOTORS: CompareDetected(m_project, *this); return true;
    case cmd::ID_DETECT_MOTORS: {
        CalibrationChoice choice = CalibrationChoice::None;
        DetectMotorsCommand(m_project, tab, false, true, *this, &choice);
        m_calibration->RunChoice(tab, choice);
        return true;
    }
    case cmd::ID_UPLOAD_PROGRAM: {
        uint32_t selection = selectmotor::MakeSelection(tab, m_bar.GetTargetAddress(tab));
        if (!ChooseMotor(selection, 0, nullptr))
            return true;
        CCommPort* port = m_project.Port(selectmotor::PortOf(selection));
        if (!port)
            return true;
        const int address = selectmotor::AddressOf(selection);
        CMotor* motor = port->GetMotor(address);
        std::unique_ptr<CMotor> temporary;
        if (!motor) {
            temporary = std::make_unique<CMotor>();
            temporary->Address = address;
            temporary->SetPort(port);
            temporary->Name = "Motor Address=" + std::to_string(address) + " in port \"" + port->Name + "\"";
            motor = temporary.get();
        }
        UploadMotorProgram(*motor, false, *this);
        return true;
    }
    case cmd::ID_TRANSMIT_COMPILED: {
        const auto files =
            ChooseFiles("Open Compiled program", "VQX compiled programs (*.tqx)|*.tqx|All Files (*.*)|*.*||", false);
        uint32_t selection = selectmotor::MakeSelection(tab, m_bar.GetTargetAddress(tab));
        bool blind = false;
        if (files.empty() || !ChooseMotor(selection, selectmotor::kGroupChoices | selectmotor::kBlindDownload, &blind))
            return true;
        // All defined motors: every port, each motor in turn; "each motor" is -1 for the worker.
        const bool everyPort = selection == selectmotor::kAllDefinedMotors || selectmotor::PortOf(selection) == 0xFFFF;
        const int address = selection == selectmotor::kAllDefinedMotors ||
                                    selectmotor::AddressOf(selection) == selectmotor::kEachMotorAddress
                                ? -1
                                : selectmotor::AddressOf(selection);
        TransmitCompiled(m_project, files.front(), everyPort ? -1 : selectmotor::PortOf(selection), address, blind,
                         *this);
        return true;
    }
    case cmd::ID_ECHO_ON: SetPortEcho(m_project, tab, true, *this); return true;
    case cmd::ID_ECHO_OFF: SetPortEcho(m_project, tab, false, *this); return true;
    case cmd::ID_RUN_PROGRAM:
    case cmd::ID_STOP_PROGRAM:
        if (tab >= 0 && m_project.Port(tab))
            m_bar.Pane(tab).SendLine(id == cmd::ID_RUN_PROGRAM ? "RUN" : "END", false, false);
        return true;
    case cmd::ID_STOP_MOTORS: SendToEveryPane("0END S"); return true;
    case cmd::ID_DECELERATE_MOTORS: SendToEveryPane("0END X"); return true;
    case cmd::ID_OPTIONS: EditProgramOptions(m_frame, m_bar); return true;
    case cmd::ID_NEW_MONITOR: OpenMonitorWindow({m_frame, m_project, m_bar, m_query}); return true;
    case cmd::ID_CHART_VIEW: OpenChartView(m_frame, m_project, m_bar); return true;
    case cmd::ID_MOTOR_VIEW: m_motorViews->OnMotorViewCommand(); return true;
    case cmd::ID_COMPILE_PROJECT: CompileProject(m_project, m_frame.Context().Scanner(), *this); return true;
    case cmd::ID_COMPILE_DOWNLOAD_PROJECT: CompileAndDownloadProject(m_project, m_frame.Context().Scanner(), *this); return true;
    case kProgrammersGuide:
        // The programmer's guide of the user guide (its language reference is made from the
        // language table); a missing page is told in the information view.
        help::ShowHelpTopic(m_frame.Context(), help::kProgrammersGuideTopic);
        return true;
    default: return OnTreeCommand(id);
    }
}

bool CFrameCommands::OnTreeCommand(int id)
{
    const auto selected = m_tree.Selected();
    int portIndex = -1;
    CCommPort* port = SelectedPort(&portIndex);
    CMotor* motor = SelectedMotor();
    const int file = SelectedFile();
    switch (id) {
    case kTreeDetect:
    case kTreeAddress:
        if (port) {
            CalibrationChoice choice = CalibrationChoice::None;
            DetectMotorsCommand(m_project, portIndex, id == kTreeAddress, false, *this, &choice);
            m_calibration->RunChoice(portIndex, choice);
        }
        return true;
    case kTreeProperties:
        if (selected && selected->kind == ConfigItemKind::Root) {
            if (EditCommunication(&m_frame, m_project, SetupDialogServices(), [this] { PortsChanged(); },
                                  [this] { AllMotorsChanging(m_project, *this); }))
                PortsChanged();
        } else if (port) {
            EditPortProperties(*port);
        } else if (motor && file >= 0) {
            OpenDocument(motor->associatedFiles.GetAt(file)->FileName);
        } else if (motor) {
            m_motorViews->Open(motor);
        }
        return true;
    case kTreeMotorView:
        if (motor && file < 0)
            m_motorViews->Open(motor);
        return true;
    case kTreeOpenFile:
        if (motor && file >= 0)
            OpenDocument(motor->associatedFiles.GetAt(file)->FileName);
        return true;
    case kTreeMotorProperties:
        if (motor && file < 0)
            OnMotorProperties(*motor);
        return true;
    case kTreeDownloadEditor:
        if (motor && file < 0)
            if (CVQXView* view = editor::ActiveView(m_frame.MdiArea()))
                DownloadEditorDocument(*view, *motor);
        return true;
    case kTreeSetAddress:
        if (motor && motor->GetPort()) {
            CReaddressDlg dlg(&m_frame, m_frame.Context(), *motor->GetPort(), *motor);
            dlg.pollingAllowed = &m_project.pollingAllowed;
            dlg.changed = [this] {
                m_project.modified = true;
                RebuildTree(false);
                PortsChanged();
            };
            dlg.exec();
        }
        return true;
    case kTreeWebPage:
        if (motor && motor->Socket) {
            if (motor->GetPort())
                motor->GetPort()->ClosePort();
            m_frame.Context().Desktop().OpenUrl(QUrl(QString::fromStdString("http://" + motor->EthernetAddress())));
        }
        return true;
    case kTreeUpload:
    case kTreeUploadCalibration:
        if (motor && file < 0)
            UploadMotorProgram(*motor, id == kTreeUploadCalibration, *this);
        return true;
    case kTreeClearEEPROM:
        if (motor && file < 0 &&
            ui::OptionMessageBox(m_project.Context().Questions(), kClearQuestion, ui::MB_YESNO | ui::MB_ICONEXCLAMATION) ==
                ui::IDYES)
            ClearMotorEEPROM(*motor, *this);
        return true;
    case kTreeAssociate:
        if (motor && file < 0) {
            const auto files = ChooseFiles("Select VQX File",
                                           "VQX Source Files (*.tqs)|*.tqs|Quintaloc Calibration Files (*.tqc)|*.tqc|All "
                                           "Files (*.*)|*.*||",
                                           true);
            if (!AssociateFiles(*motor, files).empty()) {
                m_project.modified = true;
                RebuildTree(false);
            }
        }
        return true;
    case kTreeDownload:
    case kTreeDownloadMain:
        if (motor) {
            const CAssociatedFile* entry = id == kTreeDownload && file >= 0 ? motor->associatedFiles.GetAt(file)
                                                                           : motor->GetMainAssociatedFile();
            // The file opens as a document and goes the editor's way: the question, then the build
            // and the download of what the window holds.
            if (entry && OpenDocument(entry->FileName))
                if (CVQXView* view = editor::ActiveView(m_frame.MdiArea()))
                    DownloadEditorDocument(*view, *motor);
        }
        return true;
    case kTreeValidate:
        if (motor && file < 0)
            ValidateMotor(m_project, *motor, *this);
        return true;
    case kTreeMainFile:
        if (motor && ToggleMainFile(*motor, file)) {
            m_project.modified = true;
            RebuildTree(false);
        }
        return true;
    case kTreeDeleteFile:
        if (motor && RemoveAssociatedFile(*motor, file)) {
            m_project.modified = true;
            RebuildTree(false);
        }
        return true;
    default: (void)selected; return false;
    }
}

void CFrameCommands::NewProject(bool withWizard)
{
    const std::vector<std::string> openPorts = m_project.RememberOpenPorts();
    // The ports are closed while the dialog runs: no window polls them until they are open again.
    std::optional<PollingHeld> held(std::in_place, m_project);
    m_project.CloseAllPorts();
    platform::SystemSerialProbe machine;
    ui::IQuestions& questions = m_project.Context().Questions();
    std::unique_ptr<CProject> owned;
    for (;;) {
        owned = std::make_unique<CProject>();
        CProject& made = *owned;
        made.SetContext(&m_project.Context());
        made.MakeNewName(m_project, serialProbe ? serialProbe : &machine);
        CPageDlg dlg(&m_frame, m_frame.Context(), QStringLiteral("New Project"));
        dlg.AddPage(QStringLiteral("General"), new CProjectNamePage(made, m_frame.Context()));
        // The first-run project gets its ports from the setup wizard instead of the ports page.
        if (!withWizard)
            dlg.AddPage(QStringLiteral("Ports"), new CPortsPage(made, "NewProject.htm#PortsPage", SetupDialogServices()));
        if (dlg.exec() != QDialog::Accepted) {
            m_project.ReopenPorts(openPorts);
            return;
        }
        if (platform::MakeFolders(platform::FolderPart(made.FileName)))
            break;
        ui::OptionMessageBox(questions, "Cannot make project folder.\n" + GetLastErrorText(),
                             ui::MB_OK | ui::MB_ICONERROR);
        // The first-run welcome asks for another folder; the menu command gives up.
        if (!withWizard) {
            m_project.ReopenPorts(openPorts);
            return;
        }
    }
    CProject& made = *owned;
    // The ports open before are open again when the project they belong to is saved on its way
    // out, so that it keeps them open the next time it is opened.
    m_project.ReopenPorts(openPorts);
    held.reset();
    // A project that cannot be written or opened was reported by the step that failed.
    if (!made.Save() || !m_frame.Project().OpenOrNew(made.FileName, false))
        return;
    EnterProjectFolder(m_project);
    // A project just made has no ports that were open when it was saved: the ones its motors
    // were found on open now, as an opened project's ports do (the windows can poll them).
    auto openPortsWithMotors = [this] {
        std::vector<std::string> withMotors;
        for (int i = 0; i < m_project.PortCount(); ++i)
            if (const CCommPort* port = m_project.Port(i); port && port->MotorCount() > 0)
                withMotors.push_back(port->PortName);
        m_project.ReopenPorts(withMotors);
    };
    if (withWizard) {
        RunSetupWizard();
        openPortsWithMotors();
        ShowProjectBars();
        return;
    }
    ShowProjectBars();
    if (ui::OptionMessageBox(questions, kDetectQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES)
        return;
    CompareDetected(m_project, *this);
    openPortsWithMotors();
}

void CFrameCommands::ShowProjectBars()
{
    m_frame.ShowControlBar(m_frame.ConfigBar(), true);
    m_frame.ShowControlBar(m_frame.TerminalBar(), true);
}

void CFrameCommands::RunSetupWizard()
{
    const std::string before = m_project.isDefault ? std::string() : m_project.FileName;
    if (!RunCommWizard(&m_frame, m_project, SetupDialogServices(), false, [this] { PortsChanged(); }))
        return;
    PortsChanged();
    // A project the wizard made in a new folder is the program's project from now on.
    if (!m_project.isDefault && m_project.FileName != before) {
        if (addRecentProject)
            addRecentProject(m_project.FileName);
        EnterProjectFolder(m_project);
        ShowProjectBars();
    }
    m_frame.UpdateFrameTitle();
}

tools::gui::CPlaygroundDlg::PortDialogs CFrameCommands::PlaygroundPortDialogs()
{
    tools::gui::CPlaygroundDlg::PortDialogs d;
    auto alive = std::weak_ptr<int>(m_alive);
    d.probe = [this, alive]() -> platform::ISerialPortProbe* {
        return alive.expired() ? nullptr : (serialProbe ? serialProbe : &m_machineProbe);
    };
    d.properties = [this, alive](QWidget* parent, CCommPort& port, bool isNew) {
        if (alive.expired())
            return false;
        if (!isNew)
            return EditPortProperties(port, parent);
        std::vector<const CCommPort*> ports;
        for (int i = 0; i < m_project.PortCount(); ++i)
            ports.push_back(m_project.Port(i));
        return RunPortDialog(parent, port, ports, false, SetupDialogServices());
    };
    d.append = [this, alive](std::unique_ptr<CCommPort> port) {
        if (alive.expired() || !m_project.AddPort(std::move(port)))
            return false;
        m_project.modified = true;
        PortsChanged();
        return true;
    };
    return d;
}

bool CFrameCommands::EditPortProperties(CCommPort& port, QWidget* parent)
{
    const bool wasOpen = port.isOpen != 0;
    // The port is closed while its copy is edited: no window polls it until it is open again.
    std::optional<PollingHeld> held(std::in_place, m_project);
    std::vector<const CCommPort*> ports;
    for (int i = 0; i < m_project.PortCount(); ++i)
        ports.push_back(m_project.Port(i));
    const bool accepted = EditPortOfList(parent ? parent : &m_frame, port, ports, SetupDialogServices(),
                                         [this, &port] { MotorsChanging(port); });
    if (accepted) {
        m_project.modified = true;
        PortsChanged();
    }
    // A port that does not open again (its device is gone) stays closed, as its tab shows, and
    // says why.
    if (wasOpen) {
        try {
            port.OpenPort();
        } catch (const CVQXException& e) {
            ui::CInfoView& info = m_project.Context().Info();
            info.Show(false);
            info.AddException(e);
        }
    }
    held.reset();
    PortsChanged();
    return accepted;
}

bool CFrameCommands::OnMotorProperties(CMotor& motor)
{
    // The copy borrows the motor's back ends, so reading through it never disconnects the motor.
    CMotor edited;
    edited.shared = true;
    edited = motor;
    ProgramTag tag(motor.GetPort());
    CMotorSettingsDlg dlg(&m_frame, edited, SetupDialogServices());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    motor = edited;
    m_project.modified = true;
    PortsChanged();
    return true;
}

void CFrameCommands::DownloadEditorDocument(CVQXView& view, CMotor& motor)
{
    ui::COperationContext& context = m_project.Context();
    const std::string path = view.PathName().empty() ? view.Title() : view.PathName();
    const std::string text = "Do you want to Compile and Download the file \"" + path + "\" to the motor \"" +
                             motor.Name + "\"?";
    if (ui::OptionMessageBox(context.Questions(), text,
                             ui::MB_YESNO | ui::MB_ICONQUESTION | ui::kRememberAnswer | ui::kNeverRememberNo, "VQX",
                             ui::kCheckToDisable, "Download") != ui::IDYES)
        return;
    ui::CInfoView& info = context.Info();
    info.Clear();
    info.Show(true);
    if (!view.EnsureSaved()) {
        info.AddError(editor::kMustSaveText);
        info.ShowSummary(true, true, context.Questions());
        return;
    }
    if (view.DownloadProgram(&motor))
        info.ShowSummary(true, true, context.Questions());
    RebuildTree(false);
}

void CFrameCommands::SendToEveryPane(const char* line)
{
    std::vector<std::unique_ptr<ProgramTag>> tags;
    for (int p = 0; p < m_project.PortCount(); ++p)
        tags.push_back(std::make_unique<ProgramTag>(m_project.Port(p)));
    for (int p = 0; p < m_project.PortCount() && p < CTerminalBar::kPanes; ++p)
        m_bar.Pane(p).SendLine(line, false, false);
}

void CFrameCommands::SaveProjectAs()
{
    const std::vector<std::string> openPorts = m_project.RememberOpenPorts();
    CProject renamed;
    renamed.SetContext(&m_project.Context());
    renamed.Copy(m_project);
    if (m_project.isDefault)
        renamed.MakeNewName(m_project);
    CPageDlg dlg(&m_frame, m_frame.Context(), QStringLiteral("Save Project as"));
    dlg.AddPage(QStringLiteral("General"), new CProjectNamePage(renamed, m_frame.Context()));
    if (dlg.exec() != QDialog::Accepted) {
        m_project.ReopenPorts(openPorts);
        return;
    }
    const SaveAsOutcome outcome = ::SaveProjectAs(m_project, renamed);
    ui::IQuestions& questions = m_project.Context().Questions();
    if (!outcome.error.empty()) {
        ui::OptionMessageBox(questions, outcome.error, ui::MB_OK | ui::MB_ICONERROR);
        m_project.ReopenPorts(openPorts);
        return;
    }
    m_project.ReopenPorts(openPorts);
    if (addRecentProject)
        addRecentProject(m_project.FileName);
    EnterProjectFolder(m_project);
    PortsChanged();
    RebuildTree(false);
    m_frame.UpdateFrameTitle();
    if (!outcome.notCopied.empty())
        ui::OptionMessageBox(questions, NotCopiedNote(outcome.notCopied), ui::MB_OK | ui::MB_ICONWARNING);
}

void CFrameCommands::SaveAll()
{
    m_project.Save();
    for (QMdiSubWindow* child : m_frame.MdiArea()->subWindowList())
        if (auto* view = qobject_cast<CVQXView*>(child->widget()))
            if (!view->GetDocument()->PathName().isEmpty() && view->GetDocument()->IsModified())
                view->GetDocument()->DoSave(view->GetDocument()->PathName());
}

void CFrameCommands::OnDropFiles(const std::vector<std::string>& files)
{
    switch (shell::ClassifyDroppedFiles(files, m_project.isDefault ? std::string() : m_project.FileName)) {
    case shell::DropAction::InvalidCombination:
        ui::OptionMessageBox(m_project.Context().Questions(), shell::kInvalidDropText, ui::MB_OK | ui::MB_ICONERROR);
        return;
    case shell::DropAction::OpenProject:
        if (openProject && openProject(files.front())) {
            EnterProjectFolder(m_project);
            if (addRecentProject)
                addRecentProject(files.front());
        }
        return;
    case shell::DropAction::OpenDocuments:
        for (const std::string& f : files)
            OpenDocument(f);
        return;
    case shell::DropAction::ProjectAlreadyOpen:
    case shell::DropAction::Nothing: return;
    }
}

// ---- selection ------------------------------------------------------------------------------------

CCommPort* CFrameCommands::SelectedPort(int* index) const
{
    const auto s = m_tree.Selected();
    if (!s || s->kind != ConfigItemKind::Port)
        return nullptr;
    if (index)
        *index = s->port;
    return m_project.Port(s->port);
}

CMotor* CFrameCommands::SelectedMotor() const
{
    const auto s = m_tree.Selected();
    return s ? MotorOf(m_project, *s) : nullptr;
}

int CFrameCommands::SelectedFile() const
{
    const auto s = m_tree.Selected();
    return s && s->kind == ConfigItemKind::File ? s->file : -1;
}

std::vector<std::string> CFrameCommands::ChooseFiles(const char* title, const char* filter, bool many)
{
    std::vector<std::string> out;
    shell::FileChoice choice;
    choice.title = QString::fromLatin1(title);
    choice.start = QString::fromStdString(m_project.isDefault ? platform::UserDataFolder() : m_project.Path);
    choice.filter = DialogFilter(filter);
    shell::IDesktopServices& desktop = m_frame.Context().Desktop();
    if (many) {
        for (const QString& f : desktop.ChooseOpenFiles(&m_frame, choice))
            out.push_back(f.toStdString());
    } else if (const QString f = desktop.ChooseOpenFile(&m_frame, choice); !f.isEmpty()) {
        out.push_back(f.toStdString());
    }
    return out;
}

bool CFrameCommands::ChooseMotor(uint32_t& selection, int flags, bool* blind)
{
    CSelectMotorDlg dlg(&m_frame, m_project, &selection, flags, selectmotor::kDefaultPrompt, blind);
    return dlg.exec() == QDialog::Accepted;
}

int CFrameCommands::AskDifferentSettings(CProject& project, const std::vector<CCommPort*>& detected)
{
    // The ports that were detected, beside their detected copies.
    std::vector<CCommPort*> defined, found;
    for (size_t p = 0; p < detected.size(); ++p)
        if (detected[p] && project.Port(static_cast<int>(p))) {
            defined.push_back(project.Port(static_cast<int>(p)));
            found.push_back(detected[p]);
        }
    CDifferentSettingsDlg dlg(&m_frame, defined, found, project);
    dlg.motorGoing = [this](CMotor* motor) { m_frame.RemoveMotorWindows(motor); };
    return dlg.exec();
}

void CFrameCommands::ResolveMotor(CMotor& motor, CMotor& read)
{
    CResolveMotorsDlg dlg(&m_frame, motor, read, m_project);
    dlg.exec();
}

bool CFrameCommands::OpenDocument(const std::string& path)
{
    if (!templates)
        return false;
    std::string error;
    fw::CChildFrame* child = templates->OpenDocument(m_frame.MdiArea(), QString::fromStdString(path), &error);
    if (!child) {
        ui::CInfoView& info = m_project.Context().Info();
        info.Show(false);
        info.AddError(error);
        return false;
    }
    m_frame.MdiArea()->setActiveSubWindow(child);
    return true;
}

// ---- ICommandSurroundings -------------------------------------------------------------------------

void CFrameCommands::ShowPortText(int portIndex, const std::string& text) { m_session.ShowPortText(portIndex, text); }
void CFrameCommands::ShowPortError(int portIndex, const std::string& text) { m_session.ShowPortError(portIndex, text); }
void CFrameCommands::MotorsChanging(CCommPort& port) { m_session.MotorsChanging(port); }

void CFrameCommands::PortsChanged()
{
    m_session.PortsChanged();
    RebuildTree(false);
}

uint32_t CFrameCommands::CommError(uint32_t request, commerror::Target target)
{
    const uint32_t answer = m_query.OnCommError(request, target);
    m_bar.UpdatePortTabs();
    RebuildTree(false);
    return answer;
}

void CFrameCommands::RebuildTree(bool show) { m_tree.RebuildTree(show); }

void CFrameCommands::PortSettingsChanged(int portIndex)
{
    if (portIndex == m_bar.CurrentTab())
        m_bar.OnSelectTab();
}

void CFrameCommands::TalkToMotors()
{
    m_frame.ShowControlBar(m_frame.TerminalBar(), true);
    if (m_bar.CurrentTab() >= 0)
        m_bar.View(m_bar.CurrentTab())->setFocus();
}

bool CFrameCommands::SaveOpenDocument(const std::string& path)
{
    fw::CChildFrame* child = fw::DocTemplates::FindOpen(m_frame.MdiArea(), QString::fromStdString(path));
    auto* view = child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
    return !view || view->EnsureSaved();
}

bool CFrameCommands::OpenUploadedProgram(const std::string& file, const std::string& title, bool calibration)
{
    // A new document holding the program, not the temporary file (which goes): it is unsaved, so
    // closing it asks.
    if (!templates)
        return false;
    std::string error;
    fw::CChildFrame* child = templates->NewDocument(m_frame.MdiArea(), calibration ? 135 : 129, &error);
    auto* view = child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
    if (!view || !view->Serialize(false, QString::fromStdString(file), &error)) {
        if (child)
            child->CloseWithoutAsking();
        ui::CInfoView& info = m_project.Context().Info();
        info.Show(false);
        info.AddError(error);
        return false;
    }
    view->GetDocument()->SetUntitled(QString::fromStdString(title), calibration);
    view->GetDocument()->SetModifiedFlag(true);
    return true;
}
