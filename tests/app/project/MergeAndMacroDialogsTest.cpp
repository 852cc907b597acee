// The rules of the windows around detection and macros, without widgets: "Different settings
// detected" with its remembered answer, "Resolve Motor Inconsistency" over one port and over a
// whole project, the motor details, the terminal's context menu and the Macros window.
#include <gtest/gtest.h>

#include "app/project/DetectAllMotors.h"
#include "app/project/DifferentSettings.h"
#include "app/project/MacrosForm.h"
#include "app/project/MotorDetails.h"
#include "app/project/Project.h"
#include "app/project/ResolveMotors.h"
#include "app/project/TerminalMenu.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "tests/common/HeadlessContext.h"
#include "tests/core/ui/TestProfile.h"

#include <memory>

namespace {

CMotor* Motor(CCommPort& port, int address, uint32_t serial, const char* version = "450")
{
    CMotor* m = EnterDetectedMotor(port, address);
    m->SerialNumber = serial;
    m->Version = version;
    m->IsAvailable = true;
    return m;
}

std::unique_ptr<CCommPort> Port(const char* name)
{
    auto port = std::make_unique<CCommPort>();
    port->Name = port->PortName = name;
    port->SetMaxMotors(10);
    return port;
}

std::vector<std::string> Actions(const CResolveMotorsForm& form)
{
    std::vector<std::string> out;
    for (const ResolveRow& r : form.Rows())
        out.push_back(r.Name() + ":" + ResolveActionText(r.action));
    return out;
}

uint32_t Serial(int n) { return ('T' << 24) | static_cast<uint32_t>(n); }

} // namespace

TEST(ResolveMotors, OnePortRowsParametersActionsAndApply)
{
    HeadlessContext h;
    CProject project;
    project.SetContext(&h.context);
    ASSERT_TRUE(project.AddPort(Port("Com1")));
    CCommPort& port = *project.Port(0);
    Motor(port, 1, Serial(1));
    Motor(port, 2, Serial(2), "440");
    Motor(port, 3, Serial(3));     // not found again
    Motor(port, 4, Serial(4));     // the same as found: no row
    auto detected = Port("Com1");
    Motor(*detected, 1, Serial(1));
    Motor(*detected, 2, Serial(2), "450");
    Motor(*detected, 4, Serial(4));
    Motor(*detected, 5, Serial(5)); // new
    Motor(*detected, 6, Serial(6)); // new, but its address will be taken by then
    ASSERT_TRUE(detected->MergeDetected(port));

    CResolveMotorsForm form(port, *detected);
    EXPECT_EQ(Actions(form), (std::vector<std::string>{"Motor2-Com1:Update", "Motor3-Com1:Leave", "Motor5-Com1:Add",
                                                       "Motor6-Com1:Add"}));
    // The parameters of the differing motor: both values, the version marked as different.
    const auto params = CResolveMotorsForm::Parameters(form.Rows()[0]);
    ASSERT_EQ(params.size(), 10u); // no network motor: no "IP Address"
    EXPECT_EQ(params[1].name, "Version");
    EXPECT_EQ(params[1].defined, "440");
    EXPECT_EQ(params[1].detected, "450");
    EXPECT_TRUE(params[1].differs);
    EXPECT_FALSE(params[0].differs);
    EXPECT_EQ(params[2].name, "Serial Numner");
    EXPECT_EQ(params[2].defined, "T2");
    EXPECT_EQ(params[7].defined, CResolveMotorsForm::kUnknown); // no checksum known
    // The undetected motor's row has nothing on the detected side.
    EXPECT_EQ(CResolveMotorsForm::Parameters(form.Rows()[1])[0].detected, CResolveMotorsForm::kUnknown);

    // Button titles and actions per kind of row.
    const char* expected[][2] = {{"Update", "Ignore"}, {"Delete", "Leave"}, {"Add", "Ignore"}, {"Add", "Ignore"}};
    for (size_t i = 0; i < form.Rows().size(); ++i) {
        EXPECT_STREQ(CResolveMotorsForm::FirstButtonText(form.Rows()[i]), expected[i][0]) << i;
        EXPECT_STREQ(CResolveMotorsForm::SecondButtonText(form.Rows()[i]), expected[i][1]) << i;
    }
    form.OnAllButton(CResolveMotorsForm::kIgnoreAllNew);
    form.OnAllButton(CResolveMotorsForm::kDeleteAllUndetected);
    form.ActSecond(0);
    EXPECT_EQ(Actions(form), (std::vector<std::string>{"Motor2-Com1:Ignore", "Motor3-Com1:Delete", "Motor5-Com1:Ignore",
                                                       "Motor6-Com1:Ignore"}));
    form.ActFirst(0);
    form.OnAllButton(CResolveMotorsForm::kAddAllNew);
    form.ActFirst(99); // no such row: nothing

    // Meanwhile another motor took address 6: that addition is refused, the rest is carried out.
    Motor(port, 6, Serial(60));
    std::vector<std::string> refused;
    std::vector<CMotor*> going;
    CMotor* motor3 = port.GetMotor(3);
    EXPECT_EQ(form.Apply(&project, &refused, [&](CMotor* m) { going.push_back(m); }), 3);
    EXPECT_EQ(going, std::vector<CMotor*>{motor3});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find("Motor6-Com1"), std::string::npos);
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(port.GetMotor(3), nullptr); // gone from the address table too
    EXPECT_EQ(port.GetMotor(2)->Version, "450");
    EXPECT_EQ(port.GetMotor(2)->port, &port);
    EXPECT_EQ(port.GetMotor(6)->SerialNumber, Serial(60));
    ASSERT_NE(port.GetMotor(5), nullptr);
    EXPECT_EQ(port.GetMotor(5)->port, &port);
    std::vector<int> order;
    for (int i = 0; i < port.MotorCount(); ++i)
        order.push_back(port.motors.GetAt(i)->Address);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 5, 6})); // address order kept
}

