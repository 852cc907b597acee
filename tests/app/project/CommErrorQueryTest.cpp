// The communication-error query's recovery machine, table-driven over the detection results and
// port types, against a fake detector and scripted answers.
#include <gtest/gtest.h>

#include "app/shell/CommErrorQuery.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <deque>
#include <string>
#include <vector>

using namespace commerror;

namespace {

// Detection that answers from a script and records the port as each call found it.
struct FakeDetector final : ICommErrorActions {
    struct Call {
        uint32_t flags;
        uint8_t type;
        int channel;
        int maxMotors;
    };
    std::deque<uint32_t> results;
    std::vector<Call> calls;
    std::vector<int> commands;
    std::vector<std::string> warnings;
    int summaries = 0;

    uint32_t DetectAllMotors(CCommPort& port, uint32_t flags) override
    {
        calls.push_back({flags, port.CommType, port.MotorChannel, port.MaxMotors});
        port.SetMaxMotors(std::max(port.MaxMotors, 77)); // detection may change it; recovery puts it back
        if (results.empty())
            return kGaveUp;
        const uint32_t r = results.front();
        results.pop_front();
        return r;
    }
    void RunRecoveryCommand(int choice) override { commands.push_back(choice); }
    void AddInfoWarning(const std::string& text) override { warnings.push_back(text); }
    void ShowInfoSummary() override { ++summaries; }
};

struct Answer {
    enum Kind { Yes, No, Ok, Choose } kind;
    int value = 0;
};

struct Case {
    const char* name;
    uint8_t type;
    uint32_t request;
    std::vector<uint32_t> results;     // detection results in order
    std::vector<Answer> answers;        // message-box and choice answers in order
    uint32_t expected;                  // the handler's answer
    std::vector<uint32_t> flags;        // detection flags in order
    std::vector<uint8_t> types;         // the port's type at each detection
    std::vector<int> commands;          // recovery commands run
    uint8_t typeAfter;                  // the port's type at the end
    int channelAfter = 0;
};

constexpr uint32_t kBase = 0x10C0000; // the detection flags of a recovery step
constexpr uint32_t kAsk = kTerminalOperationFailed | 1005;

const Case kCases[] = {
    // The query itself.
    {"declined", COMM_RS232, kAsk, {}, {{Answer::No}}, kGaveUp, {}, {}, {}, COMM_RS232},
    {"detected first time", COMM_RS232, kAsk, {kPortReplaced}, {{Answer::Yes}}, kPortReplaced, {kAsk}, {COMM_RS232}, {}, COMM_RS232},
    {"no query for detect command", COMM_RS485, kDetectPort, {kPortUnchanged}, {}, kPortUnchanged, {kDetectPort}, {COMM_RS485}, {}, COMM_RS485},
    {"cancel during detection", COMM_RS232, kDetectPort, {kGaveUp}, {}, kGaveUp, {kDetectPort}, {COMM_RS232}, {}, COMM_RS232},
    // RS-232.
    {"232 unaddressed, yes yes", COMM_RS232, kDetectPort, {2, kPortReplaced}, {{Answer::Yes}, {Answer::Yes}}, kPortReplaced,
     {kDetectPort, 0x14C0000}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 unaddressed, warning declined", COMM_RS232, kDetectPort, {2}, {{Answer::Yes}, {Answer::No}}, kGaveUp,
     {kDetectPort}, {COMM_RS232}, {}, COMM_RS232},
    {"232 only broadcast addresses at once", COMM_RS232, kDetectPort, {0x10, kPortReplaced}, {}, kPortReplaced,
     {kDetectPort, 0x14C0000}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 duplicates, yes yes", COMM_RS232, kDetectPort, {8, kPortUnchanged}, {{Answer::Yes}, {Answer::Yes}}, kPortUnchanged,
     {kDetectPort, 0x14C0000}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 comm error, try again", COMM_RS232, kDetectPort, {0x20, kPortUnchanged}, {{Answer::Yes}}, kPortUnchanged,
     {kDetectPort, kBase}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 above max, search beyond", COMM_RS232, kDetectPort, {4, kPortReplaced}, {{Answer::Choose, kSearchBeyondMax}},
     kPortReplaced, {kDetectPort, 0x18C0000}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 above max, reassign", COMM_RS232, kDetectPort, {4, kPortReplaced}, {{Answer::Choose, kReassignAddresses}},
     kPortReplaced, {kDetectPort, 0x14C0000}, {COMM_RS232, COMM_RS232}, {}, COMM_RS232},
    {"232 none: tried once as 485, then list C, 106", COMM_RS232, kDetectPort, {0x40, 0x40, kPortReplaced},
     {{Answer::Choose, kSearchRS485}, {Answer::Ok}}, kPortReplaced, {kDetectPort, kBase, kBase},
     {COMM_RS232, COMM_RS485, COMM_RS485}, {}, COMM_RS485},
    {"232 none while addressing: list C, wizard", COMM_RS232, kDetectPort | kAddressChain, {0x40},
     {{Answer::Choose, kRunSetupWizard}}, kGaveUp, {kDetectPort | kAddressChain}, {COMM_RS232}, {kRunSetupWizard}, COMM_RS232},
    {"232 none: 485 fails, cancel restores 232", COMM_RS232, kDetectPort, {0x40, 0x40}, {}, kGaveUp,
     {kDetectPort, kBase}, {COMM_RS232, COMM_RS485}, {}, COMM_RS232},
    // RS-485.
    {"485 unaddressed list A, search 232", COMM_RS485, kDetectPort, {2, kPortReplaced}, {{Answer::Choose, kSearchRS232}},
     kPortReplaced, {kDetectPort, kBase}, {COMM_RS485, COMM_RS232}, {}, COMM_RS232},
    {"485 only broadcast list A, lockup wizard", COMM_RS485, kDetectPort, {0x10}, {{Answer::Choose, kRunLockupWizard}},
     kGaveUp, {kDetectPort}, {COMM_RS485}, {kRunLockupWizard}, COMM_RS485},
    {"485 above max, yes", COMM_RS485, kDetectPort, {4, kPortUnchanged}, {{Answer::Yes}}, kPortUnchanged,
     {kDetectPort, 0x18C0000}, {COMM_RS485, COMM_RS485}, {}, COMM_RS485},
    {"485 above max, no", COMM_RS485, kDetectPort, {4}, {{Answer::No}}, kGaveUp, {kDetectPort}, {COMM_RS485}, {}, COMM_RS485},
    {"485 duplicates list A, manual", COMM_RS485, kDetectPort, {8}, {{Answer::Choose, kManualSettings}}, kGaveUp,
     {kDetectPort}, {COMM_RS485}, {kManualSettings}, COMM_RS485},
    {"485 comm error, no", COMM_RS485, kDetectPort, {0x20}, {{Answer::No}}, kGaveUp, {kDetectPort}, {COMM_RS485}, {}, COMM_RS485},
    {"485 none: tried once as 232, list B, other channel", COMM_RS485, kDetectPort, {0x40, 0x40, 0x40, 0x40, kPortReplaced},
     {{Answer::Choose, kOtherChannel}, {Answer::Choose, kOtherChannel}}, kPortReplaced,
     {kDetectPort, kBase, kBase, kBase, kBase}, {COMM_RS485, COMM_RS232, COMM_RS485, COMM_RS232, COMM_RS485}, {},
     COMM_RS485, 1},
    // Ethernet and USB.
    {"net error, yes then found", COMM_ETHERNET, kDetectPort, {0x80, kPortUnchanged}, {{Answer::Yes}}, kPortUnchanged,
     {kDetectPort, kBase}, {COMM_ETHERNET, COMM_ETHERNET}, {}, COMM_ETHERNET},
    {"net none, no", COMM_ETHERNET, kDetectPort, {0x40}, {{Answer::No}}, kGaveUp, {kDetectPort}, {COMM_ETHERNET}, {}, COMM_ETHERNET},
    {"usb library, yes then no", COMM_USB, kDetectPort, {0x100, 0x40}, {{Answer::Yes}, {Answer::No}}, kGaveUp,
     {kDetectPort, kBase}, {COMM_USB, COMM_USB}, {}, COMM_USB},
};

} // namespace

