// The Editor menu as a user meets it with a source in front: "Scan for errors" and "Compile &&
// Transmit TQX file" by their names, and F5 / Ctrl+F7 reach them.

#include "JourneyRig.h"

#include "app/editor/EditorCommands.h"
#include "app/shell/gui/AppContext.h"
#include "scanner/Scanner.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QWindow>
#include <QTextCursor>

#include <fstream>

class EditorJourney : public Journey {};

TEST_F(EditorJourney, ScanAndTransmitByTheirNamesAndKeys)
{
    const std::string source = dir / "Move.tqs";
    std::ofstream(source) << "a=1\nEND\n";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return ActiveDocument() != nullptr; }));
    EXPECT_EQ(Action(editor::ID_SCAN_FOR_ERRORS)->text(), QStringLiteral("Scan for errors"));
    EXPECT_EQ(Action(editor::ID_COMPILE_TRANSMIT_TQX)->text(), QStringLiteral("Compile && Transmit TQX file"));
    EXPECT_EQ(Action(editor::ID_SCAN_FOR_ERRORS)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F7")));
    EXPECT_EQ(Action(editor::ID_COMPILE_TRANSMIT_TQX)->shortcut(), QKeySequence(QStringLiteral("F5")));

    // Ctrl+F7 in the editor scans the program: the information view tells the result.
    const size_t before = InfoLines().size();
    AutoAnswer("The operation finished successfully.", "OK");
    QWidget* editorView = ActiveDocument();
    editorView->setFocus();
    // Keys reach the commands of the window in front.
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
    QTest::keyClick(frame->focusWidget() ? frame->focusWidget() : editorView, Qt::Key_F7, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] { return InfoLines().size() > before; }));
    Snapshot(frame, "editor-scanned");

    // The main window's title as the window system shows it: the document's name once, whether
    // the document window is maximised or not, through a new document, a switch and a restore.
    auto title = [&] { return frame->windowHandle()->title(); };
    auto reads = [&](const QString& child) {
        const QString wanted = QStringLiteral("Chain - Tessaraxon Interface - [") + child + QStringLiteral("]");
        return WaitFor([&] { return title() == wanted; }, 2000);
    };
    QMdiSubWindow* moveTqs = frame->MdiArea()->activeSubWindow();
    ASSERT_NE(moveTqs, nullptr);
    EXPECT_TRUE(reads(QStringLiteral("Move.tqs"))) << title().toStdString();
    moveTqs->showMaximized();
    EXPECT_TRUE(reads(QStringLiteral("Move.tqs"))) << "maximised: " << title().toStdString();
    ASSERT_TRUE(Command(cmd::ID_FILE_NEW));
    ASSERT_TRUE(WaitFor([&] { return frame->MdiArea()->activeSubWindow() != moveTqs; }));
    QMdiSubWindow* untitled = frame->MdiArea()->activeSubWindow();
    EXPECT_TRUE(untitled->isMaximized());
    EXPECT_TRUE(reads(QStringLiteral("Untitled"))) << "a new document, maximised: " << title().toStdString();
    frame->MdiArea()->setActiveSubWindow(moveTqs);
    EXPECT_TRUE(reads(QStringLiteral("Move.tqs"))) << "switched back: " << title().toStdString();
    moveTqs->showNormal();
    EXPECT_TRUE(reads(QStringLiteral("Move.tqs"))) << "restored: " << title().toStdString();
    frame->MdiArea()->setActiveSubWindow(untitled);
    EXPECT_TRUE(reads(QStringLiteral("Untitled"))) << "the other, restored: " << title().toStdString();
    untitled->showMaximized();
    EXPECT_TRUE(reads(QStringLiteral("Untitled"))) << "maximised again: " << title().toStdString();
    // Saved under a name, restored or maximised: the title names it at once.
    for (const char* name : {"Saved.tqs", "Again.tqs"}) {
        const std::string path = dir / name;
        Answer([path](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            if (!chooser) {
                ADD_FAILURE() << "not a file dialog";
                Decline(w); // a stray box must not hold the journey up
                return;
            }
            chooser->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(chooser)->accept();
        });
        ASSERT_TRUE(Command(cmd::ID_FILE_SAVE_AS));
        EXPECT_TRUE(reads(QString::fromLatin1(name))) << "saved as " << name << ": " << title().toStdString();
        untitled->showNormal();
    }
}

// The status bar's Version pane names the language of the source in front, also once the editor
// has the focus (the language file is already loaded then).
TEST_F(EditorJourney, VersionPaneKeepsTheLanguageWhenTheEditorTakesTheFocus)
{
    const std::string source = dir / "Move.tqs";
    std::ofstream(source) << "a=1\nEND\n";
    ASSERT_TRUE(Start());
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return ActiveDocument() != nullptr; }));
    auto* pane = frame->findChild<QLabel*>(QString::number(cmd::ID_INDICATOR_VERSION));
    ASSERT_NE(pane, nullptr);
    const QString version = QStringLiteral("Version: ") + QString::fromStdString(frame->Context().Scanner().Version());
    EXPECT_GT(version.size(), 9) << "the default language has a version";
    EXPECT_EQ(pane->text(), version);
    QApplication::setActiveWindow(frame);
    for (int i = 0; i < 2; ++i) {
        Terminal().CommandEdit()->setFocus();
        Settle();
        ActiveDocument()->setFocus();
        ASSERT_TRUE(WaitFor([&] { return ActiveDocument()->hasFocus(); }));
        EXPECT_EQ(pane->text(), version) << "focus " << i;
    }
    Snapshot(frame, "editor-version-pane");
}

