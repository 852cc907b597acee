#include "core/ui/Questions.h"
#include "core/ui/Services.h"
#include "tests/core/ui/TestProfile.h"
#include "platform/registry/Profile.h"

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
    FrameworkMessageBox("Routed", MB_OK | MB_ICONHAND, &q);
    FrameworkMessageBox("Platform", MB_YESNO | MB_DEFBUTTON2, &q);
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
    EXPECT_EQ(OptionMessageBox("Reformat?", style, {}, kCheckToDisable, "AutoReformat", &q), IDYES);
    EXPECT_EQ(GetRememberedAnswer("AutoReformat"), IDYES);
    EXPECT_EQ(OptionMessageBox("Reformat?", style, {}, kCheckToDisable, "AutoReformat", &q), IDYES);
    EXPECT_EQ(q.MessageBoxCount(), 1);
    // The options page resets it: asked again.
    ForgetRememberedAnswer("AutoReformat");
    q.AnswerMessageBox(IDNO, false);
    EXPECT_EQ(OptionMessageBox("Reformat?", style, {}, kCheckToDisable, "AutoReformat", &q), IDNO);
    EXPECT_EQ(q.MessageBoxCount(), 2);
    EXPECT_EQ(GetRememberedAnswer("AutoReformat"), 0); // not checked: nothing stored
}

TEST(Questions, NeverRememberNo)
{
    RememberedKeys keys({"Download"});
    CHeadlessQuestions q;
    const uint32_t style = MB_YESNO | MB_ICONQUESTION | kRememberAnswer | kNeverRememberNo;
    q.AnswerMessageBox(IDNO, true);
    EXPECT_EQ(OptionMessageBox("Download?", style, {}, kCheckToDisable, "Download", &q), IDNO);
    EXPECT_EQ(GetRememberedAnswer("Download"), 0); // No with the box checked: nothing stored
    q.AnswerMessageBox(IDYES, true);
    EXPECT_EQ(OptionMessageBox("Download?", style, {}, kCheckToDisable, "Download", &q), IDYES);
    EXPECT_EQ(OptionMessageBox("Download?", style, {}, kCheckToDisable, "Download", &q), IDYES);
    EXPECT_EQ(q.MessageBoxCount(), 2);
}

TEST(Questions, RememberNeedsFlagKeyAndCheckText)
{
    RememberedKeys keys({"OnCommError", "X"});
    CHeadlessQuestions q;
    // Remember flag with an empty key: nothing stored or read.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox("a", MB_YESNO | kRememberAnswer, {}, kCheckToDisable, {}, &q);
    // Key without the remember flag: nothing stored.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox("b", MB_YESNO, {}, kCheckToDisable, "X", &q);
    EXPECT_EQ(GetRememberedAnswer("X"), 0);
    // No check-box text: no check box, so nothing can be checked.
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox("c", MB_YESNO | kRememberAnswer, {}, {}, "X", &q);
    EXPECT_EQ(GetRememberedAnswer("X"), 0);
    // A remembered value is not read without the remember flag.
    SetRememberedAnswer("OnCommError", IDYES);
    q.AnswerMessageBox(IDNO);
    EXPECT_EQ(OptionMessageBox("d", MB_YESNO | MB_ICONHAND, {}, {}, "OnCommError", &q), IDNO);
    EXPECT_EQ(q.MessageBoxCount(), 4);
}

TEST(Questions, UnscriptedAndImpossibleAnswers)
{
    TestProfile profile;
    CHeadlessQuestions q;
    EXPECT_EQ(OptionMessageBox("x", MB_OK, {}, {}, {}, &q), IDOK);
    EXPECT_EQ(OptionMessageBox("x", MB_OKCANCEL, {}, {}, {}, &q), IDCANCEL);
    EXPECT_EQ(OptionMessageBox("x", MB_ABORTRETRYIGNORE, {}, {}, {}, &q), IDABORT);
    EXPECT_EQ(OptionMessageBox("x", MB_YESNOCANCEL, {}, {}, {}, &q), IDCANCEL);
    EXPECT_EQ(OptionMessageBox("x", MB_YESNO, {}, {}, {}, &q), IDNO);
    EXPECT_EQ(OptionMessageBox("x", MB_RETRYCANCEL, {}, {}, {}, &q), IDCANCEL);
    EXPECT_TRUE(q.ScriptErrors().empty());
    q.AnswerMessageBox(IDCANCEL); // a Yes/No box has no Cancel
    EXPECT_EQ(OptionMessageBox("y", MB_YESNO, {}, {}, {}, &q), IDNO);
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
    EXPECT_EQ(OptionMessageBox(r, &q), kRightButton); // unscripted: Close
    q.AnswerMessageBox(kMiddleButton);
    EXPECT_EQ(OptionMessageBox(r, &q), kMiddleButton);
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
    EXPECT_EQ(ChoiceBox(r, &q).value, 108);
    EXPECT_EQ(ChoiceBox(r, &q).value, IDCANCEL); // unscripted: Cancel
    q.AnswerChoice(109);                         // not offered
    EXPECT_EQ(ChoiceBox(r, &q).value, IDCANCEL);
    EXPECT_EQ(q.ScriptErrors().size(), 1u);
    // Cancel hidden: Cancel acts as OK on the radio checked at the start.
    r.flags = kChoiceNoCancel;
    q.AnswerChoice(IDCANCEL);
    EXPECT_EQ(ChoiceBox(r, &q).value, 107);
    // The check box state comes back only when the box shows it.
    r.flags = kChoiceCheckBox;
    q.AnswerChoice(107, true);
    EXPECT_TRUE(ChoiceBox(r, &q).checked);
    r.flags = 0;
    q.AnswerChoice(107, true);
    EXPECT_FALSE(ChoiceBox(r, &q).checked);
}

