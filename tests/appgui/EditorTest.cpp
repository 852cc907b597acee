// The source editor in the real main frame, headless: open, type, properties, save and reopen byte
// for byte; find and replace; a target that cannot be written; a program with three errors whose
// messages open the file at their line and column; a download into a simulated chain from the
// editor's command with the real select-motor dialog; hostile files (50 MB, binary, broken RTF).

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/editor/EditorCommands.h"
#include "app/editor/SourceFile.h"
#include "app/editor/gui/DocPropertiesDlg.h"
#include "app/editor/gui/EditorEnvironment.h"
#include "app/shell/gui/FindReplaceDlg.h"
#include "app/editor/gui/SourceHighlighter.h"
#include "app/editor/gui/VQXDoc.h"
#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/framework/gui/DocTemplates.h"
#include "app/framework/gui/TextPrinting.h"
#include "app/project/Project.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/shell/gui/Help.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/CommError.h"
#include "core/backends/MotorUSB.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/transfer/ProgramImage.h"
#include "platform/fs/ReadFile.h"
#include "platform/paths/Paths.h"
#include "scanner/Scanner.h"
#include "tests/sim/usb/UsbRig.h"
#include "tests/sim/wiring/SerialRig.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <numeric>

#include <unistd.h>

using transfer::UploadMatchesImage;

namespace {

// A port of three motors, "Motor 1" to "Motor 3" at addresses 1 to 3 with firmware 450.
std::unique_ptr<CCommPort> ThreeMotors(const std::string& name, const std::function<void(CMotor&)>& each = {})
{
    auto port = std::make_unique<CCommPort>();
    port->Name = name;
    port->SetMaxMotors(3);
    for (int a = 1; a <= 3; ++a) {
        auto* m = new CMotor;
        m->Address = a;
        m->Name = "Motor " + std::to_string(a);
        m->Version = "450";
        if (each)
            each(*m);
        port->motors.Add(m);
    }
    port->RebuildAddressTable();
    return port;
}

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
        editor::RegisterEditor(templates, frame, env);
        textfind::CFindState::Instance().Reset();
        appFolder = platform::AppFolder();
    }
    void TearDown() override
    {
        platform::SetAppFolder(appFolder);
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
    TestAppContext app{ui::COperationContext::Default()};
    CMainFrame frame{app.context};
    editor::EditorEnvironment env;
    fw::DocTemplates templates;
    std::string appFolder;
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
    EXPECT_EQ(questions.MessageTexts().back(), textfind::kCannotFindText);
    // Find (not replace) closes the replace dialog and starts with the selection.
    view->moveCursor(QTextCursor::Start);
    view->Find("WHILE", textfind::kDefaultFindFlags, true);
    frame.Commands().Execute(editor::ID_EDIT_FIND);
    QApplication::processEvents();
    ASSERT_NE(CFindReplaceDlg::Current(), nullptr);
    EXPECT_FALSE(CFindReplaceDlg::Current()->IsReplace());
    EXPECT_EQ(CFindReplaceDlg::Current()->FindEdit()->text(), QStringLiteral("WHILE"));
    // Left open, the dialog searches the document a later Find came from.
    CFindReplaceDlg* open = CFindReplaceDlg::Current();
    CVQXView* other = Open(WriteSource("other.tqs", "b=2\nEND\n"));
    ASSERT_NE(other, nullptr);
    other->moveCursor(QTextCursor::Start);
    frame.Commands().Execute(editor::ID_EDIT_FIND);
    ASSERT_EQ(CFindReplaceDlg::Current(), open);
    open->FindEdit()->setText(QStringLiteral("END"));
    open->OnFindNext();
    EXPECT_EQ(other->textCursor().selectedText(), QStringLiteral("END"));
    EXPECT_FALSE(view->textCursor().selectedText() == QStringLiteral("END")) << "the first document kept the search";
    open->close();
    qobject_cast<QMdiSubWindow*>(other->parentWidget())->close();
    QApplication::processEvents();
    EXPECT_TRUE(view->document()->isModified());

    // Save As to a target that cannot be written: a clear error, still modified, nothing written.
    const std::string blocker = WriteSource("plain.txt", "x");
    app.desktop.files.push_back(QString::fromStdString(blocker + "/new.tqs"));
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
    auto port = ThreeMotors("Chain");
    port->PortName = rig->DevicePath();
    ASSERT_TRUE(project.AddPort(std::move(port)));
    project.Port(0)->OpenPort();
    env.project = &project;
    env.currentTarget = [] { return selectmotor::MakeSelection(0, 1); };

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

TEST_F(EditorGui, HostileFilesAreRefusedOrShownWithoutLoss)
{
    using namespace std::string_literals;
    // A file far beyond any program: refused with a clear error, nothing opened.
    const std::string huge = dir / "huge.tqs";
    std::ofstream(huge, std::ios::binary).close();
    ASSERT_EQ(::truncate(huge.c_str(), 50l << 20), 0);
    std::string error;
    EXPECT_EQ(templates.OpenDocument(frame.MdiArea(), QString::fromStdString(huge), &error), nullptr);
    EXPECT_EQ(error, "The file \"" + huge + "\" is too large for a program source (more than 16 MB).");
    EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());

    // Binary bytes, broken and unbalanced RTF: opened, their text shown, saving them writes a file
    // that reads back to the same text.
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"binary.tqs", "a=1\0\x01\xff\x80\nEND"s, "a=1 \x01\xff\x80\nEND"s},
        {"broken.tqs", "{\\rtf1\\korvessanfile{\\colortbl ;}{\\info{\\author x", ""},
        {"unbalanced.tqs", "{\\rtf1 a=1}}}}\\par END {{{", "a=1\nEND "},
    };
    for (const Case& c : cases) {
        CVQXView* view = Open(WriteSource(c.name, c.bytes));
        ASSERT_NE(view, nullptr) << c.name;
        EXPECT_EQ(view->PlainText(), c.text) << c.name;
        EXPECT_TRUE(view->GetDocument()->DoSave(view->GetDocument()->PathName()));
        EXPECT_EQ(editor::ReadSource(Read(view->GetDocument()->PathName().toStdString())).text, c.text) << c.name;
    }
}

