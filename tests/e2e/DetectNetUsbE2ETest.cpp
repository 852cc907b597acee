// Ethernet motors on loopback addresses and USB motors behind the fake bridge, end to end.

#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/detect/NetDetection.h"
#include "core/detect/USBDetection.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"
#include "platform/net/NetSettings.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/usb/UsbRig.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/support/ui/HeadlessQuestions.h"
#include "tests/common/CodeOf.h"
#include "tests/common/LoopbackNet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <unistd.h>
#include <set>

namespace {

vqxsim::MotorProfile Profile(uint32_t serial, const char* firmware = "450", int baud = 38400)
{
    vqxsim::MotorProfile p;
    p.firmware = firmware;
    p.serial = serial;
    p.channel[0].baud = p.channel[1].baud = baud;
    return p;
}

constexpr uint32_t Serial(uint32_t n) { return (uint32_t('E') << 24) | n; }

class DetectNetE2E : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void Start(std::vector<vqxsim::MotorProfile> profiles, vqxsim::NetOptions o = {})
    {
        net = std::make_unique<LoopbackNet>(profiles, o);
        base = net->base;
        rig = net->rig.get();
        port.SetContext(&context);
        port.CommType = COMM_ETHERNET;
        port.Name = "Net";
        port.PortName = "ETHERNET";
        port.Echo = 0;
    }

    platform::ManualClock clock; // sleeps pass at once; sockets still wait in real time
    platform::ScopedClock clockScope{clock};
    std::string base;
    std::unique_ptr<LoopbackNet> net;
    vqxsim::NetRig* rig = nullptr;
    CCommPort port;
};

TEST_F(DetectNetE2E, ThreeMotorsAreDiscoveredConnectedAndListed)
{
    Start({Profile(Serial(1)), Profile(Serial(2), "462"), Profile(Serial(3))});
    ASSERT_EQ(DetectNetMotors(port, nullptr, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 3);
    std::set<std::string> hosts;
    for (int i = 0; i < 3; ++i) {
        CMotor* m = port.motors.GetAt(i);
        EXPECT_EQ(m->Address, i + 1);
        EXPECT_EQ(port.GetMotor(i + 1), m);
        EXPECT_TRUE(m->IsAvailable);
        hosts.insert(m->EthernetAddress());
        EXPECT_EQ(m->EthernetAddress().rfind(base, 0), 0u) << m->EthernetAddress();
    }
    EXPECT_EQ(hosts.size(), 3u);
    EXPECT_EQ(port.Query("RBe", 2), "0") << "the port talks to each motor over its own connection";

    // A second run starts from an empty list: nothing from before counts as found.
    rig->Stop();
    EXPECT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_NONE);
    EXPECT_EQ(port.motors.GetCount(), 0);
    EXPECT_EQ(CodeOf([&] { DetectNetMotors(port, nullptr, DETECT_THROW); }), CVQXException::NoLink);
}