TEST(ResolveMotors, ListFormAddsADetectedPortTheProjectLacksAndCancelChangesNothing)
{
    HeadlessContext h;
    CProject project;
    project.SetContext(&h.context);
    ASSERT_TRUE(project.AddPort(Port("Com1")));
    Motor(*project.Port(0), 1, Serial(1));
    auto twin = Port("Com1");
    Motor(*twin, 1, Serial(1), "462");
    ASSERT_TRUE(twin->MergeDetected(*project.Port(0)));
    auto stranger = Port("Com7");
    Motor(*stranger, 3, Serial(3));

    CResolveMotorsForm form({project.Port(0)}, {twin.get(), stranger.get()});
    EXPECT_EQ(Actions(form), (std::vector<std::string>{"Motor1-Com1:Update", "Motor3-Com7:Add"}));
    {
        CResolveMotorsForm cancelled({project.Port(0)}, {twin.get(), stranger.get()});
        (void)cancelled; // never applied: the dialog's Cancel
    }
    EXPECT_EQ(project.PortCount(), 1);
    EXPECT_EQ(project.Port(0)->GetMotor(1)->Version, "450");

    EXPECT_EQ(form.Apply(&project), 3); // the update, the new port, its motor
    ASSERT_EQ(project.PortCount(), 2);
    EXPECT_EQ(project.Port(0)->GetMotor(1)->Version, "462");
    EXPECT_EQ(project.Port(1)->Name, "Com7");
    ASSERT_EQ(project.Port(1)->MotorCount(), 1);
    EXPECT_EQ(project.Port(1)->GetMotor(3)->port, project.Port(1));
    EXPECT_EQ(project.Port(1)->id, 1);
}

