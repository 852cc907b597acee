// The terminal in the real main frame, headless, against a simulated RS-232 chain of three on
// the in-process line: typed commands and their replies in their colours, a silent report command
// that raises the query whose detection fills the target combo, a macro by Ctrl+1, a transcript
// saved as RTF that reads back with its colours, and the project with its terminal state back
// after a restart.

#include "SimChainGui.h"
#include "TestAppContext.h"

#include "app/framework/gui/CommandTable.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/shell/CommandIds.h"
#include "app/frame/gui/MainFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "tests/common/HeadlessContext.h"
#include "platform/clock/Clock.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

#include <cstdlib>

namespace {

class TerminalBarGui : public SimChainGuiTest {
protected:
    TerminalBarGui() : SimChainGuiTest("gui-chain") {}
    ui::CHeadlessQuestions& questions = h.questions;
};

} // namespace

TEST_F(TerminalBarGui, TypedCommandsDetectionMacroTranscriptAndRestart)
{
    {
        TestAppContext app(h.context);
        CMainFrame frame(app.context);
        CProjectSession session(frame);
        session.Start("gui-chain"); // no default project yet: the chain becomes its first port
        frame.Project().RunStartup(); // the ports saved open, as the program's start does
        CTerminalBar& bar = session.TerminalBar();
        ASSERT_GE(bar.Tabs()->count(), 1);
        EXPECT_EQ(bar.Tabs()->tabText(0), QStringLiteral("gui-chain"));
        EXPECT_EQ(bar.CurrentTab(), 0);
        CCommPort& port = *session.Project().Port(0);
        EXPECT_TRUE(port.isOpen); // opened at start-up

        // Typed in the command line, sent with Enter; the reply follows in the received colour.
        Type(bar, "1RP");
        Type(bar, "2 RSP");
        Type(bar, "0WAKE");
        Type(bar, "RP");
        CTerminalTextView* view = bar.View(0);
        const QString shown = view->toPlainText();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("1RP            0\n2 RSP          24576/450\n"))) << shown.toStdString();
        const auto& spans = view->Transcript().Spans();
        ASSERT_GE(spans.size(), 2u);
        EXPECT_EQ(spans[0].format, TermFormat::Echo);
        EXPECT_EQ(spans[1].format, TermFormat::Response);
        EXPECT_TRUE(bar.CommandEdit()->text().isEmpty());

        // A report command to an address nobody has: the query, Yes, detection, three motors.
        questions.AnswerMessageBox(ui::IDYES);
        Type(bar, "5RP");
        ASSERT_EQ(port.MotorCount(), 3);
        EXPECT_EQ(bar.MotorCombo()->count(), 4);
        EXPECT_EQ(bar.MotorCombo()->itemText(0), QStringLiteral("All Motors"));
        Type(bar, "2RP");
        EXPECT_EQ(bar.MotorCombo()->currentIndex(), 2);
        EXPECT_EQ(bar.GetTargetAddress(-1), 2);

        // A macro of five commands by Ctrl+1.
        auto macro = std::make_unique<CMacro>();
        macro->Name = "five";
        macro->Shortcut = 1;
        macro->Commands = "1RP\n2RP\n3RP\n0WAKE;:five done\n";
        ASSERT_TRUE(session.Project().AddMacro(std::move(macro)));
        const int before = view->toPlainText().size();
        frame.Commands().Execute(cmd::ID_MACRO_KEY_FIRST + 1);
        const QString macroText = view->toPlainText().mid(before);
        EXPECT_TRUE(macroText.contains(QStringLiteral("3RP")));
        EXPECT_TRUE(macroText.contains(QStringLiteral("   five done\n"))) << macroText.toStdString();

        // The transcript as a ".trm" file reads back with its colours.
        CTerminalTranscript back;
        back.FromRtf(view->Transcript().ToRtf(view->Style()), view->Style());
        ASSERT_EQ(back.Spans().size(), spans.size());
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(back.Spans()[i].format, spans[i].format) << i;
            EXPECT_EQ(back.Spans()[i].text, spans[i].text) << i;
        }

        Type(bar, "2RP"); // the macro's 0WAKE made All Motors the target; motor 2 again
        ASSERT_TRUE(session.Project().Save());
        port.ClosePort();
    }
    // A new run: the port, its motors, the macro and the target are back.
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start("gui-chain");
    frame.Project().RunStartup(); // the ports saved open, as the program's start does
    CTerminalBar& bar = session.TerminalBar();
    ASSERT_GE(session.Project().PortCount(), 1);
    EXPECT_EQ(session.Project().Port(0)->PortName, "gui-chain");
    EXPECT_EQ(session.Project().Port(0)->MotorCount(), 3);
    ASSERT_EQ(session.Project().Macros().size(), 1u);
    EXPECT_EQ(bar.Pane(0).targetIndex, 1);
    EXPECT_EQ(bar.MotorCombo()->currentIndex(), 2);
}
