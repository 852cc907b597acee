#pragma once
// Opening monitor windows in the main frame: the first free of its ten slots, with what the window
// needs of the running project (its motors by port index and address, the terminal's current
// motor, the communication-error query, the Select Motor dialog) passed in.

#include <string>

class CMainFrame;
class CMonitorDlg;
class CProjectSession;

// A new monitor window ("Monitor%d"), or one showing a monitor file. Null when all ten slots are
// taken or the file could not be read (the user was told).
CMonitorDlg* OpenMonitorWindow(CMainFrame& frame, CProjectSession& session, const std::string& path = {});
// Whether a slot is free for another monitor window.
bool CanOpenMonitorWindow(const CMainFrame& frame);
