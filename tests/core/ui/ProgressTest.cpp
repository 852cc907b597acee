#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

// A sender that follows the convention: total, then one count per step; stops on a 0 reply.
// Returns the number of steps done, or -1 when cancelled.
int RunSteps(IProgress& progress, int steps)
{
    progress.SetTotal(steps);
    for (int i = 1; i <= steps; ++i) {
        if (!progress.Step(i))
            return -1;
    }
    progress.Done();
    return steps;
}

} // namespace

TEST(WaitState, BarFollowsTotalAndCount)
{
    CWaitState s("Detecting", "");
    EXPECT_EQ(s.ShownText(), "Detecting. Please wait...");
    EXPECT_FALSE(s.BarVisible());
    EXPECT_EQ(s.Apply(kProgressCount, 5), 1); // count before any total: nothing moves
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Apply(kProgressTotal, 8), 1);
    EXPECT_TRUE(s.BarVisible());
    s.Apply(kProgressCount, 3);
    EXPECT_EQ(s.Position(), 37); // 3 x 100 / 8, truncated
    s.Apply(kProgressCount, 20);
    EXPECT_EQ(s.Position(), 100); // above the total: the bar clamps
    s.Apply(kProgressTotal, 0);
    EXPECT_FALSE(s.BarVisible());
    s.Apply(kProgressCount, 1);
    EXPECT_EQ(s.Position(), 100); // total 0: untouched
    s.Apply(kProgressTotal, -1);  // open-ended total
    EXPECT_FALSE(s.BarVisible());
    CWaitState t;
    t.Apply(kProgressDone, 0);
    EXPECT_EQ(t.Position(), 100);
    CWaitState u;
    u.Apply(0, 0);
    EXPECT_EQ(u.Position(), 100);
}

TEST(WaitState, LargeTotalsDoNotOverflow)
{
    CWaitState s;
    s.Apply(kProgressTotal, 2000000000);
    s.Apply(kProgressCount, 1000000000);
    EXPECT_EQ(s.Position(), 50);
}

TEST(WaitState, CancelAnsweredNoLeavesItRunning)
{
    CHeadlessQuestions questions;
    questions.AnswerMessageBox(IDNO);
    CWaitState s("Downloading", "");
    EXPECT_FALSE(s.PressCancel(questions));
    EXPECT_FALSE(s.Cancelled());
    EXPECT_EQ(s.Apply(kProgressCount, 1), 1);
    ASSERT_EQ(questions.AskedQuestions().size(), 1u);
    const auto& asked = questions.AskedQuestions()[0].message;
    EXPECT_EQ(asked.text, "Are you sure you want to cancel Downloading?");
    EXPECT_EQ(asked.style, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON3);
    EXPECT_EQ(LayoutOf(asked.style).focus, 2); // No has the focus

    questions.AnswerMessageBox(IDYES);
    EXPECT_TRUE(s.PressCancel(questions));
    EXPECT_EQ(s.Apply(kProgressCount, 2), 0);
    EXPECT_EQ(s.Apply(kProgressTotal, 2), 0); // never reset while the dialog lives
}

TEST(WaitState, CancelWithoutQuestion)
{
    CHeadlessQuestions questions;
    CWaitState s("Capturing", "");
    s.SetAskBeforeCancel(false);
    EXPECT_TRUE(s.PressCancel(questions));
    EXPECT_TRUE(questions.AskedQuestions().empty());
    s.ClearCancelled();
    EXPECT_EQ(s.Apply(kProgressCount, 1), 1);
}

TEST(WaitState, SaveAndRestoreBringBackEverything)
{
    CWaitState s("Outer", "step 1");
    s.Apply(kProgressTotal, 10);
    s.Apply(kProgressCount, 4);
    s.SetCancelVisible(false);
    s.SaveState();
    s.SetText(std::string("Inner"), std::string(""));
    s.Apply(kProgressTotal, 0);
    s.SetCancelVisible(true);
    s.Apply(kProgressDone, 0);
    s.RestoreState();
    EXPECT_EQ(s.Text(), "Outer");
    EXPECT_EQ(s.SubText(), "step 1");
    EXPECT_EQ(s.Total(), 10);
    EXPECT_TRUE(s.BarVisible());
    EXPECT_EQ(s.Position(), 40);
    EXPECT_FALSE(s.CancelVisible());
}

TEST(HeadlessProgress, ShowKeepsTheTextsOfAShownDialog)
{
    CHeadlessProgress p;
    EXPECT_TRUE(p.Show(std::string("First"), std::nullopt));
    EXPECT_FALSE(p.Show(std::string("Second"), std::string("x")));
    EXPECT_EQ(p.State().Text(), "First");
    EXPECT_EQ(p.State().SubText(), "");
    p.SetText(std::nullopt, std::string("line 2"));
    EXPECT_EQ(p.State().Text(), "First");
    EXPECT_EQ(p.State().SubText(), "line 2");
    p.Close();
    EXPECT_FALSE(p.IsShown());
    EXPECT_EQ(p.Notify(kProgressCount, 1), 1); // no dialog: nothing to cancel
}

