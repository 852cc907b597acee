// Watching a motor from VQX's own start: the start-up macro sets a user variable of motor 2, the
// chain is detected, Tools > New Monitor View gets Position, the trajectory bit and that variable
// through the item dialog, polls them on the frame's poll timer while the terminal moves the motor,
// is saved, closed and opened again with the same items, and a motor that stops answering is handed
// to the communication-error query once.

#include "JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"
#include "app/shell/gui/PageDlg.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QScreen>

using namespace tools::monitor;
namespace dlg = tools::watchdlg;

namespace {

class MonitorJourney : public Journey {
protected:
    struct Pick {
        int kind;
        int row;
        const char* command;
    };
    // Picks entries in the item dialog that opens next: per addition the kind, the row (or the
    // custom poll command), then Add; finally Close.
    void AddInDialog(std::vector<Pick> picks, QString* title)
    {
        Answer(
            [=](QWidget* w) {
                auto* d = qobject_cast<CWatchItemDlg*>(w);
                if (!d) {
                    ADD_FAILURE() << "not the item dialog";
                    w->close();
                    return;
                }
                *title = d->windowTitle();
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
            },
            QStringLiteral("watch-item-dialog"));
    }
    // The file dialog that opens next gets `path`.
    void ChooseFile(const std::string& path, QString* title)
    {
        WhenModal([=](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            if (!fd) {
                ADD_FAILURE() << "not a file dialog";
                w->close();
                return;
            }
            *title = fd->windowTitle();
            fd->selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
        });
    }
    CMonitorDlg* Monitor() const { return dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(0)); }
};

} // namespace

