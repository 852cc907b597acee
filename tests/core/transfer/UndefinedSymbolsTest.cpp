#include "core/transfer/UndefinedSymbolsDlg.h"
#include "core/ui/Questions.h"
#include "tests/common/HeadlessContext.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessQuestions.h"
#include "tests/support/ui/HeadlessInfoView.h"

#include <gtest/gtest.h>

using namespace transfer;

TEST(UndefinedSymbols, ForceDownloadWritesAnywayAndSaysSo)
{
    TestProfile profile;
    HeadlessContext headless;
    ui::CHeadlessQuestions& questions = headless.questions;
    ui::CHeadlessInfoView& info = headless.info;
    questions.AnswerMessageBox(ui::kLeftButton);
    EXPECT_TRUE(ConfirmUndefinedSymbols(headless.context, "450"));
    ASSERT_EQ(questions.MessageBoxCount(), 1);
    const auto& asked = questions.AskedQuestions()[0].message;
    EXPECT_NE(asked.text.find("not defined in motor version '450'."), std::string::npos);
    EXPECT_EQ(asked.text.rfind(ui::kProblemsMessage, 0), 0u);
    ASSERT_EQ(info.Lines().size(), 1u);
    EXPECT_EQ(info.Lines()[0].description, "Ignoring undefined symbols.");
    EXPECT_EQ(ui::GetRememberedAnswer("ErrorsDetected"), 0);
}

TEST(UndefinedSymbols, OkWithTheBoxTickedHidesTheCheckBoxNextTime)
{
    TestProfile profile;
    HeadlessContext headless;
    ui::CHeadlessQuestions& questions = headless.questions;
    ui::CHeadlessInfoView& info = headless.info;
    questions.AnswerMessageBox(ui::kRightButton, true);
    EXPECT_FALSE(ConfirmUndefinedSymbols(headless.context, "462"));
    EXPECT_EQ(ui::GetRememberedAnswer("ErrorsDetected"), 1);
    EXPECT_TRUE(questions.AskedQuestions()[0].message.style & ui::kRememberAnswer);
    // Asked again, without its check box; closing the box never forces.
    EXPECT_FALSE(ConfirmUndefinedSymbols(headless.context, "462"));
    ASSERT_EQ(questions.MessageBoxCount(), 2);
    EXPECT_FALSE(questions.AskedQuestions()[1].message.style & ui::kRememberAnswer);
    EXPECT_TRUE(info.Lines().empty());
}
