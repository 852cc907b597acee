#include "app/shell/FrameCommandTable.h"

#include "app/shell/CommandIds.h"

#include <algorithm>

namespace shell {

namespace {
using namespace cmd;
using namespace ids;

// Port kinds as the port record numbers them.
constexpr int kRS232 = 1;
constexpr int kRS485 = 2;
constexpr int kEthernet = 6;
constexpr int kUSB = 9;

const std::vector<FrameCommand> kCommands = {
    // File
    {ID_NEW_PROJECT, "N&ew Project...", nullptr, "Create a new project\nNew Project", "File"},
    {ID_OPEN_PROJECT, "Open Pro&ject...", nullptr, "Open an existing project\nOpen Project", "File"},
    {ID_SAVE_PROJECT, "Sa&ve Project", nullptr, "Save the project\nSave Project", "File"},
    {ID_SAVE_PROJECT_AS, "Save Project As...", nullptr, "Save the project under a new name\nSave Project As", "File"},
    {ID_CLOSE_PROJECT, "C&lose Project", nullptr, "Close the project\nClose Project", "File"},
    {ID_PROJECT_PROPERTIES, "P&roject Properties...", nullptr, "Edit the project's ports\nProject Properties", "File"},
    {ID_SAVE_ALL, "Save All", nullptr, "Save the project and all documents\nSave All", "File"},
    // View
    {ID_VIEW_CONFIGURATION, "&Configuration", nullptr, "Show or hide the Configuration View\nConfiguration View", "View", true},
    {ID_VIEW_TERMINAL, "T&erminal", nullptr, "Show or hide the Terminal View\nTerminal View", "View", true},
    {ID_VIEW_INFORMATION, "&Information", nullptr, "Show or hide the Information View\nInformation View", "View", true},
    {ID_VIEW_ANALYZER, "Serial &Data Analyzer", nullptr, "Show or hide the Serial Data Analyzer\nSerial Data Analyzer", "View", true},
    {ID_WHERE_ARE_MY_WINDOWS, "&Where are my windows?", nullptr, "Put the views back where they start\nWhere are my windows?", "View"},
    // Communication
    {ID_TALK_TO_MOTORS, "&Talk to Motors", "Ctrl+T", "Type commands to the motors\nTalk to Motors", "Communication"},
    {ID_COMM_SETTINGS, "&Settings", nullptr, "Edit the communication settings\nCommunication Settings", "Communication"},
    {ID_COMM_WIZARD, "&Communication Setup Wizard", nullptr, "Find the ports and motors step by step\nCommunication Setup Wizard", "Communication"},
    {ID_FIND_MOTORS, "Find Motors", nullptr, "Find the motors connected to the defined ports\nFind Motors", "Communication"},
    {ID_DETECT_MOTORS, "Detect Motors", nullptr, "Detect the motors of the current port\nDetect Motors", "Communication"},
    {ID_UPLOAD_PROGRAM, "&Upload Program", nullptr, "Upload a motor's program\nUpload Program", "Communication"},
    {ID_TRANSMIT_COMPILED, "Transmit &Compiled Program...", nullptr, "Download a compiled program to motors\nTransmit Compiled Program", "Communication"},
    {ID_ECHO_ON, "Echo On", nullptr, "Make the motors of the chain echo\nEcho On", "Communication", true},
    {ID_ECHO_OFF, "Echo Off", nullptr, "Make the motors of the chain stop echoing\nEcho Off", "Communication", true},
    {32931, "2400", nullptr, "Set the motors' baud rate to 2400\n2400", "Communication/Set Baudrate", true},
    {32932, "4800", nullptr, "Set the motors' baud rate to 4800\n4800", "Communication/Set Baudrate", true},
    {32933, "9600", nullptr, "Set the motors' baud rate to 9600\n9600", "Communication/Set Baudrate", true},
    {32934, "19200", nullptr, "Set the motors' baud rate to 19200\n19200", "Communication/Set Baudrate", true},
    {32935, "38400", nullptr, "Set the motors' baud rate to 38400\n38400", "Communication/Set Baudrate", true},
    {ID_RUN_PROGRAM, "&Run Program", nullptr, "Run the motor's program\nRun Program", "Communication"},
    {ID_STOP_PROGRAM, "Stop Running &Program", nullptr, "Stop the motor's program\nStop Running Program", "Communication"},
    {ID_STOP_MOTORS, "Stop &Motors", nullptr, "Stop every motor\nStop Motors", "Communication"},
    {ID_DECELERATE_MOTORS, "&Decelerate Motors to Stop", nullptr, "Decelerate every motor to a stop\nDecelerate Motors to Stop", "Communication"},
    {ID_LOCKUP_WIZARD, "Communication &Lockup Wizard", nullptr, "Recover motors that do not answer\nLockup Wizard", "Communication"},
    {kTerminalClear, "Clear", nullptr, "Clear the terminal\nClear", ""},
    {kTerminalSave, "Save", nullptr, "Save the terminal's text\nSave", ""},
    {kTerminalCopy, "Copy", nullptr, "Copy the terminal's selection\nCopy", ""},
    // Build
    {ID_COMPILE_PROJECT, "Compile &Project", nullptr, "Compile every file of the project\nCompile Project", "Build"},
    {ID_COMPILE_DOWNLOAD_PROJECT, "Compile and &Download Project", nullptr, "Compile and download the programs of every motor\nCompile and Download Project", "Build"},
    // Tools
    {ID_TUNER, "&Tuner", nullptr, "Tune a motor\nTuner", "Tools"},
    {ID_MACRO, "&Macro...", nullptr, "Edit the macros\nMacro", "Tools"},
    {ID_MOTOR_VIEW, "Motor &View", nullptr, "Open a motor view\nMotor View", "Tools"},
    {ID_NEW_MONITOR, "New Monitor View", nullptr, "Open a monitor view\nNew Monitor View", "Tools"},
    {ID_CHART_VIEW, "&Chart View", nullptr, "Open the chart view\nChart View", "Tools"},
    {ID_PLAYGROUND, "&Tessaraxon Playground", nullptr, "Open the Tessaraxon Playground\nPlayground", "Tools"},
    {ID_OPTIONS, "&Options ...", nullptr, "Change the program's options\nOptions", "Tools"},
    // Help
    {ID_HELP_CONTENTS, "&Contents", nullptr, "Show the help contents\nHelp Contents", "Help"},
    {ID_HELP_INDEX, "&Index", nullptr, "Show the help index\nHelp Index", "Help"},
    {ID_HELP_USING, "&How to use VQX Help", nullptr, "How to use the help\nHelp", "Help"},
    {kProgrammersGuide, "&Programmer's Guide", nullptr, "Open the programmer's guide\nProgrammer's Guide", "Help"},
    {ID_TIP_OF_THE_DAY, "&Tip of the Day...", nullptr, "Show the tip of the day\nTip of the Day", "Help"},
    // Information view
    {ID_INFO_COPY, "&Copy", nullptr, "Copy the information list\nCopy", ""},
    {ID_INFO_CLEAR, "C&lear", nullptr, "Clear the information list\nClear", ""},
    // Configuration tree
    {kTreeDetect, "Detect Motors on RS-232 Chain", nullptr, "Detect the motors of this port\nDetect Motors", ""},
    {kTreeAddress, "Address RS-232 Chain", nullptr, "Give the motors of the chain their addresses\nAddress RS-232 Chain", ""},
    {kTreeProperties, "Properties", nullptr, "Properties of the selected item\nProperties", ""},
    {kTreeMotorView, "Motor View", nullptr, "Open a motor view for this motor\nMotor View", ""},
    {kTreeMotorProperties, "Properties", nullptr, "The motor's settings\nProperties", ""},
    {kTreePlayground, "Tessaraxon Playground", nullptr, "Open the playground for this motor\nPlayground", ""},
    {kTreeTuneMotor, "Tune this motor", nullptr, "Tune this motor\nTune this motor", ""},
    {kTreeAssociate, "Associate files to motor", "Ins", "Associate program files to the motor\nAssociate files", ""},
    {kTreeDownloadEditor, "Download the program", nullptr, "Compile and download the active program\nDownload the program", ""},
    {kTreeDownload, "Download", nullptr, "Compile and download this file\nDownload", ""},
    {kTreeDownloadMain, "Download main associated file", nullptr, "Compile and download the main file\nDownload main associated file", ""},
    {kTreeValidate, "Validate", nullptr, "Compare the motor with the project\nValidate", ""},
    {kTreeRecalibrate, "Recalibrate Quintaloc", nullptr, "Recalibrate the motor's index\nRecalibrate", ""},
    {kTreeVerifyCalibration, "Verify Index Calibration", nullptr, "Verify the motor's index calibration\nVerify Index Calibration", ""},
    {kTreeCalibrationPower, "Set Calibration Power", nullptr, "Set the calibration power\nSet Calibration Power", ""},
    {kTreeWebPage, "Open motor's web page", nullptr, "Open the motor's web page\nWeb page", ""},
    {kTreeSetAddress, "Set Motor Address", nullptr, "Give the motor a new address\nSet Motor Address", ""},
    {kTreeUpload, "Upload Program", nullptr, "Upload the motor's program\nUpload Program", ""},
    {kTreeUploadCalibration, "Upload Quintaloc Calibration Program", nullptr, "Upload the motor's calibration program\nUpload Calibration Program", ""},
    {kTreeClearEEPROM, "Clear EEPROM", nullptr, "Replace the motor's program with END\nClear EEPROM", ""},
    {kTreeOpenFile, "Open", nullptr, "Open the file\nOpen", ""},
    {kTreeMainFile, "Main associated file", nullptr, "Make this the motor's main file\nMain associated file", "", true},
    {kTreeDeleteFile, "Delete", "Del", "Remove the file from the motor\nDelete", ""},
    {33145, "2400", nullptr, "Set the port's baud rate to 2400\n2400", "", true},
    {33146, "4800", nullptr, "Set the port's baud rate to 4800\n4800", "", true},
    {33147, "9600", nullptr, "Set the port's baud rate to 9600\n9600", "", true},
    {33148, "19200", nullptr, "Set the port's baud rate to 19200\n19200", "", true},
    {33149, "38400", nullptr, "Set the port's baud rate to 38400\n38400", "", true},
};

bool SerialKind(int commType) { return commType == kRS232 || commType == kRS485; }

fw::CommandState Enabled(bool on) { return fw::CommandState{on, false, {}}; }

} // namespace

int BaudOfCommand(int id)
{
    if (id >= kBaudTerminalFirst && id <= kBaudTerminalLast)
        return kBaudRates[id - kBaudTerminalFirst];
    if (id >= kBaudTreeFirst && id <= kBaudTreeLast)
        return kBaudRates[id - kBaudTreeFirst];
    return 0;
}

const std::vector<FrameCommand>& FrameCommands() { return kCommands; }

const FrameCommand* FindFrameCommand(int id)
{
    for (const FrameCommand& c : kCommands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string DetectMotorsText(int commType)
{
    switch (commType) {
    case kRS232: return "Detect/Address Motors on RS-232 chain";
    case kRS485: return "Detect Motors on RS-485 bus";
    case kEthernet: return "Detect Network Motors";
    case kUSB: return "Detect USB Motors";
    default: return {};
    }
}

fw::CommandState FrameCommandState(const FrameState& s, int id)
{
    if (std::find(s.unavailable.begin(), s.unavailable.end(), id) != s.unavailable.end())
        return Enabled(false);
    if (const FrameCommand* c = FindFrameCommand(id); c && c->toolWindow)
        return Enabled(false);

    const RulePort& cur = s.currentPort;
    const bool terminal = s.terminalVisible;
    switch (id) {
    case ID_VIEW_INFORMATION: return {true, s.infoVisible, {}};
    case ID_VIEW_TERMINAL: return {true, s.terminalVisible, {}};
    case ID_VIEW_CONFIGURATION: return {true, s.configVisible, {}};
    case ID_VIEW_ANALYZER: return {true, s.analyzerVisible, {}};
    case ID_DETECT_MOTORS: {
        fw::CommandState st = Enabled(terminal);
        const std::string text = DetectMotorsText(cur.exists ? cur.commType : 0);
        if (!text.empty())
            st.text = text;
        return st;
    }
    case ID_ECHO_ON:
    case ID_ECHO_OFF: {
        const bool on = terminal && cur.exists && cur.open && cur.commType == kRS232;
        return {on, cur.exists && (id == ID_ECHO_ON ? cur.echo : !cur.echo), {}};
    }
    case ID_RUN_PROGRAM:
    case ID_STOP_PROGRAM:
    case ID_STOP_MOTORS:
    case ID_DECELERATE_MOTORS: return Enabled(terminal);
    case ids::kTreeDownloadEditor: return Enabled(s.activeSourceDocument);
    case ID_COMPILE_PROJECT:
    case ID_COMPILE_DOWNLOAD_PROJECT:
    case ID_CLOSE_PROJECT:
    case ID_PROJECT_PROPERTIES:
    case ID_SAVE_PROJECT_AS:
    case ids::kTreeValidate:
    case ids::kTreeAssociate:
    case ids::kTreeDownloadMain:
    case ids::kProjectOnly33077: return Enabled(!s.projectDefault);
    case ID_INDICATOR_POSITION:
    case ID_INDICATOR_VERSION: return Enabled(false);
    case ID_INFO_COPY: return Enabled(s.infoLines > 0);
    default: break;
    }
    if (id >= kBaudTerminalFirst && id <= kBaudTreeLast && BaudOfCommand(id) != 0) {
        const bool on = terminal && cur.exists && cur.open && SerialKind(cur.commType);
        const RulePort& shown = id >= kBaudTreeFirst ? s.selectedPort : cur;
        return {on, shown.exists && shown.bitPerSec == BaudOfCommand(id), {}};
    }
    if (id >= ID_FIRMWARE_FIRST && id <= ID_FIRMWARE_LAST) {
        const size_t n = static_cast<size_t>(id - ID_FIRMWARE_FIRST);
        const bool exists = n < s.firmwareVersions.size();
        return {exists, exists && s.firmwareVersions[n].back() == '@', {}};
    }
    return {};
}

} // namespace shell
