// A USB port with motors behind the fake bridge, including a replug that renumbers the devices.

#include "core/VQXException.h"
#include "core/backends/MotorUSB.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/core/backends/PortWithLinks.h"

#include <gtest/gtest.h>

#include <memory>

using namespace platform::usb;

namespace {

// Answers "RP" with its serial text, frames of 0x80, text and blank.
void AnswerWithSerial(const std::shared_ptr<FakeUsbDevice>& device)
{
    device->SetPeerBaud(38400);
    std::weak_ptr<FakeUsbDevice> weak = device;
    device->SetPeerListener([weak](const uint8_t* b, size_t n) {
        const std::string frame(reinterpret_cast<const char*>(b), n);
        if (auto d = weak.lock(); d && frame == "\x80RP ")
            d->PeerWrite(d->Serial() + "\r");
    });
}

struct PortUSBTest : ::testing::Test {
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    FakeUsbBridge bridge;
    ScopedUsbBridge bridgeScope{bridge};
    std::vector<std::shared_ptr<FakeUsbDevice>> devices;
    std::vector<std::unique_ptr<CMotorUSB>> links;
    PortWithLinks p{COMM_USB};

    void AddMotor(const std::string& serial)
    {
        devices.push_back(bridge.AddDevice(serial));
        AnswerWithSerial(devices.back());
        links.push_back(std::make_unique<CMotorUSB>(serial, static_cast<int>(links.size())));
        p.motors.Add(static_cast<int>(links.size()), links.back().get());
    }
};

} // namespace

TEST_F(PortUSBTest, MotorsAnswerAloneAndJoined)
{
    AddMotor("TQ-A");
    AddMotor("TQ-B");
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(p.port.Query("RP", 1), "TQ-A");
    EXPECT_EQ(p.port.Query("RP", 2), "TQ-B");
    EXPECT_EQ(p.port.Query("RP", 0), "TQ-A\rTQ-B");
    EXPECT_EQ(CodeOf([&] { p.port.Query("MP", 1); }), 1005); // not a report command: no reply
    p.port.ClosePort();
    EXPECT_FALSE(devices[0]->IsOpen());
    EXPECT_FALSE(devices[1]->IsOpen());
}

TEST_F(PortUSBTest, AReplugThatRenumbersStillReachesEachMotor)
{
    AddMotor("TQ-A");
    AddMotor("TQ-B");
    AddMotor("TQ-C");
    // Unplugged while the port was closed, plugged back in another order: C, A, and B gone.
    bridge.Unplug(devices[0]);
    bridge.Unplug(devices[1]);
    bridge.Plug(devices[0]);
    ASSERT_EQ(bridge.NumberOf(*devices[2]), 0);
    ASSERT_EQ(bridge.NumberOf(*devices[0]), 1);

    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_TRUE(p.motors.entries[0].available);
    EXPECT_FALSE(p.motors.entries[1].available);
    EXPECT_TRUE(p.motors.entries[2].available);
    EXPECT_EQ(links[0]->DeviceNumber, 1);
    EXPECT_EQ(links[2]->DeviceNumber, 0);
    EXPECT_EQ(p.port.Query("RP", 1), "TQ-A");
    EXPECT_EQ(p.port.Query("RP", 3), "TQ-C");
    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 2); }), 1005);
}

TEST_F(PortUSBTest, NoMotorReachableIsAUSBError)
{
    AddMotor("TQ-A");
    bridge.Unplug(devices[0]);
    EXPECT_EQ(CodeOf([&] { p.port.OpenPort(); }), 1046);
    EXPECT_EQ(p.port.isOpen, 0);
}

TEST_F(PortUSBTest, UnplugWhileOpenFailsTheNextCommand)
{
    AddMotor("TQ-A");
    ASSERT_TRUE(p.port.OpenPort());
    bridge.Unplug(devices[0]);
    EXPECT_EQ(CodeOf([&] { p.port.WriteCommand("MP", 1); }), 1018);
}

TEST_F(PortUSBTest, ACommandToAllReachesTheMotorsAfterAnUnpluggedOne)
{
    AddMotor("TQ-A");
    AddMotor("TQ-B");
    ASSERT_TRUE(p.port.OpenPort());
    bridge.Unplug(devices[0]);
    devices[1]->ClearWriteLog();
    EXPECT_EQ(CodeOf([&] { p.port.WriteCommand("WAKE", 0); }), 1018);
    const auto writes = devices[1]->WriteLog();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(std::string(writes[0].bytes.begin(), writes[0].bytes.end()), "\x80WAKE ");
    EXPECT_EQ(p.port.Query("RP", 0), "TQ-B");
}
