// The chart's samples against the simulated motor at the same instant: on a manual clock every
// Manual Update reads what the motor holds at that moment, so each sample of a move is compared
// with the simulator's own position and speed (the journey on the real start-up, where time runs
// by itself, checks the shape of the move, the ruler, Copy Data, files and closing).

#include "SimChainGui.h"
#include "TestAppContext.h"

#include "app/frame/gui/MainFrame.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/framework/gui/CommandTable.h"
#include "app/shell/CommandIds.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "core/port/CommPort.h"
#include "tests/sim/motor/SimMotor.h"

#include <algorithm>

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

using namespace chartview;

namespace {

class ChartSampling : public SimChainGuiTest {
protected:
    ChartSampling() : SimChainGuiTest("gui-chart-sampling") {}
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

TEST_F(ChartSampling, EverySampleIsTheMotorsStateAtThatTick)
{
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start("gui-chart-sampling");
    frame.Project().RunStartup(); // the ports saved open, as the program's start does
    CCommPort& port = *session.Project().Port(0);
    h.questions.AnswerMessageBox(ui::IDYES);
    Type(session.TerminalBar(), "5RP");
    ASSERT_EQ(port.MotorCount(), 3);
    Type(session.TerminalBar(), "1RP"); // the terminal's target is motor 1

    frame.Commands().Update(cmd::ID_CHART_VIEW);
    frame.Commands().Action(cmd::ID_CHART_VIEW)->trigger();
    auto* view = dynamic_cast<CChartViewDlg*>(frame.ChartView());
    ASSERT_NE(view, nullptr);
    QPointer<CChartViewDlg> guard(view);

    // Add Chart Item: the item dialog in chart mode, preset to motor 1; Position, then Velocity.
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<CWatchItemDlg*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->Form().Chart());
        EXPECT_EQ(dialog->Form().Target().address, 1);
        AddPredefined(*dialog, "Position", 0, 3000);
        AddPredefined(*dialog, "Velocity", -1000, 200000);
        dialog->reject();
    });
    view->Action(ID_ADD_ITEM)->trigger();
    ASSERT_EQ(view->List()->topLevelItemCount(), 2);
    // The dialog names each item after its motor.
    EXPECT_TRUE(view->List()->topLevelItem(0)->text(0).endsWith(QStringLiteral(" Position")));
    EXPECT_TRUE(view->List()->topLevelItem(1)->text(0).endsWith(QStringLiteral(" Velocity")));

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
    // The samples compared above span the whole move, not a motor at rest.
    EXPECT_EQ(*std::max_element(speeds.begin(), speeds.end()), 16108);
    EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](int32_t p) { return p > 0 && p < 2000; }));
    EXPECT_EQ(positions.back(), 2000);
    // The motor did what the terminal told it, nothing more: at the target, standing.
    EXPECT_EQ(SimMotion(), std::make_pair(2000, 0));
    view->Form().ClearModified();
    view->close();
    QTRY_VERIFY(guard.isNull());
    EXPECT_EQ(frame.ChartView(), nullptr);
}
