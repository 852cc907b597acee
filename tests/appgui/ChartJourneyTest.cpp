// A user charts a moving motor: VQX starts on a simulated chain, the chart view opens from its
// command, Position and Velocity of motor 1 are added in the item dialog, the motor is moved from
// the terminal while the chart samples, and the samples are the motor's own positions and speeds.
// The ruler, Copy Data, a ".sch" saved and opened again, and the chart's end with the program.

#include "SimChainGui.h"

#include "app/shell/gui/MainFrame.h"
#include "app/project/gui/ProjectSession.h"
#include "app/framework/gui/CommandTable.h"
#include "app/shell/CommandIds.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "core/port/CommPort.h"
#include "tests/sim/motor/SimMotor.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

using namespace chartview;

namespace {

class ChartJourney : public SimChainGuiTest {
protected:
    ChartJourney() : SimChainGuiTest("journey-chart") {}
    // The item dialog as a user fills it: the predefined row, the scale, Add.
    static void AddPredefined(CWatchItemDlg& dialog, const char* caption, int min, int max)
    {
        QTreeWidget* list = dialog.List();
        QTreeWidgetItem* row = nullptr;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == QString::fromLatin1(caption))
                row = list->topLevelItem(i);
        ASSERT_NE(row, nullptr) << caption;
        list->setCurrentItem(row);
        dialog.findChild<QSpinBox*>(QStringLiteral("1090"))->setValue(min);
        dialog.findChild<QSpinBox*>(QStringLiteral("1091"))->setValue(max);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }
    // Where motor 1 stands and how fast it goes, by the simulator's own reckoning.
    std::pair<int32_t, int32_t> SimMotion()
    {
        return rig->WithMotor(0, [](vqxsim::SimMotor& m) { return std::make_pair(m.Position(), m.Velocity()); });
    }
};

} // namespace