// Foreign datagrams all through the collection do not keep the empty polls from being counted,
// and an interface that answers every query twice is one motor.
TEST_F(DetectNetE2E, ForeignTrafficAndDoubleRepliesGiveOneMotorPerInterface)
{
    vqxsim::NetOptions o;
    o.repliesPerQuery = 2;
    o.foreignDatagramMs = 20;
    Start({Profile(Serial(1)), Profile(Serial(2)), Profile(Serial(3))}, o);
    ASSERT_EQ(DetectNetMotors(port, nullptr, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 3);
    std::set<std::string> hosts;
    for (int i = 0; i < 3; ++i)
        hosts.insert(port.motors.GetAt(i)->EthernetAddress());
    EXPECT_EQ(hosts.size(), 3u);
    EXPECT_EQ(port.GetMotor(4), nullptr);

    // The collection ended by its ten empty polls (counted 1..10 on the progress), not by the bound.
    std::vector<int64_t> polls;
    for (const auto& e : progress.Events()) {
        if (e.kind == ui::CHeadlessProgress::Event::SetText && e.subText == "Getting motors information...")
            break;
        if (e.kind == ui::CHeadlessProgress::Event::Notify && e.progressKind == ui::kProgressCount)
            polls.push_back(e.value);
    }
    EXPECT_EQ(polls, (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    for (int a = 1; a <= 3; ++a)
        EXPECT_EQ(port.Query("RSP", a), "24576/450");
}

TEST_F(DetectNetE2E, ReferencePortGivesItsAddressesAndTheListIsInAddressOrder)
{
    Start({Profile(Serial(1)), Profile(Serial(2))});
    CCommPort reference;
    auto* defined = new CMotor;
    defined->Address = 7;
    defined->SerialNumber = Serial(1);
    reference.motors.Add(defined);
    reference.RebuildAddressTable();
    ASSERT_EQ(DetectNetMotors(port, &reference, 0), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 2);
    EXPECT_LT(port.motors.GetAt(0)->Address, port.motors.GetAt(1)->Address);
    CMotor* moved = port.motors.GetAt(1);
    EXPECT_EQ(moved->Address, 7);
    EXPECT_EQ(moved->SerialNumber, Serial(1));
    EXPECT_EQ(moved->Name, "Motor7-Net");
    EXPECT_EQ(port.GetMotor(7), moved);
    EXPECT_EQ(port.MaxMotors, 10);
}

TEST_F(DetectNetE2E, MotorsBeyondMaxMotorsAreLeftOutWithAWarning)
{
    Start({Profile(Serial(1)), Profile(Serial(2)), Profile(Serial(3))});
    port.SetMaxMotors(2);
    ASSERT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_FOUND);
    EXPECT_EQ(port.motors.GetCount(), 2) << "addresses 1 and 2 are both used";
    EXPECT_EQ(info.WarningCount(), 1);
}

TEST_F(DetectNetE2E, MotorThatRefusesTcpIsIgnoredOrStopsTheRun)
{
    Start({Profile(Serial(1)), Profile(Serial(2)), Profile(Serial(3))});
    rig->SetRefuseTcp(1, true);
    questions.AnswerChoice(102); // ignore this motor
    ASSERT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_FOUND);
    EXPECT_EQ(port.motors.GetCount(), 2);
    ASSERT_EQ(questions.AskedQuestions().size(), 1u);
    EXPECT_EQ(questions.AskedQuestions()[0].choice.helpId, 176);
    EXPECT_NE(questions.AskedQuestions()[0].choice.text.find(rig->MotorAddress(1)), std::string::npos);
    for (int i = 0; i < port.motors.GetCount(); ++i)
        EXPECT_EQ(port.motors.GetAt(i)->Address, i + 1) << "the ignored motor leaves no gap";

    // Cancel: the run stops and keeps nothing.
    EXPECT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_CANCELLED);
    EXPECT_EQ(port.motors.GetCount(), 0);
}

// "Detect again" after waiting for a server starts the whole run over, texts included.
TEST_F(DetectNetE2E, DetectAgainRunsTheDiscoveryAgain)
{
    Start({Profile(Serial(1)), Profile(Serial(2))});
    rig->SetRefuseTcp(0, true);
    for (int a : {101, 103, 106, 109})
        questions.AnswerChoice(a);
    questions.AnswerChoice(102); // asked again in the second run: ignore the motor
    std::vector<std::string> texts; // the second line at each step, in order
    progress.SetPumpHook([&](ui::CHeadlessProgress& p, int, int64_t) { texts.push_back(p.State().SubText()); });
    ASSERT_EQ(DetectNetMotors(port, nullptr, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    progress.SetPumpHook(nullptr);
    ASSERT_EQ(port.motors.GetCount(), 1);
    EXPECT_EQ(port.motors.GetAt(0)->Address, 1);
    EXPECT_EQ(port.GetMotor(2), nullptr);
    size_t runs = 0;
    for (const auto& a : questions.AskedQuestions())
        runs += a.kind == ui::CHeadlessQuestions::Asked::Choice && a.choice.helpId == 176;
    EXPECT_EQ(runs, 2u);
    const auto getting = std::find(texts.begin(), texts.end(), "Getting motors information...");
    EXPECT_NE(std::find(getting, texts.end(), "Finding Ethernet Motors..."), texts.end())
        << "the second discovery shows its own text again";
}

TEST_F(DetectNetE2E, SetAddressRequestMovesTheMotor)
{
    Start({Profile(Serial(1)), Profile(Serial(2))});
    rig->SetRefuseTcp(1, true);
    const std::string moved = base + "9";
    // Change settings -> for another network -> no server -> static address; then, still
    // refused at the new address, ignore it.
    for (int answer : {101, 104, 115})
        questions.AnswerChoice(answer);
    questions.AnswerMotorIP(moved);
    questions.AnswerChoice(102);
    ASSERT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_FOUND);
    EXPECT_EQ(rig->MotorAddress(1), moved);
    const auto& asked = questions.AskedQuestions();
    ASSERT_GE(asked.size(), 5u);
    EXPECT_NE(asked[4].choice.text.find(moved), std::string::npos) << "asked again about the new address";
    EXPECT_EQ(port.motors.GetCount(), 1);
}

TEST(DetectNet, InvalidAddressTextIsRefusedWithoutSending)
{
    NetMotorRecord record;
    ui::COperationContext context;
    EXPECT_FALSE(SetNetMotorIP(context, record, "300.1.2.3"));
    EXPECT_FALSE(SetNetMotorIP(context, record, "10.0.0"));
    EXPECT_FALSE(SetNetMotorIP(context, record, ""));
}

TEST(DetectNet, Datagrams)
{
    NetMotorRecord r;
    const uint8_t id[6] = {1, 2, 3, 4, 0xAB, 0xCD};
    std::copy(id, id + 6, r.id);
    const auto request = SetAddressRequest(r, 0xC0A80105u);
    const std::vector<uint8_t> expected = {0, 0, 0, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P', 0, 0,
                                           0xAB, 0xCD, 192, 168, 1, 5};
    EXPECT_EQ(request, expected);

    uint8_t reply[30] = {0, 0, 0, 0xF7};
    std::copy(id, id + 6, reply + 24);
    NetMotorRecord parsed;
    ASSERT_TRUE(ParseDiscoveryReply(reply, 30, 0x0A000105u, parsed));
    EXPECT_EQ(parsed.Address(), "10.0.1.5");
    EXPECT_EQ(parsed.id[5], 0xCD);
    EXPECT_FALSE(ParseDiscoveryReply(reply, 29, 1, parsed));
    reply[3] = 0xF6;
    EXPECT_FALSE(ParseDiscoveryReply(reply, 30, 1, parsed)) << "a 30-byte datagram of another kind";
}

class DetectUsbE2E : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void Start(std::vector<vqxsim::MotorProfile> profiles, vqxsim::UsbOptions options = {})
    {
        rig = vqxsim::UsbRig::Start(bridge, profiles, options);
        port.SetContext(&context);
        port.CommType = COMM_USB;
        port.Name = "Usb";
        port.PortName = "USB";
        port.Echo = 0;
    }

    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge installed{bridge};
    std::unique_ptr<vqxsim::UsbRig> rig;
    CCommPort port;
};

