#pragma once
// The main frame's command table: every command id with its menu text, key and the three lines
// of its texts, the menus they sit in, and the update rules as one pure function of the program's
// state (FrameCommandState), so that every rule is tested as a table without a window.

#include "app/framework/CommandRules.h"

#include <string>
#include <vector>

namespace shell {

// Ids the frame's menus and the configuration tree's context menus add to cmd:: (CommandIds.h).
namespace ids {
inline constexpr int kBaudTerminalFirst = 32931; // 2400 .. 38400
inline constexpr int kBaudTerminalLast = 32935;
inline constexpr int kBaudTreeFirst = 33145;
inline constexpr int kBaudTreeLast = 33149;
inline constexpr int kTerminalClear = 32846;
inline constexpr int kTerminalSave = 32872;
inline constexpr int kTerminalCopy = 32873;
inline constexpr int kProgrammersGuide = 33137;
// Configuration tree.
inline constexpr int kTreeDetect = 32823;
inline constexpr int kTreeAddress = 32822;
inline constexpr int kTreeProperties = 32824;
inline constexpr int kTreeMotorView = 33007;
inline constexpr int kTreeMotorProperties = 32820;
inline constexpr int kTreePlayground = 33125;
inline constexpr int kTreeTuneMotor = 32912;
inline constexpr int kTreeAssociate = 32936;
inline constexpr int kTreeDownloadEditor = 33135;
inline constexpr int kTreeDownload = 33009;
inline constexpr int kTreeDownloadMain = 33010;
inline constexpr int kTreeValidate = 33038;
inline constexpr int kTreeRecalibrate = 33158;
inline constexpr int kTreeVerifyCalibration = 33159;
inline constexpr int kTreeCalibrationPower = 33164;
inline constexpr int kTreeWebPage = 33160;
inline constexpr int kTreeSetAddress = 33163;
inline constexpr int kTreeUpload = 32819;
inline constexpr int kTreeUploadCalibration = 33143;
inline constexpr int kTreeClearEEPROM = 32817;
inline constexpr int kTreeOpenFile = 32826;
inline constexpr int kTreeMainFile = 32939;
inline constexpr int kTreeDeleteFile = 32807;
inline constexpr int kProjectOnly33077 = 33077;
} // namespace ids

// The rates of the two "Set Baudrate" menus, in id order.
inline constexpr int kBaudRates[5] = {2400, 4800, 9600, 19200, 38400};
int BaudOfCommand(int id); // 0 for an id of neither range

// One command: its id, texts, key, and the menu it sits in ("" for none: toolbar, tree, keys).
struct FrameCommand {
    int id;
    const char* menuText;
    const char* shortcut;     // nullptr: none
    const char* lines;        // "description\ntooltip"
    const char* menu;         // "File", "Edit", "View", "Communication", "Build", "Tools", "Help", ""
    bool checkable = false;
    // The tool windows of the monitoring and tuning tools: in the table, disabled until their
    // windows exist.
    bool toolWindow = false;
};
const std::vector<FrameCommand>& FrameCommands();
const FrameCommand* FindFrameCommand(int id);

// A port as the rules see it.
struct RulePort {
    bool exists = false;
    int commType = 0;
    bool open = false;
    int bitPerSec = 0;
    bool echo = false;
};

// Everything the update rules read.
struct FrameState {
    bool infoVisible = false;
    bool terminalVisible = false;
    bool configVisible = false;
    bool analyzerVisible = false;
    bool projectDefault = true;
    RulePort currentPort;  // the terminal bar's current port
    RulePort selectedPort; // the configuration tree's selected port
    bool activeSourceDocument = false;
    int infoLines = 0;
    // The firmware version list, each name followed by "-" or by "@" for the default.
    std::vector<std::string> firmwareVersions;
    // Commands whose dialog or window is provided by a part that is not there (disabled).
    std::vector<int> unavailable;
};

fw::CommandState FrameCommandState(const FrameState& state, int id);

// The text of Detect Motors by the current port's kind (empty: unchanged).
std::string DetectMotorsText(int commType);

} // namespace shell