TEST_F(ChartJourney, ChartsAMoveMadeFromTheTerminal)
{
    CMainFrame frame;
    CProjectSession session(frame, &h.context);
    session.Start("journey-chart");
    CCommPort& port = *session.Project().Port(0);
    h.questions.AnswerMessageBox(ui::IDYES);
    Type(session.TerminalBar(), "5RP");
    ASSERT_EQ(port.MotorCount(), 3);
    Type(session.TerminalBar(), "1RP"); // the terminal's target is motor 1

    // Tools > Chart View opens the program's one chart window; again, it shows the same one.
    frame.Commands().Update(cmd::ID_CHART_VIEW);
    ASSERT_TRUE(frame.Commands().Action(cmd::ID_CHART_VIEW)->isEnabled());
    frame.Commands().Action(cmd::ID_CHART_VIEW)->trigger();
    auto* view = dynamic_cast<CChartViewDlg*>(frame.ChartView());
    ASSERT_NE(view, nullptr);
    QPointer<CChartViewDlg> guard(view);
    frame.Commands().Action(cmd::ID_CHART_VIEW)->trigger();
    EXPECT_EQ(frame.ChartView(), view);

    // Add Chart Item: the item dialog in chart mode, preset to motor 1; Position, then Velocity.
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CWatchItemDlg*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->Form().Chart());
        EXPECT_EQ(dialog->Form().Target().address, 1);
        Snapshot(dialog, QStringLiteral("chart-item-dialog"));
        AddPredefined(*dialog, "Position", 0, 3000);
        AddPredefined(*dialog, "Velocity", -1000, 200000);
        dialog->reject();
    });
    view->Action(ID_ADD_ITEM)->trigger();
    ASSERT_EQ(view->List()->topLevelItemCount(), 2);
    // The dialog names each item after its motor.
    EXPECT_TRUE(view->List()->topLevelItem(0)->text(0).endsWith(QStringLiteral(" Position")));
    EXPECT_TRUE(view->List()->topLevelItem(1)->text(0).endsWith(QStringLiteral(" Velocity")));
    const QString position = view->List()->topLevelItem(0)->text(0), velocity = view->List()->topLevelItem(1)->text(0);

    // The move, typed in the terminal; the chart takes a sample every 100 ms of the motor's time.
    Type(session.TerminalBar(), "1MP");
    Type(session.TerminalBar(), "1A=4");
    Type(session.TerminalBar(), "1V=16108");
    Type(session.TerminalBar(), "1P=2000");
    Type(session.TerminalBar(), "1G");
    std::vector<int32_t> positions, speeds;
    for (int i = 0; i < 40; ++i) {
        view->Action(ID_MANUAL_UPDATE)->trigger();
        const CChartItem* p = view->Form().Document().Item(0);
        const CChartItem* v = view->Form().Document().Item(1);
        positions.push_back(p->Samples.LastValue);
        speeds.push_back(v->Samples.LastValue);
        const auto [simPosition, simSpeed] = SimMotion();
        EXPECT_EQ(p->Samples.LastValue, simPosition) << i;
        EXPECT_EQ(v->Samples.LastValue, simSpeed) << i;
        clock.Advance(std::chrono::milliseconds(100));
    }
    // The trapezoid: the speed rises to the one asked for, holds, and falls to rest; the position
    // goes up without going back to the target, where it stays.
    const auto top = std::max_element(speeds.begin(), speeds.end());
    EXPECT_EQ(*top, 16108);
    EXPECT_TRUE(std::is_sorted(speeds.begin(), top));
    const auto lastTop = std::find_if(speeds.rbegin(), speeds.rend(), [](int32_t v) { return v == 16108; }).base();
    EXPECT_GT(lastTop - top, 1) << "no stretch at full speed";
    EXPECT_TRUE(std::is_sorted(lastTop, speeds.end(), std::greater<>()));
    EXPECT_EQ(speeds.back(), 0);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 2000);
    EXPECT_LT(positions.front(), 2000);
    EXPECT_GE(std::count(positions.begin(), positions.end(), 2000), 2);
    EXPECT_EQ(view->List()->topLevelItem(0)->text(1), QStringLiteral("2000"));
    EXPECT_EQ(view->List()->topLevelItem(0)->text(4), QStringLiteral("2000"));

    // The ruler on the fifth sample; Copy Data holds every sample as the motor gave it.
    const chart::Rect plot = view->Form().LastPicture().plot;
    QTest::mouseClick(view->Plot(), Qt::LeftButton, {}, QPoint(plot.left + 8, (plot.top + plot.bottom) / 2));
    EXPECT_EQ(view->List()->topLevelItem(0)->text(5), QString::number(positions[4]));
    view->Action(ID_COPY_DATA)->trigger();
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[0], QStringLiteral("Time\t") + position + QStringLiteral("\t") + velocity);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(lines[i + 1], QStringLiteral("%1\t%2\t%3").arg(i * 100).arg(positions[i]).arg(speeds[i]));
    Snapshot(view, QStringLiteral("chart-journey"));

    // Saved and opened again: the same picture.
    const std::string path = dir.File("move.sch");
    auto chooseFile = [path] {
        WhenModal([path](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(d)->accept();
        });
    };
    chooseFile();
    view->Action(ID_SAVE)->trigger();
    const QImage saved = view->Plot()->Image();
    view->Action(ID_NEW_CHART)->trigger();
    chooseFile();
    view->Action(ID_OPEN)->trigger();
    QTRY_COMPARE(view->Plot()->Image().size(), saved.size());
    EXPECT_EQ(view->Plot()->Image(), saved);

    // The motor did what the terminal told it, nothing more: at the target, standing.
    EXPECT_EQ(SimMotion(), std::make_pair(2000, 0));

    // A chart changed since it was saved: closing the program asks; Cancel keeps both open, No
    // lets the program close and the chart with it.
    view->List()->setCurrentItem(view->List()->topLevelItem(1));
    h.questions.AnswerMessageBox(ui::IDYES);
    view->Action(ID_DELETE_ITEM)->trigger();
    ASSERT_EQ(view->List()->topLevelItemCount(), 1);
    h.questions.AnswerMessageBox(ui::IDCANCEL);
    EXPECT_FALSE(frame.close());
    EXPECT_FALSE(guard.isNull());
    h.questions.AnswerMessageBox(ui::IDNO);
    h.questions.AnswerMessageBox(ui::IDNO);
    frame.close();
    QTRY_VERIFY(guard.isNull());
    EXPECT_EQ(frame.ChartView(), nullptr);
}
