// The Editor menu as a user meets it with a source in front: "Scan for errors" and "Compile &&
// Transmit TQX file" by their names, and F5 / Ctrl+F7 reach them.

#include "JourneyRig.h"

#include "app/editor/EditorCommands.h"

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
