#pragma once
// The one application object of VQX: brings the program up as a single instance, creates the
// main frame, chooses and opens the project, decides what the user sees first, and writes the
// recent-project list when the program ends.

#include "app/framework/RecentFileList.h"
#include "app/shell/StartupDecisions.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

class CMainFrame;
class CProjectSession;

class CVQXApp : public QObject {
    Q_OBJECT
public:
    CVQXApp();
    ~CVQXApp() override;

    // The start; false ends the program (nothing to run).
    bool InitInstance(const QStringList& arguments);
    // Writes the recent-project list; returns the exit code.
    int ExitInstance(int code);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    fw::RecentFileList& RecentProjects() { return m_recentProjects; }
    const shell::CommandLineChoice& CommandLine() const { return m_commandLine; }

    // The version texts of the About box and the splash.
    std::string m_strVersion;
    std::string m_strProductVersion;
    std::string m_strLegalText;
    int m_nRunningMacro = -1;

private:
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CProjectSession> m_session; // the project and its terminal; goes before the frame
    fw::RecentFileList m_recentProjects{"Recent WSP List", "WSP%d", 4, 30};
    shell::CommandLineChoice m_commandLine;
};

// The application object; null before it exists.
extern CVQXApp* g_pApp;
