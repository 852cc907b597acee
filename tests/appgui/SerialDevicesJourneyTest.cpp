// Serial devices as Linux names them, through the real program: VQX started on a fresh home with
// the simulated chain of `make run` behind a link to a pseudo-terminal (VQX_PORT). The welcome
// box's default road reaches the chain and "RP" answers; a port moved onto the pseudo-terminal in
// Port Properties talks to it and can be renamed; the setup wizard lists the pseudo-terminal and a
// USB-serial adapter of the machine's device list and finds the chain on each.

#include "FreshHome.h"

#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/framework/gui/CommandTable.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "app/shell/gui/InfoBar.h"
#include "app/frame/gui/MainFrame.h"
#include "core/port/CommPort.h"
#include "app/frame/gui/VQXApp.h"
#include "platform/paths/Paths.h"
#include "tests/sim/wiring/SerialRig.h"
#include "tests/support/platform/UsbSysfsTree.h"

#include <QAbstractButton>
#include <QPointer>
#include <QSet>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include <filesystem>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

// How often each path was opened (a folder: listed) while it lives, as the kernel tells it.
class OpenCounter {
public:
    explicit OpenCounter(const std::vector<std::string>& paths)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_counts(paths.size(), 0)
    {
        for (const std::string& p : paths)
            m_watches.push_back(inotify_add_watch(m_fd, p.c_str(), IN_OPEN));
    }
    ~OpenCounter() { ::close(m_fd); }
    std::vector<int> Counts()
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            for (char* at = buffer; at < buffer + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(at);
                // A folder's own opening carries no name; its entries' do.
                for (size_t i = 0; i < m_watches.size(); ++i)
                    if (e->wd == m_watches[i] && e->len == 0)
                        ++m_counts[i];
                at += sizeof(inotify_event) + e->len;
            }
        return m_counts;
    }

private:
    int m_fd;
    std::vector<int> m_counts;
    std::vector<int> m_watches;
};

// Answers every modal dialog while a step of the program runs: `act` gets each one and returns
// true when it closed it; a dialog it leaves open is closed with Enter (its default button).
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<bool(QWidget*)> act) : m_act(std::move(act))
    {
        m_clock.start();
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            // The please-wait box of a running exchange is left alone, and so is a dialog whose
            // turn is running (a question it raised is answered inside that turn).
            if (!w || m_acting.contains(w) || w->objectName() == QStringLiteral("152"))
                return;
            m_acting.insert(w);
            const QString text = Describe(w);
            seen << text;
            if (qEnvironmentVariableIsSet("VQX_JOURNEY_TRACE"))
                fprintf(stderr, "modal %lld %s: %s\n", static_cast<long long>(m_clock.elapsed()), qPrintable(w->objectName()),
                        qPrintable(text.left(100)));
            // Acted on outside this timer's own event: Qt does not fire a timer again while its
            // event runs, and the turn may open further dialogs.
            QTimer::singleShot(0, this, [this, alive = QPointer<QWidget>(w), w] {
                if (alive && !m_act(w) && alive)
                    QTest::keyClick(w, Qt::Key_Return);
                m_acting.remove(w);
            });
        });
        m_timer.start();
    }
    static QString Describe(QWidget* w)
    {
        QString text = w->windowTitle();
        for (QLabel* l : w->findChildren<QLabel*>())
            if (!l->text().isEmpty())
                text += QStringLiteral(" | ") + l->text();
        return text;
    }
    QStringList seen;

private:
    std::function<bool(QWidget*)> m_act;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QSet<QWidget*> m_acting;
};

// Runs the event loop until `done` holds or the time is up (a margin for a loaded machine).
bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

} // namespace

namespace {

QPushButton* ButtonNamed(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->isVisible() && b->text().remove(QLatin1Char('&')) == text)
            return b;
    return nullptr;
}

int TabNamed(CTerminalBar& bar, const QString& name)
{
    for (int i = 0; i < bar.Tabs()->count(); ++i)
        if (bar.Tabs()->tabText(i) == name)
            return i;
    return -1;
}

} // namespace