TEST(HeadlessProgress, CancelIsSeenByTheNextMessage)
{
    CHeadlessQuestions questions;
    questions.AnswerMessageBox(IDYES);
    CHeadlessProgress p(&questions);
    p.Show(std::string("Detecting"), std::nullopt);
    p.CancelAtCount(3);
    EXPECT_EQ(RunSteps(p, 10), -1);
    // Replies: total 1, steps 1..3 answered 1 (the click is pumped after step 3), step 4 gets 0.
    std::vector<int> replies;
    for (const auto& e : p.Events()) {
        if (e.kind == CHeadlessProgress::Event::Notify)
            replies.push_back(e.reply);
    }
    EXPECT_EQ(replies, (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_TRUE(p.State().Cancelled());
    EXPECT_EQ(questions.MessageTexts(), (std::vector<std::string>{"Are you sure you want to cancel Detecting?"}));
}

TEST(HeadlessProgress, CancelRefusedByTheUserRunsToTheEnd)
{
    CHeadlessQuestions questions;
    questions.AnswerMessageBox(IDNO);
    CHeadlessProgress p(&questions);
    p.Show(std::string("Uploading"), std::nullopt);
    p.CancelAtCount(2);
    EXPECT_EQ(RunSteps(p, 5), 5);
    EXPECT_EQ(p.State().Position(), 100);
}

TEST(HeadlessProgress, HiddenCancelCannotBePressed)
{
    CHeadlessProgress p;
    p.Show(std::string("Addressing"), std::nullopt);
    p.SetCancelVisible(false);
    p.SetAskBeforeCancel(false);
    p.CancelAtCount(1);
    EXPECT_EQ(RunSteps(p, 3), 3);
    EXPECT_FALSE(p.PressCancel());
}

TEST(HeadlessProgress, NewDialogStartsUncancelled)
{
    CHeadlessProgress p;
    p.Show(std::string("A"), std::nullopt);
    p.SetAskBeforeCancel(false);
    EXPECT_TRUE(p.PressCancel());
    EXPECT_EQ(p.Notify(kProgressCount, 1), 0);
    p.Close();
    p.Show(std::string("B"), std::nullopt);
    EXPECT_EQ(p.Notify(kProgressCount, 1), 1);
    EXPECT_EQ(p.ShowCount(), 2);
}

TEST(HeadlessProgress, PumpHookPlaysTheUser)
{
    CHeadlessProgress p;
    int pumped = 0;
    p.SetPumpHook([&](CHeadlessProgress& self, int kind, int64_t value) {
        ++pumped;
        if (kind == kProgressCount && value == 2) {
            self.SetAskBeforeCancel(false);
            self.PressCancel();
        }
    });
    p.Show(std::string("Tuning"), std::nullopt);
    EXPECT_EQ(RunSteps(p, 4), -1);
    EXPECT_EQ(pumped, 3); // total, 1, 2; the reply 0 to 3 pumps nothing
}

TEST(HeadlessProgress, FailedShowLeavesNoDialog)
{
    CHeadlessProgress p;
    p.FailNextShow();
    EXPECT_FALSE(p.Show(std::string("X"), std::nullopt));
    EXPECT_FALSE(p.IsShown());
    EXPECT_EQ(p.Notify(kProgressCount, 1), 1);
}

TEST(WaitStep, NestedStepSavesAndRestores)
{
    CHeadlessProgress p;
    {
        CWaitStep outer(p, std::string("Detecting"), std::string(""));
        EXPECT_TRUE(outer.Opened());
        p.SetTotal(10);
        p.Step(5);
        {
            CWaitStep inner(p, std::string("Restarting the Ethernet interface of the motor"), std::string(""));
            EXPECT_FALSE(inner.Opened());
            p.SetCancelVisible(false);
            p.SetTotal(100);
            p.Step(100);
            EXPECT_EQ(p.State().Text(), "Restarting the Ethernet interface of the motor");
        }
        EXPECT_TRUE(p.IsShown());
        EXPECT_EQ(p.State().Text(), "Detecting");
        EXPECT_EQ(p.State().Total(), 10);
        EXPECT_EQ(p.State().Position(), 50);
        EXPECT_TRUE(p.State().CancelVisible());
    }
    EXPECT_FALSE(p.IsShown());
}

TEST(CallbackProgress, ReplyZeroCancelsAtOnce)
{
    std::vector<std::pair<int, int64_t>> seen;
    CCallbackProgress p([&](int kind, int64_t value) {
        seen.emplace_back(kind, value);
        return (kind == kProgressCount && value == 2) ? 0 : 1;
    });
    EXPECT_TRUE(p.Show(std::string("Detecting"), std::nullopt));
    EXPECT_EQ(RunSteps(p, 5), -1);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int64_t>>{{1, 5}, {2, 1}, {2, 2}}));
    EXPECT_EQ(p.Notify(kProgressCount, 3), 0); // stays cancelled, the function is not asked
    EXPECT_EQ(seen.size(), 3u);
    p.ClearCancelled();
    EXPECT_EQ(p.Notify(kProgressCount, 3), 1);
    p.Close();
    EXPECT_TRUE(p.Show(std::string("Again"), std::nullopt));
    EXPECT_EQ(p.State().Text(), "Again");
    EXPECT_FALSE(p.State().Cancelled());
}