// A document closed with its close box while the main window is not active, and the changes
// declined: the main window gives the focus back at its next activation without reaching the view
// that went.
TEST_F(EditorJourney, ClosingADocumentLeavesNoFocusToGiveBack)
{
    ASSERT_TRUE(Start());
    QApplication::setActiveWindow(frame);
    ASSERT_TRUE(Command(cmd::ID_FILE_NEW));
    QPointer<QWidget> view = ActiveDocument();
    ASSERT_NE(view, nullptr);
    view->setFocus();
    QTest::keyClicks(view, QStringLiteral("abc"));
    // The poll loop notes where the focus is while the main window is active.
    QTest::qWait(100);
    ASSERT_TRUE(view->hasFocus());
    QString asked;
    Answer([&](QWidget* w) {
        for (QLabel* l : w->findChildren<QLabel*>())
            asked += l->text();
        Press(w, QStringLiteral("No"));
    });
    auto* child = qobject_cast<QMdiSubWindow*>(view->parentWidget());
    ASSERT_NE(child, nullptr);
    // Another window is active while the document goes, then the main window again.
    QWidget other;
    child->close();
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(WaitFor([&] { return view.isNull(); }));
    EXPECT_TRUE(asked.contains(QStringLiteral("Save changes to Untitled?"))) << asked.toStdString();
    QApplication::setActiveWindow(frame);
    Settle();
    EXPECT_TRUE(frame->isActiveWindow());
    EXPECT_EQ(ActiveDocument(), nullptr);
}

// Format Keywords as a user meets it: a plain source is coloured whole when it opens and a marked
// one (our own file) as it was stored; the whole-text pass shows its please-wait and sets the tab
// stops to the width the options page measured, and what was typed can still be undone after it.
TEST_F(EditorJourney, FormatKeywordsWaitsSetsTheMeasuredTabsAndKeepsUndo)
{
    const std::string source = dir / "Long.tqs";
    {
        std::ofstream out(source);
        for (int i = 0; i < 3000; ++i)
            out << "a=" << i << "\tEND\n";
    }
    platform::AppProfile().WriteInt("Editor", "TabSize", 4);
    platform::AppProfile().WriteInt("Editor", "TabSizePoint", 960);
    ASSERT_TRUE(Start());
    QStringList waits;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->inherits("CWaitDlg"))
                for (QLabel* l : w->findChildren<QLabel*>())
                    if (l->isVisible() && !l->text().isEmpty() && !waits.contains(l->text()))
                        waits << l->text();
    });
    watch.start(1);
    const QString formatting = QStringLiteral("Formatting text data for syntax highlighting. Please wait...");
    auto editorView = [&] { return qobject_cast<QPlainTextEdit*>(ActiveDocument()); };
    const double dpi = frame->logicalDpiX();

    // A plain text file is highlighted whole as it opens: the please-wait, the measured tabs.
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return editorView() != nullptr; }));
    EXPECT_TRUE(waits.contains(formatting)) << waits.join(QLatin1Char('|')).toStdString();
    EXPECT_DOUBLE_EQ(editorView()->tabStopDistance(), 960 * dpi / 1440.0);

    // Saved, it is our own marked file: opened again it comes as stored (the tabs of 4 characters
    // of 120 twips until the next whole-text pass), without a pass of its own.
    QTest::keyClicks(editorView(), QStringLiteral("b=2 "));
    ASSERT_TRUE(Command(cmd::ID_FILE_SAVE));
    frame->MdiArea()->closeActiveSubWindow();
    ASSERT_TRUE(WaitFor([&] { return ActiveDocument() == nullptr; }));
    waits.clear();
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return editorView() != nullptr; }));
    EXPECT_FALSE(waits.contains(formatting));
    EXPECT_DOUBLE_EQ(editorView()->tabStopDistance(), 4 * 120 * dpi / 1440.0);
    EXPECT_TRUE(editorView()->toPlainText().startsWith(QStringLiteral("b=2 a=0\tEND\n")));

    // Format Keywords: the please-wait with its text, the measured tabs; typing before it can
    // still be undone after it (the highlighting is no edit of the text).
    editorView()->setFocus();
    editorView()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editorView(), QStringLiteral("c=3"));
    ASSERT_TRUE(editorView()->toPlainText().endsWith(QStringLiteral("c=3")));
    ASSERT_TRUE(Command(editor::ID_FORMAT_KEYWORDS));
    EXPECT_TRUE(waits.contains(formatting)) << waits.join(QLatin1Char('|')).toStdString();
    EXPECT_DOUBLE_EQ(editorView()->tabStopDistance(), 960 * dpi / 1440.0);
    EXPECT_TRUE(editorView()->document()->isUndoAvailable());
    editorView()->undo();
    EXPECT_FALSE(editorView()->toPlainText().endsWith(QStringLiteral("c=3")));
    EXPECT_TRUE(editorView()->toPlainText().endsWith(QStringLiteral("END\n")));
    Snapshot(frame, "editor-formatted");
}
