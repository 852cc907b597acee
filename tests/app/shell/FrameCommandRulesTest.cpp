// The main frame's command table as data: the update rule of every command in one table of
// program states, the firmware version list and menu, dropped files, and the window reset.

#include "app/shell/CommandIds.h"
#include "app/shell/FirmwareVersions.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/FrameDecisions.h"
#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using shell::FrameState;
using namespace shell::ids;

// A program with the terminal shown on an open RS-232 chain at 9600 with echo, a named project,
// the tree's selected port an RS-485 bus at 19200, and two firmware versions (the second default).
FrameState Running()
{
    FrameState s;
    s.terminalVisible = true;
    s.projectDefault = false;
    s.currentPort = {true, 1, true, 9600, true};
    s.selectedPort = {true, 2, false, 19200, false};
    s.firmwareVersions = {"440-", "450@"};
    s.infoLines = 3;
    return s;
}

struct Expect {
    bool enabled;
    bool checked;
    const char* text; // nullptr: unchanged
};

struct Row {
    const char* what;
    std::function<void(FrameState&)> change;
    int id;
    Expect expect;
};

} // namespace

TEST(FrameCommandRules, EveryRuleAsATable)
{
    auto none = [](FrameState&) {};
    auto hiddenTerminal = [](FrameState& s) { s.terminalVisible = false; };
    auto closedPort = [](FrameState& s) { s.currentPort.open = false; };
    auto rs485 = [](FrameState& s) { s.currentPort.commType = 2; };
    auto ethernet = [](FrameState& s) { s.currentPort = {true, 6, true, 9600, false}; };
    auto usb = [](FrameState& s) { s.currentPort = {true, 9, true, 9600, false}; };
    auto noPort = [](FrameState& s) { s.currentPort = {}; };
    auto echoOff = [](FrameState& s) { s.currentPort.echo = false; };
    auto defaultProject = [](FrameState& s) { s.projectDefault = true; };
    auto noLines = [](FrameState& s) { s.infoLines = 0; };
    auto bars = [](FrameState& s) { s.infoVisible = s.configVisible = true; };
    auto sourceDoc = [](FrameState& s) { s.activeSourceDocument = true; };
    auto unavailable = [](FrameState& s) { s.unavailable = {cmd::ID_OPTIONS}; };

    const std::vector<Row> rows = {
        {"view: bar shown is checked", bars, cmd::ID_VIEW_INFORMATION, {true, true, nullptr}},
        {"view: bar hidden", none, cmd::ID_VIEW_INFORMATION, {true, false, nullptr}},
        {"view: configuration", bars, cmd::ID_VIEW_CONFIGURATION, {true, true, nullptr}},
        {"view: terminal", none, cmd::ID_VIEW_TERMINAL, {true, true, nullptr}},
        {"view: analyzer hidden", none, cmd::ID_VIEW_ANALYZER, {true, false, nullptr}},
        {"detect: RS-232 text", none, cmd::ID_DETECT_MOTORS, {true, false, "Detect/Address Motors on RS-232 chain"}},
        {"detect: RS-485 text", rs485, cmd::ID_DETECT_MOTORS, {true, false, "Detect Motors on RS-485 bus"}},
        {"detect: Ethernet text", ethernet, cmd::ID_DETECT_MOTORS, {true, false, "Detect Network Motors"}},
        {"detect: USB text", usb, cmd::ID_DETECT_MOTORS, {true, false, "Detect USB Motors"}},
        {"detect: terminal hidden", hiddenTerminal, cmd::ID_DETECT_MOTORS, {false, false, "Detect/Address Motors on RS-232 chain"}},
        {"detect: no port keeps its text", noPort, cmd::ID_DETECT_MOTORS, {true, false, nullptr}},
        {"baud: the port's rate is checked", none, 32933, {true, true, nullptr}},
        {"baud: another rate", none, 32934, {true, false, nullptr}},
        {"baud: RS-485 allowed", rs485, 32935, {true, false, nullptr}},
        {"baud: closed port", closedPort, 32933, {false, true, nullptr}},
        {"baud: Ethernet has no rate", ethernet, 32933, {false, true, nullptr}},
        {"baud: terminal hidden", hiddenTerminal, 32931, {false, false, nullptr}},
        {"tree baud: checked by the selected port", none, 33148, {true, true, nullptr}},
        {"tree baud: enabled by the current port", none, 33147, {true, false, nullptr}},
        {"tree baud: current port closed", closedPort, 33148, {false, true, nullptr}},
        {"echo on: checked when on", none, cmd::ID_ECHO_ON, {true, true, nullptr}},
        {"echo off: not checked when on", none, cmd::ID_ECHO_OFF, {true, false, nullptr}},
        {"echo off: checked when off", echoOff, cmd::ID_ECHO_OFF, {true, true, nullptr}},
        {"echo on: RS-485 refused", rs485, cmd::ID_ECHO_ON, {false, true, nullptr}},
        {"echo on: closed port", closedPort, cmd::ID_ECHO_ON, {false, true, nullptr}},
        {"echo off: terminal hidden", hiddenTerminal, cmd::ID_ECHO_OFF, {false, false, nullptr}},
        {"run program", none, cmd::ID_RUN_PROGRAM, {true, false, nullptr}},
        {"stop program: terminal hidden", hiddenTerminal, cmd::ID_STOP_PROGRAM, {false, false, nullptr}},
        {"stop motors", none, cmd::ID_STOP_MOTORS, {true, false, nullptr}},
        {"decelerate: terminal hidden", hiddenTerminal, cmd::ID_DECELERATE_MOTORS, {false, false, nullptr}},
        {"download the program: no source document", none, kTreeDownloadEditor, {false, false, nullptr}},
        {"download the program: a source document", sourceDoc, kTreeDownloadEditor, {true, false, nullptr}},
        {"compile project: named", none, cmd::ID_COMPILE_PROJECT, {true, false, nullptr}},
        {"compile project: default", defaultProject, cmd::ID_COMPILE_PROJECT, {false, false, nullptr}},
        {"compile and download: default", defaultProject, cmd::ID_COMPILE_DOWNLOAD_PROJECT, {false, false, nullptr}},
        {"close project: default", defaultProject, cmd::ID_CLOSE_PROJECT, {false, false, nullptr}},
        {"project properties: default", defaultProject, cmd::ID_PROJECT_PROPERTIES, {false, false, nullptr}},
        {"save as: default", defaultProject, cmd::ID_SAVE_PROJECT_AS, {false, false, nullptr}},
        {"save as: named", none, cmd::ID_SAVE_PROJECT_AS, {true, false, nullptr}},
        {"validate: default", defaultProject, kTreeValidate, {false, false, nullptr}},
        {"associate: default", defaultProject, kTreeAssociate, {false, false, nullptr}},
        {"download main file: default", defaultProject, kTreeDownloadMain, {false, false, nullptr}},
        {"33077: default", defaultProject, kProjectOnly33077, {false, false, nullptr}},
        {"save project: default too", defaultProject, cmd::ID_SAVE_PROJECT, {true, false, nullptr}},
        {"status pane 59200", none, cmd::ID_INDICATOR_POSITION, {false, false, nullptr}},
        {"status pane 59201", none, cmd::ID_INDICATOR_VERSION, {false, false, nullptr}},
        {"info copy: lines", none, cmd::ID_INFO_COPY, {true, false, nullptr}},
        {"info copy: no lines", noLines, cmd::ID_INFO_COPY, {false, false, nullptr}},
        {"firmware: first version", none, 41100, {true, false, nullptr}},
        {"firmware: the default is checked", none, 41101, {true, true, nullptr}},
        {"firmware: beyond the list", none, 41102, {false, false, nullptr}},
        {"tuner: always", none, cmd::ID_TUNER, {true, false, nullptr}},
        {"motor view: always", none, cmd::ID_MOTOR_VIEW, {true, false, nullptr}},
        {"tool window: monitor", none, cmd::ID_NEW_MONITOR, {true, false, nullptr}},
        {"tool window: chart", none, cmd::ID_CHART_VIEW, {true, false, nullptr}},
        {"playground: always", none, cmd::ID_PLAYGROUND, {true, false, nullptr}},
        {"lockup wizard: always", none, cmd::ID_LOCKUP_WIZARD, {true, false, nullptr}},
        {"tune this motor: always", none, kTreeTuneMotor, {true, false, nullptr}},
        {"verify calibration: always", none, kTreeVerifyCalibration, {true, false, nullptr}},
        {"recalibrate: always", none, kTreeRecalibrate, {true, false, nullptr}},
        {"calibration power: always", none, kTreeCalibrationPower, {true, false, nullptr}},
        {"a dialog not there", unavailable, cmd::ID_OPTIONS, {false, false, nullptr}},
        {"find motors", none, cmd::ID_FIND_MOTORS, {true, false, nullptr}},
        {"upload calibration program", none, kTreeUploadCalibration, {true, false, nullptr}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        FrameState s = Running();
        r.change(s);
        const fw::CommandState got = shell::FrameCommandState(s, r.id);
        EXPECT_EQ(got.enabled, r.expect.enabled);
        EXPECT_EQ(got.checked, r.expect.checked);
        EXPECT_EQ(got.text.has_value(), r.expect.text != nullptr);
        if (got.text && r.expect.text) {
            EXPECT_EQ(*got.text, r.expect.text);
        }
    }
}

// Nothing but the tool windows stays off: each other command of the table is enabled in a state
// that suits it (a named project, the terminal on an open RS-232 port, an active source document,
// information lines), and no state at all enables a tool window.
TEST(FrameCommandRules, OnlyTheToolWindowsAreNeverEnabled)
{
    std::vector<FrameState> states(4, Running());
    states[0].activeSourceDocument = true;
    states[1].projectDefault = true;
    states[1].terminalVisible = false;
    states[2].currentPort = {true, 2, true, 2400, false};
    states[3] = FrameState{};
    int toolWindows = 0;
    for (const shell::FrameCommand& c : shell::FrameCommands()) {
        bool everEnabled = false;
        for (const FrameState& s : states)
            everEnabled = everEnabled || shell::FrameCommandState(s, c.id).enabled;
        EXPECT_EQ(everEnabled, !c.toolWindow) << c.id << " " << c.menuText;
        toolWindows += c.toolWindow;
    }
    // Every tool window is there now.
    EXPECT_EQ(toolWindows, 0);
    EXPECT_TRUE(shell::FrameCommandState(states[0], cmd::ID_FIRMWARE_FIRST).enabled);
}

TEST(FrameCommandRules, TheTableHoldsEveryCommandOnceWithItsTexts)
{
    std::set<int> ids;
    for (const shell::FrameCommand& c : shell::FrameCommands()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_NE(std::string(c.menuText), "") << c.id;
        EXPECT_NE(std::string(c.lines).find('\n'), std::string::npos) << c.id;
    }
    // The commands of the menus, the terminal's and the tree's, with the texts users see.
    for (int id : {32776, 32773, 32774, 33012, 32775, 32789, 33058, 32783, 32788, 32792, 32841, 32922, 32834, 32993,
                   33008, 32791, 32829, 32951, 32947, 32946, 32931, 32935, 33145, 33149, 32831, 32832, 32920, 32921,
                   32914, 32949, 32925, 32828, 32851, 32996, 32965, 33023, 33118, 32859, 32857, 57666, 57668, 33137,
                   33011, 33116, 33078, 33079, 32823, 32822, 32824, 33007, 32820, 33125, 32912, 32936, 33135, 33009,
                   33010, 33038, 33158, 33159, 33164, 33160, 33163, 32819, 33143, 32817, 32826, 32939, 32807})
        EXPECT_TRUE(ids.count(id)) << id;
    EXPECT_STREQ(shell::FindFrameCommand(cmd::ID_STOP_MOTORS)->menuText, "Stop &Motors");
    EXPECT_STREQ(shell::FindFrameCommand(cmd::ID_COMPILE_DOWNLOAD_PROJECT)->menuText, "Compile and &Download Project");
    EXPECT_STREQ(shell::FindFrameCommand(cmd::ID_TALK_TO_MOTORS)->shortcut, "Ctrl+T");
    EXPECT_EQ(shell::BaudOfCommand(32931), 2400);
    EXPECT_EQ(shell::BaudOfCommand(33149), 38400);
    EXPECT_EQ(shell::BaudOfCommand(32936), 0);
}

TEST(FirmwareVersions, ListMenuAndChoiceFromTheScannerKey)
{
    using platform::RegValue;
    // Values in their order; a non-string value ends the enumeration; Path and Default are no
    // versions; the default matches without regard to case.
    const std::vector<RegValue> values = {
        RegValue::String("Path", "/opt/lang"), RegValue::String("Default", "450ab"), RegValue::String("462", "462.sld"),
        RegValue::String("450AB", "450.sld"),  RegValue::String("440", "440.sld"),    RegValue::Dword("Count", 3),
        RegValue::String("500", "500.sld"),
    };
    const auto list = shell::FirmwareVersionList(values);
    EXPECT_EQ(list, (std::vector<std::string>{"462-", "450AB@", "440-"}));
    // Ids follow the list, the items are sorted by name, the default is checked.
    const auto menu = shell::FirmwareMenu(list);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0], (shell::FirmwareMenuItem{41102, "440", false}));
    EXPECT_EQ(menu[1], (shell::FirmwareMenuItem{41101, "450AB", true}));
    EXPECT_EQ(menu[2], (shell::FirmwareMenuItem{41100, "462", false}));
    // No default among the names: nothing checked.
    for (const auto& item : shell::FirmwareMenu(shell::FirmwareVersionList({RegValue::String("Default", "999"),
                                                                             RegValue::String("462", "x")})))
        EXPECT_FALSE(item.checked);
    // The menu never grows beyond its 50 ids.
    std::vector<std::string> many;
    for (int i = 0; i < 70; ++i)
        many.push_back(std::to_string(100 + i) + "-");
    const auto capped = shell::FirmwareMenu(many);
    ASSERT_EQ(capped.size(), 50u);
    for (const auto& item : capped)
        EXPECT_LE(item.id, cmd::ID_FIRMWARE_LAST);

    // Through the registry: a missing key gives an empty list; a choice becomes the default.
    TempFolder dir;
    platform::Registry registry(dir / "u.reg", dir / "m.reg");
    EXPECT_TRUE(shell::ReadFirmwareVersionList(registry).empty());
    const char* key = "SOFTWARE\\Korvessan\\Scanner";
    for (const auto& v : values)
        registry.SetValue(platform::RegHive::LocalMachine, key, v);
    const auto read = shell::ReadFirmwareVersionList(registry);
    EXPECT_EQ(read, list);
    EXPECT_TRUE(shell::ChooseFirmwareVersion(registry, read, 41102));
    EXPECT_EQ(registry.GetString(platform::RegHive::LocalMachine, key, "Default"), "440");
    EXPECT_EQ(shell::ReadFirmwareVersionList(registry), (std::vector<std::string>{"462-", "450AB-", "440@"}));
    EXPECT_FALSE(shell::ChooseFirmwareVersion(registry, read, 41103));
    EXPECT_FALSE(shell::ChooseFirmwareVersion(registry, read, 41099));
    EXPECT_EQ(registry.GetString(platform::RegHive::LocalMachine, key, "Default"), "440");
}

