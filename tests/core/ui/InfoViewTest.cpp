#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/support/ui/HeadlessQuestions.h"
#include "tests/support/ui/HeadlessInfoView.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(InfoView, AddOperationsCountAndDescribe)
{
    CHeadlessInfoView v;
    v.AddError("e1");
    v.AddWarning("w1");
    v.AddInfo("i1");
    v.AddException(CVQXException(1005));
    v.AddExceptionWarning(CVQXException(1006, "no echo from motor 2", MakeMotorDataWord(1, 2)));
    EXPECT_EQ(v.ErrorCount(), 2);
    EXPECT_EQ(v.WarningCount(), 2);
    EXPECT_EQ(v.LineCount(), 5);
    ASSERT_EQ(v.Lines().size(), 5u);
    EXPECT_EQ(v.Lines()[0].kind, InfoKind::Error);
    EXPECT_EQ(v.Lines()[0].item, nullptr);
    EXPECT_EQ(v.Lines()[2].kind, InfoKind::Info);
    EXPECT_EQ(v.Lines()[3].description, "No response received!");
    ASSERT_NE(v.Lines()[3].item, nullptr);
    EXPECT_EQ(v.Lines()[3].item->code, 1005);
    EXPECT_EQ(v.Lines()[4].kind, InfoKind::Warning);
    EXPECT_EQ(v.Lines()[4].item->column, static_cast<int32_t>(MakeMotorDataWord(1, 2)));
    EXPECT_EQ(v.Lines()[4].item->line, 0);
    EXPECT_TRUE(v.Lines()[4].location.empty());
}

TEST(InfoView, CompilerMessagesByCode)
{
    CHeadlessInfoView v;
    v.AddCompilerMessage(1400, 0, 0, "a.tqs", "x");
    v.AddCompilerMessage(1600, 0, 0, "a.tqs", "x");
    v.AddCompilerMessage(1800, 0, 0, "a.tqs", "x");
    EXPECT_EQ(v.ErrorCount(), 3);
    EXPECT_EQ(v.WarningCount(), 0);
    v.AddCompilerMessage(1401, 0, 0, "a.tqs", "x");
    v.AddCompilerMessage(1599, 0, 0, "a.tqs", "x");
    v.AddCompilerMessage(1601, 0, 0, "a.tqs", "x");
    v.AddCompilerMessage(1799, 0, 0, "a.tqs", "x");
    EXPECT_EQ(v.WarningCount(), 4);
    EXPECT_EQ(v.ErrorCount(), 3);
    EXPECT_EQ(v.Lines()[3].kind, InfoKind::Warning);
    EXPECT_TRUE(CInfoView::IsCompilerWarning(1401));
    EXPECT_FALSE(CInfoView::IsCompilerWarning(1600));
    EXPECT_FALSE(CInfoView::IsCompilerWarning(1254));
}

TEST(InfoView, CompilerLocationAndItem)
{
    CHeadlessInfoView v;
    v.AddCompilerMessage(1219, 9, 4, "/p/inc.tqs", "Undefined symbol");
    v.AddCompilerMessage(1201, -1, -1, "/p/main.tqs", "no line");
    EXPECT_EQ(v.Lines()[0].location, "/p/inc.tqs(10):");
    EXPECT_EQ(v.Lines()[0].description, "Undefined symbol");
    EXPECT_EQ(v.Lines()[0].item->line, 9);
    EXPECT_EQ(v.Lines()[0].item->column, 4);
    EXPECT_EQ(v.Lines()[0].item->file, "/p/inc.tqs");
    EXPECT_EQ(v.Lines()[0].item->code, 1219);
    EXPECT_EQ(v.Lines()[1].location, "");
    EXPECT_EQ(v.Lines()[1].item->file, "/p/main.tqs");
    EXPECT_EQ(CInfoView::CompilerLocation("", 0), "(1):");
}

TEST(InfoView, SummaryTexts)
{
    EXPECT_EQ(CInfoView::SummaryText(0, 0), "Finished. No errors, No warnings.");
    EXPECT_EQ(CInfoView::SummaryText(1, 1), "Finished. 1 error, 1 warning.");
    EXPECT_EQ(CInfoView::SummaryText(2, 3), "Finished. 2 errors, 3 warnings.");
    EXPECT_EQ(CInfoView::SummaryText(0, 2), "Finished. No errors, 2 warnings.");
}

