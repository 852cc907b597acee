// The Editor menu as a user meets it with a source in front: "Scan for errors" and "Compile &&
// Transmit TQX file" by their names, and F5 / Ctrl+F7 reach them.

#include "JourneyRig.h"

#include "app/editor/EditorCommands.h"
#include "app/shell/gui/AppContext.h"
#include "scanner/Scanner.h"

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
