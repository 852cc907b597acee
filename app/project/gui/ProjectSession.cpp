#include "app/project/gui/ProjectSession.h"

#include "app/bridge/Seams.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DockDlg.h"
#include "app/project/TerminalMenu.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/project/gui/MacrosDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "app/setup/gui/PortPages.h"
#include "app/shell/CommandIds.h"
#include "app/shell/gui/MainFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/serial/SerialProbe.h"

#include <QFileDialog>
#include <QLineEdit>


CProjectSession::CProjectSession(CMainFrame& frame, ui::COperationContext* context)
    : m_frame(frame), m_bar(new CTerminalBar), m_actions(m_project, *this),
      m_query(m_actions, (context ? *context : bridge::Context()).Questions()), m_shell(m_project)
{
    m_project.SetContext(context);
    m_frame.TerminalBar()->setWidget(m_bar);
    // The analyzer records the traffic of the project's ports and shows it in its bar.
    m_analyzer = new CSerialDataAnalyzerWnd;
    m_frame.AnalyzerBar()->setWidget(m_analyzer);
    m_project.Context().SetTrafficLog(&m_analyzer->Analyzer());
    m_analyzer->ApplyOptions(m_project.Context().Options());
    m_project.SetSectionOwner("SDAView", m_analyzer);
    CPortMotorsPage::DetectHandler() = &m_query;
    m_bar->SetProject(&m_project);
    m_bar->SetCommErrorHandler(&m_query);
    m_frame.SetTerminalPoll([this] { return m_bar->PollIncoming(); });
    m_frame.SetProject(&m_shell);
    m_shell.runMacro = [this](CMacro& macro) {
        if (m_bar->CurrentTab() >= 0)
            m_macros.Run(macro, m_bar->Pane(m_bar->CurrentTab()), {});
    };
    for (int d = 0; d <= 9; ++d) {
        fw::CommandInfo key;
        key.id = cmd::ID_MACRO_KEY_FIRST + d;
        key.shortcut = "Ctrl+" + std::to_string(d);
        m_frame.Commands().Add(key);
    }
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
}

CProjectSession::~CProjectSession()
{
    // The bar outlives the session (the frame deletes it): it must not reach the project after.
    if (m_bar)
        m_bar->SetProject(nullptr);
    m_frame.SetTerminalPoll({});
    m_project.SetSectionOwner("TerminalView", nullptr);
    m_project.SetSectionOwner("SDAView", nullptr);
    m_project.Context().SetTrafficLog(nullptr);
    m_analyzer->UpdatePortTabs(nullptr);
    if (CPortMotorsPage::DetectHandler() == &m_query)
        CPortMotorsPage::DetectHandler() = nullptr;
}

void CProjectSession::Start(const std::string& startupDevice)
{
    platform::SystemSerialProbe probe;
    const bool configured = DefaultProjectExists();
    m_project.LoadDefault(&probe);
    if (!configured)
        AdoptStartupPort(m_project, startupDevice);
    m_project.ApplySections();
    m_bar->UpdatePortTabs();
    m_analyzer->UpdatePortTabs(&m_project);
    m_shell.RunStartup();
    m_bar->UpdatePortTabs();
}

bool CProjectSession::RunShortcutMacro(int digit)
{
    CMacro* macro = CMacroRunner::FindByShortcut(m_project.Macros(), digit);
    if (!macro || m_macros.Running() || m_bar->CurrentTab() < 0)
        return false;
    return m_macros.Run(*macro, m_bar->Pane(m_bar->CurrentTab()), {});
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
    m_analyzer->UpdatePortTabs(&m_project);
}

bool CProjectSession::OnCommand(int id)
{
    if (id >= cmd::ID_MACRO_KEY_FIRST && id <= cmd::ID_MACRO_KEY_LAST) {
        RunShortcutMacro(id - cmd::ID_MACRO_KEY_FIRST);
        return true;
    }
    const int tab = m_bar->CurrentTab();
    switch (id) {
    case cmd::ID_MACRO: {
        CMacrosDlg dlg(&m_frame, m_project, m_macros, m_project.Context().Questions(), [this]() -> IMacroTarget* {
            return m_bar->CurrentTab() >= 0 ? &m_bar->Pane(m_bar->CurrentTab()) : nullptr;
        });
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
        const QString suggested = QString::fromLatin1(m_project.Port(tab)->Name.c_str()) + QStringLiteral(".trm");
        const QString path = chooseTerminalFile
                                 ? chooseTerminalFile(suggested)
                                 : QFileDialog::getSaveFileName(&m_frame, {}, suggested,
                                                                QStringLiteral("Terminal Files (*.trm);;All Files (*)"));
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
    CDifferentSettingsDlg dlg(&m_frame, port, detected, &m_project);
    dlg.motorGoing = [this](CMotor* motor) { m_frame.RemoveMotorWindows(motor); };
    return dlg.exec();
}
