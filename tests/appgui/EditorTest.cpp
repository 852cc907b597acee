// The source editor in the real main frame, headless: open, type, properties, save and reopen byte
// for byte; find and replace; a target that cannot be written; a program with three errors whose
// messages open the file at their line and column; a download into a simulated chain from the
// editor's command with the real select-motor dialog.

#include "GuiFixture.h"

#include "app/editor/EditorCommands.h"
#include "app/editor/gui/DocPropertiesDlg.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/editor/gui/FindReplaceDlg.h"
#include "app/editor/gui/SourceHighlighter.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/project/Project.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/shell/gui/InfoBar.h"
#include "app/shell/gui/MainFrame.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/transfer/ProgramImage.h"
#include "platform/fs/ReadFile.h"
#include "scanner/Scanner.h"
#include "tests/sim/wiring/SerialRig.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTreeWidget>

#include <fstream>

using transfer::UploadMatchesImage;

namespace {

std::string Read(const std::string& path)
{
    std::string s;
    platform::ReadWholeFile(path, s, 1 << 24);
    return s;
}

class EditorGui : public GuiTest {
protected:
    void SetUp() override
    {
        ui::COperationContext::Default().SetQuestions(&questions);
        ui::COperationContext::Default().SetInfo(frame.InfoBar());
        templates.Add(129, "\nVQX\nVQX Source File\nVQX Files (*.tqs)\n.tqs\nVQX.Document\nVQX Source File");
        templates.Add(135, "\nCalibration\nQuintaloc Calibration File\nQuintaloc Calibration Files (*.tqc)\n.tqc\n"
                           "VQXCal.File\nQuintaloc Calibration File");
        editor::RegisterEditor(templates, frame);
        editor::CFindState::Instance().Reset();
    }
    void TearDown() override
    {
        editor::Environment() = {};
        CVQXDoc::SaveAsDialog() = nullptr;
        ui::COperationContext::Default().SetQuestions(nullptr);
        ui::COperationContext::Default().SetInfo(nullptr);
    }
    std::string WriteSource(const std::string& name, const std::string& text)
    {
        const std::string path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    CVQXView* Open(const std::string& path)
    {
        std::string error;
        fw::CChildFrame* child = templates.OpenDocument(frame.MdiArea(), QString::fromStdString(path), &error);
        EXPECT_NE(child, nullptr) << error;
        QApplication::processEvents();
        return child ? qobject_cast<CVQXView*>(child->widget()) : nullptr;
    }

    ui::CHeadlessQuestions questions;
    CMainFrame frame;
    fw::DocTemplates templates;
};

} // namespace

TEST_F(EditorGui, TypePropertiesSaveReopenFindReplaceAndUnwritableTarget)
{
    const std::string path = WriteSource("motion*1.tqs", "a=1\nC5\nWHILE a<10\n  a=a+1\nLOOP\nEND\n");
    CVQXView* view = Open(path);
    ASSERT_NE(view, nullptr);
    auto* child = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->windowTitle(), QStringLiteral("motion*1.tqs[*]"));
    EXPECT_FALSE(child->isWindowModified());
    // Highlighted as loaded: "WHILE" on line 3 carries the flow colour.
    const QTextBlock whileLine = view->document()->findBlockByNumber(2);
    ASSERT_FALSE(whileLine.layout()->formats().isEmpty());
    EXPECT_EQ(whileLine.layout()->formats().front().start, 0);
    EXPECT_EQ(whileLine.layout()->formats().front().length, 5);

    // Typing marks the document modified; the title keeps the file's own "*".
    view->moveCursor(QTextCursor::End);
    QTest::keyClicks(view, "V=100");
    EXPECT_TRUE(child->isWindowModified());
    EXPECT_EQ(child->windowTitle(), QStringLiteral("motion*1.tqs[*]"));
    const auto typed = view->document()->lastBlock().layout()->formats();
    ASSERT_EQ(typed.size(), 1);
    EXPECT_EQ(typed.front().length, 1) << "the typed line is highlighted as it is typed";

