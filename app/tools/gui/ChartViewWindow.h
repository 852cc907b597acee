#pragma once
// Opening the chart view from the main frame: the program's one chart window is shown again when
// it exists, else made with what it needs of the running project (its motors by port index and
// address, the question seam, the watch item dialog in chart mode, the terminal's current motor)
// and kept in the frame's chart slot until it closes.

class CChartViewDlg;
class CMainFrame;
class CProject;
class CTerminalBar;

CChartViewDlg* OpenChartView(CMainFrame& frame, CProject& project, CTerminalBar& bar);
