// Every window that shows a motor or a port, open and polling while the project changes under
// them: each keeps to what it shows by port index and address, rebinds or closes, nothing reads
// a port or motor that went, and the frame's poll cycle goes on serving every window left, as
// the motors themselves count the queries.

#include "JourneyRig.h"

#include "app/tools/ChartView.h"
#include "app/tools/MonitorForm.h"
#include "app/tools/PlaygroundForm.h"
#include "app/tools/WatchList.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/MotorInfoPage.h"
#include "app/tools/gui/MotorMonitorPage.h"
#include "app/tools/gui/MotorStatusPage.h"
#include "app/tools/gui/MotorViewDlg.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "app/tools/gui/WatchItemDlg.h"
#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/setup/WizardFlow.h"
#include "app/setup/gui/CommWizardDlg.h"
#include "app/shell/gui/PageDlg.h"
#include "app/tuning/TunerForm.h"
#include "app/tuning/gui/TunerDlg.h"

#include <QComboBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <QTableWidget>
#include <QTreeWidget>

#include <map>
#include <set>

namespace {

class EveryWindowJourney : public Journey {
protected:
    CMotorViewDlg* View(int slot) const { return dynamic_cast<CMotorViewDlg*>(frame->MotorView(slot)); }
    tools::gui::CPlaygroundDlg* Playground() const { return dynamic_cast<tools::gui::CPlaygroundDlg*>(frame->Playground()); }
    // Tools > Motor View for an address of the terminal's port.
    CMotorViewDlg* OpenView(int address)
    {
        AnswerSelectMotor(address);
        for (int slot = 0; slot < shell::kToolSlots; ++slot)
            if (!frame->MotorView(slot)) {
                EXPECT_TRUE(Command(cmd::ID_MOTOR_VIEW));
                return View(slot);
            }
        return nullptr;
    }
    // A monitor file of one item: a user variable of a motor of port 0.
    std::string WriteMonitorFile(const std::string& name, int address, const std::string& command)
    {
        tools::CWatchList list;
        auto* item = new CWatchItem;
        item->ChannelIndex = 0;
        item->MotorAddress = address;
        item->WatchType = CWatchItem::kCustom;
        item->Command = command;
        item->Caption = name;
        delete list.OnAddWatchItem(item); // the copy offered to go on from
        const std::string path = dir / (name + ".mon");
        EXPECT_TRUE(list.Save(path, true));
        return path;
    }
    // Tools > New Monitor View, its Open, and Poll.
    CMonitorDlg* OpenMonitor(const std::string& path)
    {
        int slot = 0;
        while (slot < shell::kToolSlots && frame->MonitorWindow(slot))
            ++slot;
        EXPECT_TRUE(Command(cmd::ID_NEW_MONITOR));
        auto* mon = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(slot));
        if (!mon)
            return nullptr;
        AnswerFile(path);
        mon->RunCommand(tools::monitor::ID_WATCH_OPEN);
        QTest::mouseClick(mon->PollButton(), Qt::LeftButton);
        return mon;
    }
    // The Poll button of a view's status page.
    static void PollView(CMotorViewDlg* view)
    {
        if (view && !view->Form().Status().Polling())
            QTest::mouseClick(view->StatusPage()->PollButton(), Qt::LeftButton);
    }
    // The playground's entry of the chain's line, and the index of the project's port it stands
    // for (-1: a line of the machine the project lacks).
    int ChainEntry() const { return Journey::ChainEntry(Playground()); }
    // The motors the playground lists for the chosen port.
    int PlaygroundMotors() const
    {
        return Playground()->findChild<QComboBox*>(QString::number(tools::pg::kMotorList))->count();
    }
    int ChainEntryPort() const
    {
        auto* ports = Playground()->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
        const int entry = ChainEntry();
        return entry < 0 ? -1 : ports->itemData(entry).toInt();
    }
    // The playground on the motor at `address` of the chain, connected.
    void ConnectPlayground(int address)
    {
        tools::gui::CPlaygroundDlg* pg = Playground();
        ASSERT_NE(pg, nullptr);
        auto* ports = pg->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
        const int entry = ChainEntry();
        ASSERT_GE(entry, 0);
        ports->setCurrentIndex(entry);
        Q_EMIT ports->activated(entry);
        auto* motors = pg->findChild<QComboBox*>(QString::number(tools::pg::kMotorList));
        ASSERT_GE(motors->count(), address);
        motors->setCurrentIndex(address - 1);
        Q_EMIT motors->activated(address - 1);
        QTest::mouseClick(pg->findChild<QPushButton*>(QString::number(tools::pg::kConnect)), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return pg->Form().Connected(); }, 20000));
    }
    // Which window a query heard by a motor came from: the monitors ask motor 3 for "a" and "b",
    // the chart for its velocity, the playground everything else of motor 3; the views have a
    // motor each (4 is the address the project has no motor at).
    static std::string Asker(const Heard& h)
    {
        if (h.address == 3)
            return h.command == "Ra" ? "monitor a" : h.command == "Rb" ? "monitor b" : h.command == "RV" ? "chart" : "playground";
        return "view " + std::to_string(h.address);
    }
    // Waits until each window in `served` has been heard at least `rounds` times, and no window
    // outside it at all; the counts, for the failure message.
    std::string Served(const std::set<std::string>& served, int rounds = 3)
    {
        TakeHeard();
        std::map<std::string, int> count;
        auto all = [&] {
            for (const Heard& h : TakeHeard())
                ++count[Asker(h)];
            for (const std::string& w : served)
                if (count[w] < rounds)
                    return false;
            return true;
        };
        const bool done = WaitFor(all, 20000);
        std::string text;
        for (const auto& [w, n] : count)
            text += w + "=" + std::to_string(n) + " ";
        if (!done)
            ADD_FAILURE() << "not every window was served: " << text;
        for (const auto& [w, n] : count)
            if (n > 0 && !served.count(w))
                ADD_FAILURE() << w << " was heard: " << text;
        return text;
    }
    // Nothing reaches the chain for a while (its port is not the project's now).
    void Silent()
    {
        TakeHeard();
        QTest::qWait(300);
        const std::vector<Heard> heard = TakeHeard();
        EXPECT_TRUE(heard.empty()) << heard.size() << " commands reached the chain, first " << heard.front().command;
    }
    tuning::gui::CTunerDlg* Tuner() const { return dynamic_cast<tuning::gui::CTunerDlg*>(frame->Tuner()); }
    // The monitor windows in the frame's slots, in slot order.
    std::vector<CMonitorDlg*> Monitors() const
    {
        std::vector<CMonitorDlg*> out;
        for (int slot = 0; slot < shell::kToolSlots; ++slot)
            if (auto* m = dynamic_cast<CMonitorDlg*>(frame->MonitorWindow(slot)))
                out.push_back(m);
        return out;
    }
    // Every monitor window polls (a window the project's reopening brought twice included).
    void EveryMonitorPolls() const
    {
        for (CMonitorDlg* m : Monitors())
            EXPECT_TRUE(m->Form().Polling()) << m->Form().Title() << ": " << m->Form().List().At(0)->ValueText;
    }
    // What the monitor windows show, in slot order: file and whether it polls.
    std::vector<std::string> MonitorsShown() const
    {
        std::vector<std::string> out;
        for (CMonitorDlg* m : Monitors())
            out.push_back(m->Form().FilePath() + (m->Form().Polling() ? " polling" : " stopped"));
        return out;
    }
    // What the motor views show, in slot order: the motor's port, index and address, and whether
    // its status page polls (checked against the project: a view bound to a motor it lacks shows
    // as such).
    std::vector<std::string> ViewsShown() const
    {
        std::vector<std::string> out;
        for (int slot = 0; slot < shell::kToolSlots; ++slot)
            if (CMotorViewDlg* v = View(slot)) {
                const CMotor* m = v->Form().Motor();
                const CCommPort* port = m ? m->GetPort() : nullptr;
                const bool projects = port && Project().Port(port->id) == port && port->motors.GetAt(m->GetListIndex()) == m;
                out.push_back(!m ? "no motor"
                                 : (projects ? "" : "not the project's ") + std::to_string(port ? port->id : -1) + ":" +
                                       std::to_string(m->GetListIndex()) + " address " + std::to_string(m->Address) +
                                       (v->Form().Status().Polling() ? " polling" : " stopped"));
            }
        return out;
    }
    CProject& Project() const { return app->Session()->Project(); }

};

} // namespace