namespace {

// The text of a PDF, a string per page (pdftotext of poppler-utils, which `make test` installs).
std::vector<std::string> PdfPages(const std::string& pdf)
{
    std::vector<std::string> pages;
    const std::string command = "pdftotext -layout '" + pdf + "' - 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return pages;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    ::pclose(pipe);
    size_t start = 0;
    for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages.push_back(text.substr(start, ff - start));
    return pages;
}

// The line labels ("L001") in the order a page shows them.
std::vector<int> Labels(const std::string& page)
{
    std::vector<int> labels;
    for (size_t at = 0; (at = page.find("'L", at)) != std::string::npos; at += 2)
        if (at + 5 <= page.size() && std::isdigit(static_cast<unsigned char>(page[at + 2])))
            labels.push_back(std::stoi(page.substr(at + 2, 3)));
    return labels;
}

} // namespace

TEST_F(EditorGui, PrintsEveryLineOnPagesPreviewsThemAndPrintsARangeOrTheSelection)
{
    ASSERT_EQ(std::system("command -v pdftotext >/dev/null"), 0) << "pdftotext (poppler-utils) is missing: make deps";
    // 150 labelled lines; line 70 is far wider than the page and holds a tab.
    std::string text;
    for (int i = 1; i <= 150; ++i) {
        char label[8];
        std::snprintf(label, sizeof label, "'L%03d", i);
        text += "a=" + std::to_string(i) + (i == 70 ? "\t" + std::string(300, 'W') + " TAILEND " : " ") + label + "\n";
    }
    CVQXView* view = Open(WriteSource("long.tqs", text));
    ASSERT_NE(view, nullptr);
    QPrinter* used = nullptr;
    app.desktop.prints.push_back([&](QPrinter& printer, bool hasSelection) {
        used = &printer;
        EXPECT_EQ(hasSelection, view->textCursor().hasSelection()) << "the selection is offered when there is one";
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir / "all.pdf"));
        printer.setPrintRange(QPrinter::AllPages);
        return true;
    });

    // Everything: every line once, in order, none lost at a page end; the wide line wrapped, not cut.
    ASSERT_TRUE(frame.Commands().Execute(editor::ID_FILE_PRINT));
    ASSERT_NE(used, nullptr);
    const auto pages = PdfPages(dir / "all.pdf");
    ASSERT_GE(pages.size(), 3u) << "150 lines do not fit on two pages";
    std::vector<int> all;
    for (size_t p = 0; p < pages.size(); ++p) {
        const auto labels = Labels(pages[p]);
        EXPECT_FALSE(labels.empty()) << "page " << p + 1;
        all.insert(all.end(), labels.begin(), labels.end());
    }
    std::vector<int> expected(150);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(all, expected);
    bool tail = false;
    for (const std::string& page : pages)
        tail = tail || page.find("TAILEND") != std::string::npos;
    EXPECT_TRUE(tail) << "the end of the wide line is printed";
    const int secondPageFirst = Labels(pages[1]).front();

    // The preview shows as many pages, and closes.
    int previewPages = -1;
    WhenModal([&](QWidget* w) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
        ASSERT_NE(preview, nullptr);
        auto* widget = preview->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(widget, nullptr);
        previewPages = widget->pageCount();
        Snapshot(preview, QStringLiteral("PrintPreview"));
        preview->reject();
    });
    ASSERT_TRUE(frame.Commands().Execute(editor::ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(previewPages, static_cast<int>(pages.size()));

    // Page 2 alone starts where page 2 of the whole did.
    app.desktop.prints.push_back([&](QPrinter& printer, bool) {
        printer.setOutputFileName(QString::fromStdString(dir / "page2.pdf"));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        return true;
    });
    frame.Commands().Execute(editor::ID_FILE_PRINT);
    const auto page2 = PdfPages(dir / "page2.pdf");
    ASSERT_EQ(page2.size(), 1u);
    EXPECT_EQ(Labels(page2[0]), Labels(pages[1]));
    EXPECT_EQ(Labels(page2[0]).front(), secondPageFirst);

    // The selection (the middle of line 10 to the middle of line 12) alone, from its first character.
    QTextCursor selection(view->document()->findBlockByNumber(9));
    selection.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 5);
    selection.setPosition(view->document()->findBlockByNumber(11).position() + 3, QTextCursor::KeepAnchor);
    view->setTextCursor(selection);
    app.desktop.prints.push_back([&](QPrinter& printer, bool hasSelection) {
        EXPECT_TRUE(hasSelection);
        printer.setOutputFileName(QString::fromStdString(dir / "selection.pdf"));
        printer.setPrintRange(QPrinter::Selection);
        return true;
    });
    frame.Commands().Execute(editor::ID_FILE_PRINT);
    const auto selected = PdfPages(dir / "selection.pdf");
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(Labels(selected[0]), (std::vector<int>{10, 11})) << selected[0];
    EXPECT_EQ(selected[0].find("a=10"), std::string::npos) << "the text before the selection is not printed";
    EXPECT_NE(selected[0].find("a=11"), std::string::npos) << selected[0];

    // A printer that cannot be used: a clear error, and the document as it was.
    app.desktop.prints.push_back([&](QPrinter& printer, bool) {
        printer.setOutputFileName(QString::fromStdString(dir / "no-such-folder/x.pdf"));
        printer.setPrintRange(QPrinter::AllPages);
        return true;
    });
    const size_t boxes = questions.MessageTexts().size();
    frame.Commands().Execute(editor::ID_FILE_PRINT);
    ASSERT_EQ(questions.MessageTexts().size(), boxes + 1);
    EXPECT_EQ(questions.MessageTexts().back(), "The document could not be printed: \"" +
                                                   std::string(dir / "no-such-folder/x.pdf") + "\" cannot be used.");
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_EQ(view->PlainText(), text) << "printing changes no text";

    // Print Setup opens the page dialog of the same printer, and closes.
    bool setupShown = false;
    WhenModal([&](QWidget* w) {
        setupShown = qobject_cast<QPageSetupDialog*>(w) != nullptr;
        qobject_cast<QDialog*>(w)->reject();
    });
    fw::PrintSetup(&frame);
    EXPECT_TRUE(setupShown);
}

