// Looking at one motor from VQX's own start: after detection a double click on motor 2 in the
// configuration tree opens its motor view. The status page follows the simulated motor as its
// servo goes off, it moves and it runs into a soft limit; an output lamp switches the motor's
// output; the user variables page shows a variable set from the terminal; the flags page decodes
// the status word the motor reports; the monitor page keeps an item in a template; Get Info reads
// the identity; and the project reopens the view, on its page, after a restart. Tools > Motor View
// opens views by address, also for an address no motor of the project has, and detection that
// replaces the port's motors closes the views of the motors that went. A monitor window, two motor
// views and the playground polling at once take turns query by query, as the motors see it.

#include "JourneyRig.h"

#include "app/frame/gui/MotorViewWindows.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/tools/gui/IconButton.h"
#include "app/tools/gui/ModelPicture.h"
#include "app/tools/gui/MotorFlagsPage.h"
#include "app/tools/gui/MotorInfoPage.h"
#include "app/tools/gui/MotorMonitorPage.h"
#include "app/tools/gui/MotorStatusPage.h"
#include "app/tools/gui/MotorVariablesPage.h"
#include "app/tools/gui/MotorViewDlg.h"
#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "core/shared/MotorModels.h"
#include "core/shared/SharedFunctions.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTabWidget>

using namespace tools::motorview;

namespace {

class MotorViewJourney : public Journey {
protected:
    CMotorViewDlg* View(int slot = 0) const { return dynamic_cast<CMotorViewDlg*>(frame->MotorView(slot)); }
    void DoubleClickMotor(int port, int motor)
    {
        QTreeWidget* tree = Tree().Tree();
        QTreeWidgetItem* item = Tree().ItemOf(port, motor);
        ASSERT_NE(item, nullptr);
        tree->scrollToItem(item);
        const QPoint at = tree->visualItemRect(item).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    }
    // The item dialog that opens next: `fill` picks the item, then Add and Close.
    static bool Lit(tools::gui::CIconButton* led) { return led->State() == 1; }
    static bool Bold(QLabel* label) { return label->font().bold(); }
    template <class R, class F>
    R Sim(F f)
    {
        return Motor(1, [&](vqxsim::SimMotor& m) -> R { return f(m); });
    }
};

} // namespace

