#include "app/frame/gui/VQXApp.h"

#include "app/frame/gui/ShellServices.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/framework/gui/CentreOver.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/TextPrinting.h"
#include "app/frame/gui/FrameCommands.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TermView.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/framework/gui/DockDlg.h"
#include "app/shell/CommandIds.h"
#include "app/shell/MachineLanguages.h"
#include "app/shell/SmallForms.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/Help.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/SingleInstance.h"
#include "app/shell/gui/SplashAbout.h"
#include "app/shell/gui/StartDlg.h"
#include "app/shell/gui/TipDlg.h"
#include "app/tuning/CalibrationData.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "core/settings/Options.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"
#include "platform/clock/Clock.h"
#include "platform/registry/Profile.h"
#include "scanner/Scanner.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <cstdio>

#ifndef VQX_VERSION
#define VQX_VERSION "1.0.0"
#endif
#ifndef VQX_PRIVATE_BUILD
#define VQX_PRIVATE_BUILD ""
#endif

namespace {

int ProfileInt(const char* section, const char* key, int def)
{
    return platform::AppProfile().GetInt(section, key, def);
}

} // namespace

CVQXApp::CVQXApp(QString instanceFolder, shell::IDesktopServices* desktop) : m_instanceFolder(std::move(instanceFolder))
{
    m_strProductVersion = VQX_VERSION;
    m_strVersion = shell::VersionText(m_strProductVersion, VQX_PRIVATE_BUILD);
    m_strLegalText = "Copyright (C) Korvessan";
    m_services = std::make_unique<bridge::ShellServices>(ui::COperationContext::Default(), nullptr);
    if (!desktop) {
        m_ownDesktop = std::make_unique<shell::CQtDesktopServices>(m_services->Questions());
        desktop = m_ownDesktop.get();
    }
    m_scanner = std::make_unique<CScanner>();
    // Each firmware version compiles against its registered (or shipped) language file.
    m_scanner->SetRegistry(std::make_shared<shell::CMachineLanguages>(
        CScanner::MachineRegistry(), [scanner = m_scanner.get()] { return scanner->ProgramFolder(); }));
    // The seams of the main window fill the program's operation context (ports given no
    // context of their own use it too).
    m_context = std::make_unique<shell::CAppContext>(ui::COperationContext::Default(), *desktop, *m_scanner,
                                                     platform::GetClock());
    fw::CentreDialogsWhenShown(this);
}

CVQXApp::~CVQXApp()
{
    m_session.reset();
    if (m_frame)
        m_services->SetFrame(nullptr);
    m_frame.reset();
}

void CVQXApp::RegisterTemplates()
{
    m_templates.Add(IDR_VQXTYPE, "\nVQX\nVQX Source File\nVQX Files (*.tqs)\n.tqs\nVQX.Document\nVQX Source File");
    m_templates.Add(IDR_CALTYPE, "\nCalibration\nQuintaloc Calibration File\nQuintaloc Calibration Files (*.tqc)\n"
                                 ".tqc\nVQXCal.File\nQuintaloc Calibration File");
    m_templates.Add(IDR_TERMTYPE,
                    "\nTerminal\nVQX Terminal File\nTerminal Files (*.trm)\n.trm\nVQXTerminal.File\nVQX Terminal File");
    m_templates.Add(IDR_SDATYPE, "\nSerial Data Analyzer\nVQX Serial Data Analyzer File\nVQX Serial Data Analyzer "
                                 "Files (*.ssf)\n.ssf\nVQXSDA.File\nVQX Serial Data Analyzer File");
    // A terminal document's caret position goes to the frame's status pane.
    auto makeTermView = [this](const QString& path, std::string* error) -> QWidget* {
        auto* view = static_cast<CTermView*>(MakeTermView(m_context->Operation(), path, error));
        if (view)
            view->positionChanged = [bar = QPointer<CMainStatusBar>(m_frame ? m_frame->StatusBar() : nullptr)](
                                        const QString& text) {
                if (bar)
                    bar->SetPaneText(cmd::ID_INDICATOR_POSITION, text);
            };
        return view;
    };
    m_templates.Find(IDR_TERMTYPE)->makeView = makeTermView;
    m_templates.Find(IDR_SDATYPE)->makeView = makeTermView;
}