    // Properties with braces, a backslash and a non-ASCII letter.
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CDocPropertiesDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->Field(1001)->setText(QStringLiteral("Line {A}"));
        dlg->Field(1015)->setText(QStringLiteral("450"));
        dlg->Field(1002)->setText(QStringLiteral("J\u00f6rg \\ Co"));
        dlg->Field(1003)->setText(QStringLiteral("first}"));
        Snapshot(dlg, QStringLiteral("DocPropertiesDlg"));
        dlg->accept();
    });
    frame.Commands().Execute(editor::ID_DOC_PROPERTIES);
    EXPECT_EQ(view->Properties().author, "J\xf6rg \\ Co");

    ASSERT_TRUE(frame.Commands().Execute(editor::ID_FILE_SAVE));
    EXPECT_FALSE(child->isWindowModified());
    const std::string saved = Read(path);
    EXPECT_EQ(saved.rfind("{\\rtf1\\korvessanfile", 0), 0u);
    EXPECT_NE(saved.find("{\\subject Line \\{A\\}}{\\author J\\'f6rg \\\\ Co}{\\keywords 450}{\\doccomm first\\}}"),
              std::string::npos);
    Snapshot(&frame, QStringLiteral("EditorFrame"));

    // Reopened: the same text and properties, and saved again byte for byte.
    child->close();
    QApplication::processEvents();
    view = Open(path);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->PlainText(), "a=1\nC5\nWHILE a<10\n  a=a+1\nLOOP\nEND\nV=100");
    EXPECT_EQ(view->Properties().project, "Line {A}");
    EXPECT_EQ(view->Properties().comments, "first}");
    EXPECT_EQ(view->StoredForm(), saved);

    // Replace All "a=" by "b=" (two lines), then a Find Next that finds nothing.
    frame.Commands().Execute(editor::ID_EDIT_REPLACE);
    CFindReplaceDlg* dlg = CFindReplaceDlg::Current();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->IsReplace());
    dlg->FindEdit()->setText(QStringLiteral("a="));
    dlg->ReplaceEdit()->setText(QStringLiteral("b="));
    dlg->findChild<QPushButton*>(QStringLiteral("1025"))->click();
    EXPECT_EQ(view->PlainText(), "b=1\nC5\nWHILE a<10\n  b=a+1\nLOOP\nEND\nV=100");
    dlg->FindEdit()->setText(QStringLiteral("ZZZ"));
    dlg->findChild<QPushButton*>(QStringLiteral("1"))->click();
    EXPECT_EQ(questions.MessageTexts().back(), editor::kCannotFindText);
    // Find (not replace) closes the replace dialog and starts with the selection.
    view->moveCursor(QTextCursor::Start);
    view->Find("WHILE", editor::kDefaultFindFlags, true);
    frame.Commands().Execute(editor::ID_EDIT_FIND);
    QApplication::processEvents();
    ASSERT_NE(CFindReplaceDlg::Current(), nullptr);
    EXPECT_FALSE(CFindReplaceDlg::Current()->IsReplace());
    EXPECT_EQ(CFindReplaceDlg::Current()->FindEdit()->text(), QStringLiteral("WHILE"));
    CFindReplaceDlg::Current()->close();
    EXPECT_TRUE(view->document()->isModified());

    // Save As to a target that cannot be written: a clear error, still modified, nothing written.
    const std::string blocker = WriteSource("plain.txt", "x");
    CVQXDoc::SaveAsDialog() = [&](const QString&) { return QString::fromStdString(blocker + "/new.tqs"); };
    const size_t before = questions.MessageTexts().size();
    frame.Commands().Execute(editor::ID_FILE_SAVE_AS);
    ASSERT_EQ(questions.MessageTexts().size(), before + 1);
    EXPECT_NE(questions.MessageTexts().back().find("Cannot write the file"), std::string::npos);
    EXPECT_TRUE(view->document()->isModified());
    EXPECT_EQ(view->GetDocument()->PathName().toStdString(), path);
    EXPECT_EQ(Read(path), saved);
}

