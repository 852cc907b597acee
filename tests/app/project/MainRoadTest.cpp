// The main road without windows: a project whose port is a simulated RS-232 chain of three;
// commands typed in the port's terminal pane reach the motors and their replies come back; a
// report command to a silent address raises the communication-error query, whose detection merges
// the motors into the project; the analyzer saw the typed traffic and the program's; the project
// file keeps it all.
#include <gtest/gtest.h>

#include "app/project/DetectAllMotors.h"
#include "app/project/Project.h"
#include "app/project/TerminalPane.h"
#include "app/shell/CommErrorQuery.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "tests/common/TempFolder.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/port/FakePort.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/sim/wiring/FakeLineRig.h"

namespace {

// The program around the pane: the error request goes to the query, pane texts to the pane.
struct Surroundings final : ITerminalHost, IDetectionSurroundings {
    CTerminalPane* pane = nullptr;
    commerror::ICommErrorHandler* query = nullptr;
    std::vector<uint32_t> answers;
    int portsChanged = 0;
    std::vector<std::pair<int, int>> entries;

    uint32_t OnCommError(uint32_t request, commerror::Target target) override
    {
        answers.push_back(query->OnCommError(request, target));
        return answers.back();
    }
    void SelectTargetEntry(int portIndex, int entry) override { entries.emplace_back(portIndex, entry); }
    void ShowPortText(int, const std::string& text) override { pane->ShowText(text); }
    void ShowPortError(int, const std::string& text) override { pane->ShowError(text); }
    void PortsChanged() override { ++portsChanged; }
};

class MainRoad : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void SetUp() override
    {
        static int n = 0;
        const std::string line = "mainroad-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(3, Profile(), true), line);
        analyzer.SetView(&view);
        context.SetTrafficLog(&analyzer);
        context.Options().ResponseTimeout = 60;
        auto port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        project.SetContext(&context);
        project.isDefault = false;
        project.Name = "Road";
        project.FileName = folder / "Road.spj";
        ASSERT_TRUE(project.AddPort(std::move(port)));
        pane.port = project.Port(0);
        pane.Attach(&text, &around);
        around.pane = &pane;
        around.query = &query;
        context.Options().ShowTyping = false;
        clock.Advance(std::chrono::seconds(2)); // past the motors' boot time
    }
    static vqxsim::MotorProfile Profile()
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('T' << 24) | 500;
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true; // a chain whose motors echo, as the port expects
        return p;
    }
    // What the pane showed since the last call, as text.
    std::string Shown()
    {
        const std::string all = text.Text();
        const std::string fresh = all.substr(std::min(seen, all.size()));
        seen = all.size();
        return fresh;
    }

    TempFolder folder;
    TestProfile profile;
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    CSerialDataAnalyzer analyzer;
    VisibleView view;
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    CProject project;
    CTerminalPane pane{0};
    CTerminalTranscript text;
    Surroundings around;
    CProjectRecoveryActions actions{project, around};
    commerror::CCommErrorQuery query{actions, questions};
    size_t seen = 0;
};

} // namespace

TEST_F(MainRoad, TypedCommandsRepliesSilentReportDetectionAndTheProjectFile)
{
    // Typed commands: each reply shows under its command.
    EXPECT_TRUE(pane.SendLine("1RP", false, false));
    EXPECT_EQ(Shown(), "1RP" + std::string(12, ' ') + "0\n");
    EXPECT_TRUE(pane.SendLine("2 RSP", false, false));
    const std::string rsp = Shown();
    EXPECT_NE(rsp.find("24576/450\n"), std::string::npos) << rsp;
    EXPECT_TRUE(pane.SendLine("0WAKE", false, false));
    EXPECT_TRUE(pane.SendLine("RP", false, false));
    EXPECT_TRUE(around.answers.empty());
    const auto spans = text.Spans();
    EXPECT_EQ(spans[0].format, TermFormat::Echo);
    EXPECT_EQ(spans[1].format, TermFormat::Response);

    // A report command to an address no motor has: the query, "Yes", and detection merges the
    // three motors into the port that had none.
    Shown();
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_FALSE(pane.SendLine("5RP", false, false));
    ASSERT_EQ(around.answers.size(), 1u);
    EXPECT_EQ(around.answers[0], commerror::kPortReplaced);
    EXPECT_TRUE(commerror::KeepPolling(around.answers[0]));
    CCommPort& port = *project.Port(0);
    ASSERT_EQ(port.MotorCount(), 3);
    for (int a = 1; a <= 3; ++a)
        ASSERT_NE(port.GetMotor(a), nullptr) << a;
    EXPECT_EQ(port.GetMotor(2)->Version, "450");
    EXPECT_TRUE(project.modified);
    EXPECT_TRUE(port.isOpen);
    EXPECT_GE(around.portsChanged, 1);
    // The terminal's request reports to the information view (not into the pane).
    std::string lines;
    for (const ui::CInfoLine& l : info.Lines())
        lines += l.description + "|";
    EXPECT_NE(lines.find("Detecting Tessaraxons on RS-232 daisy chain: \"Line\"|"), std::string::npos) << lines;
    EXPECT_NE(lines.find("3 motors were detected.|"), std::string::npos) << lines;
    EXPECT_EQ(info.ErrorCount(), 0);

    // Now the motors are known: a typed address makes its motor the target.
    EXPECT_TRUE(pane.SendLine("2RP", false, false));
    EXPECT_EQ(pane.targetIndex, 1);
    ASSERT_FALSE(around.entries.empty());
    EXPECT_EQ(around.entries.back(), std::make_pair(0, 2));

    // The analyzer got the typed bytes tagged 0x100 and the detection's tagged 0x400.
    bool typed = false, program = false;
    const CSdaPage& page = analyzer.Page(0);
    for (int k = 0; k < page.EntryCount(); ++k) {
        typed |= (page.EntryAt(k).flags & SDA_FROM_TERMINAL) != 0;
        program |= (page.EntryAt(k).flags & SDA_FROM_PROGRAM) != 0;
    }
    EXPECT_TRUE(typed);
    EXPECT_TRUE(program);

    // A macro of five commands runs through the pane.
    auto macro = std::make_unique<CMacro>();
    macro->Name = "five";
    macro->Shortcut = 1;
    macro->Commands = "1RP\n2RP\n3RP\n0WAKE;:done";
    ASSERT_TRUE(project.AddMacro(std::move(macro)));
    CMacroRunner runner;
    bool result = false;
    Shown();
    ASSERT_TRUE(runner.Run(*CMacroRunner::FindByShortcut(project.Macros(), 1), pane, {}, &result));
    EXPECT_TRUE(result);
    EXPECT_EQ(Shown().find("   done\n") != std::string::npos, true);

    // Saved, and back in a new program run.
    ASSERT_TRUE(project.Save());
    CProject again;
    again.Load(project.FileName);
    ASSERT_EQ(again.PortCount(), 1);
    EXPECT_EQ(again.Port(0)->PortName, port.PortName);
    EXPECT_EQ(again.Port(0)->MotorCount(), 3);
    EXPECT_EQ(again.Port(0)->IsOpen, 1); // reopened at start-up
    ASSERT_EQ(again.Macros().size(), 1u);
    EXPECT_EQ(again.Macros()[0]->Commands, "1RP\n2RP\n3RP\n0WAKE;:done");
}