class SerialDevicesJourney : public FreshHomeTest {
protected:
    SerialDevicesJourney() : FreshHomeTest(true)
    {
        // A machine without UARTs: the "Com<n>" names lead nowhere, whatever this machine has.
        for (int n = 1; n <= 30; ++n)
            registry.SetString(platform::RegHive::CurrentUser, "Software\\Korvessan\\Ports", "Com" + std::to_string(n),
                               dir / ("no-uart-" + std::to_string(n)));
        auto& p = platform::AppProfile();
        // Short reply timeouts (a setting of the Options dialog): a port without motors is given up
        // sooner; the simulated motors answer well inside them.
        p.WriteInt("Communication", "CalTimeouts", 0);
        p.WriteInt("Communication", "EchoTimeout", 100);
        p.WriteInt("Communication", "ResponseTimeout", 300);
        vqxsim::MotorProfile base;
        base.echo[0] = true;
        rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(3, base, true));
        // As `make run` names it: a link to the pseudo-terminal.
        link = dir / "vqx-motorsim-chain";
        std::filesystem::create_symlink(rig->DevicePath(), link);
    }

    CTerminalBar& Terminal(CVQXApp& app) { return *app.MainFrame()->findChild<CTerminalBar*>(); }
    // The text of the terminal pane of a port.
    static QString PaneText(CTerminalBar& bar, int port) { return bar.View(port)->toPlainText(); }
    // Types "RP" in the terminal and waits for its lines: the command and the motor's answer.
    static bool ChainAnswersRP(CTerminalBar& bar, int port)
    {
        const int before = PaneText(bar, port).count(QLatin1Char('\n'));
        QTest::keyClicks(bar.CommandEdit(), QStringLiteral("RP"));
        QTest::keyClick(bar.CommandEdit(), Qt::Key_Return);
        return WaitFor([&] { return PaneText(bar, port).count(QLatin1Char('\n')) >= before + 3; });
    }

    // `page` sees the wizard at each of its pages before Continue (or Finish) is pressed.
    QStringList RunWizard(CVQXApp& app, const std::function<void(QWidget*)>& page = {});
    // VQX started again on the same settings, the playground first: the project of the last run,
    // with the chain's tab and its three motors, talking to the motors at once.
    void ExpectTheProjectAfterARestart(const std::string& projectFile)
    {
        CVQXApp again(InstanceFolder());
        ASSERT_TRUE(again.InitInstance({}));
        auto* playground = dynamic_cast<QWidget*>(again.MainFrame()->Playground());
        ASSERT_NE(playground, nullptr) << "the playground is the first window";
        EXPECT_FALSE(again.MainFrame()->isVisible());
        auto* showMain = playground->findChild<QPushButton*>(QStringLiteral("1392"));
        ASSERT_NE(showMain, nullptr);
        QTest::mouseClick(showMain, Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return again.MainFrame()->isVisible(); }));
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
        EXPECT_EQ(again.MainFrame()->Project().Path(), projectFile);
        CTerminalBar& bar = Terminal(again);
        const int tab = TabNamed(bar, QStringLiteral("vqx-motorsim-chain"));
        ASSERT_GE(tab, 0) << "tabs: " << bar.Tabs()->count();
        EXPECT_EQ(bar.CurrentTab(), tab);
        // The tabs were made while the frame was hidden behind the playground: they are seen,
        // not only counted.
        EXPECT_TRUE(WaitFor([&] { return bar.Tabs()->isVisible() && bar.Tabs()->height() >= bar.Tabs()->sizeHint().height(); }))
            << "tab row " << bar.Tabs()->height() << " high";
        EXPECT_GE(bar.MotorCombo()->findText(QStringLiteral("Motor3-vqx-motorsim-chain")), 0) << "the detected motors";
        EXPECT_TRUE(ChainAnswersRP(bar, tab)) << PaneText(bar, tab).toStdString();

        // The last motor falls silent; the setup wizard, told to make a new project of what it
        // finds, makes it the program's project: recent, in front, its bars shown, its folder
        // the one the file dialogs start in.
        rig->WithMotor(2, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
        CMainFrame& frame = *again.MainFrame();
        frame.ShowControlBar(frame.ConfigBar(), false);
        frame.ShowControlBar(frame.TerminalBar(), false);
        bool decided = false;
        RunWizard(again, [&](QWidget* w) {
            auto* decision = w->findChild<QWidget*>(QStringLiteral("222"));
            if (decided || !decision || !decision->isVisible())
                return;
            decided = true;
            w->findChild<QRadioButton*>(QStringLiteral("1233"))->click();
        });
        EXPECT_TRUE(decided) << "the decision page";
        const std::string made = frame.Project().Path();
        EXPECT_NE(made, projectFile);
        EXPECT_EQ(again.RecentProjects().Find(made), 0) << made;
        EXPECT_TRUE(frame.ConfigBar()->isVisible());
        EXPECT_TRUE(frame.TerminalBar()->isVisible());
        EXPECT_EQ(std::filesystem::current_path().string(), platform::FolderPart(made));
        rig->WithMotor(2, [](vqxsim::SimMotor& m) { m.knobs.mute = false; });
        again.MainFrame()->close();
        again.ExitInstance(0);
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
    std::string link;
};

