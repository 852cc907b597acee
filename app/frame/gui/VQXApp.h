#pragma once
// The one application object of VQX: brings the program up as a single instance, creates the
// main frame, chooses and opens the project, decides what the user sees first, and writes the
// recent-project list when the program ends.

#include "app/framework/RecentFileList.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/shell/StartupDecisions.h"
#include "platform/serial/SerialProbe.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CMainFrame;
class CProjectSession;
class CScanner;
class SingleInstance;
namespace bridge {
class ShellServices;
}
namespace shell {
class CAppContext;
class IDesktopServices;
} // namespace shell

// Document templates of the program.
inline constexpr int IDR_VQXTYPE = 129;
inline constexpr int IDR_CALTYPE = 135;
inline constexpr int IDR_TERMTYPE = 130;
inline constexpr int IDR_SDATYPE = 131;

class CVQXApp : public QObject {
    Q_OBJECT
public:
    // `instanceFolder`: where the single-instance lock and socket live (empty: the runtime folder).
    // `desktop`: the file choosers and the web/help opener (none: the desktop's own; a test gives
    // its scripted ones).
    explicit CVQXApp(QString instanceFolder = {}, shell::IDesktopServices* desktop = nullptr);
    ~CVQXApp() override;

    // The start; false ends the program.
    bool InitInstance(const QStringList& arguments);
    // Writes the recent-project list; returns the exit code.
    int ExitInstance(int code);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    fw::RecentFileList& RecentProjects() { return m_recentProjects; }
    fw::DocTemplates& Templates() { return m_templates; }
    const shell::CommandLineChoice& CommandLine() const { return m_commandLine; }
    bridge::ShellServices& Services() { return *m_services; }
    // What every window of the program works with (made with the application object).
    shell::CAppContext& Context() { return *m_context; }
    CProjectSession* Session() const { return m_session.get(); }

    // What the start showed first (for the log and the tests).
    shell::FirstScreen FirstScreenShown() const { return m_firstScreen; }

    // The first-run welcome and the start question (main-frame operations).
    void RunWelcomeDialog();
    void RunStartQuestion();
    // Opens the files handed over by a later start (and raises the window).
    void OpenForwardedFiles(const QStringList& files);
    // Opens a document by its template; an error goes to the information view. False on failure.
    bool OpenDocumentFile(const QString& path);

    // The version texts of the About box and the splash.
    std::string m_strVersion;
    std::string m_strProductVersion;
    std::string m_strLegalText;
    int m_nRunningMacro = -1;

private:
    void RegisterTemplates();
    void ShowFirstScreen();
    shell::FirstScreenInputs FirstScreenInputsNow() const;
    // The playground as the first window; false when it could not be opened.
    bool OpenStartPlayground();
    // The project's start-up, the main window and then `screen`.
    void ShowMainWindow(shell::FirstScreen screen);
    // File > Recent Projects (33101-33110), filled from the list each time the File menu opens.
    void BuildRecentProjectsMenu();
    void OpenRecentProject(int index);

    QString m_instanceFolder;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<bridge::ShellServices> m_services;
    std::unique_ptr<shell::IDesktopServices> m_ownDesktop;
    std::unique_ptr<CScanner> m_scanner; // the program's one compiler
    std::unique_ptr<shell::CAppContext> m_context;
    editor::EditorEnvironment m_editor; // given to every source view; outlives the frame
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CProjectSession> m_session; // the project and its terminal; goes before the frame
    fw::RecentFileList m_recentProjects{"Recent WSP List", "WSP%d", 4, 30};
    fw::DocTemplates m_templates;
    shell::CommandLineChoice m_commandLine;
    // Start-up's one look at the serial devices, until its first windows are up.
    std::optional<platform::SerialScanSnapshot> m_startScan;
    shell::FirstScreen m_firstScreen = shell::FirstScreen::Tip;
};

