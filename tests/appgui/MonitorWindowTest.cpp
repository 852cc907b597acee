// Watching a motor in the real program: a monitor window opened in the main frame over a detected
// simulated chain gets Position, the trajectory bit and a user variable of motor 2 through the item
// dialog, polls them through the frame's poll cycle while the terminal moves the motor, is saved,
// closed and opened again with the same items, and a motor that stops answering is handed to the
// communication-error query once.
#include "FrameCommandsGui.h"

#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "tests/sim/motor/SimMotor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>

using namespace tools::monitor;
namespace dlg = tools::watchdlg;

namespace {

class MonitorWindowGui : public FrameCommandsGui {
protected:
    void SetUp() override
    {
        FrameCommandsGui::SetUp();
        questions.AnswerMessageBox(ui::IDYES);
        ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
        ASSERT_EQ(Project().Port(0)->MotorCount(), 3);
        Type("2RP"); // motor 2 becomes the terminal's target
    }
    // Picks entries in the open item dialog: per addition the kind, the row (or the custom poll
    // command), then Add; finally Close. Snapshots the dialog once.
    struct Pick {
        int kind;
        int row;
        const char* command;
    };
    void AddInDialog(std::vector<Pick> picks, std::vector<QString>* titles)
    {
        WhenModal([=](QWidget* w) {
            auto* d = qobject_cast<CWatchItemDlg*>(w);
            if (!d) {
                ADD_FAILURE() << "not the item dialog";
                w->close();
                return;
            }
            titles->push_back(d->windowTitle());
            Snapshot(d, QStringLiteral("watch-item-dialog"));
            for (const Pick& p : picks) {
                d->KindButton(p.kind)->click();
                if (p.command) {
                    d->BitMaskBox()->setChecked(false);
                    d->Form().SetBitMask(false);
                    d->PollCommandEdit()->setText(QString::fromLatin1(p.command));
                    d->Form().pollCommand = p.command;
                    QTest::keyClicks(d->CaptionEdit(), QStringLiteral("Motor2 a"));
                } else {
                    d->List()->setCurrentItem(d->List()->topLevelItem(p.row));
                }
                QTest::mouseClick(d->OkButton(), Qt::LeftButton);
            }
            d->reject();
        });
    }
    // Ticks of the main frame's poll cycle with the clock moving on.
    void Poll(int ticks, int msPerTick = 5)
    {
        for (int i = 0; i < ticks; ++i) {
            clock.Advance(std::chrono::milliseconds(msPerTick));
            frame->PollTick();
        }
    }
};

} // namespace

