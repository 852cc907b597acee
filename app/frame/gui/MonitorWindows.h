#pragma once
// Opening monitor windows in the main frame: the first free of its ten slots, with what the window
// needs of the running project passed in (its motors by port index and address, the terminal's
// current motor, the communication-error query, the Select Motor dialog).

#include <string>

class CMainFrame;
class CMonitorDlg;
class CProject;
class CTerminalBar;
namespace commerror {
class ICommErrorHandler;
}

struct MonitorWindowSources {
    CMainFrame& frame;
    CProject& project;
    CTerminalBar& bar;
    commerror::ICommErrorHandler& query;
};

// A new monitor window ("Monitor%d"), or one showing a monitor file. Null when all ten slots are
// taken (nothing happens) or the file could not be read (the user was told, or `problem` holds
// why when one is given: then a full table is reported there too). show false: the caller
// shows the window.
CMonitorDlg* OpenMonitorWindow(const MonitorWindowSources& sources, const std::string& path = {},
                               std::string* problem = nullptr, bool show = true);
