// The playground as a user meets it: the main window's Playground command opens it over a
// simulated chain; the user picks motor 2, connects, goes to a position, jogs, drives the motor in
// velocity and torque, types a command and reads the motor's data; closing the window leaves the
// motor stopped. Values shown are checked against the simulated motor's own state.
#include "SimChainGui.h"
#include "TestAppContext.h"

#include "app/frame/gui/FrameCommands.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/Project.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/CommandIds.h"
#include "app/framework/gui/CommandTable.h"
#include "app/frame/gui/MainFrame.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/serial/SerialProbe.h"
#include "tests/sim/motor/Motion.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidgetItem>

namespace {

class PlaygroundGui : public SimChainGuiTest {
protected:
    PlaygroundGui() : SimChainGuiTest("pg-chain") {}

    template <class W>
    static W* Find(QWidget* in, int id)
    {
        W* w = in->findChild<W*>(QString::number(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    // The main frame's poll ticks with time passing for the motors, until `done` or the limit.
    template <class Pred>
    bool PollUntil(CMainFrame& frame, Pred done, int ticks = 400)
    {
        for (int i = 0; i < ticks; ++i) {
            if (done())
                return true;
            clock.Advance(std::chrono::milliseconds(20));
            frame.PollTick();
        }
        return done();
    }
    int SimPosition(int motor)
    {
        return rig->WithMotor(motor, [](vqxsim::SimMotor& m) { return int(m.Position()); });
    }
};

TEST_F(PlaygroundGui, OpenPickConnectMoveAndClose)
{
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start("pg-chain");
    CTerminalBar& bar = session.TerminalBar();
    h.questions.AnswerMessageBox(ui::IDYES); // detect the chain
    Type(bar, "5RP");
    CCommPort& port = *session.Project().Port(0);
    ASSERT_EQ(port.MotorCount(), 3);
    std::shared_ptr<vqxsim::MotionMotor> motion =
        rig->WithMotor(1, [](vqxsim::SimMotor& m) { return vqxsim::AttachMotion(m); });

    // Motor 2 is the terminal's target: the playground opens with it.
    Type(bar, "2RP");
    frame.Commands().Execute(cmd::ID_PLAYGROUND);
    auto* dlg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame.Playground());
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->isModal());
    EXPECT_EQ(dlg->parentWidget(), &frame);
    Snapshot(dlg, "playground-not-connected");

    // Motor 2 of the chain is chosen; picking motor 3 and back is the user's choice in the list.
    auto* motors = Find<QComboBox>(dlg, tools::pg::kMotorList);
    ASSERT_EQ(motors->count(), 3);
    EXPECT_EQ(motors->currentIndex(), 1);
    ASSERT_EQ(dlg->Motor(), port.GetMotor(2));
    Q_EMIT motors->activated(2);
    EXPECT_EQ(dlg->Motor(), port.GetMotor(3));
    Q_EMIT motors->activated(1);
    ASSERT_EQ(dlg->Motor(), port.GetMotor(2));
    EXPECT_EQ(layoutcheck::RichPlain(Find<QLabel>(dlg, tools::pg::kAddress)->text()), QStringLiteral("ADDR:\n2"));
    QTest::mouseClick(Find<QPushButton>(dlg, tools::pg::kConnect), Qt::LeftButton);
    ASSERT_TRUE(dlg->Form().Connected());
    EXPECT_FALSE(Find<QPushButton>(dlg, tools::pg::kConnect)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(dlg, tools::pg::kDisconnect)->isEnabled());

    // Go to 4000: the simulated motor moves there and the position field follows it.
    // Control ids repeat between the window and its pages: each page is searched by its template.
    QWidget* jogPage = Find<QWidget>(dlg, 260);
    auto* position = Find<QLineEdit>(jogPage, 1388);
    auto* destination = Find<QLineEdit>(jogPage, 1001);
    destination->selectAll();
    QTest::keyClicks(destination, QStringLiteral("4000"));
    QTest::mouseClick(Find<QPushButton>(jogPage, 1005), Qt::LeftButton);
    EXPECT_TRUE(PollUntil(frame, [&] { return SimPosition(1) == 4000 && position->text() == QStringLiteral("4000"); }))
        << SimPosition(1) << " shown " << position->text().toStdString() << " connected " << dlg->Form().Connected()
        << " link " << dlg->Form().LinkState() << " log "
        << ::testing::PrintToString(rig->WithMotor(1, [](vqxsim::SimMotor& m) {
               auto log = m.CommandLog();
               return std::vector<std::string>(log.end() - std::min<size_t>(log.size(), 30), log.end());
           }));
    EXPECT_EQ(SimPosition(0), 0); // the other motors stayed
    Snapshot(dlg, "playground-position");

    // The slider to its left end: the motor goes to the left limit.
    auto* slider = Find<QSlider>(jogPage, 1389);
    slider->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_TRUE(PollUntil(frame, [&] { return SimPosition(1) == -100000; }, 3000)) << SimPosition(1);

    // Velocity: the thumb dragged up runs the motor forwards; let go, it stops.
    auto* tabs = Find<QTabWidget>(dlg, tools::pg::kTab);
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(motion->VelocityMode());
    QWidget* velocityPage = Find<QWidget>(dlg, 261);
    auto* vslider = Find<QSlider>(velocityPage, 1399);
    vslider->setSliderDown(true);
    vslider->setSliderPosition(50); // half the maximum forwards
    const int before = SimPosition(1);
    auto* speed = Find<QLineEdit>(velocityPage, 1131);
    // Half of 1000 RPM once the motor has reached it, as the motor reports its velocity.
    EXPECT_TRUE(PollUntil(frame, [&] { return speed->text() == QStringLiteral("500"); })) << speed->text().toStdString();
    EXPECT_GT(SimPosition(1), before + 1000);
    Snapshot(dlg, "playground-velocity");
    vslider->setSliderDown(false); // released with "Stop on release"
    EXPECT_EQ(vslider->value(), 100);
    EXPECT_TRUE(PollUntil(frame, [&] { return speed->text() == QStringLiteral("0"); })) << speed->text().toStdString();
    const int stopped = SimPosition(1);
    PollUntil(frame, [] { return false; }, 10);
    EXPECT_EQ(SimPosition(1), stopped);

    // Terminal: a report command and its reply; information page lists the motor.
    tabs->setCurrentIndex(3);
    QWidget* terminalPage = Find<QWidget>(dlg, 263);
    auto* edit = Find<QLineEdit>(terminalPage, 1404);
    QTest::keyClicks(edit, QStringLiteral("RP"));
    QTest::mouseClick(Find<QPushButton>(terminalPage, 1156), Qt::LeftButton);
    auto* list = Find<QTableWidget>(terminalPage, 1003);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 1)->text().toInt(), SimPosition(1));
    Snapshot(dlg, "playground-terminal");
    tabs->setCurrentIndex(4);
    auto* info = Find<QTableWidget>(dlg, 1407);
    ASSERT_GE(info->rowCount(), 4);
    EXPECT_EQ(info->item(2, 1)->text(), QStringLiteral("2"));
    Snapshot(dlg, "playground-info");

