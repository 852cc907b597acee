#include "app/shell/gui/VQXApp.h"

#include "app/bridge/Seams.h"
#include "app/project/gui/ProjectSession.h"
#include "app/shell/gui/MainFrame.h"
#include "core/settings/Options.h"
#include "core/shared/MotorModels.h"
#include "core/ui/Questions.h"
#include "platform/paths/Paths.h"
#include "platform/registry/Profile.h"

#include <QApplication>
#include <QMessageBox>

CVQXApp* g_pApp = nullptr;

#ifndef VQX_VERSION
#define VQX_VERSION "1.0.0"
#endif

CVQXApp::CVQXApp()
{
    g_pApp = this;
    m_strProductVersion = VQX_VERSION;
    m_strVersion = m_strProductVersion;
    m_strLegalText = "Copyright (C) Korvessan";
}

CVQXApp::~CVQXApp()
{
    m_session.reset();
    m_frame.reset();
    if (g_pApp == this)
        g_pApp = nullptr;
}

bool CVQXApp::InitInstance(const QStringList& arguments)
{
    platform::SetProfileRegistryKey("Korvessan");
    platform::InitAppFolder();
    m_recentProjects.ReadList(platform::AppProfile());

    std::string error;
    if (!LoadMotorModels(&error)) {
        ui::OptionMessageBox(bridge::Questions(), kModelsOpenError, ui::MB_OK | ui::MB_ICONHAND);
        return false;
    }

    m_frame = std::make_unique<CMainFrame>();
    bridge::Options().Load();

    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    m_commandLine = shell::ClassifyCommandLine(shell::JoinArguments(args), {});

    // The default project; the simulated chain of `make run` (VQX_PORT) is its port on a machine
    // where none was ever configured.
    m_session = std::make_unique<CProjectSession>(*m_frame, &bridge::Context());
    m_session->Start(qEnvironmentVariable("VQX_PORT").toStdString());

    m_frame->RestoreWindowPos();
    m_frame->show();
    return true;
}

int CVQXApp::ExitInstance(int code)
{
    m_recentProjects.WriteList(platform::AppProfile());
    return code;
}