TEST(DifferentSettings, AnswersTheBoxAndTheRememberedAnswer)
{
    TestProfile profile;
    CCommPort port, detected;
    port.Name = "Com1";
    Motor(port, 1, Serial(1));
    Motor(detected, 1, Serial(1));
    Motor(detected, 2, Serial(2))->IsAvailable = false;
    const ConfigTreeItem tree = ConfigurationTree(CDifferentSettingsForm::kDetectedRoot, {&detected}, false);
    EXPECT_EQ(tree.text, "Detected Configuration");
    ASSERT_EQ(tree.children.size(), 2u);
    EXPECT_EQ(tree.children[1].image, kImageMotorOff);
    EXPECT_EQ(tree.children[0].motor, detected.motors.GetAt(0));
    const ConfigTreeItem list = ConfigurationTree(CDifferentSettingsForm::kCurrentRoot, {&port, &detected}, true);
    ASSERT_EQ(list.children.size(), 2u);
    EXPECT_EQ(list.children[0].text, "Com1");
    EXPECT_EQ(list.children[0].children.size(), 1u);

    CDifferentSettingsForm form;
    EXPECT_EQ(form.Chosen(), kMergeAddAndUpdate);
    form.SetDontShowAgain(true);
    form.Choose(kMergeIgnore); // unchecks and disables the box
    EXPECT_FALSE(form.DontShowAgain());
    EXPECT_FALSE(form.DontShowEnabled());
    form.SetDontShowAgain(true);
    EXPECT_FALSE(form.DontShowAgain());
    EXPECT_EQ(form.Ok(), kMergeIgnore);
    EXPECT_EQ(ui::GetRememberedAnswer(kDifferentChannelKey), 0); // Ignore is never remembered

    int shown = 0;
    auto show = [&] { return ++shown, kMergeAddNew; };
    EXPECT_EQ(DoModalOrRemembered(show), kMergeAddNew);
    form.Choose(kMergeReplace);
    form.SetDontShowAgain(true);
    EXPECT_EQ(form.Ok(), kMergeReplace);
    EXPECT_EQ(DoModalOrRemembered(show), kMergeReplace); // no dialog now
    EXPECT_EQ(shown, 1);
}

TEST(MotorDetails, LinesOptionsAndAMotorWithoutEeprom)
{
    CMotor m;
    m.Name = "Axis X";
    m.Model = "T23-61";
    m.Version = "450";
    m.SerialNumber = Serial(77);
    m.EnRes = 4000;
    m.ProgName = "Main.tqs";
    m.ProgSize = 120;
    m.CommOptions[0] = 1;
    m.CommOptions[1] = 0x12; // RS-485 in the low bits
    m.CommOptions[2] = 11;   // not a channel kind
    m.HO = 0x2001;
    MotorDetails d = DescribeMotor(m);
    EXPECT_EQ(d.name, "Axis X");
    for (const char* line : {"Model:\tT23-61\n", "Firmware Version:\t450\n", "Serial Number:\tT77\n",
                             "Encoder Resolution:\t4000\n", "User Program Size:\t120 bytes\n",
                             "Comm. Channel 0:\tRS-232\n", "Comm. Channel 1:\tRS-485\n"})
        EXPECT_NE(d.lines.find(line), std::string::npos) << line;
    for (const char* absent : {"IP Sealing", "Clibration", "Comm. Channel 2", "USB Interface", "IP Address"})
        EXPECT_EQ(d.lines.find(absent), std::string::npos) << absent;
    EXPECT_TRUE(d.options[0]);
    EXPECT_TRUE(d.options[13]);
    EXPECT_FALSE(d.options[1]);
    m.IPSl = 65;
    m.CalProgName = "Cal.tqc";
    d = DescribeMotor(m);
    EXPECT_NE(d.lines.find("IP Sealing:\t65\n"), std::string::npos);
    EXPECT_NE(d.lines.find("Clibration Program Name:\tCal.tqc\n"), std::string::npos);
    m.eepromPresent = false;
    d = DescribeMotor(m);
    EXPECT_EQ(d.lines, MotorDetails::kNoEeprom);
    EXPECT_TRUE(d.name.empty());
}

TEST(TerminalMenu, DetectTitleFollowsThePortKind)
{
    const struct {
        int type;
        const char* title;
    } cases[] = {{COMM_RS232, "Detect/Address Motors on RS-232 chain"},
                 {COMM_RS485, "Detect Motors on RS-485 bus"},
                 {COMM_ETHERNET, "Detect Network Motors"},
                 {COMM_USB, "Detect USB Motors"}};
    for (const auto& c : cases) {
        const auto items = terminalmenu::Items(c.type);
        ASSERT_EQ(items.size(), 9u);
        EXPECT_EQ(items[1].text, c.title);
        EXPECT_EQ(items[1].id, terminalmenu::kDetectMotors);
    }
    const auto items = terminalmenu::Items(COMM_RS232);
    EXPECT_EQ(items[0].id, terminalmenu::kClear);
    ASSERT_EQ(items[5].children.size(), 5u);
    EXPECT_EQ(items[5].children[4].id, 32935);
    EXPECT_EQ(items[5].children[4].text, "38400 bps");
    EXPECT_EQ(items[8].text, "Copy\tCtrl+C");
}