TEST_F(MotorViewJourney, DoubleClickMotor2WatchItAndReopenWithTheProject)
{
    // Version-5 motors of a model the shipped models table holds, which they name by its place there.
    JourneyStart start;
    start.motor.firmware = "5xx";
    start.motor.model = "QL5720";
    CMotorModels models;
    ASSERT_TRUE(models.Load(MotorModelsPath())) << MotorModelsPath();
    for (int i = 1; i < models.GetCount(); ++i)
        if (models.Get(i)->Name == start.motor.model)
            start.motor.modelIndex = i;
    ASSERT_GT(start.motor.modelIndex, 0u);
    ASSERT_TRUE(Start(start));
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(Enabled(cmd::ID_MOTOR_VIEW));

    DoubleClickMotor(0, 1);
    CMotorViewDlg* view = View();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), QStringLiteral("MotorView - \"Motor2-Chain\""));
    EXPECT_EQ(view->Tabs()->currentIndex(), kStatusTab);
    ASSERT_EQ(view->Tabs()->count(), kTabs);
    EXPECT_EQ(view->Tabs()->tabText(3), QStringLiteral("User Variables"));

    // ---- Status: polled on the frame's own timer ----
    tools::gui::CMotorStatusPage* status = view->StatusPage();
    EXPECT_TRUE(status->Picture()->HasPicture());
    QTest::mouseClick(status->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(view->Form().Status().Polling());
    auto field = [&](int id) { return status->Field(id)->text(); };
    EXPECT_TRUE(WaitFor([&] { return field(tools::status::kMode) == QStringLiteral("ABSOLUTE") ||
                                     field(tools::status::kMode) == QStringLiteral("SERVO OFF"); }));

    // The servo goes off: bit 7 lit and bold, the picture's drive lamp grey.
    Type("2OFF");
    EXPECT_TRUE(WaitFor([&] { return Lit(status->StatusLed(7)) && field(tools::status::kMode) == QStringLiteral("SERVO OFF"); }));
    EXPECT_TRUE(Bold(status->StatusLabel(7)));
    EXPECT_EQ(view->Form().Status().Picture.Led(2).state, tools::kLedOff);
    EXPECT_FALSE(Sim<bool>([](vqxsim::SimMotor& m) { return m.ServoOn(); }));

    // A move: the trajectory lamp while it runs, the position field following it to 3000.
    Type("2A=100");
    Type("2V=20000");
    Type("2P=3000 G");
    bool sawBusy = false;
    EXPECT_TRUE(WaitFor(
        [&] {
            sawBusy |= Lit(status->StatusLed(0)) && view->Form().Status().Picture.Led(3).state == tools::kLedGreen;
            return field(tools::status::kPosition) == QStringLiteral("3000") && !Lit(status->StatusLed(0));
        },
        30000));
    EXPECT_TRUE(sawBusy);
    EXPECT_FALSE(Lit(status->StatusLed(7))); // G put the servo on
    EXPECT_EQ(Sim<int>([](vqxsim::SimMotor& m) { return m.Position(); }), 3000);

    // A soft limit at 5000, enabled, and a move beyond it: the motor stops there and the
    // historical soft (+) limit latches.
    Type("2SLP=5000");
    Type("2SLE");
    Type("2P=9000 G");
    EXPECT_TRUE(WaitFor([&] { return Lit(status->StatusLed(20)); }, 30000));
    EXPECT_TRUE(Bold(status->StatusLabel(20)));
    EXPECT_TRUE(Sim<bool>([](vqxsim::SimMotor& m) { return m.Flag("Sr"); }));
    EXPECT_TRUE(WaitFor([&] { return field(tools::status::kPosition) ==
                                     QString::number(Sim<int>([](vqxsim::SimMotor& m) { return m.Position(); })); }));
    Snapshot(view, QStringLiteral("motor-view-status"));

    // An output lamp, once the outputs were read, switches the motor's output.
    tools::gui::CIconButton* out1 = status->IoLed(1);
    EXPECT_TRUE(WaitFor([&] { return out1->isEnabled(); }));
    const bool before = Sim<bool>([](vqxsim::SimMotor& m) { return m.Output(1); });
    QTest::mouseClick(out1, Qt::LeftButton);
    EXPECT_EQ(Sim<bool>([](vqxsim::SimMotor& m) { return m.Output(1); }), !before);
    EXPECT_TRUE(WaitFor([&] { return Lit(out1) == !before; }));

    // ---- User Variables: a variable set from the terminal ----
    QTest::mouseClick(status->findChild<QPushButton*>(QStringLiteral("1169")), Qt::LeftButton);
    Type("2b=4711");
    view->Tabs()->setCurrentIndex(kVariablesTab);
    tools::gui::CMotorVariablesPage* vars = view->VariablesPage();
    QTest::mouseClick(vars->findChild<QPushButton*>(QStringLiteral("1168")), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return vars->ValueShown(1) == QStringLiteral("4711"); }));
    EXPECT_EQ(vars->List()->topLevelItem(1)->text(0), QStringLiteral("b"));
    Snapshot(view, QStringLiteral("motor-view-user-variables"));
    QTest::mouseClick(vars->findChild<QPushButton*>(QStringLiteral("1169")), Qt::LeftButton);

    // ---- Flags: the status word the motor reports, decoded ----
    Motor(1, [](vqxsim::SimMotor& m) {
        m.knobs.statusReply = "33"; // trajectory and excessive position error
        return 0;
    });
    view->Tabs()->setCurrentIndex(kFlagsTab);
    tools::gui::CMotorFlagsPage* flags = view->FlagsPage();
    QTest::mouseClick(flags->findChild<QPushButton*>(QStringLiteral("1168")), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return flags->WField()->text() == QStringLiteral("33"); }));
    QStringList asserted;
    for (int i = 0; i < flags->List()->topLevelItemCount(); ++i)
        if (flags->List()->topLevelItem(i)->text(2) == QStringLiteral("Asserted"))
            asserted << flags->List()->topLevelItem(i)->text(1);
    EXPECT_EQ(asserted, (QStringList{QStringLiteral("Bt"), QStringLiteral("Be")}));
    Snapshot(view, QStringLiteral("motor-view-flags"));
    QTest::mouseClick(flags->findChild<QPushButton*>(QStringLiteral("1169")), Qt::LeftButton);
    Motor(1, [](vqxsim::SimMotor& m) {
        m.knobs.statusReply.clear();
        return 0;
    });

    // ---- Monitor: an item of this motor, kept in a template the motor remembers ----
    view->Tabs()->setCurrentIndex(kMonitorTab);
    tools::gui::CMotorMonitorPage* mon = view->MonitorPage();
    AddInItemDialog(
        [](CWatchItemDlg* d) {
            d->KindButton(CWatchItem::kCustom)->click();
            d->BitMaskBox()->setChecked(false);
            d->Form().SetBitMask(false);
            d->PollCommandEdit()->setText(QStringLiteral("Rb"));
            d->Form().pollCommand = "Rb";
            QTest::keyClicks(d->CaptionEdit(), QStringLiteral("Variable b"));
        },
        QStringLiteral("motor-view-item-dialog"));
    mon->RunCommand(tools::monitorpage::ID_ADD);
    ASSERT_EQ(mon->List()->topLevelItemCount(), 1);
    QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return mon->ValueShown(0) == QStringLiteral("4711"); }));
    Snapshot(view, QStringLiteral("motor-view-monitor"));
    const std::string templ = dir / "motor2.mtf";
    WhenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd) {
            ADD_FAILURE() << "not a file dialog";
            w->close();
            return;
        }
        fd->selectFile(QString::fromStdString(templ));
        QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
    });
    mon->RunCommand(tools::monitorpage::ID_SAVE);
    EXPECT_TRUE(std::filesystem::exists(templ));
    EXPECT_EQ(view->Form().Motor()->UserTemplateFile, templ);

    // ---- Info: Get Info reads the identity from the motor ----
    view->Tabs()->setCurrentIndex(kInfoTab);
    tools::gui::CMotorInfoPage* info = view->InfoPage();
    QTest::mouseClick(info->GetInfoButton(), Qt::LeftButton);
    EXPECT_EQ(info->Field(tools::info::kFirmware)->text(), QStringLiteral("5xx"));
    EXPECT_EQ(info->Field(tools::info::kAddress)->text(), QStringLiteral("2"));
    const uint32_t serial = Sim<uint32_t>([](vqxsim::SimMotor& m) { return m.Profile().serial; });
    EXPECT_EQ(info->Field(tools::info::kSerial)->text().toStdString(), FormatSerialNumber(serial));
    EXPECT_EQ(info->Field(tools::info::kModel)->text(), QStringLiteral("QL5720"));
    Snapshot(view, QStringLiteral("motor-view-info"));

    // ---- The project remembers the view: saved, VQX started again, the view is back ----
    view->Tabs()->setCurrentIndex(kFlagsTab);
    view->showMaximized();
    ASSERT_TRUE(Command(cmd::ID_SAVE_PROJECT));
    ASSERT_TRUE(Restart(start));
    CMotorViewDlg* again = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (again = View()) != nullptr && again->isVisible(); }));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->windowTitle(), QStringLiteral("MotorView - \"Motor2-Chain\""));
    EXPECT_EQ(again->Tabs()->currentIndex(), kFlagsTab);
    EXPECT_TRUE(again->isMaximized());

    // F1 on each page opens that page's help, and Mem. Map the memory map: pages the guide has.
    std::vector<std::string> help;
    for (int tab = 0; tab < kTabs; ++tab) {
        again->Tabs()->setCurrentIndex(tab);
        for (const std::string& file : HelpOnF1(again->Tabs()->currentWidget()))
            help.push_back(file);
    }
    desktop.helpPages.clear();
    QTest::mouseClick(again->VariablesPage()->findChild<QPushButton*>(QStringLiteral("1365")), Qt::LeftButton);
    for (const auto& page : desktop.helpPages)
        help.push_back(page.first);
    const char* pages[] = {"Status", "Info", "Monitor", "UserVariables", "Flags", "MemMap"};
    ASSERT_EQ(help.size(), std::size(pages));
    for (size_t i = 0; i < std::size(pages); ++i) {
        const std::string& file = help[i];
        EXPECT_TRUE(file.ends_with("/VQXUsersGuide/Tools/MotorView/" + std::string(pages[i]) + ".htm")) << file;
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
    }
    again->Tabs()->setCurrentIndex(kFlagsTab);
    ASSERT_EQ(again->MonitorPage()->List()->topLevelItemCount(), 1);
    EXPECT_EQ(again->MonitorPage()->List()->topLevelItem(0)->text(0), QStringLiteral("Variable b"));

    // Closed with the close box: its slot is free again.
    again->close();
    EXPECT_TRUE(WaitFor([&] { return View() == nullptr; }));
}

