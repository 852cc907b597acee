// The main road in the real main frame, headless, on the transports other than the RS-232 chain:
// an RS-485 bus of three on the in-process line, three Ethernet motors on loopback addresses and
// two USB motors behind the fake bridge. In the port's terminal a report command to a motor the
// project does not know raises the communication-error query; its detection fills the port and
// the target combo; a command by address is answered in the received colour; the analyzer's page
// of the port logged the typed traffic and the program's.

#include "SimChainGui.h"
#include "TestAppContext.h"

#include "app/frame/gui/ProjectSession.h"
#include "app/project/gui/TerminalBar.h"
#include "app/project/gui/TerminalView.h"
#include "app/frame/gui/MainFrame.h"
#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "tests/common/LoopbackNet.h"
#include "tests/core/port/FakePort.h"
#include "tests/sim/usb/UsbRig.h"
#include "tests/support/platform/FakeUsbBridge.h"

#include <QComboBox>
#include <QTabBar>

#include <unistd.h>

namespace {

enum class Transport { Rs485, Ethernet, Usb };

class TransportsGui : public GuiTest, public ::testing::WithParamInterface<Transport> {
protected:
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        clock.Advance(std::chrono::seconds(2));
        h.context.Options().ShowTyping = false;
        h.context.Options().RunStartup = false;
        h.context.Options().RestoreSerialState = false;
        h.context.Options().ResponseTimeout = 200;
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    static vqxsim::MotorProfile Profile(int n, int baud)
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('E' << 24) | static_cast<uint32_t>(n);
        p.channel[0].baud = p.channel[1].baud = baud;
        return p;
    }
    std::vector<vqxsim::MotorProfile> Profiles(int count, int baud)
    {
        std::vector<vqxsim::MotorProfile> out;
        for (int i = 1; i <= count; ++i)
            out.push_back(Profile(i, baud));
        return out;
    }

    // Starts the motors of the transport; returns the port of the project that reaches them.
    int StartMotors(CProject& project)
    {
        auto indexOf = [&](uint8_t type) {
            for (int i = 0; i < project.PortCount(); ++i)
                if (project.Port(i)->CommType == type)
                    return i;
            return -1;
        };
        switch (GetParam()) {
        case Transport::Rs485: {
            static int n = 0;
            const std::string line = "gui-bus-" + std::to_string(getpid()) + "-" + std::to_string(++n);
            auto profiles = Profiles(3, 9600);
            for (size_t i = 0; i < profiles.size(); ++i)
                profiles[i].address = static_cast<int>(i) + 1;
            bus = vqxsim::FakeLineRig::Bus(profiles, line);
            auto port = std::make_unique<CCommPort>();
            port->PortName = line;
            port->Name = "Bus";
            port->CommType = COMM_RS485;
            port->BitPerSec = port->savedBitPerSec = 9600;
            port->Echo = 0;
            project.InsertPort(0, std::move(port));
            return 0;
        }
        case Transport::Ethernet:
            net = std::make_unique<LoopbackNet>(Profiles(3, 38400));
            return indexOf(COMM_ETHERNET);
        case Transport::Usb:
            usb = vqxsim::UsbRig::Start(bridge, Profiles(2, 38400), {{"USB-A", "USB-B"}, platform::usb::kMotorProduct});
            return indexOf(COMM_USB);
        }
        return -1;
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    HeadlessContext h;
    std::unique_ptr<vqxsim::FakeLineRig> bus;
    std::unique_ptr<LoopbackNet> net;
    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge installed{bridge};
    std::unique_ptr<vqxsim::UsbRig> usb;
};

} // namespace

TEST_P(TransportsGui, SilentReportDetectsTheMotorsThenTheyAnswer)
{
    CSerialDataAnalyzer analyzer;
    VisibleView shown;
    analyzer.SetView(&shown);
    h.context.SetTrafficLog(&analyzer);
    TestAppContext app(h.context);
    CMainFrame frame(app.context);
    CProjectSession session(frame);
    session.Start({});
    frame.Project().RunStartup(); // the ports saved open, as the program's start does
    CProject& project = session.Project();
    const int index = StartMotors(project);
    ASSERT_GE(index, 0);
    CTerminalBar& bar = session.TerminalBar();
    bar.UpdatePortTabs();
    bar.Tabs()->setCurrentIndex(index);
    ASSERT_EQ(bar.CurrentTab(), index);
    CCommPort& port = *project.Port(index);
    const int motors = GetParam() == Transport::Usb ? 2 : 3;

    // A report to a motor nobody knows: the query, Yes, the detection; the motors join the
    // default project silently and the combo lists them.
    h.questions.AnswerMessageBox(ui::IDYES);
    TypeLine(bar, "5RP");
    ASSERT_EQ(port.MotorCount(), motors) << ::testing::PrintToString(h.questions.MessageTexts()) << "\n"
                                         << bar.View(index)->toPlainText().toStdString();
    EXPECT_EQ(bar.MotorCombo()->count(), motors + 1);
    EXPECT_GE(h.questions.MessageBoxCount(), 1);

    // Now a motor answers by its address, in the received colour, and becomes the target.
    CTerminalTextView* view = bar.View(index);
    TypeLine(bar, "2RP");
    const auto& spans = view->Transcript().Spans();
    ASSERT_GE(spans.size(), 2u);
    EXPECT_EQ(spans.back().format, TermFormat::Response);
    EXPECT_EQ(spans.back().text, "0\n");
    EXPECT_EQ(spans[spans.size() - 2].format, TermFormat::Echo);
    EXPECT_TRUE(view->toPlainText().endsWith(QStringLiteral("\n2RP            0\n"))) << view->toPlainText().toStdString();
    EXPECT_EQ(bar.MotorCombo()->currentIndex(), 2);
    EXPECT_EQ(bar.GetTargetAddress(-1), 2);

    // The analyzer's page of the port saw the typed command and the detection's traffic.
    bool typed = false, program = false;
    const CSdaPage& page = analyzer.Page(index);
    for (int k = 0; k < page.EntryCount(); ++k) {
        typed |= (page.EntryAt(k).flags & SDA_FROM_TERMINAL) != 0;
        program |= (page.EntryAt(k).flags & SDA_FROM_PROGRAM) != 0;
    }
    EXPECT_TRUE(typed);
    EXPECT_TRUE(program);
}

std::string TransportName(const ::testing::TestParamInfo<Transport>& info)
{
    static const char* const names[] = {"Rs485", "Ethernet", "Usb"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportsGui,
                         ::testing::Values(Transport::Rs485, Transport::Ethernet, Transport::Usb), TransportName);
