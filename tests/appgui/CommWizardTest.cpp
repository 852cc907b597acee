// The communication setup wizard on a fresh project against simulated motors: an RS-232 chain of
// three, an RS-485 bus of four and two Ethernet motors are found, named and detected page by page,
// and the project holds them afterwards. Cancelled on any page, it leaves the project untouched;
// a project with ten ports is refused.

#include "GuiFixture.h"

#include "app/project/Project.h"
#include "app/setup/gui/CommWizardDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "platform/clock/Clock.h"
#include "platform/net/NetSettings.h"
#include "platform/serial/SerialProbe.h"
#include "tests/common/HeadlessContext.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>

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
        ui::COperationContext::Default().SetQuestions(&h.questions);
        h.context.Options().ResponseTimeout = 60;
        project.SetContext(&h.context);
    }
    ~CommWizard() override { ui::COperationContext::Default().SetQuestions(nullptr); }
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
    CProject project;
    Lines probe;
};

} // namespace

TEST_F(CommWizard, FreshProjectGetsChainBusAndNetworkMotors)
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
        kinds["USB"]->setEnabled(true); // no USB motors here: the row is taken out
        kinds["USB"]->setCurrentText("No Connection");
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
        Snapshot(dlg, "wizard-decision");
        sawEveryPage = true;
        Continue(dlg);
        if (dlg->isVisible()) {
            ADD_FAILURE() << "still open";
            static_cast<QDialog*>(dlg)->reject();
        }
    });
    ASSERT_TRUE(RunCommWizard(nullptr, project, false, [&] { ++changed; }, &probe));
    EXPECT_TRUE(sawEveryPage);
    EXPECT_EQ(changed, 1);
    EXPECT_TRUE(project.modified);
    std::map<std::string, const CCommPort*> ports;
    for (int i = 0; i < project.PortCount(); ++i)
        ports[project.Port(i)->PortName] = project.Port(i);
    ASSERT_TRUE(ports.count(chainLine) && ports.count(busLine));
    ASSERT_EQ(ports.size(), 3u);
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
    for (const auto& [name, port] : ports)
        if (port->CommType == COMM_ETHERNET)
            e = port;
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->motors.GetCount(), 2);
    EXPECT_EQ(e->motors.GetAt(0)->EthernetAddress().rfind(base, 0), 0u) << e->motors.GetAt(0)->EthernetAddress();
    EXPECT_NE(h.info.Lines().size(), 0u);
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
    EXPECT_FALSE(RunCommWizard(nullptr, project, false, {}, &probe));
    ASSERT_EQ(project.PortCount(), 1);
    EXPECT_EQ(project.Port(0)->Name, "Kept");
    EXPECT_FALSE(project.modified);

    for (int i = 1; i < 10; ++i) {
        auto p = std::make_unique<CCommPort>();
        p->Name = "P" + std::to_string(i);
        project.AddPort(std::move(p));
    }
    EXPECT_FALSE(RunCommWizard(nullptr, project, false, {}, &probe));
    EXPECT_EQ(h.questions.MessageTexts().back(), "Too many serial ports!");
    EXPECT_EQ(h.questions.AskedQuestions().back().message.caption, "Error!");
}