TEST_F(SerialDevicesJourney, FirstRunDefaultRoadReachesTheSimulatedChain)
{
    // A new user's road: the playground first, and the project saved through the question of
    // File > Exit ("Always save project when closed" off).
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 1);
    platform::AppProfile().WriteInt("Workspace", "SaveWorkspace", 0);
    qputenv("VQX_PORT", QByteArray::fromStdString(link));
    std::string projectFile;
    {
        CVQXApp app(InstanceFolder());
        bool askedToSave = false;
        ModalDriver driver([&askedToSave](QWidget* w) {
            Snapshot(w, QStringLiteral("first-run-") + w->objectName());
            if (ModalDriver::Describe(w).contains(QStringLiteral("Do you want to save changes to the current project?"))) {
                askedToSave = true;
                QTest::mouseClick(ButtonNamed(w, QStringLiteral("Yes")), Qt::LeftButton);
                return true;
            }
            // The first run's new project goes through the setup wizard; no motors are on the network
            // or USB here, so its offer to look there again is declined.
            if (w->windowTitle() == QStringLiteral("Detecting Motors on Ethernet") ||
                w->windowTitle() == QStringLiteral("Detecting Motors on USB"))
                for (QPushButton* b : w->findChildren<QPushButton*>())
                    if (b->isVisible() && b->text().remove(QLatin1Char('&')) == QStringLiteral("No")) {
                        QTest::mouseClick(b, Qt::LeftButton);
                        return true;
                    }
            return false;
        });
        ASSERT_TRUE(app.InitInstance({}));
        auto* playground = dynamic_cast<QWidget*>(app.MainFrame()->Playground());
        ASSERT_NE(playground, nullptr) << "the playground is the first window";
        QTest::mouseClick(playground->findChild<QPushButton*>(QStringLiteral("1392")), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return app.MainFrame()->isVisible(); }));
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeModalWidget() == nullptr; }));
        QTest::qWait(50);
        const QString dialogs = driver.seen.join(QStringLiteral("\n"));
        ASSERT_TRUE(driver.seen.size() >= 2) << dialogs.toStdString();
        EXPECT_TRUE(driver.seen[0].contains(QStringLiteral("Welcome to VQX!"))) << dialogs.toStdString();

        CTerminalBar& bar = Terminal(app);
        if (qEnvironmentVariableIsSet("VQX_JOURNEY_TRACE")) {
            for (int i = 0; i < bar.Tabs()->count(); ++i)
                fprintf(stderr, "tab %s\n", qPrintable(bar.Tabs()->tabText(i)));
            auto* info = app.MainFrame()->findChild<CInfoBar*>();
            for (int i = 0; info && i < info->List()->topLevelItemCount(); ++i)
                fprintf(stderr, "info %s\n", qPrintable(info->List()->topLevelItem(i)->text(0) + info->List()->topLevelItem(i)->text(1) + info->List()->topLevelItem(i)->text(2)));
        }
        ASSERT_GE(bar.Tabs()->count(), 1);
        // The chain's port is shown by its short name, the link in its tool tip.
        int chainTab = -1;
        for (int i = 0; i < bar.Tabs()->count(); ++i)
            if (bar.Tabs()->tabText(i) == QStringLiteral("vqx-motorsim-chain"))
                chainTab = i;
        ASSERT_GE(chainTab, 0) << dialogs.toStdString();
        EXPECT_EQ(bar.Tabs()->tabToolTip(chainTab).toStdString(), link);
        EXPECT_EQ(bar.CurrentTab(), chainTab) << "the chain is the first port";
        // The detected motors are named after the short name.
        EXPECT_EQ(bar.MotorCombo()->findText(QStringLiteral("Motor1-vqx-motorsim-chain")) >= 0, true)
            << bar.MotorCombo()->itemText(1).toStdString();
        auto* tree = app.MainFrame()->findChild<CConfigBar*>()->findChild<QTreeWidget*>();
        ASSERT_NE(tree, nullptr);
        const auto items = tree->findItems(QStringLiteral("vqx-motorsim-chain"), Qt::MatchStartsWith | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        EXPECT_EQ(items[0]->toolTip(0).toStdString(), link);
        EXPECT_EQ(items[0]->childCount(), 3) << "the chain's three motors";

        EXPECT_TRUE(ChainAnswersRP(bar, chainTab)) << PaneText(bar, chainTab).toStdString();
        Snapshot(app.MainFrame(), QStringLiteral("first-run-main-frame"));
        projectFile = app.MainFrame()->Project().Path();
        ASSERT_FALSE(projectFile.empty()) << "the first run made a project";
        EXPECT_EQ(std::filesystem::current_path().string(), platform::FolderPart(projectFile))
            << "the file dialogs start in the new project's folder";
        app.MainFrame()->close();
        EXPECT_TRUE(askedToSave);
        app.ExitInstance(0);
    }
    ExpectTheProjectAfterARestart(projectFile);
}