TEST_F(EveryWindowJourney, APlaygroundAndAViewOfAnAddressWithoutMotorOutliveTheirProject)
{
    // A view of address 7 keeps polling through its errors.
    platform::AppProfile().WriteInt("Polling", "NoPollingOnError", 0);
    // The chain's motors as an earlier session detected them.
    JourneyStart start;
    start.projectMotors = 3;
    ASSERT_TRUE(Start(start));
    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    QPointer<tools::gui::CPlaygroundDlg> pg = Playground();
    ASSERT_NE(pg, nullptr);
    ASSERT_EQ(ChainEntryPort(), 0);
    QPointer<CMotorViewDlg> seventh = OpenView(7);
    ASSERT_NE(seventh, nullptr);
    QTest::mouseClick(seventh->StatusPage()->PollButton(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return seventh->Form().Status().Link() == tools::kLinkFailed; }));

    ASSERT_TRUE(Command(cmd::ID_CLOSE_PROJECT));
    // The view's port went with the project, and the view with its port.
    EXPECT_TRUE(WaitFor([&] { return seventh.isNull(); }));
    // A few poll ticks go by.
    QTest::qWait(100);
    // The playground lists the ports of the project now (the default project's, which has the
    // chain's line too, without motors); every entry can be picked.
    ASSERT_FALSE(pg.isNull());
    auto* ports = pg->findChild<QComboBox*>(QString::number(tools::pg::kPortList));
    ASSERT_NE(ports, nullptr);
    ASSERT_GE(ChainEntry(), 0);
    for (int i = 0; i < ports->count(); ++i) {
        ports->setCurrentIndex(i);
        Q_EMIT ports->activated(i);
        Settle();
        if (i == ChainEntry()) {
            EXPECT_EQ(PlaygroundMotors(), 0);
        }
    }
}