TEST_F(EditorGui, ThreeErrorsInTheInformationViewOpenTheFileAtTheirPlace)
{
    const std::string path = WriteSource("errors.tqs", "a=1\n"
                                                       "  b=(2\n"
                                                       "NOSUCH=3\n"
                                                       "c=1\n"
                                                       "    GOTO99\n"
                                                       "END\n");
    CVQXView* view = Open(path);
    ASSERT_NE(view, nullptr);
    frame.Commands().Execute(editor::ID_SCAN_FOR_ERRORS);
    CInfoBar* info = frame.InfoBar();
    EXPECT_EQ(info->ErrorCount(), 3) << info->CopyText();
    std::vector<int> rows;
    for (int i = 0; i < static_cast<int>(info->Lines().size()); ++i)
        if (info->Lines()[i].kind == ui::InfoKind::Error)
            rows.push_back(i);
    ASSERT_EQ(rows.size(), 3u);
    const auto& item = *info->Lines()[rows[1]].item;
    EXPECT_EQ(item.file, path) << "messages of the main file name it";
    EXPECT_EQ(info->Lines()[rows[1]].location, path + "(3):");

    // Another window in front, then a double-click brings the source back at the message's place.
    view->moveCursor(QTextCursor::End);
    info->ActivateLine(rows[1]);
    EXPECT_EQ(view->textCursor().blockNumber(), item.line);
    EXPECT_EQ(view->textCursor().positionInBlock(), item.column);
    EXPECT_TRUE(view->LineMarked());
    EXPECT_EQ(view->LineColText(), QStringLiteral("Ln %1, Col %2").arg(item.line + 1).arg(item.column + 1));
    EXPECT_EQ(frame.StatusBar()->Pane(59200)->text(), view->LineColText());
    EXPECT_FALSE(view->document()->isModified()) << "the line mark is no change of the text";
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_FALSE(view->LineMarked());
    // The error on the indented line names its own column.
    const auto& last = *info->Lines()[rows[2]].item;
    info->ActivateLine(rows[2]);
    EXPECT_EQ(view->textCursor().blockNumber(), last.line);
    EXPECT_GE(view->textCursor().positionInBlock(), 4);
}

TEST_F(EditorGui, DownloadFromTheEditorIntoMotorTwoOfAChain)
{
    vqxsim::MotorProfile base;
    base.firmware = "450";
    auto profiles = vqxsim::MakeProfiles(3, base, true);
    for (auto& p : profiles)
        p.echo[0] = true;
    auto rig = vqxsim::SerialRig::Chain(profiles, {});
    ui::COperationContext& context = ui::COperationContext::Default();
    context.Options().DownloadDelay = 0;
    context.Options().EchoTimeout = 300;
    context.Options().ResponseTimeout = 1000;
    CProject project;
    auto port = std::make_unique<CCommPort>();
    port->Name = "Chain";
    port->PortName = rig->DevicePath();
    port->SetMaxMotors(3);
    for (int a = 1; a <= 3; ++a) {
        auto* m = new CMotor;
        m->Address = a;
        m->Name = "Motor " + std::to_string(a);
        m->Version = "450";
        port->motors.Add(m);
    }
    port->RebuildAddressTable();
    ASSERT_TRUE(project.AddPort(std::move(port)));
    project.Port(0)->OpenPort();
    editor::Environment().project = &project;
    editor::Environment().currentTarget = [] { return selectmotor::MakeSelection(0, 1); };

    const std::string path = WriteSource("move.tqs", "a=0\nWHILE a<5\n  a=a+1\nLOOP\nEND\n");
    CVQXView* view = Open(path);
    ASSERT_NE(view, nullptr);
    // The select-motor dialog as the user works it: motor 2 of the chain.
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<CSelectMotorDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        const auto items = dlg->Motors()->findItems(QStringLiteral("Motor 2"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        dlg->Motors()->setCurrentItem(items.front());
        dlg->accept();
    });
    questions.AnswerDownloadDone(ui::kDownloadDoneReset);
    frame.Commands().Execute(editor::ID_COMPILE_TRANSMIT_TQX_TO);

    std::string image = Read(CScanner::GetCompiledFileName(path));
    ASSERT_FALSE(image.empty()) << frame.InfoBar()->CopyText();
    bool holds = false, asleep = false, reset = false;
    for (size_t i = 0; i < 3; ++i)
        rig->WithMotor(i, [&](vqxsim::SimMotor& m) {
            asleep = asleep || m.Asleep(0);
            if (i == 1) {
                holds = m.Program().Valid() && UploadMatchesImage(m.Program().Body(), image);
                for (const std::string& c : m.CommandLog())
                    reset = reset || c == "Z";
            }
        });
    EXPECT_TRUE(holds) << frame.InfoBar()->CopyText();
    EXPECT_TRUE(reset);
    EXPECT_FALSE(asleep);
    EXPECT_EQ(frame.InfoBar()->ErrorCount(), 0) << frame.InfoBar()->CopyText();
    project.CloseAllPorts();
}