    // Closing disconnects and clears the frame's slot.
    dlg->close();
    QApplication::processEvents();
    EXPECT_EQ(frame.Playground(), nullptr);
    port.ClosePort();
}

// The machine has one numbered port beside the chain's line.
struct SpareCom final : platform::ISerialPortProbe {
    std::string spare;
    std::vector<std::string> Candidates() override { return {}; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        return name == spare ? platform::SerialPresence::Present : platform::SerialPresence::NotFound;
    }
};

TEST_F(PlaygroundGui, ConfigurePortForAMachinePortTheProjectLacks)
{
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start("pg-chain");
    CProject& project = session.Project();
    const int before = project.PortCount();
    // A numbered port the project does not use (the default project took the machine's own).
    SpareCom machine;
    for (int n = 1; n <= 30 && machine.spare.empty(); ++n) {
        const std::string name = "Com" + std::to_string(n);
        bool used = false;
        for (int i = 0; i < before; ++i)
            used = used || QString::fromStdString(project.Port(i)->PortName).compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0;
        if (!used)
            machine.spare = name;
    }
    ASSERT_FALSE(machine.spare.empty());
    const QString spare = QString::fromStdString(machine.spare);
    session.Commands().serialProbe = &machine;
    project.modified = false;
    frame.Commands().Execute(cmd::ID_PLAYGROUND);
    auto* dlg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame.Playground());
    ASSERT_NE(dlg, nullptr);

    // The spare port is offered without a project port; the chain's port with its index.
    auto* ports = Find<QComboBox>(dlg, tools::pg::kPortList);
    const int entry = ports->findText(spare);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(ports->itemData(entry).toInt(), -1);
    EXPECT_GE(ports->findData(0), 0);
    Q_EMIT ports->activated(entry);
    EXPECT_EQ(dlg->Motor(), nullptr);
    auto* configure = Find<QPushButton>(dlg, tools::pg::kConfigure);
    ASSERT_TRUE(configure->isVisible());
    ASSERT_TRUE(configure->isEnabled());

    // Cancel: the project stays as it was.
    QString title;
    WhenModal([&](QWidget* w) {
        title = w->windowTitle();
        static_cast<QDialog*>(w)->reject();
    });
    QTest::mouseClick(configure, Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Port Properties"));
    EXPECT_EQ(project.PortCount(), before);
    EXPECT_FALSE(project.modified);
    EXPECT_EQ(session.ConfigBar().ItemOf(before), nullptr);
    EXPECT_EQ(ports->itemData(ports->findText(spare)).toInt(), -1);

    // OK: the port joins the project, the tree shows it and the list's entry stands for it.
    WhenModal([&](QWidget* w) {
        Snapshot(w, "playground-configure-port");
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        if (w->isVisible()) {
            ADD_FAILURE() << "Port Properties stayed open: " << ::testing::PrintToString(h.questions.MessageTexts());
            static_cast<QDialog*>(w)->reject();
        }
    });
    QTest::mouseClick(configure, Qt::LeftButton);
    ASSERT_EQ(project.PortCount(), before + 1);
    EXPECT_EQ(project.Port(before)->PortName, machine.spare);
    EXPECT_TRUE(project.modified);
    QTreeWidgetItem* item = session.ConfigBar().ItemOf(before);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->text(0).contains(spare)) << item->text(0).toStdString();
    EXPECT_EQ(ports->currentText(), spare);
    EXPECT_EQ(ports->currentData().toInt(), before);
    Snapshot(dlg, "playground-port-added");
    dlg->close();
    QApplication::processEvents();
}

} // namespace
