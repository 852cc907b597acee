// The analyzer window against a simulated chain: a terminal command's exchange shows with its
// kinds, a filter hides the replies and brings them back, the keys select everything and Copy
// puts it on the clipboard, and Save writes an ".ssf" that reads back to the same rows.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/project/Project.h"
#include "app/setup/AnalyzerRows.h"
#include "app/setup/gui/AnalyzerView.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "core/detect/RS232Chain.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QFile>
#include <QTabBar>

TEST_F(GuiTest, AnalyzerShowsFiltersCopiesAndSavesATerminalExchange)
{
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessDetectServices quiet;
    TestAppContext app(quiet.context);
    CSerialDataAnalyzerWnd wnd(app.context);
    CSerialDataAnalyzer& analyzer = wnd.Analyzer();
    quiet.context.SetTrafficLog(&analyzer);
    quiet.context.Options().ResponseTimeout = 60;
    vqxsim::MotorProfile p;
    p.channel[0].baud = p.channel[1].baud = 9600;
    p.echo[0] = true;
    static int n = 0;
    const std::string line = "gui-analyzer-" + std::to_string(++n);
    auto rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(2, p, true), line);
    clock.Advance(std::chrono::seconds(2));
    CProject project;
    project.SetContext(&quiet.context);
    ASSERT_TRUE(project.AddPort(MakeDetectPort(quiet.context, line, "Line", 0, COMM_RS232, 9600)));
    auto other = std::make_unique<CCommPort>();
    other->Name = "Spare";
    ASSERT_TRUE(project.AddPort(std::move(other)));
    CCommPort& port = *project.Port(0);

    wnd.resize(700, 300);
    wnd.ApplyOptions(quiet.context.Options());
    wnd.UpdatePortTabs(&project);
    wnd.show();
    ASSERT_EQ(wnd.Tabs()->count(), 2);
    EXPECT_EQ(wnd.Tabs()->tabText(1), "Spare");
    EXPECT_EQ(wnd.ShownPage(), 0);

    // A command typed in a terminal: the terminal's tag is on while it runs.
    port.OpenPort();
    analyzer.SetPageFlags(0, SDA_FROM_TERMINAL, true);
    EXPECT_EQ(port.Query("RBe", 2), "0");
    analyzer.SetPageFlags(0, SDA_FROM_TERMINAL, false);
    QApplication::processEvents();
    const CSdaPage& page = analyzer.Page(0);
    ASSERT_GE(page.LineCount(), 2);
    std::vector<sda::PieceKind> kinds;
    for (int k = 0; k < page.LineCount(); ++k)
        for (const sda::RowPiece& piece : sda::RenderRow(page, k))
            if (piece.kind != sda::PieceKind::Default)
                kinds.push_back(piece.kind);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), sda::PieceKind::Sent), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), sda::PieceKind::Echo), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), sda::PieceKind::Received), kinds.end());
    EXPECT_NE(sda::RowText(page, 0).find("| \x85RBe\x85"), std::string::npos) << sda::RowText(page, 0);
    EXPECT_TRUE(page.EntryAt(0).flags & SDA_FROM_TERMINAL);
    EXPECT_GT(wnd.View()->RowsDrawn(), 0) << "nothing drawn";
    Snapshot(&wnd, "serial-data-analyzer");

    // Receive off: no received rows; back on: all again.
    const int rows = page.LineCount();
    ASSERT_TRUE(wnd.OnCommand(35101));
    for (int k = 0; k < page.LineCount(); ++k)
        for (const sda::RowPiece& piece : sda::RenderRow(page, k))
            EXPECT_NE(piece.kind, sda::PieceKind::Received);
    EXPECT_LT(page.LineCount(), rows);
    ASSERT_TRUE(wnd.OnCommand(35101));
    EXPECT_EQ(page.LineCount(), rows);

    // Select all with the keys, copy.
    wnd.View()->setFocus();
    QTest::keyClick(wnd.View(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(wnd.View(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::clipboard()->clear();
    ASSERT_TRUE(wnd.OnCommand(35151));
    std::string expected, plain;
    for (int k = 0; k < page.LineCount(); ++k) {
        expected += (k ? "\r\n" : "") + sda::RowText(page, k);
        plain += sda::RowText(page, k) + "\n";
    }
    QString expectedText = QString::fromLatin1(expected.data(), static_cast<qsizetype>(expected.size()));
    expectedText.replace(QChar(0x85), QChar(0x2026));
    EXPECT_EQ(QApplication::clipboard()->text(), expectedText);
    // The rich text beside it keeps every piece's colour: the page's own document without the
    // last line end.
    const QByteArray copied = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
    platform::rtf::Document rich = platform::rtf::Read(std::string_view(copied.constData(), copied.size()));
    ASSERT_FALSE(rich.runs.empty());
    const sda::Look look = sda::LookFrom(quiet.context.Options());
    platform::rtf::CharFormat lineEnd = rich.runs.back().format;
    lineEnd.color = look.colors[0];
    rich.Append("\n", lineEnd);
    EXPECT_EQ(rich.runs, sda::PageDocument(page, look).runs);

    // Save as ".ssf" and read it back.
    const std::string file = dir / "line.ssf";
    app.desktop.files.push_back(QString::fromStdString(file));
    ASSERT_TRUE(wnd.OnCommand(35152));
    ASSERT_EQ(app.desktop.asked.size(), 1u);
    EXPECT_EQ(app.desktop.asked[0].start, "Line") << "the save chooser proposes the port's name";
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray rtf = f.readAll();
    const platform::rtf::Document back = platform::rtf::Read(std::string_view(rtf.constData(), rtf.size()));
    EXPECT_EQ(back.runs, sda::PageDocument(page, sda::LookFrom(quiet.context.Options())).runs);
    EXPECT_EQ(back.PlainText(), plain);

    // Clear, and the empty page saves as an empty file.
    ASSERT_TRUE(wnd.OnCommand(35150));
    EXPECT_EQ(page.LineCount(), 0);
    ASSERT_TRUE(wnd.SaveAs(QString::fromStdString(dir / "empty.ssf")));
    EXPECT_EQ(QFile(QString::fromStdString(dir / "empty.ssf")).size(), 0);
    // Ctrl+PageDown on the last tab shows the first.
    wnd.Tabs()->setCurrentIndex(1);
    QTest::keyClick(wnd.View(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(wnd.ShownPage(), 0);
    port.ClosePort();
}