TEST_F(MonitorJourney, WatchMotor2WhileItMovesSaveReopenAndLoseIt)
{
    JourneyStart start;
    start.startupMacro = "2a=123";
    ASSERT_TRUE(Start(start));
    EXPECT_TRUE(WaitFor([&] { return Motor(1, [](vqxsim::SimMotor& m) { return m.Var("a"); }) == 123; }));

    // No monitor without motors; detection gives the chain's three.
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(TypeAndWait("2RP", "0")); // motor 2 becomes the terminal's target
    const std::string m2 = "Motor2-Chain";

    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    CMonitorDlg* mon = Monitor();
    ASSERT_NE(mon, nullptr);
    EXPECT_TRUE(mon->isVisible());
    EXPECT_TRUE(mon->windowTitle().startsWith(QStringLiteral("Monitor")));
    EXPECT_FALSE(mon->Form().Polling());

    // Position, the trajectory bit, the user variable, and Position again (refused as a duplicate).
    QString title;
    AutoAnswer(QString::fromLatin1(dlg::kDuplicate), "OK");
    AddInDialog({{CWatchItem::kStandard, 0, nullptr}, {CWatchItem::kStatusBit, 0, nullptr},
                 {CWatchItem::kCustom, 0, "Ra"}, {CWatchItem::kStandard, 0, nullptr}},
                &title);
    mon->RunCommand(ID_WATCH_ADD);
    EXPECT_EQ(title, QStringLiteral("Add new Monitor Item"));
    ASSERT_EQ(mon->List()->topLevelItemCount(), 3);
    EXPECT_EQ(mon->List()->topLevelItem(0)->text(0), QString::fromStdString(m2 + " Position"));
    EXPECT_EQ(mon->List()->topLevelItem(1)->text(0), QString::fromStdString(m2 + " Trajectory In Progress(Bt)"));
    EXPECT_EQ(mon->List()->topLevelItem(2)->text(0), QStringLiteral("Motor2 a"));

    // F2 on a row: its properties, the user's caption kept; Cancel changes nothing.
    mon->List()->setCurrentItem(mon->List()->topLevelItem(2));
    QString caption, command;
    Answer(
        [&](QWidget* w) {
            auto* d = qobject_cast<CWatchItemDlg*>(w);
            if (!d) {
                ADD_FAILURE() << "not the item dialog";
                w->close();
                return;
            }
            title = d->windowTitle();
            caption = d->CaptionEdit()->text();
            command = d->PollCommandEdit()->text();
            d->reject();
        },
        QStringLiteral("watch-item-properties"));
    QTest::keyClick(mon, Qt::Key_F2);
    EXPECT_EQ(title, QStringLiteral("Monitor Item Properties"));
    EXPECT_EQ(caption, QStringLiteral("Motor2 a"));
    EXPECT_EQ(command, QStringLiteral("Ra"));
    EXPECT_EQ(mon->List()->topLevelItem(2)->text(0), QStringLiteral("Motor2 a"));

    // Polling on the frame's own poll timer: the values the motor holds.
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(mon->Form().Polling());
    EXPECT_FALSE(mon->PollButton()->isEnabled());
    EXPECT_FALSE(mon->RefreshButton()->isEnabled());
    EXPECT_TRUE(WaitFor([&] { return mon->ValueShown(2) == QStringLiteral("123"); }));
    EXPECT_EQ(mon->ValueShown(0), QStringLiteral("0"));
    EXPECT_EQ(mon->ValueShown(1), QStringLiteral("Zero Icon"));

    // Moving from the terminal: the trajectory bit while it moves, the Position row following the
    // motor to 4000, the bit gone when it stands.
    Type("2A=100");
    Type("2V=20000");
    Type("2P=4000 G");
    std::vector<QString> positions;
    bool sawMoving = false;
    EXPECT_TRUE(WaitFor(
        [&] {
            sawMoving |= mon->ValueShown(1) == QStringLiteral("One Icon");
            if (positions.empty() || positions.back() != mon->ValueShown(0))
                positions.push_back(mon->ValueShown(0));
            return mon->ValueShown(0) == QStringLiteral("4000");
        },
        30000));
    EXPECT_TRUE(sawMoving);
    EXPECT_GT(positions.size(), 2u) << positions.size(); // seen on its way, not only at the end
    EXPECT_EQ(Motor(1, [](vqxsim::SimMotor& m) { return m.Position(); }), 4000);
    EXPECT_TRUE(WaitFor([&] { return mon->ValueShown(1) == QStringLiteral("Zero Icon"); }));
    Snapshot(mon, QStringLiteral("monitor-window-polling"));

    // The list shown anew (a row moved down and back) starts with empty values in its enabled
    // rows, a switched-off row keeps its state; the next reads fill them in again.
    QTest::mouseClick(mon->StopButton(), Qt::LeftButton);
    mon->List()->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
    mon->List()->setCurrentItem(mon->List()->topLevelItem(0));
    mon->RunCommand(ID_WATCH_MOVE_DOWN);
    mon->RunCommand(ID_WATCH_MOVE_UP);
    EXPECT_EQ(mon->List()->topLevelItem(0)->text(0), QString::fromStdString(m2 + " Position"));
    EXPECT_EQ(mon->ValueShown(0), QString());
    EXPECT_EQ(mon->ValueShown(1), QString());
    EXPECT_EQ(mon->List()->topLevelItem(2)->checkState(0), Qt::Unchecked);
    mon->List()->topLevelItem(2)->setCheckState(0, Qt::Checked);
    QTest::mouseClick(mon->RefreshButton(), Qt::LeftButton);
    EXPECT_EQ(mon->ValueShown(0), QStringLiteral("4000"));
    EXPECT_EQ(mon->ValueShown(2), QStringLiteral("123"));

    // Saved, closed, opened again in a new monitor window: the same items.
    const std::string path = dir / "motor2.mon";
    ChooseFile(path, &title);
    mon->RunCommand(ID_WATCH_SAVE);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(mon->windowTitle(), QStringLiteral("motor2.mon"));
    // Save As from the list's context menu, with the file commands.
    QStringList entries;
    {
        const std::unique_ptr<QMenu> menu = mon->ContextMenu();
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                entries << a->text();
    }
    EXPECT_EQ(entries.mid(0, 4), (QStringList{QStringLiteral("New"), QStringLiteral("Open"), QStringLiteral("Save"),
                                              QStringLiteral("Save As...")}));
    const std::string copy = dir / "motor2-copy.mon";
    ChooseFile(copy, &title);
    mon->Action(ID_WATCH_SAVE_AS)->trigger();
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(mon->windowTitle(), QStringLiteral("motor2-copy.mon"));
    // F1: the window's page of the guide.
    const std::vector<std::string> help = HelpOnF1(mon->List());
    ASSERT_EQ(help.size(), 1u);
    EXPECT_TRUE(help[0].ends_with("/help/VQXUsersGuide/Tools/MonitorWindow.htm")) << help[0];
    EXPECT_TRUE(std::filesystem::exists(help[0])) << help[0];
    mon->close();
    EXPECT_TRUE(WaitFor([&] { return Monitor() == nullptr; }));
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    CMonitorDlg* again = Monitor();
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->List()->topLevelItemCount(), 0);
    ChooseFile(copy, &title);
    again->Action(ID_WATCH_OPEN)->trigger();
    EXPECT_EQ(title, QStringLiteral("Open Monitor File"));
    ASSERT_EQ(again->List()->topLevelItemCount(), 3);
    EXPECT_EQ(again->List()->topLevelItem(0)->text(0), QString::fromStdString(m2 + " Position"));
    EXPECT_EQ(again->List()->topLevelItem(1)->text(0), QString::fromStdString(m2 + " Trajectory In Progress(Bt)"));
    EXPECT_EQ(again->List()->topLevelItem(2)->text(0), QStringLiteral("Motor2 a"));
    EXPECT_EQ(again->windowTitle(), QStringLiteral("motor2-copy.mon"));

    // Motor 2 stops answering: the query comes once; "No" (do not re-establish) stops the window.
    QTest::mouseClick(again->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] {
        return again->ValueShown(0) == QStringLiteral("4000") && again->ValueShown(1) == QStringLiteral("Zero Icon") &&
               again->ValueShown(2) == QStringLiteral("123");
    }));
    int asked = 0;
    Answer(
        [&](QWidget* w) {
            ++asked;
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->isVisible() && layoutcheck::Plain(b->text()) == QStringLiteral("No")) {
                    b->click();
                    return;
                }
            ADD_FAILURE() << "no No button";
            w->close();
        },
        QStringLiteral("comm-error-query"));
    Motor(1, [](vqxsim::SimMotor& m) {
        m.knobs.mute = true;
        return 0;
    });
    EXPECT_TRUE(WaitFor([&] { return !again->Form().Polling(); }, 15000));
    QTest::qWait(300); // a second query would come within the next poll ticks
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(again->Form().CommErrorRequests(), 1);
    EXPECT_TRUE(again->PollButton()->isEnabled());
    // The row that failed says so: the bit row its N/A text, a value row why.
    int failedRows = 0;
    for (int row = 0; row < 3; ++row) {
        const QString shown = again->ValueShown(row);
        failedRows += row == 1 ? shown == QStringLiteral("N/A") : shown.startsWith(QStringLiteral("N/A (No response received!)"));
    }
    EXPECT_EQ(failedRows, 1) << again->ValueShown(0).toStdString() << "|" << again->ValueShown(1).toStdString() << "|"
                             << again->ValueShown(2).toStdString();
    // However narrow the column, a row's text is there whole in its tool tip.
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(again->List()->topLevelItem(row)->toolTip(1), again->List()->topLevelItem(row)->text(1)) << row;
    int explained = 0;
    for (int row = 0; row < 3; ++row)
        explained += again->List()->topLevelItem(row)->toolTip(1).startsWith(QStringLiteral("N/A (No response received!)"));
    EXPECT_EQ(explained, failedRows - (again->ValueShown(1) == QStringLiteral("N/A") ? 1 : 0));
    EXPECT_EQ(again->Form().Indicator(), tools::kLinkNotPolling);
    // Why a row failed is read whole, not cut at the column's edge.
    for (const std::string& cut : layoutcheck::CutCells(again->List()))
        ADD_FAILURE() << cut;
    Snapshot(again, QStringLiteral("monitor-window-stopped"));
    again->close();
    EXPECT_TRUE(WaitFor([&] { return Monitor() == nullptr; }));
}

