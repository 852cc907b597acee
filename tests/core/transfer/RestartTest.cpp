#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeSerialLine.h"
#include "tests/core/transfer/ScriptedLine.h"
#include "tests/support/ui/HeadlessProgress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The motor answers "RSP" from its n-th try on (0: never).
struct RestartLine : CScriptedLine {
    int answerFrom = 0;
    RestartLine()
    {
        reply = [this](const std::string& command, int times) {
            return command == "RSP" && answerFrom > 0 && times >= answerFrom ? std::string("24576/450") : std::string();
        };
    }
};

} // namespace

TEST(Restart, AnswerOnTheThirdTry)
{
    RestartLine t;
    t.answerFrom = 3;
    ui::CHeadlessProgress& progress = t.headless.progress;
    CSerialDataAnalyzer analyzer;
    t.headless.context.SetTrafficLog(&analyzer);
    t.headless.context.Options().IncludeVQX = false;
    EXPECT_TRUE(t.motor->Restart(true));
    EXPECT_EQ(t.Count("Z"), 1);
    EXPECT_EQ(t.Count("RSP"), 3);
    // Progress: the total of 30, one step per failed try, the dialog closed; Cancel hidden.
    std::vector<int64_t> steps;
    for (const auto& e : progress.Events())
        if (e.kind == ui::CHeadlessProgress::Event::Notify && e.progressKind == ui::kProgressCount)
            steps.push_back(e.value);
    EXPECT_EQ(steps, (std::vector<int64_t>{1, 2}));
    EXPECT_FALSE(progress.IsShown());
    EXPECT_FALSE(progress.State().CancelVisible());
    EXPECT_EQ(progress.State().Text(), "Restarting the motor");
    EXPECT_TRUE(analyzer.IsLogging()) << "the switch is given back";
}

TEST(Restart, FirstTryAnswersAfterOnePause)
{
    RestartLine t;
    t.answerFrom = 1;
    const auto before = platform::Now();
    EXPECT_TRUE(t.motor->Restart(false));
    EXPECT_EQ(t.Count("RSP"), 1);
    EXPECT_GE(platform::Now() - before, std::chrono::milliseconds(300));
    EXPECT_LT(platform::Now() - before, std::chrono::milliseconds(600));
}

TEST(Restart, SilentMotorGivesUpAfterThirtyTries)
{
    RestartLine t;
    EXPECT_FALSE(t.motor->Restart(false));
    EXPECT_EQ(t.Count("RSP"), 30);
    // The port is still there for the next command.
    t.answerFrom = 1;
    EXPECT_EQ(t.port.Query("RSP", 2), "24576/450");
}