TEST(Questions, MotorIPPrompt)
{
    CHeadlessQuestions q;
    std::string address = "10.0.0.5";
    q.AnswerMotorIP(std::string("300.1.1.1")); // refused, the dialog stays open
    q.AnswerMotorIP(std::string("192.168.1.20"));
    EXPECT_TRUE(MotorIPBox(address, "NOTE:\nsame subnet", true, &q));
    EXPECT_EQ(address, "192.168.1.20");
    ASSERT_EQ(q.AskedQuestions().size(), 2u);
    EXPECT_EQ(q.AskedQuestions()[0].motorIP.address, "10.0.0.5");
    EXPECT_EQ(q.AskedQuestions()[0].motorIP.note, "NOTE:\nsame subnet");
    EXPECT_EQ(q.AskedQuestions()[1].kind, CHeadlessQuestions::Asked::InvalidIPMessage);
    EXPECT_EQ(q.AskedQuestions()[1].message.text,
              "Invalid IP Address. Please enter an IP Address in the form of \"xxx.xxx.xxx.xxx\".");

    q.AnswerMotorIP(std::nullopt); // Cancel
    EXPECT_FALSE(MotorIPBox(address, "", true, &q));
    EXPECT_EQ(address, "192.168.1.20");
    q.AnswerMotorIP(std::string("1.2.3")); // invalid, then the script runs out: Cancel
    EXPECT_FALSE(MotorIPBox(address, "", true, &q));
    EXPECT_EQ(q.PendingAnswers(), 0u);
}

TEST(Questions, DownloadDoneRemembersClose)
{
    RememberedKeys keys({"EndDownload"});
    CHeadlessQuestions q;
    q.AnswerDownloadDone(kDownloadDoneRun);
    EXPECT_EQ(DownloadDoneBox(&q), kDownloadDoneRun);
    q.AnswerDownloadDone(kDownloadDoneReset, true); // only Close stores
    EXPECT_EQ(DownloadDoneBox(&q), kDownloadDoneReset);
    EXPECT_EQ(GetRememberedAnswer("EndDownload"), 0);
    q.AnswerDownloadDone(IDOK, true);
    EXPECT_EQ(DownloadDoneBox(&q), IDOK);
    EXPECT_EQ(GetRememberedAnswer("EndDownload"), 1);
    EXPECT_EQ(DownloadDoneBox(&q), 1);
    EXPECT_EQ(q.AskedQuestions().size(), 3u);
}

TEST(Questions, AnswersAreKeptInTheProfileSectionOptionBoxes)
{
    TestProfile profile;
    EXPECT_EQ(platform::GetProfileInt("OptionBoxes", "Address", -1), -1);
    CHeadlessQuestions q;
    q.AnswerMessageBox(IDYES, true);
    OptionMessageBox("Address the motors?", MB_YESNO | MB_ICONQUESTION | kRememberAnswer | kNeverRememberNo, {},
                     kCheckToDisable, "Address", &q);
    EXPECT_EQ(platform::GetProfileInt("OptionBoxes", "Address", 0), IDYES);
    // A value set by the options pages (or by another process) is honoured.
    platform::WriteProfileInt("OptionBoxes", "PollingProgram", IDCANCEL);
    EXPECT_EQ(OptionMessageBox("Polling program?", MB_OKCANCEL | kRememberAnswer, "Tessaraxon Playground",
                               kCheckToDisable, "PollingProgram", &q),
              IDCANCEL);
    // 0 means ask.
    platform::WriteProfileInt("OptionBoxes", "PollingProgram", 0);
    q.AnswerMessageBox(IDOK);
    EXPECT_EQ(OptionMessageBox("Polling program?", MB_OKCANCEL | kRememberAnswer, "Tessaraxon Playground",
                               kCheckToDisable, "PollingProgram", &q),
              IDOK);
    EXPECT_EQ(q.MessageBoxCount(), 2);
    EXPECT_EQ(q.AskedQuestions()[1].message.caption, "Tessaraxon Playground");
}

TEST(Questions, InstalledSeamIsUsed)
{
    TestProfile profile;
    CHeadlessQuestions q;
    ScopedServices scope(nullptr, &q, nullptr);
    q.AnswerMessageBox(IDYES);
    EXPECT_EQ(OptionMessageBox("Do you want to save changes to the current project?", MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(q.MessageTexts(), (std::vector<std::string>{"Do you want to save changes to the current project?"}));
}