TEST_F(SerialDevicesJourney, PortPropertiesTakesATypedPseudoTerminalAndANewName)
{
    // A second chain that the port is moved onto.
    vqxsim::MotorProfile base;
    base.echo[0] = true;
    auto bench = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(3, base, true));
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    qputenv("VQX_PORT", QByteArray::fromStdString(link));
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    CTerminalBar& bar = Terminal(app);
    const int tab = TabNamed(bar, QStringLiteral("vqx-motorsim-chain"));
    ASSERT_EQ(tab, 0);
    EXPECT_TRUE(ChainAnswersRP(bar, tab)) << "the start-up port is open";

    auto* tree = app.MainFrame()->findChild<CConfigBar*>()->Tree();
    const auto items = tree->findItems(QStringLiteral("vqx-motorsim-chain"), Qt::MatchStartsWith | Qt::MatchRecursive);
    ASSERT_EQ(items.size(), 1);
    tree->setCurrentItem(items[0]);
    bool shown = false;
    ModalDriver driver([&](QWidget* w) {
        if (w->windowTitle() != QStringLiteral("Port Properties"))
            return false;
        shown = true;
        auto* serial = w->findChild<QComboBox*>(QStringLiteral("1008"));
        EXPECT_TRUE(serial->isEditable());
        EXPECT_EQ(serial->currentText().toStdString(), link) << "a device outside the list is shown as typed";
        // The list offers the machine's names and the start-up device.
        EXPECT_EQ(serial->itemText(0), QStringLiteral("Com1 (N/A)"));
        EXPECT_GE(serial->findText(QString::fromStdString(link)), 30);
        Snapshot(w, QStringLiteral("port-properties-device-path"));
        auto* name = w->findChild<QLineEdit*>(QStringLiteral("1023"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Bench"));
        serial->setFocus();
        serial->lineEdit()->selectAll();
        QTest::keyClicks(serial->lineEdit(), QString::fromStdString(bench->DevicePath()));
        QTest::mouseClick(ButtonNamed(w, QStringLiteral("OK")), Qt::LeftButton);
        return true;
    });
    app.MainFrame()->Commands().Execute(shell::ids::kTreeProperties);
    ASSERT_TRUE(shown) << driver.seen.join(QStringLiteral("\n")).toStdString();
    EXPECT_EQ(driver.seen.size(), 1) << driver.seen.join(QStringLiteral("\n")).toStdString();

    const int renamed = TabNamed(bar, QStringLiteral("Bench"));
    ASSERT_EQ(renamed, 0) << bar.Tabs()->tabText(0).toStdString();
    EXPECT_EQ(bar.Tabs()->tabToolTip(renamed).toStdString(), bench->DevicePath());
    bar.Tabs()->setCurrentIndex(renamed);
    // The port reopened on the new device: with the first chain gone, the second answers.
    rig->Stop();
    EXPECT_TRUE(bar.OpenButton()->isChecked());
    EXPECT_TRUE(ChainAnswersRP(bar, renamed)) << PaneText(bar, renamed).toStdString();
    app.MainFrame()->close();
    app.ExitInstance(0);
}

// Runs the setup wizard from the Communication menu, answering Continue/Finish and "not again" to
// the network and USB; the rows of its ports page are "name=device".
QStringList SerialDevicesJourney::RunWizard(CVQXApp& app, const std::function<void(QWidget*)>& page)
{
    QStringList listed;
    ModalDriver driver([&](QWidget* w) {
        if (w->windowTitle() == QStringLiteral("Communication Setup Wizard")) {
            if (page)
                page(w);
            auto* rows = w->findChild<QTableWidget*>(QStringLiteral("1003"));
            if (rows && rows->isVisible() && listed.isEmpty()) {
                for (int r = 0; r < rows->rowCount(); ++r)
                    listed << rows->item(r, 0)->text() + QStringLiteral("=") + rows->item(r, 1)->text();
                Snapshot(w, QStringLiteral("wizard-ports"));
            }
            return false; // Continue, Continue, Finish
        }
        // No motors on the network or USB: not again.
        if (ModalDriver::Describe(w).contains(QStringLiteral("try again"))) {
            QTest::mouseClick(ButtonNamed(w, QStringLiteral("No")), Qt::LeftButton);
            return true;
        }
        return false;
    });
    app.MainFrame()->Commands().Execute(cmd::ID_COMM_WIZARD);
    listed << QStringLiteral("dialogs:") + driver.seen.join(QLatin1Char('\n'));
    return listed;
}

TEST_F(SerialDevicesJourney, WizardFindsTheSimulatedChainOnThePseudoTerminal)
{
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    qputenv("VQX_PORT", QByteArray::fromStdString(link));
    CVQXApp app(InstanceFolder());
    ASSERT_TRUE(app.InitInstance({}));
    const QStringList listed = RunWizard(app);
    const std::string trace = listed.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("vqx-motorsim-chain=") + QString::fromStdString(link))) << trace;
    EXPECT_EQ(listed.size(), 4) << "the chain, Ethernet and USB: " << trace;

    CTerminalBar& bar = Terminal(app);
    const int chain = TabNamed(bar, QStringLiteral("vqx-motorsim-chain"));
    ASSERT_EQ(chain, 0) << trace;
    auto* tree = app.MainFrame()->findChild<CConfigBar*>()->Tree();
    const auto item = tree->findItems(QStringLiteral("vqx-motorsim-chain"), Qt::MatchStartsWith | Qt::MatchRecursive);
    ASSERT_EQ(item.size(), 1);
    ASSERT_EQ(item[0]->childCount(), 3) << "the detected motors replace none with empty ports: " << trace;
    EXPECT_EQ(item[0]->child(0)->text(0).toStdString().rfind("Motor1-vqx-motorsim-chain", 0), 0u)
        << item[0]->child(0)->text(0).toStdString();
    bar.Tabs()->setCurrentIndex(chain);
    EXPECT_TRUE(ChainAnswersRP(bar, chain)) << PaneText(bar, chain).toStdString();
    Snapshot(app.MainFrame(), QStringLiteral("wizard-main-frame"));
    app.MainFrame()->close();
    app.ExitInstance(0);
}