TEST_F(DetectUsbE2E, TwoMotorsOneAtAWrongRateResetByTheSweep)
{
    Start({Profile(Serial(11)), Profile(Serial(12), "450", 9600)}, {{"USB-A", "USB-B"}, platform::usb::kMotorProduct});
    bridge.AddDevice("OTHER", "Some Other Bridge");
    ASSERT_EQ(DetectUSBMotors(port, nullptr, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 2);
    EXPECT_EQ(port.motors.GetAt(0)->Address, 1);
    EXPECT_EQ(port.motors.GetAt(1)->Address, 2);
    EXPECT_EQ(port.motors.GetAt(1)->SerialNumber, Serial(12));
    EXPECT_EQ(port.motors.GetAt(1)->USBCom->USBAddress, "USB-B");
    EXPECT_EQ(rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 38400);
}

TEST_F(DetectUsbE2E, ReferencePortMatchesByUsbSerialText)
{
    Start({Profile(Serial(11)), Profile(Serial(12))}, {{"USB-A", "USB-B"}, platform::usb::kMotorProduct});
    CCommPort reference;
    reference.CommType = COMM_USB;
    auto* defined = new CMotor;
    defined->Address = 3;
    defined->USBCom = std::make_shared<CMotorUSB>("USB-A", 0);
    reference.motors.Add(defined);
    reference.RebuildAddressTable();
    ASSERT_EQ(DetectUSBMotors(port, &reference, 0), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 2);
    EXPECT_EQ(port.motors.GetAt(0)->Address, 1);
    EXPECT_EQ(port.motors.GetAt(1)->Address, 3);
    EXPECT_EQ(port.motors.GetAt(1)->USBCom->USBAddress, "USB-A");
}

TEST_F(DetectUsbE2E, LibraryFailureAndNoDevicesAreToldApart)
{
    port.CommType = COMM_USB;
    EXPECT_EQ(DetectUSBMotors(port, nullptr, 0), DETECT_NONE);
    bridge.SetCountFails(true);
    EXPECT_EQ(DetectUSBMotors(port, nullptr, 0), DETECT_NO_USB_LIBRARY);
    EXPECT_EQ(CodeOf([&] { DetectUSBMotors(port, nullptr, DETECT_THROW); }), CVQXException::NoLink);
    port.CommType = COMM_RS232;
    EXPECT_EQ(DetectUSBMotors(port, nullptr, 0), DETECT_NONE);
}

} // namespace