bool CVQXApp::InitInstance(const QStringList& arguments)
{
    platform::SetProfileRegistryKey("Korvessan");

    // One instance per user: a later start hands over its command line and ends.
    m_instance = std::make_unique<SingleInstance>(m_instanceFolder);
    if (!m_instance->Acquire()) {
        std::fprintf(stderr, "%s\n", kAlreadyRunning);
        m_instance->SendToRunning(arguments);
        ui::OptionMessageBox(m_context->Questions(), kAlreadyRunning, ui::MB_OK, {}, {}, {});
        return false;
    }
    connect(m_instance.get(), &SingleInstance::activated, this, &CVQXApp::OpenForwardedFiles);

    platform::InitAppFolder();
    m_recentProjects.ReadList(platform::AppProfile());

    std::string error;
    std::vector<std::string> warnings;
    if (!LoadMotorModels(&error, &warnings)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        ui::OptionMessageBox(m_context->Questions(), kModelsOpenError, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return false;
    }
    // The calibration sizes of the Quintaloc motors, from the program folder, on a first start.
    tuning::InstallCalibrationSizes(platform::AppProfile(), tuning::ReadShippedCalibrationSizes(platform::JoinPath(
                                                                 platform::AppFolder(), "FactoryCal.txt")));

    if (ProfileInt("OptionBoxes", "ShowLogo", 1) != 0)
        (new CSplashWnd(QString::fromStdString(m_strVersion)))->Create();

    RegisterTemplates();
    m_frame = std::make_unique<CMainFrame>(*m_context);
    // The main window's close ends the program, also when it closes hidden (the start playground
    // closed by its close box): no window is left for Qt to end it on its own.
    QObject::connect(m_frame.get(), &CMainFrame::closing, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_services->SetFrame(m_frame.get());
    editor::RegisterEditor(m_templates, *m_frame, m_editor);
    m_frame->setAcceptDrops(true);
    m_services->Questions().SetHelpOpener(
        [this](int helpId) { help::ShowHelpTopic(*m_context, help::WindowTopic(helpId)); });
    m_services->Questions().SetTopicOpener([this](const std::string& topic) { help::ShowHelpTopic(*m_context, topic); });
    for (const std::string& w : warnings)
        m_frame->InfoBar()->AddWarning(w);
    BuildRecentProjectsMenu();
    m_frame->AddCommandHandler([this](int id) {
        switch (id) {
        case cmd::ID_APP_ABOUT: {
            CAboutDlg about(QString::fromStdString(m_strVersion), m_frame.get());
            about.exec();
            return true;
        }
        case cmd::ID_TIP_OF_THE_DAY: {
            platform::AppProfile().WriteInt("OptionBoxes", "NoStartupTips", 0);
            CTipDlg tip(m_frame.get());
            tip.DoModal();
            return true;
        }
        case cmd::ID_FILE_NEW: {
            std::string error;
            if (!m_templates.NewDocument(m_frame->MdiArea(), IDR_VQXTYPE, &error)) {
                m_frame->InfoBar()->Show(false);
                m_frame->InfoBar()->AddError(error);
            }
            return true;
        }
        case cmd::ID_FILE_OPEN: {
            shell::FileChoice choice;
            choice.filter = m_templates.OpenFilter();
            const QString path = m_context->Desktop().ChooseOpenFile(m_frame.get(), choice);
            if (!path.isEmpty())
                OpenDocumentFile(path);
            return true;
        }
        case cmd::ID_HELP_CONTENTS:
        case cmd::ID_HELP_FINDER: help::HtmlHelpCommand(*m_context, "Contents"); return true;
        case cmd::ID_HELP_INDEX: help::HtmlHelpCommand(*m_context, "Index"); return true;
        case cmd::ID_HELP_USING: help::ShowHelpTopic(*m_context, "::/HowToUseVQXHelp.htm"); return true;
        case cmd::ID_FILE_PRINT_SETUP: fw::PrintSetup(m_frame.get()); return true;
        default:
            if (id >= cmd::ID_RECENT_PROJECT_FIRST && id <= cmd::ID_RECENT_PROJECT_LAST) {
                OpenRecentProject(id - cmd::ID_RECENT_PROJECT_FIRST);
                return true;
            }
            return false;
        }
    });

    m_context->Options().Load();
    std::string projectPath;
    if (m_context->Options().ReloadWorkspace)
        projectPath = platform::AppProfile().GetString("Workspace", "LastWSP", "");
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    m_commandLine = shell::ClassifyCommandLine(shell::JoinArguments(args), projectPath);

    // The default project; the simulated chain of `make run` (VQX_PORT) is its port on a machine
    // where none was ever configured.
    m_startScan.emplace();
    m_session = std::make_unique<CProjectSession>(*m_frame);
    m_session->SetTemplates(&m_templates);
    m_session->recentProject = [this](const std::string& file) { m_recentProjects.Add(file); };
    m_session->Start(qEnvironmentVariable("VQX_PORT").toStdString());
    m_session->ConnectEditor(m_editor);

    if (!m_commandLine.projectPath.empty()) {
        if (!m_session->OpenOrNew(m_commandLine.projectPath, false, false)) {
            // The project could not be opened: the default project, and it is not tried again.
            platform::AppProfile().WriteString("Workspace", "LastWSP", "");
        }
    }

    if (!m_commandLine.play && m_commandLine.opensDocument)
        OpenDocumentFile(QString::fromStdString(m_commandLine.trimmed));

    ShowFirstScreen();
    return true;
}

shell::FirstScreenInputs CVQXApp::FirstScreenInputsNow() const
{
    shell::FirstScreenInputs in;
    in.showPlayground = ProfileInt("OptionBoxes", "ShowPlayground", 1) != 0;
    in.play = m_commandLine.play;
    in.extension = m_commandLine.extension;
    in.firstRun = ProfileInt("Workspace", "FirstRun", 1) != 0;
    in.defaultProject = m_frame->Project().IsDefault();
    in.startQuestion = ProfileInt("OptionBoxes", "StartQuestion", 1) != 0;
    in.commandLineEmpty = m_commandLine.trimmed.empty();
    return in;
}

void CVQXApp::ShowFirstScreen()
{
    m_firstScreen = shell::ChooseFirstScreen(FirstScreenInputsNow());
    const bool playground = m_firstScreen == shell::FirstScreen::Playground && OpenStartPlayground();
    // The boxes and the wizard that may come next look at the machine as it is then.
    m_startScan.reset();
    if (playground)
        return;
    if (m_firstScreen == shell::FirstScreen::Playground)
        m_firstScreen = shell::FirstScreen::Tip;
    ShowMainWindow(m_firstScreen);
}

bool CVQXApp::OpenStartPlayground()
{
    // The frame stays hidden: the playground is the program's only window until the user leaves
    // it for the main window ("Show VQX"), or, in play mode, closes the program with it.
    m_frame->Commands().Execute(cmd::ID_PLAYGROUND);
    auto* playground = dynamic_cast<tools::gui::CPlaygroundDlg*>(m_frame->Playground());
    if (!playground)
        return false;
    playground->SetCanShowMain(!m_commandLine.play);
    QPointer<CMainFrame> frame = m_frame.get();
    playground->startMainWindow = [this, frame] {
        if (!frame || frame->isVisible())
            return;
        shell::FirstScreenInputs in = FirstScreenInputsNow();
        in.showPlayground = in.play = false;
        ShowMainWindow(shell::ChooseFirstScreen(in));
    };
    return true;
}

void CVQXApp::ShowMainWindow(shell::FirstScreen screen)
{
    // The project's start-up: placement, ports and the "startup" macro, then the frame is shown.
    if (!m_frame->isVisible())
        m_frame->RestoreWindowPos();
    m_frame->Project().RunStartup();
    m_frame->show();

    switch (screen) {
    case shell::FirstScreen::Welcome: RunWelcomeDialog(); break;
    case shell::FirstScreen::StartQuestion: RunStartQuestion(); break;
    case shell::FirstScreen::Tip: {
        CTipDlg tip(m_frame.get());
        tip.DoModal();
        break;
    }
    case shell::FirstScreen::Playground: break;
    }
    // The keyboard goes to the current port's pane when the terminal bar is shown.
    CTerminalBar& bar = m_session->TerminalBar();
    if (!m_frame->TerminalBar()->isHidden() && bar.CurrentTab() >= 0)
        bar.View(bar.CurrentTab())->setFocus();
}

void CVQXApp::RunWelcomeDialog()
{
    ui::ChoiceRequest request;
    request.text = "Welcome to VQX!\n\nVQX uses Projects to remember your motor information and settings.";
    request.values = {100, 101, 0, 0, 0};
    request.labels = {"Create new Project based on connected motors", "Start with RS-232 Sample Project", "", "", ""};
    request.helpId = 113;
    const ui::ChoiceReply reply = ui::ChoiceBox(m_context->Questions(), request);
    if (reply.value == 100) {
        m_session->Commands().NewProject(true);
    } else if (reply.value == 101) {
        if (m_session->OpenOrNew(CProjectSession::kSampleProject, false)) {
            const int answer = ui::OptionMessageBox(m_context->Questions(),
                                                    "Do you want VQX to automatically detect the motors?",
                                                    ui::MB_YESNO | ui::MB_ICONQUESTION);
            if (answer == ui::IDYES)
                m_frame->Commands().Execute(cmd::ID_FIND_MOTORS);
        }
    }
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
}

void CVQXApp::RunStartQuestion()
{
    int result = -1;
    if (!m_recentProjects.At(0).empty()) {
        CStartDlg start(m_recentProjects.Entries(), m_context->Questions(), m_frame.get());
        result = start.DoModal();
        if (start.m_bDontDisplay)
            platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
        if (result == -1)
            return;
    } else {
        ui::ChoiceRequest request;
        request.text = "\n\nWelcome to Tessaraxon(TM) Interface!";
        request.values = {100, 101, 102, 0, 0};
        request.labels = {"Open an existing Project", "Make a new Project", "Detect motors. (No Project)", "", ""};
        request.flags = ui::kChoiceCheckBox;
        const ui::ChoiceReply reply = ui::ChoiceBox(m_context->Questions(), request);
        if (reply.value == ui::IDCANCEL)
            return;
        if (reply.checked)
            platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
        result = reply.value;
    }
    switch (result) {
    case 100: m_frame->Commands().Execute(cmd::ID_OPEN_PROJECT); break;
    case 101: m_frame->Commands().Execute(cmd::ID_NEW_PROJECT); break;
    case 102: m_frame->Commands().Execute(cmd::ID_FIND_MOTORS); break;
    default: {
        // A recent project: removed from the list when it cannot be opened, else moved up.
        const std::string path = m_recentProjects.At(result);
        if (m_session->OpenOrNew(path, false))
            m_recentProjects.MoveToTop(result);
        else
            m_recentProjects.Remove(result);
        break;
    }
    }
}

void CVQXApp::OpenForwardedFiles(const QStringList& files)
{
    if (!m_frame)
        return;
    m_frame->show();
    m_frame->setWindowState((m_frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_frame->raise();
    m_frame->activateWindow();
    for (const QString& f : files) {
        const auto choice = shell::ClassifyCommandLine(f.toStdString(), {});
        if (choice.extension == "spj") {
            m_session->OpenOrNew(choice.projectPath, false);
        } else if (!choice.trimmed.empty() && !choice.play) {
            OpenDocumentFile(QString::fromStdString(choice.trimmed));
        }
    }
}

bool CVQXApp::OpenDocumentFile(const QString& path)
{
    std::string error;
    if (m_templates.OpenDocument(m_frame->MdiArea(), path, &error))
        return true;
    m_frame->InfoBar()->Show(false);
    m_frame->InfoBar()->AddError(error);
    return false;
}

void CVQXApp::BuildRecentProjectsMenu()
{
    QMenu* file = m_frame->menuBar()->findChild<QMenu*>(QStringLiteral("File"));
    if (!file)
        return;
    auto* recent = new QMenu(QStringLiteral("Recen&t Projects"), file);
    recent->setObjectName(QStringLiteral("Recent Projects"));
    QAction* before = m_frame->Commands().Action(cmd::ID_FILE_PRINT_SETUP);
    file->insertMenu(before && file->actions().contains(before) ? before : nullptr, recent);
    auto fill = [this, recent] {
        recent->clear();
        fw::CommandTable& commands = m_frame->Commands();
        for (int i = 0; i < m_recentProjects.Size() && i <= cmd::ID_RECENT_PROJECT_LAST - cmd::ID_RECENT_PROJECT_FIRST; ++i) {
            if (m_recentProjects.At(i).empty())
                continue;
            fw::CommandInfo info;
            info.id = cmd::ID_RECENT_PROJECT_FIRST + i;
            QAction* a = commands.Add(info);
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(m_recentProjects.DisplayName(i))));
            recent->addAction(a);
        }
        recent->menuAction()->setEnabled(!recent->isEmpty());
    };
    connect(file, &QMenu::aboutToShow, recent, fill);
    fill();
}

void CVQXApp::OpenRecentProject(int index)
{
    const std::string path = m_recentProjects.At(index);
    if (path.empty())
        return;
    // An entry that no longer opens leaves the list; one that opens moves to the top.
    const bool opened = m_session->OpenOrNew(path, false);
    const std::string now = m_frame->Project().Path();
    if (opened && fw::RecentFileList::SamePath(now, path))
        m_recentProjects.MoveToTop(m_recentProjects.Find(path));
    else if (const int at = m_recentProjects.Find(path); at >= 0 && !fw::RecentFileList::SamePath(now, path))
        m_recentProjects.Remove(at);
}

int CVQXApp::ExitInstance(int code)
{
    m_recentProjects.WriteList(platform::AppProfile());
    return code;
}
