// The communication setup wizard on a fresh project against simulated motors: an RS-232 chain of
// three, an RS-485 bus of four, two Ethernet and two USB motors are found, named and detected page
// by page, and the project holds them afterwards. On a project that knows part of a bus, the
// serial-number list is edited and See Differences resolves the rest into the project. Cancelled
// on any page, it leaves the project untouched; a project with ten ports is refused.

#include "GuiFixture.h"
#include "TestAppContext.h"

#include "app/project/Project.h"
#include "app/setup/PortPages.h"
#include "app/setup/gui/CommWizardDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "platform/net/NetSettings.h"
#include "platform/serial/SerialProbe.h"
#include "tests/common/HeadlessContext.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/usb/UsbRig.h"
#include "tests/sim/wiring/FakeLineRig.h"
#include "tests/support/platform/FakeUsbBridge.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

#include <set>

#include <unistd.h>

namespace {

struct Lines final : platform::ISerialPortProbe {
    std::vector<std::string> names;
    std::vector<std::string> Candidates() override { return names; }
    platform::SerialPresence Probe(const std::string& name) override
    {
        return std::find(names.begin(), names.end(), name) != names.end() ? platform::SerialPresence::Present
                                                                           : platform::SerialPresence::NotFound;
    }
};

vqxsim::MotorProfile Profile(uint32_t serial, const char* firmware, int baud, bool echo)
{
    vqxsim::MotorProfile p;
    p.firmware = firmware;
    p.serial = serial;
    p.channel[0].baud = p.channel[1].baud = baud;
    p.echo[0] = echo;
    return p;
}

class CommWizard : public GuiTest {
protected:
    CommWizard()
    {
        h.context.Options().ResponseTimeout = 60;
        project.SetContext(&h.context);
    }
    template <class W = QWidget>
    W* Id(QWidget* parent, const char* name)
    {
        W* w = parent->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Continue(QWidget* dlg) { QTest::mouseClick(Id<QPushButton>(dlg, "1147"), Qt::LeftButton); }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessContext h;
    TestAppContext app{h.context};
    CProject project;
    Lines probe;
};

} // namespace

TEST_F(CommWizard, FreshProjectGetsChainBusNetworkAndUsbMotors)
{
    static int n = 0;
    ++n;
    const std::string chainLine = "wizard-chain-" + std::to_string(n);
    const std::string busLine = "wizard-bus-" + std::to_string(n);
    auto chain = vqxsim::FakeLineRig::Chain(
        vqxsim::MakeProfiles(3, Profile(('C' << 24) | 1, "450", 9600, true), true), chainLine);
    auto bus = vqxsim::FakeLineRig::Bus(vqxsim::MakeProfiles(4, Profile(('B' << 24) | 1, "450", 9600, false), true),
                                        busLine);
    // Two Ethernet motors on loopback addresses of their own.
    vqxsim::NetOptions o;
    const std::string base = "127." + std::to_string(150 + getpid() % 50) + "." + std::to_string(n % 250) + ".";
    o.firstAddress = base + "2";
    o.tcpPort = 10001;
    o.discoveryPort = 0;
    o.ipRestartMs = 50;
    auto net = vqxsim::NetRig::Start({Profile(('E' << 24) | 1, "450", 38400, false),
                                      Profile(('E' << 24) | 2, "462", 38400, false)},
                                     o);
    platform::net::NetSettings s;
    s.broadcastAddress = "127.255.255.255";
    s.udpPort = net->DiscoveryPort();
    s.udpLocalPort = 0;
    s.udpLocalAddress = "127.0.0.1";
    s.tcpPort = 10001;
    platform::net::ScopedNetSettings settings(s);
    // Two USB motors behind the bridge.
    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge useBridge(bridge);
    vqxsim::UsbOptions uo;
    uo.serials = {"TQ-W1", "TQ-W2"};
    vqxsim::MotorProfile u;
    u.firmware = "462";
    u.serial = ('U' << 24) | 1;
    auto usb = vqxsim::UsbRig::Start(bridge, vqxsim::MakeProfiles(2, u), uo);
    clock.Advance(std::chrono::seconds(2));
    probe.names = {busLine, chainLine};

    int changed = 0;
    bool sawEveryPage = false;
    WhenModal([&](QWidget* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Communication Setup Wizard");
        EXPECT_EQ(Id<QPushButton>(dlg, "1147")->text(), "Continue");
        Continue(dlg);
        // Page 2: the two lines, the network and USB.
        auto* rows = Id<QTableWidget>(dlg, "1003");
        ASSERT_EQ(rows->rowCount(), 4);
        std::map<std::string, QComboBox*> kinds;
        for (int r = 0; r < rows->rowCount(); ++r)
            kinds[rows->item(r, 1)->text().toStdString()] = static_cast<QComboBox*>(rows->cellWidget(r, 2));
        ASSERT_TRUE(kinds.count(chainLine) && kinds.count(busLine) && kinds.count("Network") && kinds.count("USB"));
        EXPECT_FALSE(kinds["Network"]->isEnabled());
        EXPECT_EQ(kinds["Network"]->currentText(), "Ethernet");
        kinds[busLine]->setCurrentText("RS-485 Motor Ch 0");
        EXPECT_EQ(kinds["USB"]->currentText(), "USB");
        Snapshot(dlg, "wizard-ports");
        Continue(dlg);
        // Page 3 for the bus: the motors have unique addresses up to 4.
        auto* heading = dlg->findChild<QWidget*>("208");
        ASSERT_TRUE(heading && heading->isVisible());
        Id<QLineEdit>(dlg, "1000")->setText("500");
        Continue(dlg);
        EXPECT_EQ(h.questions.MessageTexts().back(),
                  "Please enter a number between 1 and 100 for the highest address used in the RS485 bus.");
        Id<QLineEdit>(dlg, "1000")->setText("4");
        Continue(dlg);
        // Page 5 of a fresh project: only the detected configuration, Finish replaces.
        EXPECT_EQ(Id<QPushButton>(dlg, "1147")->text(), "Finish");
        auto* detected = Id<QTreeWidget>(dlg, "1149");
        EXPECT_TRUE(detected->isVisible());
        EXPECT_FALSE(Id<QTreeWidget>(dlg, "1150")->isVisible());
        for (QLabel* text : dlg->findChild<QWidget*>("222")->findChildren<QLabel*>())
            EXPECT_FALSE(text->isVisible()) << "the texts are hidden: " << text->text().toStdString();
        Snapshot(dlg, "wizard-decision");
        sawEveryPage = true;
        Continue(dlg);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "still open";
            static_cast<QDialog*>(dlg)->reject();
        }
    });
    ASSERT_TRUE(RunCommWizard(nullptr, project, {app.context, {}, nullptr, &probe}, false, [&] { ++changed; }));
    EXPECT_TRUE(sawEveryPage);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(project.modified);
    std::map<std::string, const CCommPort*> ports;
    for (int i = 0; i < project.PortCount(); ++i)
        ports[project.Port(i)->PortName] = project.Port(i);
    ASSERT_TRUE(ports.count(chainLine) && ports.count(busLine));
    ASSERT_EQ(ports.size(), 4u);
    const CCommPort& c = *ports[chainLine];
    EXPECT_EQ(c.CommType, COMM_RS232);
    ASSERT_EQ(c.motors.GetCount(), 3);
    EXPECT_EQ(c.motors.GetAt(2)->Name, "Motor3-" + chainLine);
    EXPECT_EQ(c.motors.GetAt(0)->Version, "450");
    const CCommPort& b = *ports[busLine];
    EXPECT_EQ(b.CommType, COMM_RS485);
    ASSERT_EQ(b.motors.GetCount(), 4);
    for (int a = 1; a <= 4; ++a)
        EXPECT_NE(b.GetMotor(a), nullptr) << a;
    const CCommPort* e = nullptr;
    const CCommPort* usbPort = nullptr;
    for (const auto& [name, port] : ports) {
        if (port->CommType == COMM_ETHERNET)
            e = port;
        if (port->CommType == COMM_USB)
            usbPort = port;
    }
    ASSERT_NE(usbPort, nullptr);
    ASSERT_EQ(usbPort->motors.GetCount(), 2);
    EXPECT_EQ(usbPort->motors.GetAt(0)->Version, "462");
    EXPECT_EQ(std::set<uint32_t>({usbPort->motors.GetAt(0)->SerialNumber, usbPort->motors.GetAt(1)->SerialNumber}),
              std::set<uint32_t>({u.serial, u.serial + 1}));
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->motors.GetCount(), 2);
    EXPECT_EQ(e->motors.GetAt(0)->EthernetAddress().rfind(base, 0), 0u) << e->motors.GetAt(0)->EthernetAddress();
    EXPECT_NE(h.info.Lines().size(), 0u);
    EXPECT_TRUE(h.questions.ScriptErrors().empty());
}