TEST_F(MotorViewJourney, MotorViewCommandAndViewsThatLoseTheirMotor)
{
    // The default project, with the chain as the port given at start.
    JourneyStart start;
    start.chainProject = false;
    ASSERT_TRUE(Start(start));
    // The machine's own ports are searched too (and have no motors).
    AutoAnswer("One or more Errors/Warnings were detected during the operation.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));

    // Tools > Motor View: the Select Motor dialog; address 3 is motor 3 of the project.
    auto choose = [&](int address) { AnswerSelectMotor(address, QStringLiteral("motor-view-select-motor")); };
    choose(3);
    ASSERT_TRUE(Command(cmd::ID_MOTOR_VIEW));
    CMotorViewDlg* third = View(0);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->Form().Motor()->Address, 3);

    // An address no motor of the project has: a motor made for the view, its identity read first
    // (nobody answers at 7: the information view says so).
    choose(7);
    ASSERT_TRUE(Command(cmd::ID_MOTOR_VIEW));
    CMotorViewDlg* seventh = View(1);
    ASSERT_NE(seventh, nullptr);
    EXPECT_TRUE(seventh->windowTitle().startsWith(QStringLiteral("MotorView - \"Motor Address=7 in port \"")))
        << seventh->windowTitle().toStdString();
    EXPECT_EQ(seventh->Form().Motor()->GetListIndex(), -1);

    // The USB port's tab (no motor there): the box shows address 1 and OK opens a view of the
    // motor at 1 on that port, with no refusal in between.
    const CProject& project = app->Session()->Project();
    int usb = -1;
    for (int i = 0; i < project.PortCount(); ++i)
        if (project.Port(i)->CommType == COMM_USB)
            usb = i;
    ASSERT_GE(usb, 0) << "the default project has a USB port";
    Terminal().Tabs()->setCurrentIndex(usb);
    ASSERT_TRUE(WaitFor([&] { return Terminal().CurrentTab() == usb; }));
    int shown = -1;
    QString port;
    AnswerWindow<CSelectMotorDlg>(
        [&](CSelectMotorDlg* d) {
            shown = d->AddressEdit()->value();
            if (QTreeWidgetItem* row = d->Ports()->currentItem())
                port = row->text(0);
            QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        },
        QStringLiteral("motor-view-select-usb"));
    ASSERT_TRUE(Command(cmd::ID_MOTOR_VIEW));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(port, QStringLiteral("USB"));
    ASSERT_TRUE(WaitFor([&] { return View(2) != nullptr; }));
    EXPECT_EQ(View(2)->Form().Motor()->Address, 1);
    EXPECT_EQ(View(2)->Form().Motor()->GetPort(), project.Port(usb));
    View(2)->close();
    EXPECT_TRUE(WaitFor([&] { return View(2) == nullptr; }));
    Terminal().Tabs()->setCurrentIndex(0);

    // Motor 3 polls; then it answers at another address and detection replaces the port's motors:
    // its view goes, the one of the motor made for its view stays.
    tools::gui::CMotorStatusPage* status = third->StatusPage();
    QTest::mouseClick(status->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return third->Form().Status().Link() == tools::kLinkWorks; }));

    // An older motor's pin A: the lamp switches the output on, and the next click off again.
    tools::gui::CIconButton* pinA = status->IoLed(0);
    auto outputA = [&] { return Motor(2, [](vqxsim::SimMotor& m) { return m.Output(0); }); };
    EXPECT_TRUE(WaitFor([&] { return pinA->isEnabled() && !Lit(pinA); }));
    QTest::mouseClick(pinA, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return outputA() && Lit(pinA); }));
    QTest::mouseClick(pinA, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return !outputA() && pinA->isEnabled() && !Lit(pinA); }));
    // A status word of -1: every status lamp unknown (state -1, drawn like off).
    Motor(2, [](vqxsim::SimMotor& m) {
        m.knobs.statusReply = "-1";
        return 0;
    });
    EXPECT_TRUE(WaitFor([&] {
        for (int i = 0; i < 16; ++i)
            if (status->StatusLed(i)->State() != -1)
                return false;
        return true;
    }));
    Motor(2, [](vqxsim::SimMotor& m) {
        m.knobs.statusReply.clear();
        return 0;
    });
    QPointer<CMotorViewDlg> watched(third);
    // The view's query goes unanswered: the main frame asks once; "No" stops the view's polling.
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
        QStringLiteral("motor-view-comm-error"));
    Motor(2, [](vqxsim::SimMotor& m) {
        m.SetAddress(5);
        return 0;
    });
    EXPECT_TRUE(WaitFor([&] { return !third->Form().Status().Polling(); }, 15000));
    EXPECT_EQ(asked, 1);
    AutoAnswer("Do you want to detect/address the motors", "Yes");
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_DETECT_MOTORS));
    EXPECT_TRUE(WaitFor([&] { return watched.isNull(); }, 60000));
    EXPECT_EQ(View(0), nullptr);
    EXPECT_EQ(View(1), seventh);
    EXPECT_TRUE(WaitFor([&] { return TreeText(0, 2).contains(QStringLiteral("5")); }));
    seventh->close();
    EXPECT_TRUE(WaitFor([&] { return View(1) == nullptr; }));
}