TEST_F(EveryWindowJourney, EveryWindowAtOnceWhileTheProjectChangesUnderThem)
{
    // A project that knows motors 1 to 3 of a chain of four, and has an Ethernet port besides.
    JourneyStart start;
    start.motors = 4;
    start.projectMotors = 3;
    start.ethernetPort = true;
    ASSERT_TRUE(Start(start));
    ListenToMotors();
    const std::string monitorA = WriteMonitorFile("a", 3, "Ra"), monitorB = WriteMonitorFile("b", 3, "Rb");
    // A chart item whose read fails stops the chart's sampling and says so.
    AutoAnswer("Polling of chart items stopped.", "OK");
    AutoAnswer("Do you want to save changes to the current project?", "No");

    // The tuner on motor 1, then every other window, with motor 3 as the terminal's target.
    QPointer<tuning::gui::CTunerDlg> tuner;
    auto openTuner = [&] {
        EXPECT_TRUE(TypeAndWait("1RP", "0"));
        EXPECT_TRUE(Command(cmd::ID_TUNER));
        tuner = Tuner();
        EXPECT_TRUE(TypeAndWait("3RP", "0"));
        return tuner && tuner->Form().Motor() == Project().Port(0)->GetMotor(1);
    };
    ASSERT_TRUE(openTuner());
    QPointer<CMonitorDlg> a = OpenMonitor(monitorA), b = OpenMonitor(monitorB);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(Command(cmd::ID_CHART_VIEW));
    QPointer<CChartViewDlg> chart = dynamic_cast<CChartViewDlg*>(frame->ChartView());
    ASSERT_NE(chart, nullptr);
    AddPredefinedItem(QStringLiteral("Velocity"));
    chart->Action(chartview::ID_ADD_ITEM)->trigger();
    auto sampleChart = [&] {
        if (!chart->Form().Sampling())
            chart->Action(chartview::ID_START)->trigger();
        return chart->Form().Sampling();
    };
    ASSERT_TRUE(sampleChart());
    QPointer<CMotorViewDlg> v1 = OpenView(1), v2 = OpenView(2), v4 = OpenView(4);
    ASSERT_TRUE(v1 && v2 && v4);
    EXPECT_EQ(v4->Form().Motor()->GetListIndex(), -1);
    auto pollViews = [&] {
        for (CMotorViewDlg* v : {v1.data(), v2.data(), v4.data()})
            PollView(v);
    };
    pollViews();
    ASSERT_TRUE(Command(cmd::ID_PLAYGROUND));
    QPointer<tools::gui::CPlaygroundDlg> pg = Playground();
    ConnectPlayground(3);
    const std::set<std::string> everyone = {"monitor a", "monitor b", "chart", "view 1", "view 2", "view 4", "playground"};
    std::cout << "[ journey ] all open: " << Served(everyone) << "\n";
    // The views of motors 1 and 2 are kept with the project.
    ASSERT_TRUE(Command(cmd::ID_SAVE_PROJECT));

    // What every window that is left shows once the chain's port is no longer the project's: the
    // views went with their motors and port, the playground has no motor and lists the project's
    // ports, the tuner was asked for another motor and closed; the monitors keep their keys and
    // poll on, the chart samples on with its item reading "N/A"; nothing reaches the chain.
    auto portGone = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_TRUE(WaitFor([&] { return v1.isNull() && v2.isNull() && v4.isNull(); }));
        EXPECT_TRUE(WaitFor([&] { return tuner.isNull(); }));
        ASSERT_TRUE(pg && a && b && chart);
        EXPECT_EQ(pg->Form().Motor(), nullptr);
        EXPECT_EQ(PlaygroundMotors(), 0);
        EXPECT_TRUE(a->Form().Polling() && b->Form().Polling());
        EveryMonitorPolls();
        EXPECT_TRUE(WaitFor([&] { return chart->Form().Rows()[0].last == "N/A"; }));
        EXPECT_TRUE(chart->Form().Sampling());
        Silent();
    };
    // The tuner's question after its motor went: no other motor, and the window closes.
    AutoAnswer("Do you want to close the Tuning Window?", "Yes");
    auto tunerCloses = [&] { AnswerSelectMotor(0); };
    // The chain's project again: its stored views come back bound to its motors 1 and 2, the
    // monitors find motor 3 by their keys, the chart samples it again, the tuner opens on motor
    // 1, and the user connects the playground and opens the view of address 4 again.
    auto reopen = [&](const char* step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(OpenFile(ProjectFile(), cmd::ID_OPEN_PROJECT));
        ASSERT_TRUE(WaitFor([&] { return View(0) && View(1); }));
        v1 = View(0);
        v2 = View(1);
        EXPECT_EQ(v1->Form().Motor(), Project().Port(0)->GetMotor(1));
        EXPECT_EQ(v2->Form().Motor(), Project().Port(0)->GetMotor(2));
        v4 = OpenView(4);
        pollViews();
        ASSERT_TRUE(openTuner());
        ASSERT_TRUE(sampleChart());
        ConnectPlayground(3);
        std::cout << "[ journey ] " << step << ": " << Served(everyone) << "\n";
        EveryMonitorPolls();
    };

    // A source document with changes among them: the change offers to save it, and it closes
    // with the project's documents ("No": nothing is written).
    ASSERT_TRUE(Command(cmd::ID_FILE_NEW));
    QPointer<QWidget> document = ActiveDocument();
    ASSERT_NE(document, nullptr);
    QTest::keyClicks(document, QStringLiteral("RP"));
    bool askedToSave = false;
    AnswerWindow<QDialog>(
        [&](QDialog* box) {
            auto* text = box->findChild<QLabel*>(QStringLiteral("1069"));
            askedToSave = text && text->text().contains(QStringLiteral("Save changes to Untitled?"));
            Press(box, QStringLiteral("No"));
        },
        QStringLiteral("save-document"));

    tunerCloses();
    ASSERT_TRUE(Command(cmd::ID_CLOSE_PROJECT));
    EXPECT_TRUE(askedToSave) << "the project closed without offering to save the document";
    EXPECT_TRUE(WaitFor([&] { return document.isNull(); })) << "the document stayed open without its project";
    portGone("File > Close Project");
    reopen("the project reopened");

    // File > New Project (no detection): the same as a closed project.
    tunerCloses();
    AutoAnswer(QString::fromLatin1("Do you want VQX to automatically detect the motors?"), "No");
    AnswerWindow<CPageDlg>(
        [](CPageDlg* d) { Press(d, QStringLiteral("OK")); }, QStringLiteral("new-project"));
    ASSERT_TRUE(Command(cmd::ID_NEW_PROJECT));
    portGone("File > New Project");
    reopen("the project reopened after a new one");

    // Detect Motors finds motor 4 too and replaces the chain's motors: the views of motors 1 and
    // 2 go, the view of address 4 keeps its own motor and port; the tuner takes motor 1 again.
    AutoAnswer("Do you want to detect/address the motors", "Yes");
    AutoAnswer("The operation finished successfully.", "OK");
    AnswerSelectMotor(1);
    AnswerWindow<CDifferentSettingsDlg>([](CDifferentSettingsDlg* d) { Click(d, 1); }, QStringLiteral("different"), 60000, false);
    ASSERT_TRUE(Command(cmd::ID_DETECT_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return Project().Port(0)->GetMotor(4) != nullptr; }, 60000));
    EXPECT_TRUE(WaitFor([&] { return v1.isNull() && v2.isNull(); }));
    ASSERT_FALSE(v4.isNull());
    EXPECT_EQ(v4->Form().Motor()->GetListIndex(), -1);
    ASSERT_TRUE(WaitFor([&] { return tuner && tuner->Form().Motor() == Project().Port(0)->GetMotor(1); }));
    ASSERT_TRUE(pg && a && b && chart);
    EXPECT_EQ(pg->Form().Motor(), nullptr);
    EXPECT_EQ(ChainEntryPort(), 0);
    v1 = OpenView(1);
    v2 = OpenView(2);
    pollViews();
    ConnectPlayground(3);
    std::cout << "[ journey ] motors detected: " << Served(everyone) << "\n";
    EveryMonitorPolls();

    // Port Properties renames the port: its motors are taken over anew, so the views of motors 1
    // and 2 go again and the tuner asks; the port stays, and with it the view of address 4.
    AnswerSelectMotor(1);
    AnswerWindow<CPageDlg>(
        [](CPageDlg* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("1023"));
            ASSERT_NE(name, nullptr);
            name->setText(QStringLiteral("Renamed"));
            Press(d, QStringLiteral("OK"));
        },
        QStringLiteral("port-properties"));
    Tree().Tree()->setCurrentItem(Tree().ItemOf(0));
    ASSERT_TRUE(Command(shell::ids::kTreeProperties));
    ASSERT_EQ(Project().Port(0)->Name, "Renamed");
    EXPECT_TRUE(WaitFor([&] { return tuner && tuner->Form().Motor() == Project().Port(0)->GetMotor(1); }));
    ASSERT_FALSE(v4.isNull());
    ASSERT_TRUE(pg && a && b && chart);
    for (QPointer<CMotorViewDlg>* v : {&v1, &v2})
        if (v->isNull())
            *v = OpenView(v == &v1 ? 1 : 2);
    EXPECT_EQ(v1->Form().Motor(), Project().Port(0)->GetMotor(1));
    pollViews();
    if (!pg->Form().Connected())
        ConnectPlayground(3);
    // The chart stops when a read fails while the port reopens; the user starts it again.
    ASSERT_TRUE(sampleChart());
    std::cout << "[ journey ] port renamed: " << Served(everyone) << "\n";
    EveryMonitorPolls();

    // Communication Settings deletes the chain's port. The dialog's copy holds the ports closed
    // while it runs, and no window reads them meanwhile; then the windows let go of the port as
    // when the project closed. The Ethernet port is the first now and has no motor at the
    // monitors' key: every monitor keeps its key and polls on, its item failing.
    tunerCloses();
    AutoAnswer("Are you sure you want to delete the selected port?", "Yes");
    AnswerWindow<CPageDlg>(
        [](CPageDlg* d) {
            auto* list = d->findChild<QTreeWidget*>(QStringLiteral("1026"));
            ASSERT_NE(list, nullptr);
            ASSERT_EQ(list->topLevelItemCount(), 2);
            // The user looks at the list a moment: the poll ticks go on meanwhile.
            QTest::qWait(300);
            list->setCurrentItem(list->topLevelItem(0));
            Click(d, 2005);
            EXPECT_EQ(list->topLevelItemCount(), 1);
            Press(d, QStringLiteral("OK"));
        },
        QStringLiteral("communication-settings"));
    ASSERT_TRUE(Command(cmd::ID_COMM_SETTINGS));
    ASSERT_EQ(Project().PortCount(), 1);
    EXPECT_EQ(Project().Port(0)->CommType, COMM_ETHERNET);
    portGone("Communication Settings deletes the port");
    for (CMonitorDlg* m : Monitors()) {
        const CWatchItem* item = m->Form().List().At(0);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ChannelIndex, 0);
        EXPECT_EQ(item->MotorAddress, 3);
        EXPECT_TRUE(WaitFor([&] { return m->Form().Indicator() == tools::kLinkFailed; })) << m->Form().Title();
    }
    EveryMonitorPolls();

    // The setup wizard finds the chain again, and Finish replaces the configuration with the one
    // detected (the chain's port first, with its four motors). The windows left live on: the
    // playground lists the chain again, the monitors and the chart find motor 3 by their key.
    // The wizard leaves the chain's port closed (it was not open before it), so a monitor that
    // read it before the user opened it failed as its item says and stopped; the user opens the
    // port by typing, starts what stopped, and opens the views, the tuner and the connection again.
    AutoAnswer("not able to find any motors on the", "No"); // the network and USB searches
    AutoAnswer("could not communicate", "No");
    // F1 on a page of the wizard opens that page's part of the guide, as Help does.
    const auto wizardHelp = [this](QWidget* in, const char* anchor) {
        HelpOnF1(in);
        ASSERT_EQ(desktop.helpPages.size(), 1u) << anchor;
        EXPECT_TRUE(desktop.helpPages[0].first.ends_with("/help/VQXUsersGuide/CommunicationWizard.htm"))
            << desktop.helpPages[0].first;
        EXPECT_EQ(desktop.helpPages[0].second, anchor);
    };
    AnswerWindow<CCommWizardDlg>(
        [this, wizardHelp](CCommWizardDlg* w) {
            auto* next = w->findChild<QPushButton*>(QStringLiteral("1147"));
            ASSERT_NE(next, nullptr);
            wizardHelp(next, "Welcome");
            QTest::mouseClick(next, Qt::LeftButton);
            ASSERT_EQ(w->CurrentPage(), 2);
            auto* ports = w->findChild<QTableWidget*>(QStringLiteral("1003"));
            ASSERT_NE(ports, nullptr);
            bool chain = false;
            for (int r = 0; r < ports->rowCount(); ++r) {
                auto* kind = static_cast<QComboBox*>(ports->cellWidget(r, 2));
                if (ports->item(r, 1)->text().toStdString() == rig->DevicePath()) {
                    kind->setCurrentText(QStringLiteral("RS-232"));
                    chain = true;
                } else if (kind->isEnabled()) {
                    kind->setCurrentText(QString::fromLatin1(setup::kNoConnection)); // the machine's own lines
                }
            }
            ASSERT_TRUE(chain);
            wizardHelp(ports, "Ports");
            QTest::mouseClick(next, Qt::LeftButton);
            ASSERT_EQ(w->CurrentPage(), 5);
            wizardHelp(w->findChild<QRadioButton*>(QStringLiteral("1235")), "Decision");
            QTest::mouseClick(w->findChild<QRadioButton*>(QStringLiteral("1235")), Qt::LeftButton);
            QTest::mouseClick(next, Qt::LeftButton);
        },
        QStringLiteral("comm-wizard"), 120000);
    ASSERT_TRUE(Command(cmd::ID_COMM_WIZARD));
    ASSERT_GE(Project().PortCount(), 2);
    ASSERT_EQ(Project().Port(0)->PortName, rig->DevicePath());
    for (int address = 1; address <= 4; ++address)
        EXPECT_NE(Project().Port(0)->GetMotor(address), nullptr) << address;
    ASSERT_TRUE(pg && a && b && chart);
    EXPECT_EQ(pg->Form().Motor(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return ChainEntryPort() == 0; }));
    ASSERT_TRUE(openTuner());
    for (CMonitorDlg* m : Monitors()) {
        const CWatchItem* item = m->Form().List().At(0);
        EXPECT_EQ(item->ChannelIndex, 0);
        if (!m->Form().Polling()) {
            EXPECT_NE(item->ValueText.find("not open"), std::string::npos) << m->Form().Title() << ": " << item->ValueText;
            QTest::mouseClick(m->PollButton(), Qt::LeftButton);
        }
    }
    v1 = OpenView(1);
    v2 = OpenView(2);
    v4 = OpenView(4);
    ASSERT_TRUE(v1 && v2 && v4);
    EXPECT_EQ(v4->Form().Motor(), Project().Port(0)->GetMotor(4));
    pollViews();
    ASSERT_TRUE(sampleChart());
    ConnectPlayground(3);
    std::cout << "[ journey ] the setup wizard's Finish: " << Served(everyone) << "\n";
    EveryMonitorPolls();

    // VQX ends and starts again. The workspace is saved on the way out without asking, so the
    // project comes back as it was left: the chain's port open again, each monitor window of its
    // documents on its file, polling as it was; the views of motors 1, 2 and 4 bound by port and
    // motor index, polling as they were. The chart, the tuner and the playground are no documents
    // and stay closed.
    chart->Action(chartview::ID_STOP)->trigger();
    chart->Form().ClearModified();
    const std::vector<std::string> monitorsBefore = MonitorsShown(), viewsBefore = ViewsShown();
    EXPECT_EQ(viewsBefore.size(), 3u);
    ASSERT_TRUE(Restart(start));
    EXPECT_EQ(frame->Tuner(), nullptr);
    EXPECT_EQ(frame->Playground(), nullptr);
    EXPECT_EQ(frame->ChartView(), nullptr);
    ASSERT_GE(Project().PortCount(), 1);
    EXPECT_EQ(Project().Port(0)->PortName, rig->DevicePath());
    EXPECT_TRUE(Project().Port(0)->isOpen);
    EXPECT_EQ(MonitorsShown(), monitorsBefore);
    EXPECT_EQ(ViewsShown(), viewsBefore);
    std::cout << "[ journey ] restarted with " << monitorsBefore.size() << " monitor windows: "
              << Served({"monitor a", "monitor b", "view 1", "view 2", "view 4"}) << "\n";
}

