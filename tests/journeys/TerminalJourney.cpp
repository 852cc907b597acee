// The terminal as a user works in it: the Open button shows and sets the port's state, the line
// being typed shows in the pane, Ctrl+V in the pane pastes into the command line, Shift+Insert
// pastes into the pane, a double-clicked word is sent, Save adds ".trm" to a bare name, and
// Escape goes back to the open document.

#include "JourneyRig.h"

#include "app/project/TerminalMenu.h"

#include <QClipboard>
#include <QTextCursor>

#include <filesystem>
#include <fstream>

class TerminalJourney : public Journey {
protected:
    int HeardCount(int motor, const std::string& command)
    {
        return Motor(motor, [&](vqxsim::SimMotor& m) {
            int n = 0;
            for (const auto& c : m.CommandLog())
                n += c == command;
            return n;
        });
    }
    int VarOf(int motor, const char* name)
    {
        return Motor(motor, [&](vqxsim::SimMotor& m) { return m.Var(name); });
    }
};

TEST_F(TerminalJourney, OpenButtonTypingPastingDoubleClickAndEscape)
{
    const std::string source = dir / "Move.tqs";
    std::ofstream(source) << "a=1\nEND\n";
    ASSERT_TRUE(Start());
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    QPushButton* open = Terminal().OpenButton();

    // The port opened at start: the button says so; the button closes it and opens it again.
    EXPECT_TRUE(open->isChecked());
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_FALSE(open->isChecked());
    EXPECT_FALSE(Terminal().MotorCombo()->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_TRUE(open->isChecked());
    // Closed from elsewhere (Close Port in the tree's commands closes all ports with the project's
    // own call): the button follows.
    app->MainFrame()->Project().ClosePorts();
    EXPECT_FALSE(open->isChecked());
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_TRUE(open->isChecked());

    // The line shows in the pane while it is typed, before Enter.
    Type(QStringLiteral("a=42"), false);
    EXPECT_TRUE(TerminalText().endsWith(QStringLiteral("a=42"))) << TerminalText().toStdString();
    QTest::keyClick(Terminal().CommandEdit(), Qt::Key_Return);
    for (int m = 0; m < 3; ++m)
        EXPECT_TRUE(WaitFor([&] { return VarOf(m, "a") == 42; })) << m;
    EXPECT_EQ(TerminalText().count(QStringLiteral("a=42")), 1) << "shown once";

    // Ctrl+V in the pane: into the command line, ready to send.
    QApplication::clipboard()->setText(QStringLiteral("b=321"));
    QWidget* pane = Terminal().View(Terminal().CurrentTab());
    QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Terminal().CommandEdit()->text(), QStringLiteral("b=321"));
    QTest::keyClick(Terminal().CommandEdit(), Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return VarOf(0, "b") == 321; }));

    // Shift+Insert puts the clipboard into the pane (not sent); a double-click sends the word.
    QApplication::clipboard()->setText(QStringLiteral("RUN"));
    const int heard = HeardCount(0, "RUN");
    QTest::keyClick(pane, Qt::Key_Insert, Qt::ShiftModifier);
    ASSERT_TRUE(TerminalText().endsWith(QStringLiteral("RUN"))) << TerminalText().toStdString();
    QTest::qWait(100);
    EXPECT_EQ(HeardCount(0, "RUN"), heard) << "pasting sends nothing";
    auto* view = Terminal().View(Terminal().CurrentTab());
    QTextCursor at(view->document());
    at.setPosition(view->toPlainText().lastIndexOf(QStringLiteral("RUN")) + 1);
    const QPoint word = view->cursorRect(at).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, word);
    EXPECT_TRUE(WaitFor([&] { return HeardCount(0, "RUN") > heard; })) << TerminalText().toStdString();

    // Save from the pane's menu: a name typed without an extension becomes a terminal file.
    Answer([this](QWidget* w) {
        auto* chooser = qobject_cast<QFileDialog*>(w);
        if (!chooser) {
            ADD_FAILURE() << "Save showed no file dialog";
            Decline(w);
            return;
        }
        chooser->selectFile(QString::fromStdString(dir / "session"));
        static_cast<QDialog*>(chooser)->accept();
    });
    EXPECT_TRUE(Command(terminalmenu::kSave));
    EXPECT_TRUE(std::filesystem::exists(dir / "session.trm"));
    EXPECT_FALSE(std::filesystem::exists(dir / "session"));

    // Escape in the command line goes back to the document in front.
    ASSERT_TRUE(OpenFile(source));
    ASSERT_TRUE(WaitFor([&] { return ActiveDocument() != nullptr; }));
    Terminal().CommandEdit()->setFocus();
    QTest::keyClick(Terminal().CommandEdit(), Qt::Key_Escape);
    QWidget* focus = frame->focusWidget();
    EXPECT_TRUE(focus && (focus == ActiveDocument() || ActiveDocument()->isAncestorOf(focus)));
    Snapshot(frame, "terminal-journey");
}