TEST_F(MonitorWindowGui, WatchMotor2WhileItMovesSaveReopenAndLoseIt)
{
    const std::string m2 = Project().Port(0)->GetMotor(2)->Name;
    // Tools > New Monitor View.
    frame->Commands().Update(cmd::ID_NEW_MONITOR);
    ASSERT_TRUE(frame->Commands().Action(cmd::ID_NEW_MONITOR)->isEnabled());
    ASSERT_TRUE(Run(cmd::ID_NEW_MONITOR));
    auto* mon = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(0));
    ASSERT_NE(mon, nullptr);
    EXPECT_TRUE(mon->isVisible());
    EXPECT_TRUE(mon->windowTitle().startsWith(QStringLiteral("Monitor")));
    EXPECT_FALSE(mon->RefreshButton()->isEnabled() && mon->Form().Polling());

    std::vector<QString> titles;
    AddInDialog({{CWatchItem::kStandard, 0, nullptr}, {CWatchItem::kStatusBit, 0, nullptr},
                 {CWatchItem::kCustom, 0, "Ra"}, {CWatchItem::kStandard, 0, nullptr}},
                &titles);
    mon->RunCommand(ID_WATCH_ADD);
    ASSERT_EQ(titles, std::vector<QString>{QStringLiteral("Add new Monitor Item")});
    // The fourth (Position again) was refused as a duplicate.
    ASSERT_EQ(mon->List()->topLevelItemCount(), 3);
    EXPECT_EQ(h.questions.MessageTexts().back(), dlg::kDuplicate);
    EXPECT_EQ(mon->List()->topLevelItem(0)->text(0), QString::fromStdString(m2 + " Position"));
    EXPECT_EQ(mon->List()->topLevelItem(1)->text(0), QString::fromStdString(m2 + " Trajectory In Progress(Bt)"));
    EXPECT_EQ(mon->List()->topLevelItem(2)->text(0), QStringLiteral("Motor2 a"));

    // F2 on a row: its properties, with the user's caption kept; Cancel changes nothing.
    mon->List()->setCurrentItem(mon->List()->topLevelItem(2));
    QString propertiesTitle;
    WhenModal([&](QWidget* w) {
        auto* d = qobject_cast<CWatchItemDlg*>(w);
        ASSERT_NE(d, nullptr);
        propertiesTitle = d->windowTitle();
        EXPECT_EQ(d->CaptionEdit()->text(), QStringLiteral("Motor2 a"));
        EXPECT_EQ(d->PollCommandEdit()->text(), QStringLiteral("Ra"));
        Snapshot(d, QStringLiteral("watch-item-properties"));
        d->reject();
    });
    QTest::keyClick(mon, Qt::Key_F2);
    EXPECT_EQ(propertiesTitle, QStringLiteral("Monitor Item Properties"));

    Type("2a=123");
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(mon->Form().Polling());
    EXPECT_FALSE(mon->PollButton()->isEnabled());
    EXPECT_FALSE(mon->RefreshButton()->isEnabled());
    Poll(6);
    EXPECT_EQ(mon->ValueShown(0), QStringLiteral("0"));
    EXPECT_EQ(mon->ValueShown(1), QStringLiteral("Zero Icon"));
    EXPECT_EQ(mon->ValueShown(2), QStringLiteral("123"));

    // Moving from the terminal: the trajectory bit while it moves, the Position row following the
    // motor to 4000, and the bit gone when it stands.
    Type("2A=100");
    Type("2V=20000");
    Type("2P=4000 G");
    std::vector<QString> positions;
    bool sawMoving = false;
    for (int i = 0; i < 600 && mon->ValueShown(0) != QStringLiteral("4000"); ++i) {
        Poll(3, 10);
        sawMoving |= mon->ValueShown(1) == QStringLiteral("One Icon");
        if (positions.empty() || positions.back() != mon->ValueShown(0))
            positions.push_back(mon->ValueShown(0));
    }
    EXPECT_TRUE(sawMoving);
    EXPECT_EQ(mon->ValueShown(0), QStringLiteral("4000"));
    EXPECT_GT(positions.size(), 2u) << positions.size(); // seen on its way, not only at the end
    EXPECT_EQ(chain->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Position(); }), 4000);
    Poll(6);
    EXPECT_EQ(mon->ValueShown(1), QStringLiteral("Zero Icon"));
    Snapshot(mon, QStringLiteral("monitor-window-polling"));

    // Saved, closed, opened again: the same items.
    const std::string path = dir / "motor2.mon";
    WhenModal([&](QWidget* w) {
        // The save dialog: type the name.
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        fd->selectFile(QString::fromStdString(path));
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
    });
    mon->RunCommand(ID_WATCH_SAVE);
    EXPECT_EQ(mon->windowTitle(), QStringLiteral("motor2.mon"));
    mon->close();
    QApplication::processEvents();
    EXPECT_EQ(frame->MonitorWindow(0), nullptr);
    // A new monitor window, and the file through its Open button.
    ASSERT_TRUE(Run(cmd::ID_NEW_MONITOR));
    auto* again = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(0));
    ASSERT_NE(again, nullptr);
    WhenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->windowTitle(), QStringLiteral("Open Monitor File"));
        fd->selectFile(QString::fromStdString(path));
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
    });
    again->Action(ID_WATCH_OPEN)->trigger();
    ASSERT_EQ(again->List()->topLevelItemCount(), 3);
    EXPECT_EQ(again->List()->topLevelItem(1)->text(0), QString::fromStdString(m2 + " Trajectory In Progress(Bt)"));
    EXPECT_EQ(again->windowTitle(), QStringLiteral("motor2.mon"));

    // Motor 2 stops answering: one query; "No" (do not re-establish) leaves the window stopped.
    QTest::mouseClick(again->PollButton(), Qt::LeftButton);
    Poll(3);
    chain->WithMotor(1, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    const int asked = h.questions.MessageBoxCount();
    h.questions.AnswerMessageBox(ui::IDNO);
    Poll(6);
    EXPECT_EQ(h.questions.MessageBoxCount(), asked + 1);
    EXPECT_FALSE(again->Form().Polling());
    EXPECT_EQ(again->Form().CommErrorRequests(), 1);
    EXPECT_TRUE(again->PollButton()->isEnabled());
    // The row that failed says why; the indicator says "not polling".
    int failedRows = 0;
    for (int row = 0; row < 3; ++row)
        failedRows += again->ValueShown(row).startsWith(QStringLiteral("N/A (No response received!)"));
    EXPECT_EQ(failedRows, 1);
    EXPECT_EQ(again->Form().Indicator(), tools::kLinkNotPolling);
    Snapshot(again, QStringLiteral("monitor-window-stopped"));
    again->close();
    QApplication::processEvents();
    EXPECT_EQ(frame->MonitorWindow(0), nullptr);
}
