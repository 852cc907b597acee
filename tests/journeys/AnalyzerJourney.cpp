// The serial data analyzer as a user meets it: nothing is recorded while it is hidden, traffic
// shows once it is, the send bar takes bytes in hexadecimal, decimal or characters and sends
// them raw, and another project starts on empty pages.

#include "JourneyRig.h"

#include "app/setup/gui/AnalyzerView.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "app/setup/gui/SendBarEdit.h"

#include <QRadioButton>
#include <QTabBar>

class AnalyzerJourney : public Journey {
protected:
    CSerialDataAnalyzerWnd& Analyzer() const { return *static_cast<CSerialDataAnalyzerWnd*>(frame->AnalyzerBar()->widget()); }
    int Entries(int page)
    {
        auto lock = Analyzer().Analyzer().Lock();
        return Analyzer().Analyzer().Page(page).EntryCount();
    }
    // The bytes of the entries of a page that carry all of `flags`, in order.
    std::string Logged(int page, uint32_t flags)
    {
        auto lock = Analyzer().Analyzer().Lock();
        const CSdaPage& p = Analyzer().Analyzer().Page(page);
        std::string out;
        for (int k = 0; k < p.EntryCount(); ++k)
            if ((p.EntryAt(k).flags & flags) == flags)
                out.append(reinterpret_cast<const char*>(p.EntryAt(k).data), static_cast<size_t>(p.EntryAt(k).length));
        return out;
    }
    bool Heard(int motor, const std::string& command)
    {
        return Motor(motor, [&](vqxsim::SimMotor& m) {
            for (const auto& c : m.CommandLog())
                if (c == command)
                    return true;
            return false;
        });
    }
};

TEST_F(AnalyzerJourney, RecordsWhileShownSendsTypedBytesAndStartsEmptyForAnotherProject)
{
    StartMotors();
    const std::string other = WriteProject("Other", "Other");
    // The project is not saved on leaving it (saving stores the analyzer's pages, which empties them).
    platform::AppProfile().WriteInt("Workspace", "SaveWorkspace", 0);
    ASSERT_TRUE(Start());
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    ASSERT_FALSE(frame->AnalyzerBar()->isVisible()) << "a project without a stored layout starts with it hidden";

    // Hidden: the traffic is not recorded (the window's own rule, to keep long runs cheap).
    ASSERT_TRUE(TypeAndWait("a=5", "a=5"));
    ASSERT_TRUE(WaitFor([&] { return Motor(0, [](vqxsim::SimMotor& m) { return m.Var("a"); }) == 5; }));
    EXPECT_EQ(Entries(0), 0);

    // Shown: what the terminal sends is there, tagged as the terminal's.
    ASSERT_TRUE(Command(cmd::ID_VIEW_ANALYZER));
    ASSERT_TRUE(WaitFor([&] { return frame->AnalyzerBar()->isVisible(); }));
    EXPECT_EQ(Analyzer().Tabs()->count(), 1);
    EXPECT_EQ(Analyzer().Tabs()->tabText(0), QStringLiteral("Chain"));
    ASSERT_TRUE(TypeAndWait("b=6", "b=6"));
    EXPECT_TRUE(WaitFor([&] { return Logged(0, SDA_SENT | SDA_FROM_TERMINAL).find("b=6") != std::string::npos; }))
        << Logged(0, SDA_SENT);

    // The send bar is a byte editor: hex digits pair up into bytes as they are typed, a letter
    // that is no hex digit is refused, and the same bytes read in decimal and as characters.
    CSendBarEdit* bar = Analyzer().SendBar();
    QTest::mouseClick(bar, Qt::LeftButton);
    QTest::keyClicks(bar, QStringLiteral("6"));
    EXPECT_EQ(bar->text(), QStringLiteral("06 "));
    QTest::keyClicks(bar, QStringLiteral("1g3d37"));
    EXPECT_EQ(bar->text(), QStringLiteral("61 3D 37 "));
    QTest::mouseClick(Analyzer().findChild<QRadioButton*>(QStringLiteral("1268")), Qt::LeftButton);
    EXPECT_EQ(bar->text(), QStringLiteral("097 061 055 "));
    QTest::mouseClick(Analyzer().findChild<QRadioButton*>(QStringLiteral("1269")), Qt::LeftButton);
    EXPECT_EQ(bar->text(), QStringLiteral("a=7"));
    Snapshot(frame, "analyzer-send-bar");

    // Enter adds the terminator and sends the bytes raw: the motors take "a=7"; the page shows
    // them as the send bar's, and the bar is empty again.
    QTest::keyClick(bar, Qt::Key_Return);
    EXPECT_TRUE(bar->text().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return Heard(0, "a=7"); }));
    EXPECT_TRUE(WaitFor([&] { return Logged(0, SDA_SENT | SDA_FROM_SENDBAR) == "a=7 "; })) << Logged(0, SDA_FROM_SENDBAR);
    // F9 from the display sends without the terminator: the motor has no complete command yet.
    QTest::mouseClick(Analyzer().findChild<QRadioButton*>(QStringLiteral("1267")), Qt::LeftButton);
    QTest::keyClicks(bar, QStringLiteral("63 3D 38"));
    QTest::keyClick(Analyzer().View(), Qt::Key_F9);
    EXPECT_TRUE(bar->text().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return Logged(0, SDA_SENT | SDA_FROM_SENDBAR) == "a=7 c=8"; })) << Logged(0, SDA_FROM_SENDBAR);
    QTest::qWait(100);
    EXPECT_FALSE(Heard(0, "c=8"));
    ASSERT_GT(Entries(0), 0);

    // Another project on the same line starts on empty pages, with its own port's tab.
    ASSERT_TRUE(OpenFile(other, cmd::ID_OPEN_PROJECT));
    ASSERT_EQ(frame->Project().Name(), "Other");
    if (!frame->AnalyzerBar()->isVisible()) {
        ASSERT_TRUE(Command(cmd::ID_VIEW_ANALYZER));
    }
    EXPECT_EQ(Analyzer().Tabs()->tabText(0), QStringLiteral("Other"));
    for (int page = 0; page < SDA_PAGES; ++page)
        EXPECT_EQ(Entries(page), 0) << "page " << page << " kept the old project's traffic";
    // Its traffic is its own.
    ASSERT_TRUE(TypeAndWait("d=9", "d=9"));
    EXPECT_TRUE(WaitFor([&] { return Logged(0, SDA_SENT | SDA_FROM_TERMINAL).find("d=9") != std::string::npos; }));
    EXPECT_EQ(Logged(0, SDA_SENT).find("b=6"), std::string::npos);
    Snapshot(frame, "analyzer-other-project");
}