// However a tool window goes (Escape, its close, a deferred delete, its parent destroyed, a deferred
// delete while a modal dialog it opened waits), the frame reaches it exactly while it lives: its
// notices, poll ticks, a detection and the program's close after it touch no window that went, and
// the code that ran the window's dialog touches nothing of the window once the dialog's loop ends.
TEST_F(EveryWindowJourney, EveryWayAToolWindowGoesEmptiesItsSlot)
{
    JourneyStart start;
    start.projectMotors = 3;
    ASSERT_TRUE(Start(start));
    EXPECT_TRUE(TypeAndWait("1RP", "0")); // the tuner's motor
    struct Kind {
        const char* name;
        std::function<QWidget*()> open;
        std::function<shell::IToolWindow*()> slot;
        std::function<void(QWidget*)> openBox; // runs a modal dialog of the window's own
        const char* answer = nullptr;          // its button pressed once the window went; none: declined
    };
    const std::string monitorFile = WriteMonitorFile("one", 3, "Ra");
    auto opened = [this](int id, const std::function<shell::IToolWindow*()>& slot) -> QWidget* {
        EXPECT_TRUE(Command(id));
        return dynamic_cast<QWidget*>(slot());
    };
    auto click = [](QWidget* w, int id) {
        auto* button = w->findChild<QPushButton*>(QString::number(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    };
    const std::vector<Kind> kinds = {
        {"monitor", [&] { return opened(cmd::ID_NEW_MONITOR, [this] { return frame->MonitorWindow(0); }); },
         [this] { return frame->MonitorWindow(0); },
         [](QWidget* w) { static_cast<CMonitorDlg*>(w)->RunCommand(tools::monitor::ID_WATCH_ADD); }},
        {"monitor asking whether to delete its item",
         [&]() -> QWidget* { return OpenMonitor(monitorFile); },
         [this] { return frame->MonitorWindow(0); },
         [](QWidget* w) {
             auto* mon = static_cast<CMonitorDlg*>(w);
             mon->List()->setCurrentItem(mon->List()->topLevelItem(0));
             mon->RunCommand(tools::monitor::ID_WATCH_DELETE);
         },
         "Yes"},
        {"motor view", [&]() -> QWidget* { return OpenView(2); }, [this] { return frame->MotorView(0); },
         [](QWidget* w) { static_cast<CMotorViewDlg*>(w)->MonitorPage()->RunCommand(tools::monitorpage::ID_ADD); }},
        {"chart", [&] { return opened(cmd::ID_CHART_VIEW, [this] { return frame->ChartView(); }); },
         [this] { return frame->ChartView(); },
         [](QWidget* w) { static_cast<CChartViewDlg*>(w)->Action(chartview::ID_ADD_ITEM)->trigger(); }},
        {"playground", [&] { return opened(cmd::ID_PLAYGROUND, [this] { return frame->Playground(); }); },
         [this] { return frame->Playground(); },
         [&](QWidget* w) {
             // The chain's port chosen, then its properties.
             ASSERT_TRUE(ChooseChainPort(w));
             click(w, tools::pg::kConfigure);
         }},
        {"tuner", [&] { return opened(cmd::ID_TUNER, [this] { return frame->Tuner(); }); },
         [this] { return frame->Tuner(); }, [&](QWidget* w) { click(w, tuning::tuner::kSelectMotor); }},
    };
    enum Way { Escape, Close, DeleteLater, ParentDestroyed, UnderItsBox };
    const std::vector<std::pair<Way, const char*>> ways = {{Escape, "Escape"},
                                                           {Close, "close"},
                                                           {DeleteLater, "deleteLater"},
                                                           {ParentDestroyed, "parent destroyed"},
                                                           {UnderItsBox, "deleteLater under its modal dialog"}};
    for (const Kind& kind : kinds)
        for (const auto& [way, wayName] : ways) {
            SCOPED_TRACE(std::string(kind.name) + ", " + wayName);
            QPointer<QWidget> w = kind.open();
            ASSERT_NE(w, nullptr);
            ASSERT_EQ(dynamic_cast<QWidget*>(kind.slot()), w.data());
            switch (way) {
            case Escape: QTest::keyClick(w, Qt::Key_Escape); break;
            case Close: w->close(); break;
            case DeleteLater: w->deleteLater(); break;
            case ParentDestroyed: {
                auto* parent = new QWidget;
                w->setParent(parent, w->windowFlags());
                delete parent;
                break;
            }
            case UnderItsBox: {
                // The window goes from a timer while its dialog waits; the dialog, when it did not
                // go with the window, is answered afterwards.
                bool boxCame = false;
                Answer([&boxCame, w, answer = kind.answer](QWidget* box) {
                    boxCame = true;
                    if (w)
                        QTimer::singleShot(0, w, [w] { w->deleteLater(); });
                    QTimer::singleShot(300, box, [box, answer] {
                        if (answer)
                            Press(box, QString::fromLatin1(answer));
                        else
                            Decline(box);
                    });
                });
                kind.openBox(w);
                EXPECT_TRUE(boxCame);
                EXPECT_TRUE(WaitFor([&] { return w.isNull(); })) << "the window did not go under its dialog";
                break;
            }
            }
            QTest::qWait(50);
            EXPECT_EQ(kind.slot() != nullptr, !w.isNull());
            frame->TellToolWindows({shell::SessionChange::PortsChanged});
            frame->PollTick();
            if (w) {
                // Escape does not close this one: closed for the next case.
                EXPECT_EQ(way, Escape);
                w->close();
                EXPECT_TRUE(WaitFor([&] { return w.isNull(); }));
            }
            EXPECT_EQ(kind.slot(), nullptr);
        }
    // Find Motors replaces the motors and tells every window in a slot; then the program ends.
    AutoAnswer("The operation finished successfully.", "OK");
    AutoAnswer("One or more Errors/Warnings were detected", "OK");
    AnswerWindow<CDifferentSettingsDlg>([](CDifferentSettingsDlg* d) { Click(d, 1); }, QStringLiteral("different"), 60000, false);
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    EXPECT_TRUE(frame->close());
}
