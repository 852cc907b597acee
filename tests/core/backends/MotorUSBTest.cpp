#include "core/backends/MotorUSB.h"
#include "tests/common/CodeOf.h"

#include "core/VQXException.h"
#include "platform/clock/Clock.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/core/backends/RecordingArchive.h"
#include "tests/core/backends/RecordingTrafficLog.h"

#include <gtest/gtest.h>


using namespace platform::usb;

namespace {

// A motor behind a fake bridge: answers report commands, follows BAUD, ignores the rest.
struct BridgeMotor {
    std::shared_ptr<FakeUsbDevice> device;
    std::vector<std::string> heard;
    std::string pending;

    BridgeMotor(FakeUsbBridge& bridge, const std::string& serial, uint32_t baud = 38400, int position = -1)
        : device(bridge.AddDevice(serial, kMotorProduct, position))
    {
        device->SetPeerBaud(baud);
        device->SetPeerListener([this](const uint8_t* b, size_t n) { Hear(b, n); });
    }
    void Hear(const uint8_t* b, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            const char c = static_cast<char>(b[i]);
            if (b[i] == 0x80)
                continue;
            if (c != ' ' && c != '\r') {
                pending += c;
                continue;
            }
            heard.push_back(pending);
            if (pending == "RSN")
                device->PeerWrite(device->Serial() + "\r");
            else if (pending.starts_with("BAUD"))
                device->SetPeerBaud(static_cast<uint32_t>(std::stoul(pending.substr(4))));
            pending.clear();
        }
    }
};

struct MotorUSBTest : ::testing::Test {
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    FakeUsbBridge bridge;
    ScopedUsbBridge bridgeScope{bridge};

    static std::string Query(CMotorUSB& usb, const std::string& command)
    {
        const std::string frame = "\x80" + command + " ";
        usb.WriteFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
        char reply[255];
        const size_t n = usb.ReadReply(reply, sizeof reply, 50);
        return std::string(reply, n);
    }
};

} // namespace

TEST_F(MotorUSBTest, OpenSetsTheLineAndRefusesAMissingDeviceNumber)
{
    BridgeMotor motor(bridge, "TQ100");
    CMotorUSB none;
    EXPECT_FALSE(none.Open());
    EXPECT_EQ(bridge.OpenCount(), 0);

    CMotorUSB usb("TQ100", 0);
    ASSERT_TRUE(usb.Open());
    EXPECT_TRUE(usb.IsOpen());
    EXPECT_EQ(motor.device->HostBaud(), 38400u);
    EXPECT_EQ(motor.device->LineControl(), 0x0800);
    EXPECT_TRUE(motor.device->Flow().IsNone());
    EXPECT_EQ(motor.device->FlushCount(), 1);
    EXPECT_EQ(Query(usb, "RSN"), "TQ100");

    usb.Close();
    EXPECT_FALSE(motor.device->IsOpen());
    bridge.SetOpenFails(true);
    EXPECT_FALSE(usb.Open());
    EXPECT_FALSE(usb.IsOpen());
}

TEST_F(MotorUSBTest, ReplugThatRenumbersOpensTheRightMotorOrNone)
{
    BridgeMotor a(bridge, "TQA");
    BridgeMotor b(bridge, "TQB");
    CMotorUSB usbA("TQA", 0), usbB("TQB", 1);

    // Both bridges are unplugged and come back in the other order.
    bridge.Unplug(a.device);
    bridge.Unplug(b.device);
    bridge.Plug(b.device);
    bridge.Plug(a.device);
    ASSERT_EQ(bridge.NumberOf(*a.device), 1);

    ASSERT_TRUE(usbA.Open());
    EXPECT_EQ(usbA.DeviceNumber, 1);
    EXPECT_TRUE(a.device->IsOpen());
    EXPECT_EQ(Query(usbA, "RSN"), "TQA");
    ASSERT_TRUE(usbB.Open());
    EXPECT_EQ(usbB.DeviceNumber, 0);
    EXPECT_EQ(Query(usbB, "RSN"), "TQB");

    // A motor whose bridge is gone fails to open; the one now at its number stays untouched.
    usbA.Close();
    usbB.Close();
    bridge.Unplug(a.device);
    const int opensBefore = bridge.OpenCount();
    CMotorUSB gone("TQA", 0);
    EXPECT_FALSE(gone.Open());
    EXPECT_EQ(bridge.OpenCount(), opensBefore);
    EXPECT_FALSE(b.device->IsOpen());

    // Another product at the stored number is not a motor, whatever its serial text.
    bridge.AddDevice("TQA", "Some Other Bridge", 0);
    EXPECT_FALSE(gone.Open());
    EXPECT_EQ(bridge.OpenCount(), opensBefore);
}

TEST_F(MotorUSBTest, ReadAndWriteErrorsMapToTheirCodes)
{
    BridgeMotor motor(bridge, "TQ1");
    CMotorUSB usb("TQ1", 0);
    uint8_t buf[4];
    size_t got = 9;
    EXPECT_EQ(CodeOf([&] { usb.Read(buf, 1, got, 10); }), 1017) << "read on a closed device";
    ASSERT_TRUE(usb.Open());
    EXPECT_EQ(CodeOf([&] { usb.Read(buf, 1, got, 10); }), 1005) << "nothing arrived";
    EXPECT_EQ(usb.Read(buf, 1, 10), 0u); // the port's view: nothing came
    char reply[16];
    EXPECT_EQ(CodeOf([&] { usb.ReadReply(reply, sizeof reply, 10); }), 1005) << "no reply";

    bridge.Unplug(motor.device);
    EXPECT_EQ(CodeOf([&] { usb.Read(buf, 1, got, 10); }), 1017) << "device unplugged";
    EXPECT_EQ(CodeOf([&] { usb.Write(buf, 1); }), 1018) << "device unplugged";
}

