// A USB port against simulated motors behind the fake bridge: the reset sweep that brings a motor
// left at another rate back to 38400, commands to each motor and to all, a rate change, and a
// replug that renumbers the bridges.

#include "core/backends/MotorUSB.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/core/backends/PortWithLinks.h"
#include "tests/sim/usb/UsbRig.h"

#include <gtest/gtest.h>

#include <memory>

namespace usb = platform::usb;

namespace {

struct UsbSimTest : ::testing::Test {
    usb::FakeUsbBridge bridge;
    usb::ScopedUsbBridge use{bridge};
    std::unique_ptr<vqxsim::UsbRig> rig = [this] {
        std::vector<vqxsim::MotorProfile> profiles = vqxsim::MakeProfiles(2); // both at 9600
        profiles[1].firmware = "461";
        vqxsim::UsbOptions o;
        o.serials = {"TQ-A", "TQ-B"};
        return vqxsim::UsbRig::Start(bridge, profiles, o);
    }();
    std::vector<std::unique_ptr<CMotorUSB>> links;
    PortWithLinks p{COMM_USB};

    void SetUp() override
    {
        links.push_back(std::make_unique<CMotorUSB>("TQ-A", 0));
        links.push_back(std::make_unique<CMotorUSB>("TQ-B", 1));
        p.motors.Add(1, links[0].get());
        p.motors.Add(2, links[1].get());
    }
};

} // namespace

TEST_F(UsbSimTest, ResetSweepThenEachMotorAndAllTogether)
{
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(CodeOf([&] { p.port.Query("RSP", 1); }), 1005); // the motor still runs at 9600
    for (auto& link : links)
        link->ResetBaudRates();
    EXPECT_EQ(rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 38400);
    EXPECT_EQ(p.port.Query("RSP", 1), "24576/450");
    EXPECT_EQ(p.port.Query("2RSP"), "24576/461");
    EXPECT_EQ(p.port.Query("RSP", 0), "24576/450\r24576/461");

    ASSERT_TRUE(links[1]->SetBaudRate(19200));
    EXPECT_EQ(rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 19200);
    EXPECT_EQ(p.port.Query("RSP", 2), "24576/461");
}

TEST_F(UsbSimTest, AReplugThatSwapsTheNumbersReachesEachMotorByItsSerialText)
{
    ASSERT_TRUE(p.port.OpenPort());
    for (auto& link : links)
        link->ResetBaudRates();
    p.port.ClosePort();
    const auto a = rig->Device(0);
    bridge.Unplug(a);
    bridge.Plug(a); // A is now device 1, B device 0
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(links[0]->DeviceNumber, 1);
    EXPECT_EQ(links[1]->DeviceNumber, 0);
    EXPECT_EQ(p.port.Query("RSP", 1), "24576/450");
    EXPECT_EQ(p.port.Query("RSP", 2), "24576/461");
}