TEST(FrameDecisions, DroppedFilesAndWindowReset)
{
    using shell::DropAction;
    struct {
        std::vector<std::string> files;
        DropAction expect;
    } rows[] = {
        {{}, DropAction::Nothing},
        {{"/p/a.tqs", "/p/b.tqs"}, DropAction::OpenDocuments},
        {{"/p/Line.SPJ"}, DropAction::OpenProject},
        {{"/P/open.spj"}, DropAction::ProjectAlreadyOpen},
        {{"/p/a.spj", "/p/b.spj"}, DropAction::InvalidCombination},
        {{"/p/a.spj", "/p/a.tqs"}, DropAction::InvalidCombination},
        {{"/p/notes.txt"}, DropAction::OpenDocuments},
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::ClassifyDroppedFiles(r.files, "/p/OPEN.spj"), r.expect) << r.files.size();

    const auto bars = shell::WindowResetLayout(1003, 804, {true, false, true, true});
    const auto& info = bars[shell::kInfoBarIndex];
    EXPECT_EQ(info.floatingRect, (fw::PlacementRect{100, 100, 750, 100 + 160}));
    EXPECT_EQ(info.style, 0x8F14u);
    EXPECT_EQ(info.where2Dock, fw::CBRS_ALIGN_BOTTOM);
    EXPECT_EQ(info.showed, 1);
    const int positions[] = {0, 3, 1, 5};
    for (int i : {shell::kTerminalBarIndex, shell::kConfigBarIndex, shell::kAnalyzerBarIndex}) {
        const auto& b = bars[static_cast<size_t>(i)];
        EXPECT_EQ(b.floatingRect, (fw::PlacementRect{100, 100, 100 + 200, 500})) << i;
        EXPECT_EQ(b.style, 0x1F14u);
        EXPECT_EQ(b.where2Dock, fw::CBRS_ALIGN_LEFT);
        EXPECT_EQ(b.posInDockArr, positions[i]);
    }
    EXPECT_EQ(bars[shell::kTerminalBarIndex].showed, 0); // keeps its visibility
    EXPECT_EQ(bars[shell::kAnalyzerBarIndex].showed, 1);
}
