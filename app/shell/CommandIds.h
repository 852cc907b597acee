#pragma once
// Numeric ids of the program's commands, bars, panes and private messages. Menus, toolbar and
// context menus are built from these; ranges decode from the id.

namespace cmd {

// Framework commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_FIND = 57636;
inline constexpr int ID_EDIT_REPLACE = 57641;
inline constexpr int ID_EDIT_REPEAT = 57640;
inline constexpr int ID_HELP_INDEX = 57666;
inline constexpr int ID_HELP_USING = 57668;
inline constexpr int ID_HELP_FINDER = 57669; // the toolbar's Help button
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_WINDOW_CASCADE = 57650;
inline constexpr int ID_WINDOW_TILE_HORZ = 57651;
inline constexpr int ID_WINDOW_ARRANGE = 57649;

// Projects.
inline constexpr int ID_NEW_PROJECT = 32776;
inline constexpr int ID_OPEN_PROJECT = 32773;
inline constexpr int ID_SAVE_PROJECT = 32774;
inline constexpr int ID_SAVE_PROJECT_AS = 33012;
inline constexpr int ID_CLOSE_PROJECT = 32775;
inline constexpr int ID_PROJECT_PROPERTIES = 32789;
inline constexpr int ID_SAVE_ALL = 33058;
inline constexpr int ID_RECENT_PROJECT_FIRST = 33101;
inline constexpr int ID_RECENT_PROJECT_LAST = 33110;

// View.
inline constexpr int ID_VIEW_INFORMATION = 32783;
inline constexpr int ID_VIEW_TERMINAL = 32788;
inline constexpr int ID_VIEW_CONFIGURATION = 32792;
inline constexpr int ID_VIEW_ANALYZER = 32841;
inline constexpr int ID_TALK_TO_MOTORS = 32922;

// Communication and motors.
inline constexpr int ID_COMM_SETTINGS = 32834;
inline constexpr int ID_COMM_WIZARD = 32993;
inline constexpr int ID_FIND_MOTORS = 33008;
inline constexpr int ID_DETECT_MOTORS = 32791;
inline constexpr int ID_UPLOAD_PROGRAM = 32829;
inline constexpr int ID_TRANSMIT_COMPILED = 32951;
inline constexpr int ID_ECHO_ON = 32947;
inline constexpr int ID_ECHO_OFF = 32946;
inline constexpr int ID_RUN_PROGRAM = 32831;
inline constexpr int ID_STOP_PROGRAM = 32832;
inline constexpr int ID_STOP_MOTORS = 32920;
inline constexpr int ID_DECELERATE_MOTORS = 32921;
inline constexpr int ID_LOCKUP_WIZARD = 32914;
inline constexpr int ID_COMPILE_PROJECT = 32949;
inline constexpr int ID_COMPILE_DOWNLOAD_PROJECT = 32925;
inline constexpr int ID_COMPILE_TRANSMIT = 32808;
inline constexpr int ID_SCAN_ERRORS = 32799;
inline constexpr int ID_FIRMWARE_FIRST = 41100;
inline constexpr int ID_FIRMWARE_LAST = 41149;

// Tools.
inline constexpr int ID_TUNER = 32828;
inline constexpr int ID_MACRO = 32851;
inline constexpr int ID_MOTOR_VIEW = 32996;
inline constexpr int ID_NEW_MONITOR = 32965;
inline constexpr int ID_CHART_VIEW = 33023;
inline constexpr int ID_PLAYGROUND = 33118;
inline constexpr int ID_OPTIONS = 32859;
inline constexpr int ID_MACRO_KEY_FIRST = 32900;
inline constexpr int ID_MACRO_KEY_LAST = 32909;
inline constexpr int ID_MACRO_STOP = 33114;

// Help.
inline constexpr int ID_HELP_CONTENTS = 32857;
inline constexpr int ID_PROGRAMMERS_GUIDE = 33137;
inline constexpr int ID_TIP_OF_THE_DAY = 33011;
inline constexpr int ID_WHERE_ARE_MY_WINDOWS = 33116;

// Information view context menu.
inline constexpr int ID_INFO_COPY = 33078;
inline constexpr int ID_INFO_CLEAR = 33079;

// Status-bar panes.
inline constexpr int ID_INDICATOR_POSITION = 59200; // "Ln 1000000, Col 10000000"
inline constexpr int ID_INDICATOR_VERSION = 59201;  // "Version: XXXXXXX"

// Dock bars (their templates; also their help topics).
inline constexpr int IDD_INFO_BAR = 336;
inline constexpr int IDD_TERMINAL_BAR = 339;
inline constexpr int IDD_CONFIG_BAR = 147;
inline constexpr int IDD_ANALYZER_BAR = 178;

// Frame resource; help context of the contents.
inline constexpr int IDR_MAINFRAME = 101;

// Private messages kept as named codes.
inline constexpr int WM_WAIT_PROGRESS = 1207;
inline constexpr int WM_COMM_ERROR = 1208;

} // namespace cmd