// The project remembers its monitor windows: a polling monitor saved with the project comes back
// after VQX starts again, in its place, with its items, polling the motors; one whose file has
// gone since is one line in the information view, and the project opens all the same.
TEST_F(MonitorJourney, APollingMonitorComesBackWithItsProject)
{
    JourneyStart start;
    start.startupMacro = "2a=123";
    ASSERT_TRUE(Start(start));
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(TypeAndWait("2RP", "0"));

    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    CMonitorDlg* mon = Monitor();
    ASSERT_NE(mon, nullptr);
    QString title;
    AddInDialog({{CWatchItem::kStandard, 0, nullptr}, {CWatchItem::kCustom, 0, "Ra"}}, &title);
    mon->RunCommand(ID_WATCH_ADD);
    ASSERT_EQ(mon->List()->topLevelItemCount(), 2);
    const std::string path = dir / "kept.mon";
    ChooseFile(path, &title);
    mon->RunCommand(ID_WATCH_SAVE);
    ASSERT_TRUE(std::filesystem::exists(path));
    mon->move(130, 90);
    mon->resize(420, 360);
    const QRect placed = mon->geometry();
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return mon->ValueShown(1) == QStringLiteral("123"); }));

    // F2: the item's properties beside the window, and their help page.
    desktop.helpPages.clear();
    mon->List()->setCurrentItem(mon->List()->topLevelItem(0));
    QRect dialogAt, ownerAt, screenAt;
    Answer(
        [&](QWidget* w) {
            auto* d = qobject_cast<CWatchItemDlg*>(w);
            if (!d) {
                ADD_FAILURE() << "not the item dialog";
                Decline(w);
                return;
            }
            dialogAt = d->frameGeometry();
            ownerAt = mon->frameGeometry();
            screenAt = mon->screen()->availableGeometry();
            QTest::mouseClick(d->HelpButton(), Qt::LeftButton);
            d->reject();
        },
        QStringLiteral("watch-item-properties-beside-monitor"));
    QTest::keyClick(mon, Qt::Key_F2);
    ASSERT_EQ(desktop.helpPages.size(), 1u);
    const std::string helpFile = desktop.helpPages[0].first;
    EXPECT_TRUE(helpFile.ends_with("/VQXUsersGuide/Dialogs/MonitorItemProperties.htm")) << helpFile;
    EXPECT_TRUE(std::filesystem::exists(helpFile)) << helpFile;
    const auto rect = [](const QRect& r) { return tools::ScreenRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; };
    EXPECT_EQ(dialogAt.left(), tools::PlaceBesideParent(rect(ownerAt), dialogAt.width(), rect(screenAt)));

    // File > Save Project: the project file names the monitor file, polling.
    ASSERT_TRUE(Command(cmd::ID_SAVE_PROJECT));
    {
        CProject saved;
        ASSERT_NO_THROW(saved.Load(ProjectFile()));
        const auto entries = ParseOpenDocuments(saved.OpenDocuments);
        ASSERT_EQ(entries.size(), 1u) << saved.OpenDocuments;
        EXPECT_EQ(entries[0].kind, OpenDocumentEntry::Monitor);
        EXPECT_EQ(entries[0].path, path);
        ASSERT_EQ(entries[0].placement.size(), 11u);
        EXPECT_EQ(entries[0].placement[10], 1);
    }

    ASSERT_TRUE(Restart(start));
    CMonitorDlg* back = Monitor();
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isVisible());
    EXPECT_EQ(back->windowTitle(), QStringLiteral("kept.mon"));
    EXPECT_EQ(back->geometry(), placed);
    ASSERT_EQ(back->List()->topLevelItemCount(), 2);
    EXPECT_EQ(back->List()->topLevelItem(0)->text(0), QStringLiteral("Motor2-Chain Position"));
    EXPECT_EQ(back->List()->topLevelItem(1)->text(0), QStringLiteral("Motor2 a"));
    EXPECT_TRUE(back->Form().Polling());
    EXPECT_FALSE(back->PollButton()->isEnabled());
    // It polls on its own: what the motor holds now, and what the terminal changes.
    const int32_t at = Motor(1, [](vqxsim::SimMotor& m) { return m.Position(); });
    EXPECT_TRUE(WaitFor([&] { return back->ValueShown(0) == QString::number(at); }));
    Type("2a=456");
    EXPECT_TRUE(WaitFor([&] { return back->ValueShown(1) == QStringLiteral("456"); }));
    Snapshot(back, QStringLiteral("monitor-window-restored"));

    // With the playground as the first window the main window stays hidden at start: the monitor
    // the project reopens waits for it, and comes with it, in its place, polling.
    // VQX started without arguments reopens the project it had last.
    Stop();
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 1);
    platform::AppProfile().WriteString("Workspace", "LastWSP", ProjectFile());
    JourneyStart withPlayground = start;
    withPlayground.chainProject = false;
    withPlayground.quietStart = false; // the other first screens are switched off already
    ASSERT_TRUE(Start(withPlayground));
    auto* pg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground());
    ASSERT_NE(pg, nullptr);
    EXPECT_TRUE(pg->isVisible());
    EXPECT_FALSE(frame->isVisible());
    CMonitorDlg* waiting = Monitor();
    ASSERT_NE(waiting, nullptr);
    QTest::qWait(200);
    EXPECT_FALSE(waiting->isVisible());
    EXPECT_FALSE(waiting->Form().Polling());
    QTest::mouseClick(pg->findChild<QPushButton*>(QString::number(tools::pg::kShowMain)), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return frame->isVisible() && waiting->isVisible(); }));
    EXPECT_EQ(waiting->geometry(), placed);
    EXPECT_TRUE(waiting->Form().Polling());
    // (The project's start-up, its macro included, runs when the main window comes.)
    EXPECT_TRUE(WaitFor([&] { return waiting->ValueShown(1) == QStringLiteral("123"); }));

    // The file is gone before the next start: no window, one line saying why.
    Stop();
    ASSERT_TRUE(std::filesystem::remove(path));
    ASSERT_TRUE(Start(start));
    EXPECT_EQ(Monitor(), nullptr);
    EXPECT_TRUE(InfoHas(path + ": Cannot open the specified file"));
    EXPECT_TRUE(Tree().ItemOf(0, 2) != nullptr); // the project with its motors all the same
}