TEST_F(MotorViewJourney, AMonitorTwoViewsAndThePlaygroundTakeTurnsQueryByQuery)
{
    // Each window polls a motor of its own, so the motors tell which window asked.
    JourneyStart start;
    start.motors = 4;
    ASSERT_TRUE(Start(start));
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 3) != nullptr; }, 60000));

    // Motor 1's position in a new monitor window.
    EXPECT_TRUE(TypeAndWait("1RP", "0"));
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    auto* monitor = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(0));
    ASSERT_NE(monitor, nullptr);
    AddInItemDialog(
        [](CWatchItemDlg* d) {
            d->KindButton(CWatchItem::kStandard)->click();
            d->List()->setCurrentItem(d->List()->topLevelItem(0));
        },
        QStringLiteral("turns-item-dialog"));
    monitor->RunCommand(tools::monitor::ID_WATCH_ADD);
    ASSERT_EQ(monitor->List()->topLevelItemCount(), 1);

    // A second monitor window with nothing to poll.
    ASSERT_TRUE(Command(cmd::ID_NEW_MONITOR));
    auto* idleMonitor = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(1));
    ASSERT_NE(idleMonitor, nullptr);

    // Views of motors 2 and 3, polling their status pages, and between them one of motor 1 that
    // does not poll: a window with nothing to ask passes its turn on at once.
    DoubleClickMotor(0, 1);
    DoubleClickMotor(0, 0);
    DoubleClickMotor(0, 2);
    CMotorViewDlg* second = View(0);
    CMotorViewDlg* first = View(1);
    CMotorViewDlg* third = View(2);
    ASSERT_TRUE(second && first && third);
    EXPECT_EQ(first->Form().Motor()->Address, 1);
    EXPECT_EQ(third->Form().Motor()->Address, 3);

    // The playground on motor 4, connected without a polling program: its fixed queries.
    EXPECT_TRUE(TypeAndWait("4RP", "0"));
    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    auto* pg = dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground());
    ASSERT_NE(pg, nullptr);
    QTest::mouseClick(pg->findChild<QPushButton*>(QString::number(tools::pg::kConnect)), Qt::LeftButton);
    ASSERT_TRUE(pg->Form().Connected());
    EXPECT_EQ(pg->Form().Motor()->Address, 4);

    // Each opened over the frame's work area, cascaded: none covers the menu, none opens over
    // the title of the one opened before it.
    QPoint before(-1, -1);
    for (QWidget* w : std::initializer_list<QWidget*>{monitor, idleMonitor, second, first, third, pg}) {
        EXPECT_TRUE(OverWorkArea(w));
        EXPECT_NE(w->frameGeometry().topLeft(), before) << w->windowTitle().toStdString();
        before = w->frameGeometry().topLeft();
    }

    QTest::mouseClick(second->StatusPage()->PollButton(), Qt::LeftButton);
    QTest::mouseClick(third->StatusPage()->PollButton(), Qt::LeftButton);
    QTest::mouseClick(monitor->PollButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return monitor->ValueShown(0) == QStringLiteral("0") &&
                                     second->Form().Status().Link() == tools::kLinkWorks &&
                                     third->Form().Status().Link() == tools::kLinkWorks &&
                                     pg->Form().LinkState() == tools::kLinkWorks; }));

    // The queries the motors took in from here on (a query is one report command, perhaps after
    // an assignment it reads back): every window in its phase, one query at a time.
    const size_t mark = rig->ReceivedMark();
    constexpr size_t kQueries = 120;
    std::vector<size_t> asked;
    ASSERT_TRUE(WaitFor(
        [&] {
            asked.clear();
            for (const auto& r : rig->ReceivedSince(mark))
                if (r.command.starts_with('R'))
                    asked.push_back(r.motor);
            return asked.size() >= kQueries;
        },
        30000));
    asked.resize(kQueries);
    std::string order; // M monitor, 2 and 3 the views, P the playground
    for (size_t m : asked)
        order += "M23P"[m];
    // Tick by tick: the monitor window, the next view, the playground; the windows with nothing
    // to ask pass their turn on within it. So every query is the next of M2PM3P, wherever the
    // count began.
    std::string cycle;
    while (cycle.size() < order.size() + 6)
        cycle += "M2PM3P";
    EXPECT_NE(cycle.find(order), std::string::npos) << order;
    // The new monitor windows are not kept.
    AutoAnswer("Do you want to save the changes to", "&No");
}