TEST_F(MotorUSBTest, CheckedWriteGoesInChunksOfEightAndIsLogged)
{
    BridgeMotor motor(bridge, "TQ1");
    CMotorUSB usb("TQ1", 0);
    RecordingTrafficLog log;
    usb.SetTrafficLog(&log, 3);
    ASSERT_TRUE(usb.Open());
    motor.device->ClearWriteLog();
    const std::string frame = "\x80" "a=1234567 b=9876543 "; // 21 bytes
    usb.WriteFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    const auto writes = motor.device->WriteLog();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].bytes.size(), 8u);
    EXPECT_EQ(writes[1].bytes.size(), 8u);
    EXPECT_EQ(writes[2].bytes.size(), 5u);
    ASSERT_EQ(log.entries.size(), 3u);
    for (const auto& e : log.entries) {
        EXPECT_EQ(e.flags, SDA_LOG_SENT);
        EXPECT_EQ(e.page, 3);
    }
    EXPECT_EQ(log.entries[0].bytes + log.entries[1].bytes + log.entries[2].bytes, frame);
    EXPECT_EQ(log.continues, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(clock.Slept(), std::chrono::milliseconds(15)); // 5 ms after each chunk

    log.entries.clear();
    EXPECT_EQ(Query(usb, "RSN"), "TQ1");
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries.back().flags, SDA_LOG_RECEIVED);
    EXPECT_EQ(log.entries.back().bytes, "TQ1\r");
}

TEST_F(MotorUSBTest, ResetBaudRatesReachesAMotorLeftAtAnyRate)
{
    BridgeMotor motor(bridge, "TQ1", 4800);
    CMotorUSB usb("TQ1", 0);
    ASSERT_TRUE(usb.Open());
    motor.device->ClearWriteLog();
    usb.ResetBaudRates();
    EXPECT_EQ(motor.device->PeerBaud(), 38400u);
    EXPECT_EQ(motor.device->HostBaud(), 38400u);
    // Six frames at each of the five rates, then the empty frame and ECHO_OFF at 38400.
    const auto writes = motor.device->WriteLog();
    ASSERT_EQ(writes.size(), 32u);
    const std::vector<uint32_t> rates = {115200, 19200, 9600, 4800, 2400};
    for (size_t r = 0; r < rates.size(); ++r)
        for (size_t f = 0; f < 6; ++f)
            EXPECT_EQ(writes[r * 6 + f].baud, rates[r]);
    EXPECT_EQ(std::string(writes[2].bytes.begin(), writes[2].bytes.end()), "\x80IFX\r");
    EXPECT_EQ(std::string(writes[5].bytes.begin(), writes[5].bytes.end()), "\x80" "BAUD38400\r");
    EXPECT_EQ(std::string(writes[31].bytes.begin(), writes[31].bytes.end()), "\x80" "ECHO_OFF\r");
    EXPECT_TRUE(writes[30].heard && writes[31].heard);
    EXPECT_EQ(motor.heard.back(), "ECHO_OFF");
    EXPECT_EQ(clock.Slept(), std::chrono::milliseconds(32 * 20));

    // Rates the bridge refuses are skipped without a word on the wire.
    bridge.SetAcceptedBaudRates({9600, 38400});
    motor.device->ClearWriteLog();
    usb.ResetBaudRates();
    EXPECT_EQ(motor.device->WriteLog().size(), 8u);
}

TEST_F(MotorUSBTest, SetBaudRateTellsTheMotorFirstThenFollows)
{
    BridgeMotor motor(bridge, "TQ1");
    CMotorUSB usb("TQ1", 0);
    ASSERT_TRUE(usb.Open());
    ASSERT_TRUE(usb.SetBaudRate(9600));
    EXPECT_EQ(motor.heard.back(), "BAUD9600");
    EXPECT_EQ(motor.device->PeerBaud(), 9600u);
    EXPECT_EQ(motor.device->HostBaud(), 9600u);
    EXPECT_EQ(Query(usb, "RSN"), "TQ1");
    EXPECT_FALSE(usb.SetBaudRate(12345));
}

TEST_F(MotorUSBTest, QueueOverrunAndCopiesThatStartClosed)
{
    BridgeMotor motor(bridge, "TQ1");
    CMotorUSB usb("TQ1", 0);
    ASSERT_TRUE(usb.Open());
    motor.device->PeerWrite("12");
    EXPECT_EQ(usb.BytesAvailable(), 2u);
    motor.device->SetRxQueueLimit(3);
    motor.device->PeerWrite("345");
    EXPECT_EQ(CodeOf([&] { usb.BytesAvailable(); }), 1009) << "overrun";

    CMotorUSB copy;
    copy = usb;
    EXPECT_FALSE(usb.IsOpen());
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_EQ(copy.USBAddress, "TQ1");
    EXPECT_EQ(copy.DeviceNumber, 0);
    ASSERT_TRUE(copy.Open());
    usb.Close();
    copy.Close();
    EXPECT_EQ(CodeOf([&] { usb.BytesAvailable(); }), 1046) << "closed";
}

TEST_F(MotorUSBTest, StoredFormKeepsAddressAndNumber)
{
    RecordingArchive ar;
    CMotorUSB usb("TQ7", 2);
    usb.Serialize(ar);
    EXPECT_EQ(ar.strings["USBAddress"], "TQ7");
    EXPECT_EQ(ar.ints["DeviceNumber"], 2);
}