TEST_F(EditorGui, HelpTopicsWheelStepsNoDragAndTheCaretPane)
{
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += "WHILE a<" + std::to_string(i) + "\n";
    CVQXView* view = Open(WriteSource("view.tqs", text));
    ASSERT_NE(view, nullptr);
    frame.resize(900, 700);
    frame.show();
    view->setFocus();
    QApplication::processEvents();

    // Help from the editor: the topic without a selection, the index at the selected word with
    // one, the topic for a click in help mode; the help folder lives in the program folder.
    platform::SetAppFolder(dir / "program"); // put back by TearDown
    const std::string helpDir = dir / "program/help";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(helpDir + "/VQXUsersGuide/Dialogs")));
    for (const char* page : {"index.htm", "VQXUsersGuide/TextEditor.htm", "VQXUsersGuide/Dialogs/NewPort.htm"})
        std::ofstream(helpDir + "/" + page) << "<html></html>";
    const auto& opened = app.desktop.helpPages;
    const std::pair<std::string, std::string> topic{helpDir + "/VQXUsersGuide/TextEditor.htm", ""};
    QTest::keyClick(view, Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.back(), topic);
    view->moveCursor(QTextCursor::Start);
    view->moveCursor(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    QTest::keyClick(view, Qt::Key_F1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened.back(), std::make_pair(helpDir + "/index.htm", std::string("WHILE")));
    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(5, 5), view->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(view, &whatsThis);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened.back(), topic) << "a click in help mode opens the topic, selection or not";
    // A topic with an anchor opens its page at the anchor.
    EXPECT_TRUE(help::ShowHelpTopic(app.context, "::/VQXUsersGuide\\Dialogs\\NewPort.htm#MotorsPage"));
    EXPECT_EQ(opened.back(), std::make_pair(helpDir + "/VQXUsersGuide/Dialogs/NewPort.htm", std::string("MotorsPage")));
    // Without the help files: nothing opens, one line in the information view says so.
    QDir(QString::fromStdString(helpDir)).removeRecursively();
    const size_t lines = frame.InfoBar()->Lines().size();
    view->moveCursor(QTextCursor::Start);
    QTest::keyClick(view, Qt::Key_F1);
    EXPECT_EQ(opened.size(), 4u);
    ASSERT_EQ(frame.InfoBar()->Lines().size(), lines + 1);
    EXPECT_EQ(frame.InfoBar()->Lines().back().description,
              "The help topic \"" + topic.first + "\" is not available.");
    platform::SetAppFolder(appFolder);

    // The wheel: 40 units a line; a fine wheel's small steps add up; Ctrl does not zoom.
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    bar->setValue(10);
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(20, 20);
        QWheelEvent e(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &e);
        return bar->value();
    };
    EXPECT_EQ(wheel(-100), 12) << "a distance of 100 scrolls two lines";
    EXPECT_EQ(wheel(120), 9);
    EXPECT_EQ(wheel(-15), 9);
    EXPECT_EQ(wheel(-15), 9);
    EXPECT_EQ(wheel(-15), 10) << "the small steps of a fine wheel make a line";
    const int fontSize = view->font().pointSize();
    EXPECT_EQ(wheel(-120, Qt::ControlModifier), 13);
    EXPECT_EQ(view->font().pointSize(), fontSize);

    // A click into selected text puts the caret there: the selection cannot be dragged away.
    bar->setValue(0);
    QTextCursor word(view->document()->findBlockByNumber(1));
    word.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    view->setTextCursor(word);
    ASSERT_TRUE(view->textCursor().hasSelection());
    const QPoint inside = view->cursorRect(QTextCursor(view->document()->findBlockByNumber(1))).center() + QPoint(8, 0);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, inside);
    EXPECT_FALSE(view->textCursor().hasSelection());
    EXPECT_EQ(view->textCursor().blockNumber(), 1);
    EXPECT_EQ(view->textCursor().position(), view->cursorForPosition(inside).position());
    QTest::mouseMove(view->viewport(), inside + QPoint(0, 40));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, inside + QPoint(0, 40));
    EXPECT_EQ(view->PlainText(), text) << "nothing was dragged";
    EXPECT_FALSE(view->document()->isModified());

    // The caret pane follows the view in front as its caret moves, and a view behind leaves it.
    QLabel* pane = frame.StatusBar()->Pane(59200);
    view->moveCursor(QTextCursor::Start);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(pane->text(), QStringLiteral("Ln 2, Col 1"));
    CVQXView* other = Open(WriteSource("other.tqs", "a=1\nb=2\nc=3\n"));
    ASSERT_NE(other, nullptr);
    frame.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    other->setFocus();
    other->moveCursor(QTextCursor::End);
    EXPECT_EQ(pane->text(), QStringLiteral("Ln 4, Col 1"));
    view->moveCursor(QTextCursor::End); // behind: a find or a load there
    EXPECT_EQ(pane->text(), QStringLiteral("Ln 4, Col 1"));
}