TEST_F(CommWizard, SerialNumberListAndSeeDifferencesOnAProjectThatKnowsPartOfTheBus)
{
    static int n = 0;
    ++n;
    const std::string busLine = "wizard-diff-" + std::to_string(n);
    auto bus = vqxsim::FakeLineRig::Bus(vqxsim::MakeProfiles(3, Profile(('B' << 24) | 1, "450", 9600, false), true),
                                        busLine);
    clock.Advance(std::chrono::seconds(2));
    probe.names = {busLine};
    // The project knows the bus with its first motor only.
    {
        auto port = std::make_unique<CCommPort>();
        port->Name = "Line A";
        port->PortName = busLine;
        port->CommType = COMM_RS485;
        port->Echo = 0;
        auto motor = std::make_unique<CMotor>();
        motor->Name = "Axis 1";
        motor->Address = 1;
        ASSERT_FALSE(setup::AddMotorToPort(*port, std::move(motor)));
        project.AddPort(std::move(port));
    }
    project.isDefault = false;
    project.modified = false;
    const std::string serialB9 = FormatSerialNumber(('B' << 24) | 9);

    int changed = 0;
    bool decided = false;
    WhenModal([&](QWidget* dlg) {
        Continue(dlg);
        auto* rows = Id<QTableWidget>(dlg, "1003");
        ASSERT_EQ(rows->rowCount(), 3);
        for (int r = 0; r < rows->rowCount(); ++r) {
            auto* kind = static_cast<QComboBox*>(rows->cellWidget(r, 2));
            kind->setEnabled(true);
            kind->setCurrentText(rows->item(r, 1)->text().toStdString() == busLine ? "RS-485 Motor Ch 0" : "No Connection");
        }
        Continue(dlg);
        // Page 3: not addressed, more than one motor, all version 5: the serial-number list.
        QTest::mouseClick(Id<QRadioButton>(dlg, "no1"), Qt::LeftButton);
        QTest::mouseClick(Id<QRadioButton>(dlg, "no2"), Qt::LeftButton);
        QTest::mouseClick(Id<QRadioButton>(dlg, "yes3"), Qt::LeftButton);
        auto* list = dlg->findChild<QWidget*>("208")->findChild<QTreeWidget*>("1003");
        ASSERT_TRUE(list && list->isVisible());
        QTest::mouseClick(Id<QPushButton>(dlg, "2008"), Qt::LeftButton);
        EXPECT_EQ(h.questions.MessageTexts().back(), setup::kSelectItem);
        // Insert adds through "Motor Serial Number", offering the lowest free address.
        WhenModal([&](QWidget* serial) {
            EXPECT_EQ(serial->windowTitle(), "Motor Serial Number");
            EXPECT_EQ(Id<QLineEdit>(serial, "1025")->text(), "1");
            Id<QLineEdit>(serial, "1017")->setText(QString::fromStdString(serialB9));
            Id<QLineEdit>(serial, "1025")->setText("2");
            QTest::mouseClick(Id<QPushButton>(serial, "1"), Qt::LeftButton);
        });
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Insert);
        ASSERT_EQ(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(2), "2");
        // F2 edits the selected motor: another name and address.
        list->setCurrentItem(list->topLevelItem(0));
        WhenModal([&](QWidget* serial) {
            EXPECT_EQ(Id<QLineEdit>(serial, "1017")->text().toStdString(), serialB9);
            Id<QLineEdit>(serial, "1023")->setText("Axis B");
            Id<QLineEdit>(serial, "1025")->setText("3");
            QTest::mouseClick(Id<QPushButton>(serial, "1"), Qt::LeftButton);
        });
        QTest::keyClick(list, Qt::Key_F2);
        EXPECT_EQ(list->topLevelItem(0)->text(1), "Axis B");
        EXPECT_EQ(list->topLevelItem(0)->text(2), "3");
        // Add: an address another motor of the port uses is refused; the dialog stays until Cancel.
        WhenModal([&](QWidget* serial) {
            Id<QLineEdit>(serial, "1017")->setText(QString::fromStdString(serialB9));
            Id<QLineEdit>(serial, "1025")->setText("3");
            QTest::mouseClick(Id<QPushButton>(serial, "1"), Qt::LeftButton);
            EXPECT_TRUE(serial->isVisible());
            EXPECT_EQ(h.questions.MessageTexts().back(), "Another motor of this port uses address 3.");
            QTest::mouseClick(Id<QPushButton>(serial, "2"), Qt::LeftButton);
        });
        QTest::mouseClick(Id<QPushButton>(dlg, "2004"), Qt::LeftButton);
        EXPECT_EQ(list->topLevelItemCount(), 1);
        // Delete asks; Yes removes it.
        h.questions.AnswerMessageBox(ui::IDYES);
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(h.questions.MessageTexts().back(), setup::kDeleteMotorQuestion);
        EXPECT_EQ(list->topLevelItemCount(), 0);
        // After all, the motors have unique addresses up to 3: the bus is scanned.
        QTest::mouseClick(Id<QRadioButton>(dlg, "yes1"), Qt::LeftButton);
        Id<QLineEdit>(dlg, "1000")->setText("3");
        Continue(dlg);
        // Page 5: both trees; See Differences resolves the two new motors into the project.
        ASSERT_EQ(Id<QPushButton>(dlg, "1147")->text(), "Finish");
        auto* current = Id<QTreeWidget>(dlg, "1150");
        EXPECT_TRUE(current->isVisible());
        EXPECT_EQ(current->topLevelItem(0)->child(0)->childCount(), 1);
        EXPECT_TRUE(Id<QRadioButton>(dlg, "1237")->isChecked());
        WhenModal([&](QWidget* resolve) {
            EXPECT_EQ(resolve->objectName(), "227");
            EXPECT_GE(Id<QTreeWidget>(resolve, "1003")->topLevelItemCount(), 2);
            QTest::mouseClick(Id<QPushButton>(resolve, "1"), Qt::LeftButton);
        });
        Id<QPushButton>(dlg, "1263")->click(); // (a mouse click lets the watcher see the wizard first)
        EXPECT_EQ(changed, 1) << "the views are rebuilt after See Differences";
        EXPECT_EQ(project.Port(0)->motors.GetCount(), 3);
        EXPECT_EQ(current->topLevelItem(0)->child(0)->childCount(), 3);
        EXPECT_TRUE(Id<QRadioButton>(dlg, "1237")->isChecked());
        decided = true;
        Continue(dlg);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "still open";
            static_cast<QDialog*>(dlg)->reject();
        }
    });
    ASSERT_TRUE(RunCommWizard(nullptr, project, {app.context, {}, nullptr, &probe}, false, [&] { ++changed; }));
    EXPECT_TRUE(decided);
    EXPECT_EQ(changed, 2);
    ASSERT_EQ(project.PortCount(), 1);
    const CCommPort& b = *project.Port(0);
    EXPECT_EQ(b.Name, "Line A");
    ASSERT_EQ(b.motors.GetCount(), 3);
    for (int a = 1; a <= 3; ++a)
        EXPECT_NE(b.GetMotor(a), nullptr) << a;
    EXPECT_TRUE(project.modified);
    EXPECT_TRUE(h.questions.ScriptErrors().empty());
}

