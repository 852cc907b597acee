#include "core/ui/Questions.h"
#include "core/ui/OperationContext.h"
#include "tests/core/ui/TestProfile.h"
#include "platform/registry/Profile.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {
// Each test has a profile of its own; the keys start unanswered.
class RememberedKeys {
public:
    explicit RememberedKeys(std::initializer_list<const char*> keys)
    {
        for (auto k : keys)
            EXPECT_EQ(GetRememberedAnswer(k), 0) << k;
    }

private:
    TestProfile m_profile;
};
} // namespace

TEST(Questions, ButtonSetsAndEscape)
{
    auto ok = LayoutOf(MB_OK);
    EXPECT_FALSE(ok.buttons[0].visible);
    EXPECT_EQ(ok.buttons[1].text, "Ok");
    EXPECT_EQ(ok.focus, 1);
    EXPECT_EQ(ok.escapeAnswer, IDOK);
    EXPECT_EQ(LayoutOf(MB_OK | MB_DEFBUTTON3).focus, 1); // forced to the middle

    auto okc = LayoutOf(MB_OKCANCEL);
    EXPECT_EQ(okc.buttons[0].answer, IDOK);
    EXPECT_FALSE(okc.buttons[1].visible);
    EXPECT_EQ(okc.buttons[2].answer, IDCANCEL);
    EXPECT_EQ(okc.escapeAnswer, IDCANCEL);
    EXPECT_EQ(okc.enterAnswer, IDOK);

    auto ari = LayoutOf(MB_ABORTRETRYIGNORE);
    EXPECT_EQ(ari.buttons[0].text, "Abort");
    EXPECT_EQ(ari.buttons[1].text, "Retry");
    EXPECT_EQ(ari.buttons[2].text, "Ignore");
    EXPECT_FALSE(ari.escapeAnswer);
    EXPECT_FALSE(ari.enterAnswer);

    auto ync = LayoutOf(MB_YESNOCANCEL | MB_DEFBUTTON2);
    EXPECT_EQ(ync.buttons[1].answer, IDNO);
    EXPECT_EQ(ync.focus, 1);
    EXPECT_EQ(ync.escapeAnswer, IDCANCEL);

    auto yn = LayoutOf(MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(yn.buttons[0].answer, IDYES);
    EXPECT_FALSE(yn.buttons[1].visible);
    EXPECT_EQ(yn.buttons[2].answer, IDNO);
    EXPECT_FALSE(yn.escapeAnswer); // Escape and close do nothing
    EXPECT_TRUE(yn.iconShown);
    EXPECT_EQ(yn.focus, 0);
    EXPECT_EQ(LayoutOf(MB_YESNO | MB_DEFBUTTON2).focus, 2); // "second button" of two is No

    auto rc = LayoutOf(MB_RETRYCANCEL | 0x50);
    EXPECT_EQ(rc.buttons[0].answer, IDRETRY);
    EXPECT_EQ(rc.escapeAnswer, IDCANCEL);
    EXPECT_FALSE(rc.iconShown); // 0x50 is no icon of the table

    auto custom = LayoutOf(kCustomButtons | MB_ICONEXCLAMATION, {"Verify Calibration", "ReCalibrate", ""});
    EXPECT_EQ(custom.buttons[0].answer, kLeftButton);
    EXPECT_EQ(custom.buttons[1].answer, kMiddleButton);
    EXPECT_FALSE(custom.buttons[2].visible);
}

TEST(Questions, FrameworkRouting)
{
    TestProfile profile;
    EXPECT_TRUE(RoutesToOptionBox(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(RoutesToOptionBox(MB_OK | MB_DEFBUTTON2));
    EXPECT_FALSE(RoutesToOptionBox(MB_OK | MB_DEFBUTTON3));
    EXPECT_FALSE(RoutesToOptionBox(MB_OK | 0x80)); // user icon
    EXPECT_FALSE(RoutesToOptionBox(0x1000));       // system modal

    CHeadlessQuestions q;
    FrameworkMessageBox(q, "Routed", MB_OK | MB_ICONHAND);
    FrameworkMessageBox(q, "Platform", MB_YESNO | MB_DEFBUTTON2);
    ASSERT_EQ(q.AskedQuestions().size(), 2u);
    EXPECT_EQ(q.AskedQuestions()[0].message.caption, "VQX");
    EXPECT_TRUE(q.AskedQuestions()[0].message.key.empty());
}

TEST(Questions, RememberedAnswerIsReturnedWithoutAsking)
{
    RememberedKeys keys({"AutoReformat"});
    CHeadlessQuestions q;
    const uint32_t style = MB_YESNO | MB_ICONQUESTION | kRememberAnswer;
    q.AnswerMessageBox(IDYES, true);
    EXPECT_EQ(OptionMessageBox(q, "Reformat?", style, {}, kCheckToDisable, "AutoReformat"), IDYES);
    EXPECT_EQ(GetRememberedAnswer("AutoReformat"), IDYES);
    EXPECT_EQ(OptionMessageBox(q, "Reformat?", style, {}, kCheckToDisable, "AutoReformat"), IDYES);
    EXPECT_EQ(q.MessageBoxCount(), 1);
    // The options page resets it: asked again.
    ForgetRememberedAnswer("AutoReformat");
    q.AnswerMessageBox(IDNO, false);
    EXPECT_EQ(OptionMessageBox(q, "Reformat?", style, {}, kCheckToDisable, "AutoReformat"), IDNO);
    EXPECT_EQ(q.MessageBoxCount(), 2);
    EXPECT_EQ(GetRememberedAnswer("AutoReformat"), 0); // not checked: nothing stored
}

TEST(Questions, NeverRememberNo)
{
    RememberedKeys keys({"Download"});
    CHeadlessQuestions q;
    const uint32_t style = MB_YESNO | MB_ICONQUESTION | kRememberAnswer | kNeverRememberNo;
    q.AnswerMessageBox(IDNO, true);
    EXPECT_EQ(OptionMessageBox(q, "Download?", style, {}, kCheckToDisable, "Download"), IDNO);
    EXPECT_EQ(GetRememberedAnswer("Download"), 0); // No with the box checked: nothing stored
    q.AnswerMessageBox(IDYES, true);
    EXPECT_EQ(OptionMessageBox(q, "Download?", style, {}, kCheckToDisable, "Download"), IDYES);
    EXPECT_EQ(OptionMessageBox(q, "Download?", style, {}, kCheckToDisable, "Download"), IDYES);
    EXPECT_EQ(q.MessageBoxCount(), 2);
}

TEST(Questions, RememberNeedsFlagKeyAndCheckText)
{
    RememberedKeys keys({"OnCommError", "X"});
    CHeadlessQuestions q;
    // Remember flag with an empty key: nothing stored or read.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox(q, "a", MB_YESNO | kRememberAnswer, {}, kCheckToDisable);
    // Key without the remember flag: nothing stored.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox(q, "b", MB_YESNO, {}, kCheckToDisable, "X");
    EXPECT_EQ(GetRememberedAnswer("X"), 0);
    // No check-box text: no check box, so nothing can be checked.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox(q, "c", MB_YESNO | kRememberAnswer, {}, {}, "X");
    EXPECT_EQ(GetRememberedAnswer("X"), 0);
    // A remembered value is not read without the remember flag.
    SetRememberedAnswer("OnCommError", IDYES);
    q.AnswerMessageBox(IDNO);
    EXPECT_EQ(OptionMessageBox(q, "d", MB_YESNO | MB_ICONHAND, {}, {}, "OnCommError"), IDNO);
    EXPECT_EQ(q.MessageBoxCount(), 4);
}

TEST(Questions, UnscriptedAndImpossibleAnswers)
{
    TestProfile profile;
    CHeadlessQuestions q;
    EXPECT_EQ(OptionMessageBox(q, "x", MB_OK), IDOK);
    EXPECT_EQ(OptionMessageBox(q, "x", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(OptionMessageBox(q, "x", MB_ABORTRETRYIGNORE), IDABORT);
    EXPECT_EQ(OptionMessageBox(q, "x", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(OptionMessageBox(q, "x", MB_YESNO), IDNO);
    EXPECT_EQ(OptionMessageBox(q, "x", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_TRUE(q.ScriptErrors().empty());
    q.AnswerMessageBox(IDCANCEL); // a Yes/No box has no Cancel
    EXPECT_EQ(OptionMessageBox(q, "y", MB_YESNO), IDNO);
    EXPECT_EQ(q.ScriptErrors().size(), 1u);
    EXPECT_EQ(q.AskedQuestions()[0].message.caption, "VQX");
}

TEST(Questions, CustomButtons)
{
    TestProfile profile;
    CHeadlessQuestions q;
    MessageBoxRequest r;
    r.text = "Warning!\n\nCalibration has not finished successfully for the detected Quintaloc(TM) motor.";
    r.style = kCustomButtons | MB_ICONEXCLAMATION;
    r.buttonTexts = {"Verify Calibration", "ReCalibrate", "Close"};
    EXPECT_EQ(OptionMessageBox(q, r), kRightButton); // unscripted: Close
    q.AnswerMessageBox(kMiddleButton);
    EXPECT_EQ(OptionMessageBox(q, r), kMiddleButton);
}

TEST(Questions, ChoiceLayoutAndHeight)
{
    ChoiceRequest r;
    r.values = {0, 0, 103, 104, 105};
    const auto layout = ChoiceLayoutOf(r);
    EXPECT_EQ(layout.visible, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(layout.baseUnits, 131);
    EXPECT_EQ(layout.initial, 2); // the first visible radio, not the hidden first one
    EXPECT_EQ(ChoiceWindowHeight(r, 200), 146);
    r.flags = kChoiceCheckBox;
    EXPECT_EQ(ChoiceLayoutOf(r).baseUnits, 151);
    r.values = {1, 2, 3, 4, 5};
    r.flags = 0;
    EXPECT_EQ(ChoiceLayoutOf(r).baseUnits, 182);
    r.values = {1, 0, 0, 0, 0};
    EXPECT_EQ(ChoiceLayoutOf(r).baseUnits, 87);
    r.values = {};
    EXPECT_EQ(ChoiceLayoutOf(r).baseUnits, 0);
    EXPECT_EQ(ChoiceLayoutOf(r).initial, -1);
}

TEST(Questions, ChoiceBoxAnswers)
{
    CHeadlessQuestions q;
    ChoiceRequest r;
    r.text = "To be able to connect to the motor, you must change the IP address of either the motor or this computer.";
    r.values = {107, 108, 0, 0, 0};
    r.labels = {"Change the IP address of motor.", "Change the IP address of this computer.", "", "", ""};
    q.AnswerChoice(108);
    EXPECT_EQ(ChoiceBox(q, r).value, 108);
    EXPECT_EQ(ChoiceBox(q, r).value, IDCANCEL); // unscripted: Cancel
    q.AnswerChoice(109);                         // not offered
    EXPECT_EQ(ChoiceBox(q, r).value, IDCANCEL);
    EXPECT_EQ(q.ScriptErrors().size(), 1u);
    // Cancel hidden: Cancel acts as OK on the radio checked at the start.
    r.flags = kChoiceNoCancel;
    q.AnswerChoice(IDCANCEL);
    EXPECT_EQ(ChoiceBox(q, r).value, 107);
    // The check box state comes back only when the box shows it.
    r.flags = kChoiceCheckBox;
    q.AnswerChoice(107, true);
    EXPECT_TRUE(ChoiceBox(q, r).checked);
    r.flags = 0;
    q.AnswerChoice(107, true);
    EXPECT_FALSE(ChoiceBox(q, r).checked);
}

TEST(Questions, MotorIPPrompt)
{
    CHeadlessQuestions q;
    std::string address = "10.0.0.5";
    q.AnswerMotorIP(std::string("300.1.1.1")); // refused, the dialog stays open
    q.AnswerMotorIP(std::string("192.168.1.20"));
    EXPECT_TRUE(MotorIPBox(q, address, "NOTE:\nsame subnet", true));
    EXPECT_EQ(address, "192.168.1.20");
    ASSERT_EQ(q.AskedQuestions().size(), 2u);
    EXPECT_EQ(q.AskedQuestions()[0].motorIP.address, "10.0.0.5");
    EXPECT_EQ(q.AskedQuestions()[0].motorIP.note, "NOTE:\nsame subnet");
    EXPECT_EQ(q.AskedQuestions()[1].kind, CHeadlessQuestions::Asked::InvalidIPMessage);
    EXPECT_EQ(q.AskedQuestions()[1].message.text,
              "Invalid IP Address. Please enter an IP Address in the form of \"xxx.xxx.xxx.xxx\".");

    q.AnswerMotorIP(std::nullopt); // Cancel
    EXPECT_FALSE(MotorIPBox(q, address, "", true));
    EXPECT_EQ(address, "192.168.1.20");
    q.AnswerMotorIP(std::string("1.2.3")); // invalid, then the script runs out: Cancel
    EXPECT_FALSE(MotorIPBox(q, address, "", true));
    EXPECT_EQ(q.PendingAnswers(), 0u);
}

TEST(Questions, DownloadDoneRemembersClose)
{
    RememberedKeys keys({"EndDownload"});
    CHeadlessQuestions q;
    q.AnswerDownloadDone(kDownloadDoneRun);
    EXPECT_EQ(DownloadDoneBox(q), kDownloadDoneRun);
    q.AnswerDownloadDone(kDownloadDoneReset, true); // only Close stores
    EXPECT_EQ(DownloadDoneBox(q), kDownloadDoneReset);
    EXPECT_EQ(GetRememberedAnswer("EndDownload"), 0);
    q.AnswerDownloadDone(IDOK, true);
    EXPECT_EQ(DownloadDoneBox(q), IDOK);
    EXPECT_EQ(GetRememberedAnswer("EndDownload"), 1);
    EXPECT_EQ(DownloadDoneBox(q), 1);
    EXPECT_EQ(q.AskedQuestions().size(), 3u);
}

TEST(Questions, AnswersAreKeptInTheProfileSectionOptionBoxes)
{
    TestProfile profile;
    EXPECT_EQ(platform::GetProfileInt("OptionBoxes", "Address", -1), -1);
    CHeadlessQuestions q;
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox(q, "Address the motors?", MB_YESNO | MB_ICONQUESTION | kRememberAnswer | kNeverRememberNo, {},
                     kCheckToDisable, "Address");
    EXPECT_EQ(platform::GetProfileInt("OptionBoxes", "Address", 0), IDYES);
    // A value set by the options pages (or by another process) is honoured.
    platform::WriteProfileInt("OptionBoxes", "PollingProgram", IDCANCEL);
    EXPECT_EQ(OptionMessageBox(q, "Polling program?", MB_OKCANCEL | kRememberAnswer, "Tessaraxon Playground",
                               kCheckToDisable, "PollingProgram"),
              IDCANCEL);
    // 0 means ask.
    platform::WriteProfileInt("OptionBoxes", "PollingProgram", 0);
    q.AnswerMessageBox(IDOK);
    EXPECT_EQ(OptionMessageBox(q, "Polling program?", MB_OKCANCEL | kRememberAnswer, "Tessaraxon Playground",
                               kCheckToDisable, "PollingProgram"),
              IDOK);
    EXPECT_EQ(q.MessageBoxCount(), 2);
    EXPECT_EQ(q.AskedQuestions()[1].message.caption, "Tessaraxon Playground");
}

TEST(Questions, TheContextsSeamIsUsed)
{
    TestProfile profile;
    CHeadlessQuestions q;
    COperationContext context;
    context.SetQuestions(&q);
    q.AnswerMessageBox(IDYES);
    EXPECT_EQ(OptionMessageBox(context.Questions(), "Do you want to save changes to the current project?", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(q.MessageTexts(), (std::vector<std::string>{"Do you want to save changes to the current project?"}));
}