TEST(InfoView, SummaryLineAndAnnouncements)
{
    TestProfile profile;
    CHeadlessQuestions q;

    CHeadlessInfoView clean;
    clean.ShowSummary(false, true, q);
    EXPECT_EQ(clean.Lines().back().description, "Finished. No errors, No warnings.");
    EXPECT_EQ(clean.Lines().back().kind, InfoKind::Info);
    EXPECT_EQ(q.MessageBoxCount(), 0); // nothing to announce, success not asked for

    clean.ShowSummary(true, true, q);
    ASSERT_EQ(q.MessageBoxCount(), 1);
    const auto& success = q.AskedQuestions().back().message;
    EXPECT_EQ(success.text, "The operation finished successfully.");
    EXPECT_EQ(success.style, MB_OK | MB_ICONASTERISK | kRememberAnswer);
    EXPECT_EQ(success.key, "SuccessMsg");
    EXPECT_EQ(success.caption, "VQX");
    EXPECT_EQ(success.checkText, "Check to disable this message");
    EXPECT_EQ(clean.ErrorCount(), 0);
    EXPECT_EQ(clean.LineCount(), 2);

    CHeadlessInfoView bad;
    bad.AddWarning("w");
    bad.ShowSummary(true, true, q);
    EXPECT_EQ(bad.Lines().back().description, "Finished. No errors, 1 warning.");
    const auto& problems = q.AskedQuestions().back().message;
    EXPECT_EQ(problems.text, "One or more Errors/Warnings were detected during the operation.\n"
                             "Please Check them in the Information View.");
    EXPECT_EQ(problems.key, "ErrorsDetected");
    EXPECT_EQ(bad.WarningCount(), 1); // the summary does not reset the counters
    // Told again with nothing new (the error query told it, then the command): once is enough.
    const size_t lines = bad.Lines().size();
    const int boxes = q.MessageBoxCount();
    bad.ShowSummary(true, true, q);
    EXPECT_EQ(bad.Lines().size(), lines);
    EXPECT_EQ(q.MessageBoxCount(), boxes);
    bad.AddInfo("more");
    bad.ShowSummary(true, true, q);
    EXPECT_EQ(q.MessageBoxCount(), boxes + 1) << "told again once something was added";

    CHeadlessInfoView quiet;
    quiet.AddError("e");
    quiet.ShowSummary(true, false, q); // problems not announced: success is
    EXPECT_EQ(q.AskedQuestions().back().message.key, "SuccessMsg");
    EXPECT_EQ(q.MessageBoxCount(), 4);
}

TEST(InfoView, SummaryHonoursTheRememberedAnswer)
{
    TestProfile profile;
    CHeadlessQuestions q;
    q.AnswerMessageBox(IDOK, true); // "Check to disable this message" ticked
    CHeadlessInfoView v;
    v.ShowSummary(true, true, q);
    v.ShowSummary(true, true, q);
    EXPECT_EQ(q.MessageBoxCount(), 1);
    EXPECT_EQ(GetRememberedAnswer(kSuccessKey), IDOK);
}

TEST(InfoView, ClearAndShow)
{
    CHeadlessInfoView v;
    v.AddError("e");
    v.SetHasWindow(false);
    v.Clear(); // before the window exists: counters stay
    EXPECT_EQ(v.ErrorCount(), 1);
    EXPECT_EQ(v.Lines().size(), 1u);
    v.SetHasWindow(true);
    v.Show(true);
    EXPECT_EQ(v.ErrorCount(), 0);
    EXPECT_EQ(v.LineCount(), 0);
    EXPECT_TRUE(v.Lines().empty());
    EXPECT_EQ(v.ShowCount(), 1);
    v.AddWarning("w");
    v.Show(false);
    EXPECT_EQ(v.WarningCount(), 1);
}

TEST(InfoView, CalibrationWarnings)
{
    CHeadlessInfoView v;
    v.AddWarning("The motor \"Motor1-Port\" has not finished calibration successfully. Please check the motor power "
                 "supply.");
    EXPECT_EQ(v.CalibrationWarningCount(), 0); // a plain text line carries no code
    v.AddCalibrationWarning("The motor \"Motor2-Port\" has not finished calibration successfully.",
                            MakeMotorDataWord(0, 2));
    v.AddExceptionWarning(CVQXException(1048, "general", MakeMotorDataWord(0, 3)));
    EXPECT_EQ(v.CalibrationWarningCount(), 2);
    EXPECT_EQ(v.WarningCount(), 3);
    const auto& line = v.Lines()[1];
    EXPECT_EQ(line.kind, InfoKind::Warning);
    EXPECT_EQ(line.item->code, 1048);
    EXPECT_EQ(DataWordAddress(static_cast<uint32_t>(line.item->column)), 2);
    v.Clear();
    EXPECT_EQ(v.CalibrationWarningCount(), 0);
}

TEST(InfoView, CopyTextKeepsWholeCells)
{
    CHeadlessInfoView v;
    EXPECT_EQ(v.CopyText(), "");
    const std::string longText(300, 'x');
    v.AddError(longText);
    v.AddCompilerMessage(1401, 1, 0, "f.tqs", "warn");
    v.AddInfo("done");
    EXPECT_EQ(v.CopyText(), "Type\tLocation\tDescription\r\n----\t--------\t-----------\r\n"
                            "Error\t\t" + longText + "\r\n"
                            "Warning\tf.tqs(2):\twarn\r\n"
                            "Info\t\tdone\r\n");
}