TEST_F(CommWizard, CancelOnAnyPageLeavesTheProjectAndTenPortsAreRefused)
{
    auto port = std::make_unique<CCommPort>();
    port->Name = "Kept";
    port->PortName = "Com9";
    project.AddPort(std::move(port));
    project.modified = false;
    probe.names = {};
    // No serial device: still the network and USB; cancelled on page 2.
    WhenModal([&](QWidget* dlg) {
        Continue(dlg);
        EXPECT_EQ(Id<QTableWidget>(dlg, "1003")->rowCount(), 2);
        QTest::mouseClick(Id<QPushButton>(dlg, "2"), Qt::LeftButton);
    });
    EXPECT_FALSE(RunCommWizard(nullptr, project, {app.context, {}, nullptr, &probe}));
    ASSERT_EQ(project.PortCount(), 1);
    EXPECT_EQ(project.Port(0)->Name, "Kept");
    EXPECT_FALSE(project.modified);

    for (int i = 1; i < 10; ++i) {
        auto p = std::make_unique<CCommPort>();
        p->Name = 'P' + std::to_string(i);
        project.AddPort(std::move(p));
    }
    EXPECT_FALSE(RunCommWizard(nullptr, project, {app.context, {}, nullptr, &probe}));
    EXPECT_EQ(h.questions.MessageTexts().back(), "Too many serial ports!");
    EXPECT_EQ(h.questions.AskedQuestions().back().message.caption, "Error!");
}
