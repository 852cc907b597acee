#pragma once
// Tools > Options: the Options dialog on the program's settings record and compiler; afterwards
// the open source views, terminal panes and analyzer take what changed, and the firmware version
// list is read again (the dialog may have registered languages).

class CMainFrame;
class CTerminalBar;

void EditProgramOptions(CMainFrame& frame, CTerminalBar& bar);