TEST(MacrosForm, AddDeletePropertiesAndRunAsTheWindowDoes)
{
    TestProfile profile;
    HeadlessContext h;
    CProject project;
    project.SetContext(&h.context);
    CMacroRunner runner;
    CMacrosForm form(project, runner, h.questions);
    auto edit = [](const char* name, uint8_t key) {
        return [=](CMacro& m, const CMacro*) {
            return ApplyMacroProperties(m, name, "", ShortcutText(key), "1RP;2RP").empty();
        };
    };
    EXPECT_FALSE(form.Add([](CMacro&, const CMacro*) { return false; })); // Cancel
    EXPECT_TRUE(form.Add(edit("one", 1)));
    EXPECT_TRUE(form.Add(edit("two", CMacro::kNoShortcut)));
    ASSERT_EQ(form.Rows().size(), 2u);
    EXPECT_EQ(form.Rows()[0].shortcut, "Ctrl+1");
    EXPECT_EQ(form.Rows()[1].shortcut, "None");
    EXPECT_EQ(project.Macros()[1]->index, 1);
    EXPECT_EQ(project.Macros()[0]->Commands, "1RP;2RP\r\n");
    EXPECT_TRUE(project.modified);

    // Properties edits a copy: a refused field followed by Cancel leaves the macro as it was; the
    // macro's own Ctrl digit stays offered, another's is not.
    EXPECT_FALSE(form.Properties(0, [](CMacro& m, const CMacro*) {
        EXPECT_EQ(ApplyMacroProperties(m, "", "", "None", "X"), "Please enter a name for this macro.");
        return false;
    }));
    EXPECT_EQ(project.Macros()[0]->Name, "one");
    EXPECT_TRUE(form.Properties(1, [&](CMacro& m, const CMacro* original) {
        const auto choices = ShortcutChoices(project.Macros(), original);
        EXPECT_EQ(std::count(choices.begin(), choices.end(), "Ctrl+1"), 0);
        m.Description = "second";
        return true;
    }));
    EXPECT_EQ(form.Rows()[1].description, "second");

    // No selection; delete answered No, then Yes: the next macro moves up.
    EXPECT_FALSE(form.Delete(-1));
    h.questions.AnswerMessageBox(ui::IDNO);
    EXPECT_FALSE(form.Delete(0));
    h.questions.AnswerMessageBox(ui::IDYES);
    EXPECT_TRUE(form.Delete(0));
    ASSERT_EQ(project.Macros().size(), 1u);
    EXPECT_EQ(project.Macros()[0]->index, 0);
    const auto texts = h.questions.MessageTexts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], CMacrosForm::kSelectItem);
    EXPECT_EQ(texts[1], CMacrosForm::kConfirmDelete);

    // Run: the commands reach the pane; Run while running asks the macro to stop; nothing can be
    // added or deleted meanwhile.
    struct Pane final : IMacroTarget {
        std::vector<std::string> lines;
        std::function<void()> during;
        bool ExecuteLine(const std::string& line, bool) override
        {
            lines.push_back(line);
            if (during)
                during();
            return true;
        }
        void ShowError(const std::string&) override {}
    } pane;
    pane.during = [&] {
        EXPECT_STREQ(form.RunButtonText(), "Stop");
        EXPECT_FALSE(form.Add(edit("late", 2)));
        EXPECT_FALSE(form.Delete(0));
        form.RunOrStop(0, nullptr, {});
    };
    EXPECT_TRUE(form.RunOrStop(0, &pane, {})); // a stopped macro did not fail
    EXPECT_EQ(pane.lines, (std::vector<std::string>{"1RP", ":Macro Execution Stopped"}));
    EXPECT_STREQ(form.RunButtonText(), "Run");
    EXPECT_EQ(project.Macros().size(), 1u);

    // The 51st macro is refused.
    for (int i = 0; i < 49; ++i)
        ASSERT_TRUE(form.Add(edit("m", CMacro::kNoShortcut)));
    EXPECT_FALSE(form.Add(edit("over", CMacro::kNoShortcut)));
    EXPECT_EQ(h.questions.MessageTexts().back(), CMacrosForm::kTooMany);
    EXPECT_EQ(project.Macros().size(), 50u);
}
