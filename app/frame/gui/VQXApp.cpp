#include "app/frame/gui/VQXApp.h"

#include "app/bridge/Seams.h"
#include "app/frame/gui/ShellServices.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/TextPrinting.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TermView.h"
#include "app/shell/CommandIds.h"
#include "app/shell/SmallForms.h"
#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/Help.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/SingleInstance.h"
#include "app/shell/gui/SplashAbout.h"
#include "app/shell/gui/StartDlg.h"
#include "app/shell/gui/TipDlg.h"
#include "core/settings/Options.h"
#include "core/shared/MotorModels.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>

#include <cstdio>

CVQXApp* g_pApp = nullptr;

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

CVQXApp::CVQXApp(QString instanceFolder) : m_instanceFolder(std::move(instanceFolder))
{
    g_pApp = this;
    m_strProductVersion = VQX_VERSION;
    m_strVersion = shell::VersionText(m_strProductVersion, VQX_PRIVATE_BUILD);
    m_strLegalText = "Copyright (C) Korvessan";
    m_services = std::make_unique<bridge::ShellServices>(nullptr);
}

CVQXApp::~CVQXApp()
{
    editor::Environment() = {};
    m_session.reset();
    if (m_frame)
        m_services->SetFrame(nullptr);
    m_frame.reset();
    if (g_pApp == this)
        g_pApp = nullptr;
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
        auto* view = static_cast<CTermView*>(MakeTermView(path, error));
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
        ui::OptionMessageBox(bridge::Questions(), kAlreadyRunning, ui::MB_OK, {}, {}, {});
        return false;
    }
    connect(m_instance.get(), &SingleInstance::activated, this, &CVQXApp::OpenForwardedFiles);

    platform::InitAppFolder();
    m_recentProjects.ReadList(platform::AppProfile());

    std::string error;
    std::vector<std::string> warnings;
    if (!LoadMotorModels(&error, &warnings)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        ui::OptionMessageBox(bridge::Questions(), kModelsOpenError, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return false;
    }

    if (ProfileInt("OptionBoxes", "ShowLogo", 1) != 0)
        (new CSplashWnd(QString::fromStdString(m_strVersion)))->Create();

    RegisterTemplates();
    m_frame = std::make_unique<CMainFrame>();
    m_services->SetFrame(m_frame.get());
    editor::RegisterEditor(m_templates, *m_frame);
    m_frame->setAcceptDrops(true);
    CChoiceDlg::HelpHandler() = [](int helpId) { help::ShowHelpTopic(std::to_string(helpId) + ".htm"); };
    for (const std::string& w : warnings)
        m_frame->InfoBar()->AddWarning(w);
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
        case cmd::ID_FILE_OPEN: {
            const QString path = QFileDialog::getOpenFileName(m_frame.get(), QString(), QString(), m_templates.OpenFilter());
            if (!path.isEmpty())
                OpenDocumentFile(path);
            return true;
        }
        case cmd::ID_HELP_CONTENTS:
        case cmd::ID_HELP_FINDER: help::HtmlHelpCommand("Contents"); return true;
        case cmd::ID_HELP_INDEX: help::HtmlHelpCommand("Index"); return true;
        case cmd::ID_HELP_USING: help::ShowHelpTopic("::/HowToUseVQXHelp.htm"); return true;
        case cmd::ID_FILE_PRINT_SETUP: fw::PrintSetup(m_frame.get()); return true;
        default: return false;
        }
    });

    bridge::Options().Load();
    std::string projectPath;
    if (bridge::Options().ReloadWorkspace)
        projectPath = platform::AppProfile().GetString("Workspace", "LastWSP", "");
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    m_commandLine = shell::ClassifyCommandLine(shell::JoinArguments(args), projectPath);

    // The default project; the simulated chain of `make run` (VQX_PORT) is its port on a machine
    // where none was ever configured.
    m_session = std::make_unique<CProjectSession>(*m_frame, &bridge::Context());
    m_session->SetTemplates(&m_templates);
    m_session->recentProject = [this](const std::string& file) { m_recentProjects.Add(file); };
    if (!openProject)
        openProject = [this](const std::string& path) { return m_session->OpenOrNew(path, false); };
    m_session->Start(qEnvironmentVariable("VQX_PORT").toStdString());
    m_session->ConnectEditor();

    if (!m_commandLine.projectPath.empty()) {
        if (!openProject || !openProject(m_commandLine.projectPath)) {
            // The project could not be opened: the default project, and it is not tried again.
            platform::AppProfile().WriteString("Workspace", "LastWSP", "");
        }
    }

    if (!m_commandLine.play && m_commandLine.opensDocument)
        OpenDocumentFile(QString::fromStdString(m_commandLine.trimmed));

    ShowFirstScreen();
    return true;
}

void CVQXApp::ShowFirstScreen()
{
    shell::FirstScreenInputs in;
    in.showPlayground = ProfileInt("OptionBoxes", "ShowPlayground", 1) != 0;
    in.play = m_commandLine.play;
    // The playground window comes with the tools; until then the start goes on without it.
    in.playgroundAvailable = false;
    in.extension = m_commandLine.extension;
    in.firstRun = ProfileInt("Workspace", "FirstRun", 1) != 0;
    in.defaultProject = m_frame->Project().IsDefault();
    in.startQuestion = ProfileInt("OptionBoxes", "StartQuestion", 1) != 0;
    in.commandLineEmpty = m_commandLine.trimmed.empty();
    m_firstScreen = shell::ChooseFirstScreen(in);

    // The project's start-up: placement, ports and the "startup" macro, then the frame is shown.
    if (!m_frame->isVisible())
        m_frame->RestoreWindowPos();
    m_frame->Project().RunStartup();
    m_frame->show();

    switch (m_firstScreen) {
    case shell::FirstScreen::Welcome: RunWelcomeDialog(); break;
    case shell::FirstScreen::StartQuestion: RunStartQuestion(); break;
    case shell::FirstScreen::Tip: {
        CTipDlg tip(m_frame.get());
        tip.DoModal();
        break;
    }
    case shell::FirstScreen::Playground: break;
    }
}

void CVQXApp::RunWelcomeDialog()
{
    ui::ChoiceRequest request;
    request.text = "Welcome to VQX!\n\nVQX uses Projects to remember your motor information and settings.";
    request.values = {100, 101, 0, 0, 0};
    request.labels = {"Create new Project based on connected motors", "Start with RS-232 Sample Project", "", "", ""};
    request.helpId = 113;
    const ui::ChoiceReply reply = ui::ChoiceBox(bridge::Questions(), request);
    if (reply.value == 100) {
        m_frame->Commands().Execute(cmd::ID_NEW_PROJECT);
    } else if (reply.value == 101) {
        if (openProject && openProject("SAMPLE")) {
            const int answer = ui::OptionMessageBox(bridge::Questions(),
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
        CStartDlg start(m_recentProjects.Entries(), m_frame.get());
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
        const ui::ChoiceReply reply = ui::ChoiceBox(bridge::Questions(), request);
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
        if (openProject && openProject(path))
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
            if (openProject)
                openProject(choice.projectPath);
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

int CVQXApp::ExitInstance(int code)
{
    m_recentProjects.WriteList(platform::AppProfile());
    return code;
}
