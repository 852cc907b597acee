#pragma once
// What the tool windows need of the running project, shared by the monitor windows and the chart
// view: its motors by port index and address, the terminal's current motor (the preset of a new
// item), and the watch item dialog's services (the motor as shown, the Select Motor dialog).

#include "app/tools/gui/WatchItemDlg.h"

#include <utility>

class CMotor;
class CProject;
class CTerminalBar;
class QWidget;
namespace shell {
class CAppContext;
}

namespace tools {

// The motor at (port index, address) of the project; none for a port index the project lacks.
CMotor* FindProjectMotor(const CProject& project, int portIndex, int address);
// The terminal's current port and its target motor's address; (-1, -1) when there is none.
std::pair<int, int> TerminalMotor(const CProject& project, CTerminalBar& bar);
// The item dialog's services without its add callback (the window supplies that); the Select
// Motor dialog opens over `parent` when no window is active; Help opens through `app`.
WatchDlgServices WatchDialogServices(QWidget& parent, CProject& project, const shell::CAppContext& app);

} // namespace tools