TEST_F(MainRoad, MergingDetectedMotorsAsTheUserDecides)
{
    CCommPort& port = *project.Port(0);
    // The project knows motors 1 and 5; the chain has 1, 2 and 3.
    EnterDetectedMotor(port, 1)->Version = "old";
    EnterDetectedMotor(port, 5);
    struct Dialog final : IDetectionSurroundings {
        int answer = kMergeIgnore;
        int asked = 0;
        int AskDifferentSettings(CCommPort&, CCommPort& detected) override
        {
            ++asked;
            EXPECT_EQ(detected.MotorCount(), 3);
            return answer;
        }
    } dialog;

    // Ignore: nothing changes; the sender is told to stop.
    EXPECT_EQ(DetectAllMotors(project, port, kDetectToInfo, dialog), commerror::kAnswerWorks);
    EXPECT_EQ(dialog.asked, 1);
    EXPECT_EQ(port.MotorCount(), 2);
    EXPECT_FALSE(project.modified);
    EXPECT_TRUE(commerror::ShouldStop(commerror::kAnswerWorks));

    // A remembered "Add any new addresses, and leave old": no dialog; 2 and 3 join, 1 and 5 stay.
    ui::SetRememberedAnswer(kDifferentChannelKey, kMergeAddNew);
    EXPECT_EQ(DetectAllMotors(project, port, 0, dialog), commerror::kPortReplaced);
    EXPECT_EQ(dialog.asked, 1);
    ASSERT_EQ(port.MotorCount(), 4);
    EXPECT_EQ(port.GetMotor(1)->Version, "old");
    EXPECT_NE(port.GetMotor(2), nullptr);
    EXPECT_NE(port.GetMotor(5), nullptr);
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(port.motors.GetAt(1)->Address, 2); // in address order

    // "Add ..., update existing": motor 1 takes the detected data, 5 stays.
    ui::SetRememberedAnswer(kDifferentChannelKey, kMergeAddAndUpdate);
    EXPECT_EQ(DetectAllMotors(project, port, 0, dialog), commerror::kPortReplaced);
    EXPECT_EQ(port.GetMotor(1)->Version, "450");
    EXPECT_EQ(port.GetMotor(1)->port, &port);
    EXPECT_EQ(port.MotorCount(), 4);

    // The default project takes what was found without asking.
    ui::ForgetRememberedAnswer(kDifferentChannelKey);
    project.isDefault = true;
    EXPECT_EQ(DetectAllMotors(project, port, 0, dialog), commerror::kPortReplaced);
    EXPECT_EQ(dialog.asked, 1);
    EXPECT_EQ(port.MotorCount(), 3);
    EXPECT_EQ(port.id, 0);

    // A chain where nothing answers: the failure is reported, the motors marked not available,
    // the port reopened.
    for (size_t i = 0; i < 3; ++i)
        rig->WithMotor(i, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    const uint32_t r = DetectAllMotors(project, port, kDetectToInfo, dialog);
    EXPECT_FALSE(r & commerror::kAnswerWorks);
    EXPECT_FALSE(port.GetMotor(1)->IsAvailable);
    EXPECT_GT(info.ErrorCount(), 0);
    EXPECT_EQ(port.MotorCount(), 3);
}