class CommErrorQueryTable : public ::testing::TestWithParam<Case> {};

TEST_P(CommErrorQueryTable, RecoveryFollowsTheResultAndPortType)
{
    const Case& c = GetParam();
    TestProfile profile;
    ui::CHeadlessQuestions questions;
    for (const Answer& a : c.answers) {
        if (a.kind == Answer::Choose)
            questions.AnswerChoice(a.value);
        else
            questions.AnswerMessageBox(a.kind == Answer::Yes ? ui::IDYES : a.kind == Answer::No ? ui::IDNO : ui::IDOK);
    }
    FakeDetector detector;
    detector.results.assign(c.results.begin(), c.results.end());
    CCommPort port;
    port.Name = "Line";
    port.CommType = c.type;
    port.SetMaxMotors(12);
    CCommErrorQuery query(detector, questions);

    const uint32_t answer = query.OnCommError(c.request, Target::Port(&port));
    EXPECT_EQ(answer, c.expected);
    ASSERT_EQ(detector.calls.size(), c.flags.size());
    for (size_t i = 0; i < c.flags.size(); ++i) {
        EXPECT_EQ(detector.calls[i].flags, c.flags[i]) << "call " << i;
        EXPECT_EQ(detector.calls[i].type, c.types[i]) << "call " << i;
    }
    EXPECT_EQ(detector.commands, c.commands);
    EXPECT_EQ(port.CommType, c.typeAfter);
    EXPECT_EQ(port.MotorChannel, c.channelAfter);
    if (answer & kGaveUp) {
        EXPECT_EQ(port.MaxMotors, 12); // an abandoned recovery leaves the port as it was
    }
    EXPECT_EQ(questions.PendingAnswers(), 0u) << "scripted answers left over";
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CommErrorQueryTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(CommErrorQuery, QueryTextsRememberedAnswersTargetsAndTheAnswerContract)
{
    TestProfile profile;
    ui::CHeadlessQuestions questions;
    FakeDetector detector;
    CCommErrorQuery query(detector, questions);
    CCommPort port;
    port.Name = "Com3";
    port.CommType = COMM_RS232;
    CMotor motor;
    motor.Name = "Motor2-Com3";
    motor.port = &port;

    // A motor target names the motor; a line error names the port even for a motor.
    questions.AnswerMessageBox(ui::IDNO);
    EXPECT_EQ(query.OnCommError(kMotorOperationFailed | 1005, Target::Motor(&motor)), kGaveUp);
    questions.AnswerMessageBox(ui::IDNO);
    EXPECT_EQ(query.OnCommError(kMotorOperationFailed | 1011, Target::Motor(&motor)), kGaveUp);
    const auto& asked = questions.AskedQuestions();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].message.caption, "No response received!");
    EXPECT_NE(asked[0].message.text.find("from the motor \"Motor2-Com3\""), std::string::npos);
    EXPECT_EQ(asked[0].message.style, ui::MB_YESNO | ui::MB_ICONERROR | ui::kRememberAnswer);
    EXPECT_EQ(asked[0].message.key, "OnCommError");
    EXPECT_EQ(asked[1].message.caption, "The hardware detected a parity error!");
    EXPECT_NE(asked[1].message.text.find("over the port \"Com3\""), std::string::npos);
    EXPECT_TRUE(detector.calls.empty());

    // Remembered Yes goes straight to detection; the summary is shown when asked for.
    ui::SetRememberedAnswer("OnCommError", ui::IDYES);
    detector.results = {kPortUnchanged};
    EXPECT_EQ(query.OnCommError(kDetectWithSummary | kAskFirst | 1005, Target::Port(&port)), kPortUnchanged);
    EXPECT_EQ(detector.summaries, 1);
    EXPECT_EQ(questions.AskedQuestions().size(), 2u);
    // Remembered No: no detection at all.
    ui::SetRememberedAnswer("OnCommError", ui::IDNO);
    EXPECT_EQ(query.OnCommError(kAsk, Target::Port(&port)), kGaveUp);
    EXPECT_EQ(detector.calls.size(), 1u);

    // A request without a port, or a motor without a port, gives up at once.
    EXPECT_EQ(query.OnCommError(kDetectPort, Target::Port(nullptr)), kGaveUp);
    CMotor orphan;
    EXPECT_EQ(query.OnCommError(kMotorOperationFailed | 1005, Target::Motor(&orphan)), kGaveUp);

    // A type change that worked is reported to the information view.
    detector.results = {0x40, kPortReplaced};
    EXPECT_EQ(query.OnCommError(kDetectPort, Target::Port(&port)), kPortReplaced);
    ASSERT_EQ(detector.warnings.size(), 1u);
    EXPECT_EQ(detector.warnings[0], "The port settings changed to RS-485.");

    // The contract the senders rely on.
    EXPECT_TRUE(KeepPolling(kPortReplaced) && !RepeatNow(kPortReplaced));
    EXPECT_TRUE(RepeatNow(kPortUnchanged) && !KeepPolling(kPortUnchanged));
    for (uint32_t stop : {kGaveUp, kAnswerWorks, 0x2u, 0x40u, 0x100u})
        EXPECT_TRUE(ShouldStop(stop)) << stop;
}