namespace {

struct RecordingQuery : commerror::ICommErrorHandler {
    std::vector<uint32_t> requests;
    uint32_t OnCommError(uint32_t request, commerror::Target) override
    {
        requests.push_back(request);
        return 0;
    }
};

} // namespace

TEST_F(EditorGui, AMotorUnpluggedMidDownloadStopsTheRunWithAClearErrorAndTheOthersAwake)
{
    // Three motors behind USB bridges, one device each, on one port of the project.
    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge useBridge(bridge);
    vqxsim::MotorProfile base;
    base.firmware = "450";
    base.channel[0].baud = 38400;
    auto rig = vqxsim::UsbRig::Start(bridge, vqxsim::MakeProfiles(3, base, false));
    ui::COperationContext& context = ui::COperationContext::Default();
    context.Options().DownloadDelay = 0;
    context.Options().ResponseTimeout = 1000;
    ui::CHeadlessProgress progress(&questions);
    context.SetProgress(&progress);
    struct PutBack {
        ui::COperationContext& context;
        ~PutBack() { context.SetProgress(nullptr); }
    } putBack{context};
    CProject project;
    auto port = ThreeMotors("USB", [&](CMotor& m) {
        m.USBCom = std::make_shared<CMotorUSB>(rig->Device(static_cast<size_t>(m.Address - 1))->Serial(), m.Address - 1);
    });
    port->CommType = COMM_USB;
    port->Echo = 0;
    port->BitPerSec = 38400;
    ASSERT_TRUE(project.AddPort(std::move(port)));
    CCommPort& usb = *project.Port(0);
    usb.OpenPort();
    RecordingQuery query;
    const uint32_t target = selectmotor::MakeSelection(0, selectmotor::kEachMotorAddress);
    env.project = &project;
    env.commError = &query;
    env.selectTarget = [&](uint32_t& selection, bool& blind) {
        selection = target;
        blind = false;
        return true;
    };
    auto body = [&](size_t i) {
        return rig->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Program().Valid() ? m.Program().Body() : "<invalid>"; });
    };
    auto asleep = [&](size_t i) { return rig->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Asleep(0) || m.Asleep(1); }); };
    auto loads = [&](size_t i) {
        return rig->WithMotor(i, [](vqxsim::SimMotor& m) {
            return std::count(m.CommandLog().begin(), m.CommandLog().end(), std::string("LOAD"));
        });
    };
    const std::string before3 = body(2);

    // A source edited and not saved yet; each motor of the port in turn.
    const std::string path = WriteSource("unplug.tqs", "a=0\nWHILE a<20\n  a=a+1\n  b=a*2\nLOOP\nEND\n");
    CVQXView* view = Open(path);
    ASSERT_NE(view, nullptr);
    view->moveCursor(QTextCursor::Start);
    QTest::keyClicks(view, "c=7");
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(view->document()->isModified());
    const std::string typed = view->PlainText();

    // Motor 2's cable is pulled in the middle of its transfer (the second please-wait from now:
    // opening the plain source had one of its own).
    bool unplugged = false;
    const int shownBefore = progress.ShowCount();
    progress.SetPumpHook([&](ui::CHeadlessProgress& p, int kind, int64_t value) {
        if (!unplugged && p.ShowCount() == shownBefore + 2 && kind == ui::kProgressCount && value >= 16) {
            bridge.Unplug(rig->Device(1));
            unplugged = true;
        }
    });
    frame.Commands().Execute(editor::ID_COMPILE_TRANSMIT_TQX_TO);
    ASSERT_TRUE(unplugged) << frame.InfoBar()->CopyText();

    // A clear error in the information view that names the motor left without a program; a
    // failed write is reported there only (the query is for silent and garbled motors); the
    // please-wait dialog closed.
    const std::string info = frame.InfoBar()->CopyText();
    ASSERT_EQ(frame.InfoBar()->ErrorCount(), 1) << info;
    EXPECT_EQ(frame.InfoBar()->Lines().back().kind, ui::InfoKind::Error);
    EXPECT_EQ(frame.InfoBar()->Lines().back().description,
              "Error writing to the port!\nMotors that may be left without a valid program: \"Motor 2\".");
    EXPECT_TRUE(query.requests.empty());
    EXPECT_FALSE(progress.IsShown());
    // Nothing of the user's work is lost: the source was saved whole before the transfer, the
    // compiled file is complete.
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_EQ(view->PlainText(), typed);
    EXPECT_EQ(Read(path), view->StoredForm());
    CScanner scanner;
    scanner.Scan(typed, "450");
    ASSERT_EQ(scanner.Errors().GetErrorCount(), 0);
    const std::string image = Read(CScanner::GetCompiledFileName(path));
    EXPECT_EQ(image, scanner.CompiledImage());
    // Motor 1 holds the program; the run stopped at motor 2, so motor 3 was never loaded; the
    // motors still plugged in are awake.
    EXPECT_TRUE(UploadMatchesImage(body(0), image)) << info;
    EXPECT_FALSE(UploadMatchesImage(body(1), image));
    EXPECT_EQ(body(2), before3);
    EXPECT_EQ(loads(2), 0);
    EXPECT_FALSE(asleep(0));
    EXPECT_FALSE(asleep(2));

    usb.ClosePort();
}
