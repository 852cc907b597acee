// A user charts a moving motor from VQX's own start: the chain is detected, Tools > Chart View
// opens the one chart window, Position and Velocity of motor 1 come from the item dialog in chart
// mode, the chart samples on its own timer while the terminal moves the motor, and the samples
// draw the motor's trapezoid and end where the simulated motor stands. Then the ruler, Copy Data,
// a ".sch" saved and opened again to the same picture, and the close question of a changed chart.

#include "JourneyRig.h"

#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QClipboard>
#include <QSpinBox>
#include <QToolBar>

#include <algorithm>

using namespace chartview;

namespace {

class ChartJourney : public Journey {
protected:
    CChartViewDlg* View() const { return dynamic_cast<CChartViewDlg*>(frame->ChartView()); }
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
    // The next file dialog gets `path`.
    void ChooseFile(const std::string& path)
    {
        Answer([path](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            if (!d) {
                ADD_FAILURE() << "not a file dialog";
                Decline(w);
                return;
            }
            d->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(d)->accept();
        });
    }
    // The next message box answered with the button reading `button`.
    void AnswerBox(const QString& button, QString* text)
    {
        Answer([button, text](QWidget* w) {
            for (QLabel* l : w->findChildren<QLabel*>())
                if (l->text().contains(QLatin1Char('?')))
                    *text = l->text();
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->isVisible() && layoutcheck::Plain(b->text()) == button) {
                    b->click();
                    return;
                }
            ADD_FAILURE() << "no button " << button.toStdString();
            Decline(w);
        });
    }
    // The samples of one item in time order (the ring has not wrapped in this journey).
    static std::vector<int32_t> Samples(const CChartViewDlg& view, int item)
    {
        const ChartDocument& doc = const_cast<CChartViewDlg&>(view).Form().Document();
        const ChartSamples& ring = doc.Item(item)->Samples;
        std::vector<int32_t> out;
        for (int i = 0; i < ring.NoOfSamples; ++i)
            out.push_back(ring.At((ring.FirstPos + i) % ring.BufSize()));
        return out;
    }
};

} // namespace

