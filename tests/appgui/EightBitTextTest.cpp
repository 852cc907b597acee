// Stored and received 8-bit texts in the dialogs that show them: a name with the code page's
// letters ("ü", "ß", and "€" and "Ÿ", which Latin-1 lacks) shows as those letters, and what the
// user leaves unchanged goes back to the project as the same bytes.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/project/Macro.h"
#include "app/project/gui/MacroPropertiesDlg.h"
#include "app/project/gui/MotorDetailsDlg.h"
#include "app/project/gui/TermView.h"
#include "app/shell/gui/ChoiceDlg.h"
#include "app/shell/gui/InfoBar.h"
#include "app/shell/gui/OptionMsgBox.h"
#include "app/shell/gui/TextFind.h"
#include "app/shell/gui/TipDlg.h"
#include "app/shell/gui/WaitDlg.h"
#include "core/motor/Motor.h"
#include "core/shared/Tips.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

namespace {

// "Grüße €Ÿ" as the project and the motor keep it: one byte a letter.
const std::string kBytes = "Gr\xfc\xdf" "e \x80\x9f";
const QString kShown = QString::fromUtf8("Gr\u00fc\u00dfe \u20ac\u0178");

template <class W>
W* Child(QWidget* parent, const char* name)
{
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

class EightBitText : public GuiTest {};

TEST_F(EightBitText, ShownAsTheCodePagesLettersInEveryDialogFamily)
{
    // Question boxes: caption, text and check box.
    ui::MessageBoxRequest request;
    request.caption = kBytes;
    request.text = "Motor \"" + kBytes + "\" does not answer.";
    request.checkText = kBytes;
    request.style = ui::MB_OK;
    {
        COptionMsgBox box(request);
        box.show();
        EXPECT_EQ(box.windowTitle(), kShown);
        EXPECT_EQ(Child<QLabel>(&box, "1069")->text(), "Motor \"" + kShown + "\" does not answer.");
        Snapshot(&box, QStringLiteral("eight-bit-question"));
    }
    // The please-wait dialog.
    {
        CWaitDlg wait;
        wait.Refresh(ui::CWaitState("Uploading " + kBytes, kBytes));
        wait.show();
        const auto labels = wait.findChildren<QLabel*>();
        std::vector<QString> texts;
        for (QLabel* l : labels)
            texts.push_back(l->text());
        EXPECT_NE(std::find(texts.begin(), texts.end(), kShown), texts.end());
        EXPECT_NE(std::find_if(texts.begin(), texts.end(), [](const QString& t) { return t.startsWith("Uploading " + kShown); }),
                  texts.end());
        Snapshot(&wait, QStringLiteral("eight-bit-wait"));
    }
    // The motor's details: its name.
    {
        CMotor motor;
        motor.Name = kBytes;
        motor.Version = "450";
        CMotorDetailsDlg details(nullptr, motor);
        details.show();
        EXPECT_TRUE(details.Text()->toPlainText().startsWith(kShown)) << details.Text()->toPlainText().toStdString();
    }
    // A tip from the tips file.
    {
        const std::string file = dir / "Tips.dat";
        ASSERT_TRUE(WriteTipsFile(file, {kBytes}));
        CTipDlg tip(nullptr, file);
        tip.show();
        EXPECT_EQ(tip.TipText()->toPlainText(), kShown);
    }
}

TEST_F(EightBitText, AMacroEditedWithTheCodePagesLettersKeepsItsBytes)
{
    std::vector<std::unique_ptr<CMacro>> macros;
    CMacro macro;
    macro.Name = kBytes;
    macro.Description = "f\xfcr " + kBytes;
    macro.Commands = "PRINT(\"\x80\")";
    ui::CHeadlessQuestions questions;
    ui::COperationContext operation;
    TestAppContext app{operation};
    CMacroPropertiesDlg dlg(nullptr, macro, macros, nullptr, questions, app.context);
    dlg.show();
    auto* name = Child<QLineEdit>(&dlg, "1023");
    auto* description = Child<QLineEdit>(&dlg, "1074");
    auto* commands = Child<QPlainTextEdit>(&dlg, "1075");
    ASSERT_TRUE(name && description && commands);
    EXPECT_EQ(name->text(), kShown);
    EXPECT_EQ(description->text(), QString::fromUtf8("f\u00fcr ") + kShown);
    EXPECT_EQ(commands->toPlainText(), QString::fromUtf8("PRINT(\"\u20ac\")"));
    Snapshot(&dlg, QStringLiteral("eight-bit-macro"));
    // Typed letters of the code page become their bytes.
    name->setText(name->text() + QString::fromUtf8("\u0160"));
    QTest::mouseClick(Child<QPushButton>(&dlg, "1"), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(macro.Name, kBytes + "\x8a");
    EXPECT_EQ(macro.Description, "f\xfcr " + kBytes);
    EXPECT_EQ(macro.Commands, "PRINT(\"\x80\")\r\n");
}

TEST_F(EightBitText, ChoiceBoxAndInformationLinesShowTheLetters)
{
    ui::ChoiceRequest request;
    request.caption = kBytes;
    request.text = "Which " + kBytes + "?";
    request.labels = {kBytes, "Other", "", "", ""};
    request.values = {1, 2, 0, 0, 0};
    {
        CChoiceDlg box(request);
        box.show();
        EXPECT_EQ(box.windowTitle(), kShown);
        EXPECT_EQ(box.Radio(0)->text(), kShown);
        const auto labels = box.findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Which " + kShown + "?"; }));
        Snapshot(&box, QStringLiteral("eight-bit-choice"));
    }
    ui::CHeadlessQuestions questions;
    CInfoBar info(questions);
    info.AddInfo("Motor " + kBytes + " was detected.");
    ASSERT_EQ(info.List()->topLevelItemCount(), 1);
    EXPECT_TRUE(info.List()->topLevelItem(0)->text(1).contains("Motor " + kShown)) << info.List()->topLevelItem(0)->text(1).toStdString();
    info.Copy();
    EXPECT_TRUE(QApplication::clipboard()->text().contains("Motor " + kShown));
}

TEST_F(EightBitText, ATerminalFileKeepsItsBytesThroughFindAndSave)
{
    // A saved terminal page (RTF, its 8-bit letters escaped as the code page's bytes).
    const std::string file = dir / "page.trm";
    std::ofstream(file, std::ios::binary) << "{\\rtf1\\ansi\\ansicpg1252 \\f0 a=1 Gr\\'fc\\'dfe \\'80\\'9f\\par }";
    ui::COperationContext context;
    CTermView view(context);
    std::string error;
    ASSERT_TRUE(view.Open(QString::fromStdString(file), context.Options(), &error)) << error;
    EXPECT_TRUE(view.toPlainText().contains(kShown)) << view.toPlainText().toStdString();
    // Find with the stored bytes finds the letters; the selection is those bytes again.
    ASSERT_TRUE(textfind::FindInView(view, kBytes, 0, true));
    EXPECT_EQ(view.SelectedText(), kBytes);
    // Saved and read again: the same letters.
    const std::string copy = dir / "copy.trm";
    ASSERT_TRUE(view.Save(QString::fromStdString(copy), &error)) << error;
    CTermView again(context);
    ASSERT_TRUE(again.Open(QString::fromStdString(copy), context.Options(), &error)) << error;
    EXPECT_EQ(again.toPlainText(), view.toPlainText());
}
