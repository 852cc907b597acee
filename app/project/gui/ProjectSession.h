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

class CConfigBar;
class CFrameCommands;
class CPortWindowsEvents;
class CMainFrame;
class CTerminalBar;
class CSerialDataAnalyzerWnd;
namespace fw {
class DocTemplates;
}

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
    CConfigBar& ConfigBar() { return *m_tree; }
    CFrameCommands& Commands() { return *m_commands; }
    commerror::ICommErrorHandler& CommErrorHandler() { return m_query; }
    // Ctrl+digit: the first macro with that shortcut runs, unless one runs already.
    bool RunShortcutMacro(int digit);
    // ---- opening and closing projects ----
    static constexpr const char* kSampleProject = "SAMPLE";
    static constexpr const char* kSaveChangesQuestion = "Do you want to save changes to the current project?";
    // Closes the current project and opens another (a file), the sample project (kSampleProject)
    // or the default project (empty). A file that cannot be read is reported and changes nothing.
    // keepState: the ports stay open and the documents stay (a project saved under a new name).
    bool OpenOrNew(const std::string& fileName, bool keepState);
    // The templates that open the project's documents (none: documents are not restored).
    void SetTemplates(fw::DocTemplates* templates);
    // The OpenDocuments text of the documents open now, and opening them from the project's.
    std::string CollectDocuments() const;
    void RestoreDocuments();
    // Told the file of every project opened (the recent-project list).
    std::function<void(const std::string&)> recentProject;

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
    // Empties the information view; unless keepState also closes the ports, empties their panes
    // and closes the documents.
    void ClearWindows(bool keepState);

    CMainFrame& m_frame;
    fw::DocTemplates* m_templates = nullptr;
    CProject m_project;
    CTerminalBar* m_bar;
    CSerialDataAnalyzerWnd* m_analyzer; // owned by the frame's analyzer bar
    CProjectRecoveryActions m_actions;
    commerror::CCommErrorQuery m_query;
    CProjectShell m_shell;
    CMacroRunner m_macros;
    CConfigBar* m_tree;
    std::unique_ptr<CFrameCommands> m_commands;
    std::unique_ptr<CPortWindowsEvents> m_portEvents;
};