// A project made with File > New Project and detected: its port is open as an opened project's
// is, so a monitor's Poll and Refresh read the motor at once. A port that cannot be opened (its
// device is gone) is never passed over in silence: Poll and Refresh say why and read nothing.
TEST_F(MonitorJourney, PollAfterANewProjectAndOnAPortThatCannotOpen)
{
    ASSERT_TRUE(Start());
    AutoAnswer("The operation finished successfully.", "OK");
    AutoAnswer("One or more Errors/Warnings were detected", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(TypeAndWait("1RP", "0"));
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    CMonitorDlg* mon = Monitor();
    ASSERT_NE(mon, nullptr);
    QString title;
    AddInDialog({{CWatchItem::kStandard, 0, nullptr}}, &title);
    mon->RunCommand(ID_WATCH_ADD);
    ASSERT_EQ(mon->List()->topLevelItemCount(), 1);
    EXPECT_EQ(mon->List()->topLevelItem(0)->text(0), QStringLiteral("Motor1-Chain Position"));

    // File > New Project, Yes to detection, then Find Motors as well.
    AutoAnswer("Do you want VQX to automatically detect the motors?", "Yes");
    AutoAnswer("Do you want to save changes to the current project?", "No");
    AnswerWindow<CPageDlg>([](CPageDlg* d) { Press(d, QStringLiteral("OK")); }, QStringLiteral("new-project"));
    ASSERT_TRUE(Command(cmd::ID_NEW_PROJECT));
    CProject& project = app->Session()->Project();
    ASSERT_TRUE(WaitFor([&] { return project.PortCount() > 0 && project.Port(0)->GetMotor(1); }, 60000));
    ASSERT_EQ(project.Port(0)->PortName, rig->DevicePath());
    EXPECT_TRUE(project.Port(0)->isOpen);
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return project.Port(0)->GetMotor(3) != nullptr; }, 60000));
    EXPECT_TRUE(project.Port(0)->isOpen);
    const QString at = QString::number(Motor(0, [](vqxsim::SimMotor& m) { return m.Position(); }));
    QTest::mouseClick(mon->RefreshButton(), Qt::LeftButton);
    EXPECT_EQ(mon->ValueShown(0), at);
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(mon->Form().Polling());
    EXPECT_TRUE(WaitFor([&] { return mon->Form().Indicator() == tools::kLinkWorks; }));
    QTest::mouseClick(mon->StopButton(), Qt::LeftButton);

    // A port closed meanwhile opens on Poll by itself.
    project.Port(0)->ClosePort();
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(project.Port(0)->isOpen);
    EXPECT_TRUE(mon->Form().Polling());
    QTest::mouseClick(mon->StopButton(), Qt::LeftButton);

    // The port's device is gone (an adapter pulled out): Poll and Refresh each say why, nothing
    // polls, and the value shown stays.
    const std::string device = project.Port(0)->PortName;
    project.Port(0)->ClosePort();
    project.Port(0)->PortName = dir / "unplugged";
    for (QPushButton* button : {mon->PollButton(), mon->RefreshButton()}) {
        QString told;
        Answer([&](QWidget* w) {
            for (QLabel* l : w->findChildren<QLabel*>())
                told += l->text();
            Decline(w);
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(WaitFor([&] { return !told.isEmpty(); })) << button->text().toStdString();
        EXPECT_TRUE(told.contains(QString::fromStdString("The port \"" + project.Port(0)->Name +
                                                         "\" of the item \"Motor1-Chain Position\" cannot be opened")))
            << told.toStdString();
        EXPECT_FALSE(mon->Form().Polling());
        EXPECT_FALSE(project.Port(0)->isOpen);
    }
    project.Port(0)->PortName = device;
    QTest::mouseClick(mon->RefreshButton(), Qt::LeftButton);
    EXPECT_TRUE(project.Port(0)->isOpen);
    EXPECT_EQ(mon->ValueShown(0), at);
    mon->Form().List().Modified = false;
}
