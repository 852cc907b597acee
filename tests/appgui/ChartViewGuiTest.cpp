// The chart view's window on a simulated chain in the real session: items sampled from the
// motors, the plot's pixels, the ruler, Copy Image, sampling on the timer held by a long
// operation, the properties dialog, and closing a changed chart.

#include "SimChainGui.h"

#include "app/project/gui/ProjectSession.h"
#include "app/shell/gui/MainFrame.h"
#include "app/framework/LongOperation.h"
#include "app/tools/gui/ChartSettingsDlg.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/motor/Variables.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTreeWidget>

using namespace chartview;

namespace {

class ChartViewGui : public SimChainGuiTest {
protected:
    ChartViewGui() : SimChainGuiTest("gui-chart") {}
    void SetA(size_t motor, int32_t value)
    {
        rig->WithMotor(motor, [&](vqxsim::SimMotor& m) {
            m.Vars().Set(*vqxsim::ParseVarRef("a"), value);
            return 0;
        });
    }
};

} // namespace

TEST_F(ChartViewGui, SamplesDrawsRulesAndTakesItsProperties)
{
    CMainFrame frame;
    CProjectSession session(frame, &h.context);
    session.Start("gui-chart");
    CCommPort& port = *session.Project().Port(0);
    ASSERT_TRUE(port.isOpen);
    h.questions.AnswerMessageBox(ui::IDYES);
    Type(session.TerminalBar(), "5RP"); // detection brings the chain's three motors in
    ASSERT_EQ(port.MotorCount(), 3);

    // The item dialog as the user fills it: "A" reads a of motor 1, "B" a of motor 2.
    std::vector<CChartItem> chosen(2);
    chosen[0].SetFields(CWatchItem::kCustom, CWatchItem::kWholeValue, "A", "Ra", 0, 100);
    chosen[1].SetFields(CWatchItem::kCustom, CWatchItem::kWholeValue, "B", "Ra", -50, 50);
    chosen[1].Item.MotorAddress = 2;
    auto dialog = [&](QWidget*, CChartItem&, bool add, const auto& take) {
        if (add)
            for (const CChartItem& c : chosen)
                take(c);
        return true;
    };
    auto* view = new CChartViewDlg([&](int p, int a) { return p == 0 ? port.GetMotor(a) : nullptr; }, h.questions,
                                   dialog);
    QPointer<CChartViewDlg> guard(view);
    view->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    EXPECT_TRUE(view->windowTitle().startsWith(QStringLiteral("Chart View - Chart")));
    EXPECT_FALSE(view->Action(ID_START)->isEnabled());
    view->Action(ID_ADD_ITEM)->trigger();
    ASSERT_EQ(view->List()->topLevelItemCount(), 2);
    EXPECT_TRUE(view->Action(ID_START)->isEnabled());

    // Manual updates with known answers: a rises 0, 10, .. 90 on motor 1, falls on motor 2.
    for (int i = 0; i < 10; ++i) {
        SetA(0, 10 * i);
        SetA(1, 40 - 10 * i);
        view->Action(ID_MANUAL_UPDATE)->trigger();
    }
    EXPECT_EQ(view->List()->topLevelItem(0)->text(1), QStringLiteral("90"));
    EXPECT_EQ(view->List()->topLevelItem(0)->text(2), QStringLiteral("45"));
    EXPECT_EQ(view->List()->topLevelItem(1)->text(3), QStringLiteral("-50"));
    EXPECT_EQ(view->List()->topLevelItem(1)->text(4), QStringLiteral("40"));

    // Pixel probes: each point of curve A is painted in red where the picture puts it, and lies
    // where its value says on the 0..100 scale.
    const chart::Picture& picture = view->Form().LastPicture();
    const QImage image = view->Plot()->Image();
    const chart::Rect r = picture.plot;
    int probed = 0;
    for (const chart::Op& op : picture.ops) {
        const auto* curve = std::get_if<chart::PolylineOp>(&op);
        if (!curve || curve->item != 0)
            continue;
        ASSERT_EQ(curve->points.size(), 10u);
        for (size_t i = 0; i < curve->points.size(); ++i) {
            const chart::Point pt = curve->points[i];
            EXPECT_EQ(pt.x, r.left + 2 * static_cast<int>(i));
            EXPECT_EQ(pt.y, r.bottom - (r.bottom - r.top) * static_cast<int>(10 * i) / 100);
            if (i > 0 && i + 1 < curve->points.size()) { // the marker covers the newest
                EXPECT_EQ(image.pixelColor(pt.x, pt.y), QColor(255, 0, 0)) << i;
                ++probed;
            }
        }
    }
    EXPECT_EQ(probed, 8);
    // Above the curve's first point the plot is background.
    EXPECT_EQ(image.pixelColor(r.left + 1, r.top + 3), QColor(192, 192, 192));

    // The ruler by a click on the third sample: its values in the list, its time in the field.
    QTest::mouseClick(view->Plot(), Qt::LeftButton, {}, QPoint(r.left + 4, (r.top + r.bottom) / 2));
    EXPECT_EQ(view->List()->topLevelItem(0)->text(5), QStringLiteral("20"));
    EXPECT_EQ(view->List()->topLevelItem(1)->text(5), QStringLiteral("20"));
    EXPECT_EQ(view->findChild<QLineEdit*>(QString::number(IDC_RULER_TIME))->text(), QStringLiteral("200"));
    EXPECT_EQ(view->findChild<QSpinBox*>(QString::number(IDC_RULER_SPIN))->value(), 2);
    const QImage ruled = view->Plot()->Image();
    EXPECT_EQ(ruled.pixelColor(r.left + 4, r.bottom - 2), QColor(0, 128, 0));

    // Copy Image: the plot's picture.
    view->Action(ID_COPY_IMAGE)->trigger();
    EXPECT_EQ(QApplication::clipboard()->image(), view->Plot()->Image());
    Snapshot(view, QStringLiteral("chart-view"));

    // Sampling on the timer: the samples grow while it runs, and stop with it.
    view->Action(ID_START)->trigger();
    EXPECT_FALSE(view->Action(ID_OPEN)->isEnabled());
    EXPECT_FALSE(view->findChild<QSpinBox*>(QString::number(IDC_RULER_SPIN))->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(view->Form().Document().NoOfSamples >= 13, 10000);
    {
        // A long operation holds the chart's timer: no exchange of its own meanwhile.
        fw::LongOperation operation;
        const int held = view->Form().Document().NoOfSamples;
        QTest::qWait(350);
        EXPECT_EQ(view->Form().Document().NoOfSamples, held);
    }
    QTRY_VERIFY_WITH_TIMEOUT(view->Form().Document().NoOfSamples >= 16, 10000);
    view->Action(ID_STOP)->trigger();
    const int taken = view->Form().Document().NoOfSamples;
    QTest::qWait(350);
    EXPECT_EQ(view->Form().Document().NoOfSamples, taken);

    // The properties dialog: a refused buffer size, then a title that keeps the samples.
    WhenModal([&](QWidget* w) {
        auto* settings = qobject_cast<CChartSettingsDlg*>(w);
        ASSERT_NE(settings, nullptr);
        Snapshot(settings, QStringLiteral("chart-properties"));
        settings->Field(chartsettings::IDC_BUFFER_SIZE)->setText(QStringLiteral("2147483648"));
        h.questions.AnswerMessageBox(ui::IDOK);
        settings->accept();
        EXPECT_TRUE(settings->isVisible());
        settings->Field(chartsettings::IDC_BUFFER_SIZE)->setText(QString::number(view->Form().Document().MaxSamples));
        settings->Field(chartsettings::IDC_TITLE)->setText(QStringLiteral("Two motors"));
        settings->accept();
    });
    view->Action(ID_PROPERTIES)->trigger();
    EXPECT_EQ(view->Form().Document().ChartTitle, "Two motors");
    EXPECT_EQ(view->Form().Document().NoOfSamples, taken);
    EXPECT_TRUE(view->Form().Modified());

    // Closing a modified chart asks; No closes it.
    h.questions.AnswerMessageBox(ui::IDNO);
    view->close();
    QTRY_VERIFY(guard.isNull());
}
