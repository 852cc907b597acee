#pragma once
// The project of the running program with the windows that show it: the terminal bar in the main
// frame's "Terminal" dock bar, the communication-error query with detection, the poll step, the
// Ctrl+digit macros, the shell's view of the project.

#include "app/project/DetectAllMotors.h"
#include "app/project/Macro.h"
#include "app/project/Project.h"
#include "app/project/ProjectShell.h"
#include "app/shell/CloseSequence.h"
#include "app/shell/CommErrorQuery.h"

#include <QString>

#include <functional>
#include <memory>
#include <string>

class CConfigBar;
namespace editor {
struct EditorEnvironment;
}
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
    // The project's ports, the query and every window and dialog the session makes work in the
    // frame's context.
    explicit CProjectSession(CMainFrame& frame);
    ~CProjectSession() override;

    // Opens the default project; a start-up device (VQX_PORT) becomes its port when no default
    // project was ever saved. The project's start-up (ports, "startup" macro) is the program's to
    // run once the first project is chosen.
    void Start(const std::string& startupDevice);

    CProject& Project() { return m_project; }
    CTerminalBar& TerminalBar() { return *m_bar; }
    CConfigBar& ConfigBar() { return *m_tree; }
    CFrameCommands& Commands() { return *m_commands; }
    commerror::ICommErrorHandler& CommErrorHandler() { return m_query; }
    // The editor reaches this project, its communication-error query and the terminal bar (until
    // the session goes).
    void ConnectEditor(editor::EditorEnvironment& env);
    // Ctrl+digit: the first macro with that shortcut runs, unless one runs already.
    bool RunShortcutMacro(int digit);
    // ---- opening and closing projects ----
    static constexpr const char* kSampleProject = "SAMPLE";
    static constexpr const char* kSaveChangesQuestion = shell::kSaveProjectQuestion;
    // Closes the current project and opens another (a file), the sample project (kSampleProject)
    // or the default project (empty). A file that cannot be read is reported and changes nothing.
    // keepState: the ports stay open and the documents stay (a project saved under a new name).
    // runStartup false: the caller runs the project's start-up itself (the program's start).
    bool OpenOrNew(const std::string& fileName, bool keepState, bool runStartup = true);
    // The templates that open the project's documents (none: documents are not restored).
    void SetTemplates(fw::DocTemplates* templates);
    // The OpenDocuments text of the documents open now, and opening them from the project's.
    std::string CollectDocuments() const;
    void RestoreDocuments();
    // Told the file of every project opened (the recent-project list).
    std::function<void(const std::string&)> recentProject;

    // The communication-error query's Setup Wizard, Lock-up Wizard and Manual Settings choices:
    // their commands, queued behind the operation that failed.
    // A recovery command of the error query; the lock-up wizard starts on the port of the error.
    void RunRecoveryCommand(int choice, int portIndex = -1);

    // The commands the session handles: Tools > Macros, the terminal's Clear, Save and Copy.
    bool OnCommand(int id);

    // IDetectionSurroundings
    void ShowPortText(int portIndex, const std::string& text) override;
    void ShowPortError(int portIndex, const std::string& text) override;
    void MotorsChanging(CCommPort& port) override;
    void PortsChanged() override;
    int TargetAddress(int portIndex) override;
    int AskDifferentSettings(CCommPort& port, CCommPort& detected) override;

private:
    // Empties the information view; unless keepState also closes the ports, empties their panes
    // and closes the documents.
    void ClearWindows(bool keepState);
    // A project that keeps no dock layout shows the terminal and configuration bars only.
    void ShowDefaultBars();
    // A monitor window of the project's open documents, back with its file, place and polling.
    void RestoreMonitor(const OpenDocumentEntry& entry);

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
    // The frame's dock layout ("MainFrame") and the compiler's settings ("Scanner") in the file.
    std::unique_ptr<IProjectSection> m_layoutSection;
    std::unique_ptr<IProjectSection> m_scannerSection;
    editor::EditorEnvironment* m_editor = nullptr;
    std::unique_ptr<CPortWindowsEvents> m_portEvents;
};