TEST_F(SerialDevicesJourney, WizardFindsAChainBehindAUsbSerialAdapterOfTheDeviceList)
{
    // A USB-serial adapter of the machine's device list, the simulated chain behind it; no
    // start-up device.
    platform::usb::UsbSysfsTree sysfs;
    sysfs.Add("ttyUSB0", "FT232R USB UART", "A9B8", rig->DevicePath());
    qputenv("VQX_USB_ROOT", QByteArray::fromStdString(sysfs.Root()));
    platform::AppProfile().WriteInt("Workspace", "FirstRun", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "StartQuestion", 0);
    platform::AppProfile().WriteInt("OptionBoxes", "ShowPlayground", 1);
    CVQXApp app(InstanceFolder());
    // Start-up (the default project's ports, the playground's port list) reads the device list
    // once and opens the adapter at most once.
    OpenCounter opened({sysfs.SysDir() + "/class/tty", rig->DevicePath()});
    ASSERT_TRUE(app.InitInstance({}));
    ASSERT_NE(app.MainFrame()->Playground(), nullptr) << "the playground's port list was filled";
    const std::vector<int> opens = opened.Counts();
    EXPECT_EQ(opens[0], 1) << "listings of the tty class";
    EXPECT_LE(opens[1], 1) << "opens of the adapter";
    const QStringList listed = RunWizard(app);
    const std::string trace = listed.join(QLatin1Char(',')).toStdString();
    const QString adapter = QString::fromStdString(sysfs.DevDir() + "/ttyUSB0");
    EXPECT_TRUE(listed.contains(QStringLiteral("ttyUSB0=") + adapter)) << trace;

    CTerminalBar& bar = Terminal(app);
    ASSERT_GE(TabNamed(bar, QStringLiteral("ttyUSB0")), 0) << trace;
    auto* tree = app.MainFrame()->findChild<CConfigBar*>()->Tree();
    const auto item = tree->findItems(QStringLiteral("ttyUSB0"), Qt::MatchStartsWith | Qt::MatchRecursive);
    ASSERT_EQ(item.size(), 1);
    EXPECT_EQ(item[0]->childCount(), 3) << trace;
    EXPECT_EQ(item[0]->toolTip(0), adapter);
    app.MainFrame()->close();
    app.ExitInstance(0);
}