TEST_F(ChartJourney, ChartsAMoveMadeFromTheTerminal)
{
    ASSERT_TRUE(Start());
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(TypeAndWait("1RP", "0")); // motor 1 becomes the terminal's target

    // Tools > Chart View opens the program's one chart window; again, it shows the same one.
    ASSERT_TRUE(Command(cmd::ID_CHART_VIEW));
    CChartViewDlg* view = View();
    ASSERT_NE(view, nullptr);
    QPointer<CChartViewDlg> guard(view);
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(OverWorkArea(view));
    ASSERT_TRUE(Command(cmd::ID_CHART_VIEW));
    EXPECT_EQ(View(), view);
    EXPECT_EQ(view->Form().UpdateTime(), 100);

    // Add Chart Item: the item dialog in chart mode, preset to the terminal's motor; Position, then
    // Velocity, each with its scale.
    bool chartMode = false;
    int presetAddress = 0;
    desktop.helpPages.clear();
    Answer(
        [&](QWidget* w) {
            auto* dialog = qobject_cast<CWatchItemDlg*>(w);
            if (!dialog) {
                ADD_FAILURE() << "not the item dialog";
                Decline(w);
                return;
            }
            chartMode = dialog->Form().Chart();
            presetAddress = dialog->Form().Target().address;
            QTest::mouseClick(dialog->HelpButton(), Qt::LeftButton);
            AddPredefined(*dialog, "Position", 0, 3000);
            AddPredefined(*dialog, "Velocity", -1000, 10000);
            dialog->reject();
        },
        QStringLiteral("chart-item-dialog"));
    view->Action(ID_ADD_ITEM)->trigger();
    ASSERT_EQ(desktop.helpPages.size(), 1u);
    const std::string helpFile = desktop.helpPages[0].first;
    EXPECT_TRUE(helpFile.ends_with("/VQXUsersGuide/Dialogs/NewChartItem.htm")) << helpFile;
    EXPECT_TRUE(std::filesystem::exists(helpFile)) << helpFile;
    EXPECT_TRUE(chartMode);
    EXPECT_EQ(presetAddress, 1);
    ASSERT_EQ(view->List()->topLevelItemCount(), 2);
    const QString position = view->List()->topLevelItem(0)->text(0), velocity = view->List()->topLevelItem(1)->text(0);
    EXPECT_EQ(position, QStringLiteral("Motor1-Chain Position"));
    EXPECT_EQ(velocity, QStringLiteral("Motor1-Chain Velocity"));
    // At the window's first size: every toolbar button in view, each with its picture, and the
    // statistics rows show the items' names whole.
    for (QAction* a : view->findChild<QToolBar*>(QStringLiteral("ChartToolbar"))->actions()) {
        if (a->isSeparator())
            continue;
        EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        EXPECT_TRUE(view->findChild<QToolBar*>(QStringLiteral("ChartToolbar"))->widgetForAction(a)->isVisible())
            << a->text().toStdString();
    }
    for (int row = 0; row < 2; ++row) {
        const QModelIndex name = view->List()->model()->index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(view->List());
        option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.decorationSize = view->List()->iconSize().isValid() ? view->List()->iconSize() : QSize(16, 16);
        EXPECT_LE(view->List()->itemDelegate()->sizeHint(option, name).width(), view->List()->visualRect(name).width())
            << name.data().toString().toStdString();
    }
    for (const std::string& problem : layoutcheck::LayoutProblems(view))
        ADD_FAILURE() << problem;
    // F1: the window's page of the guide.
    const std::vector<std::string> help = HelpOnF1(view->List());
    ASSERT_EQ(help.size(), 1u);
    EXPECT_TRUE(help[0].ends_with("/help/VQXUsersGuide/Tools/ChartView.htm")) << help[0];
    EXPECT_TRUE(std::filesystem::exists(help[0])) << help[0];

    // Sampling on the chart's own timer while the terminal moves the motor.
    view->Action(ID_START)->trigger();
    EXPECT_TRUE(view->Form().Sampling());
    EXPECT_FALSE(view->Action(ID_START)->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return view->Form().Document().NoOfSamples >= 3; }));
    // A report nobody answers (no motor at 9): while the terminal's question about it is open,
    // the chart samples on, one sample per update time; only the polled windows wait for the
    // terminal.
    int sampledMeanwhile = -1;
    Answer(
        [&](QWidget* box) {
            const int at = view->Form().Document().NoOfSamples;
            WaitFor([&] { return view->Form().Document().NoOfSamples >= at + 3; }, 10000);
            sampledMeanwhile = view->Form().Document().NoOfSamples - at;
            Press(box, QStringLiteral("No"));
        },
        QStringLiteral("chart-terminal-no-response"));
    Type("9RP");
    ASSERT_TRUE(WaitFor([&] { return sampledMeanwhile >= 0; }, 30000));
    EXPECT_GE(sampledMeanwhile, 3);
    EXPECT_TRUE(view->Form().Sampling());
    Type("1MP");
    // Slow enough that the chart sees every stretch of the move on a busy machine too.
    Type("1A=2");
    Type("1V=8000");
    Type("1P=2000");
    Type("1G");
    auto standing = [&] {
        return Motor(0, [](vqxsim::SimMotor& m) { return !m.Moving() && m.Position() == 2000; });
    };
    ASSERT_TRUE(WaitFor(standing, 30000));
    // A few samples of the motor at rest, then Stop.
    const int atRest = view->Form().Document().NoOfSamples;
    EXPECT_TRUE(WaitFor([&] { return view->Form().Document().NoOfSamples >= atRest + 3; }));
    view->Action(ID_STOP)->trigger();
    EXPECT_FALSE(view->Form().Sampling());
    Settle();

    // The trapezoid: the speed rises to the one asked for, holds, and falls to rest; the position
    // goes up to the target without going back, and stays where the motor stands.
    const std::vector<int32_t> positions = Samples(*view, 0), speeds = Samples(*view, 1);
    ASSERT_EQ(positions.size(), speeds.size());
    ASSERT_GE(positions.size(), 10u);
    const auto top = std::max_element(speeds.begin(), speeds.end());
    EXPECT_EQ(*top, 8000);
    EXPECT_TRUE(std::is_sorted(speeds.begin(), top));
    const auto lastTop = std::find_if(speeds.rbegin(), speeds.rend(), [](int32_t v) { return v == 8000; }).base();
    EXPECT_GT(lastTop - top, 1) << "no stretch at full speed";
    EXPECT_TRUE(std::is_sorted(lastTop, speeds.end(), std::greater<>()));
    EXPECT_EQ(speeds.front(), 0);
    EXPECT_EQ(speeds.back(), 0);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.front(), 0);
    EXPECT_GE(std::count(positions.begin(), positions.end(), 2000), 3);
    const auto [simPosition, simSpeed] =
        Motor(0, [](vqxsim::SimMotor& m) { return std::make_pair(m.Position(), m.Velocity()); });
    EXPECT_EQ(positions.back(), simPosition);
    EXPECT_EQ(speeds.back(), simSpeed);
    EXPECT_EQ(view->List()->topLevelItem(0)->text(1), QStringLiteral("2000")); // last
    EXPECT_EQ(view->List()->topLevelItem(0)->text(4), QStringLiteral("2000")); // highest

    // The ruler where the user clicks, on a sample taken while the motor moved: its fields and
    // the list's Ruler column show that sample.
    const auto moving = std::find_if(positions.begin(), positions.end(), [](int32_t p) { return p > 1000; });
    ASSERT_NE(moving, positions.end());
    const int64_t wanted = moving - positions.begin();
    const chart::Rect plot = view->Form().LastPicture().plot;
    ASSERT_LT(wanted * CChartViewForm::kPixelsPerSample, plot.right - plot.left) << "the samples do not fit the plot";
    const int x = plot.left - 1 + static_cast<int>(wanted) * CChartViewForm::kPixelsPerSample;
    QTest::mouseClick(view->Plot(), Qt::LeftButton, {}, QPoint(x, (plot.top + plot.bottom) / 2));
    EXPECT_EQ(view->Form().RulerPosition(), wanted);
    EXPECT_EQ(view->findChild<QSpinBox*>(QString::number(IDC_RULER_SPIN))->value(), wanted);
    EXPECT_EQ(view->findChild<QLineEdit*>(QString::number(IDC_RULER_TIME))->text(), QString::number(wanted * 100));
    EXPECT_EQ(view->List()->topLevelItem(0)->text(5), QString::number(positions[wanted]));
    EXPECT_EQ(view->List()->topLevelItem(1)->text(5), QString::number(speeds[wanted]));

    // Copy Data: a header and one line per sample, its time and both values.
    view->Action(ID_COPY_DATA)->trigger();
    const QStringList lines = QApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(positions.size() + 1));
    EXPECT_EQ(lines[0], QStringLiteral("Time\t") + position + QStringLiteral("\t") + velocity);
    for (size_t i = 0; i < positions.size(); ++i)
        EXPECT_EQ(lines[i + 1], QStringLiteral("%1\t%2\t%3").arg(i * 100).arg(positions[i]).arg(speeds[i]));
    Snapshot(view, QStringLiteral("chart-journey"));

    // Saved, a new chart, the file opened again: the same picture.
    const std::string path = dir / "move.sch";
    ChooseFile(path);
    view->Action(ID_SAVE)->trigger();
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Chart View - move.sch"));
    const QImage saved = view->Plot()->Image();
    view->Action(ID_NEW_CHART)->trigger();
    EXPECT_EQ(view->List()->topLevelItemCount(), 0);
    EXPECT_NE(view->Plot()->Image(), saved);
    ChooseFile(path);
    view->Action(ID_OPEN)->trigger();
    EXPECT_TRUE(WaitFor([&] { return view->Plot()->Image() == saved; }));
    EXPECT_EQ(Samples(*view, 0), positions);

    // The motor did what the terminal told it, nothing more: at the target, standing.
    EXPECT_TRUE(standing());

    // Values of every width whole: positions of seven and eight digits, one below zero, through
    // Manual Update; every statistics column shows them uncut.
    for (const char* origin : {"1O=-1234567", "1O=98765432"}) {
        Type(QString::fromLatin1(origin));
        ASSERT_TRUE(TypeAndWait("1RP", QString::fromLatin1(origin + 3)));
        view->Action(ID_MANUAL_UPDATE)->trigger();
        Settle();
    }
    EXPECT_EQ(view->List()->topLevelItem(0)->text(1), QStringLiteral("98765432")); // last
    EXPECT_EQ(view->List()->topLevelItem(0)->text(3), QStringLiteral("-1234567")); // lowest
    EXPECT_EQ(view->List()->topLevelItem(0)->text(4), QStringLiteral("98765432")); // highest
    for (const std::string& cut : layoutcheck::CutCells(view->List()))
        ADD_FAILURE() << cut;
    Snapshot(view, QStringLiteral("chart-wide-values"));

    // A chart changed since it was saved: closing the program asks; Cancel keeps both open, No
    // lets the program close and the chart with it.
    view->List()->setCurrentItem(view->List()->topLevelItem(1));
    QString asked;
    AnswerBox(QStringLiteral("Yes"), &asked);
    view->Action(ID_DELETE_ITEM)->trigger();
    EXPECT_EQ(asked, QString::fromLatin1(kAskDelete));
    ASSERT_EQ(view->List()->topLevelItemCount(), 1);
    AnswerBox(QStringLiteral("Cancel"), &asked);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(asked, QStringLiteral("Do you want to save the changes to \"move.sch\"?"));
    EXPECT_FALSE(guard.isNull());
    EXPECT_TRUE(frame->isVisible());
    AnswerBox(QStringLiteral("No"), &asked);
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(WaitFor([&] { return guard.isNull(); }));
}
