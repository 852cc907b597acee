#pragma once
// The project of the running program with the windows that show it: the terminal bar in the main
// frame's "Terminal" dock bar, the communication-error query with detection, the poll step, the
// Ctrl+digit macros, the shell's view of the project.

#include "app/project/DetectAllMotors.h"
#include "app/project/Macro.h"
#include "app/project/Project.h"
#include "app/project/ProjectShell.h"
#include "app/shell/CommErrorQuery.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>

class CMainFrame;
class CTerminalBar;
class CSerialDataAnalyzerWnd;

class CProjectSession final : public IDetectionSurroundings {
public:
    // `context`: the context of the project's ports and of the query (null: the default one).
    explicit CProjectSession(CMainFrame& frame, ui::COperationContext* context = nullptr);
    ~CProjectSession() override;

    // Opens the default project; a start-up device (VQX_PORT) becomes its port when no default
    // project was ever saved. Then the saved-open ports open and the "startup" macro runs.
    void Start(const std::string& startupDevice);

    CProject& Project() { return m_project; }
    CTerminalBar& TerminalBar() { return *m_bar; }
    commerror::ICommErrorHandler& CommErrorHandler() { return m_query; }
    // Ctrl+digit: the first macro with that shortcut runs, unless one runs already.
    bool RunShortcutMacro(int digit);
    // The commands the session handles: Tools > Macros, the terminal's Clear, Save and Copy.
    bool OnCommand(int id);
    // Where the terminal's Save writes (none: the save dialog asks).
    std::function<QString(const QString& suggested)> chooseTerminalFile;

    // IDetectionSurroundings
    void ShowPortText(int portIndex, const std::string& text) override;
    void ShowPortError(int portIndex, const std::string& text) override;
    void MotorsChanging(CCommPort& port) override;
    void PortsChanged() override;
    int AskDifferentSettings(CCommPort& port, CCommPort& detected) override;

private:
    CMainFrame& m_frame;
    CProject m_project;
    CTerminalBar* m_bar;
    CSerialDataAnalyzerWnd* m_analyzer; // owned by the frame's analyzer bar
    CProjectRecoveryActions m_actions;
    commerror::CCommErrorQuery m_query;
    CProjectShell m_shell;
    CMacroRunner m_macros;
};
