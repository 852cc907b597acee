#include "tests/support/platform/FakeUsbBridge.h"

#include <gtest/gtest.h>

#include <thread>

using namespace platform::usb;
using namespace std::chrono_literals;

namespace {
std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string ReadAll(FakeUsbBridge& bridge, Handle h, size_t max = 64)
{
    std::vector<uint8_t> buf(max);
    size_t n = 0;
    bridge.Read(h, buf.data(), buf.size(), n);
    return std::string(buf.begin(), buf.begin() + static_cast<long>(n));
}
} // namespace

TEST(FakeUsbBridge, EnumeratesProductAndSerialAndRejectsBadNumbers)
{
    FakeUsbBridge bridge;
    bridge.AddDevice("A100");
    bridge.AddDevice("X9", "Other Bridge");
    int count = -1;
    ASSERT_EQ(bridge.DeviceCount(count), Status::Success);
    EXPECT_EQ(count, 2);
    std::string text;
    EXPECT_EQ(bridge.DeviceText(0, text, ProductSelector::Description), Status::Success);
    EXPECT_EQ(text, "Tessaraxon(TM) USB Interface");
    EXPECT_EQ(bridge.DeviceText(1, text, ProductSelector::SerialNumber), Status::Success);
    EXPECT_EQ(text, "X9");
    EXPECT_EQ(bridge.DeviceText(2, text, ProductSelector::SerialNumber), Status::DeviceNotFound);
    Handle h;
    EXPECT_EQ(bridge.Open(5, h), Status::DeviceNotFound);
    EXPECT_EQ(h, kInvalidHandle);
    bridge.SetCountFails(true);
    EXPECT_EQ(bridge.DeviceCount(count), Status::SystemError);
}

TEST(FakeUsbBridge, PeerHearsOnlyAtItsBaudAndRepliesThroughTheListener)
{
    FakeUsbBridge bridge;
    auto dev = bridge.AddDevice("A100");
    dev->SetPeerBaud(38400);
    dev->SetPeerListener([&](const uint8_t* b, size_t n) {
        if (std::string(reinterpret_cast<const char*>(b), n) == "\x80RP ")
            dev->PeerWrite("1234\r");
    });
    Handle h;
    ASSERT_EQ(bridge.Open(0, h), Status::Success);
    ASSERT_EQ(bridge.SetTimeouts(h, 20, 1000), Status::Success);
    ASSERT_EQ(bridge.SetBaudRate(h, 9600), Status::Success);
    size_t written = 0;
    const std::string frame = "\x80RP ";
    ASSERT_EQ(bridge.Write(h, reinterpret_cast<const uint8_t*>(frame.data()), frame.size(), written),
              Status::Success);
    EXPECT_EQ(written, frame.size());
    uint8_t byte;
    size_t n = 9;
    EXPECT_EQ(bridge.Read(h, &byte, 1, n), Status::ReadTimedOut); // wrong rate: motor heard nothing
    EXPECT_EQ(n, 0u);

    ASSERT_EQ(bridge.SetBaudRate(h, 38400), Status::Success);
    bridge.Write(h, reinterpret_cast<const uint8_t*>(frame.data()), frame.size(), written);
    EXPECT_EQ(ReadAll(bridge, h), "1234\r");
    const auto log = dev->WriteLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].baud, 9600u);
    EXPECT_FALSE(log[0].heard);
    EXPECT_TRUE(log[1].heard);
    EXPECT_EQ(Text(log[1].bytes), frame);
    EXPECT_EQ(bridge.SetBaudRate(h, 12345), Status::InvalidBaudRate);
    EXPECT_EQ(dev->HostBaud(), 38400u);
}

TEST(FakeUsbBridge, PeerThreadPullsAndReadWaitsForIt)
{
    FakeUsbBridge bridge;
    auto dev = bridge.AddDevice("A100");
    dev->SetPeerBaud(0);
    std::thread motor([&] {
        uint8_t buf[16];
        const size_t n = dev->PeerRead(buf, sizeof buf, 2000ms);
        if (n == 4)
            dev->PeerWrite("OK\r");
    });
    Handle h;
    ASSERT_EQ(bridge.Open(0, h), Status::Success);
    bridge.SetTimeouts(h, 2000, 1000);
    size_t written;
    bridge.Write(h, reinterpret_cast<const uint8_t*>("\x80RB "), 4, written);
    uint8_t buf[3];
    size_t n = 0;
    EXPECT_EQ(bridge.Read(h, buf, 3, n), Status::Success);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), n), "OK\r");
    motor.join();
}

TEST(FakeUsbBridge, ExclusiveOpenFlushAndOverrun)
{
    FakeUsbBridge bridge;
    auto dev = bridge.AddDevice("A100");
    Handle h, h2;
    ASSERT_EQ(bridge.Open(0, h), Status::Success);
    EXPECT_EQ(bridge.Open(0, h2), Status::DeviceIOFailed);
    dev->SetPeerBaud(0);
    dev->SetRxQueueLimit(4);
    dev->PeerWrite("123456");
    uint32_t waiting = 0;
    QueueStatus qs;
    ASSERT_EQ(bridge.ReceiveQueue(h, waiting, qs), Status::Success);
    EXPECT_EQ(waiting, 4u);
    EXPECT_EQ(qs, QueueStatus::Overrun);
    ASSERT_EQ(bridge.Flush(h, true, true), Status::Success);
    bridge.ReceiveQueue(h, waiting, qs);
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(qs, QueueStatus::Empty);
    EXPECT_EQ(dev->FlushCount(), 1);
    FlowControl rts;
    rts.rts = 1;
    EXPECT_EQ(bridge.SetFlowControl(h, rts), Status::Success);
    EXPECT_FALSE(dev->Flow().IsNone());
    EXPECT_EQ(bridge.Close(h), Status::Success);
    EXPECT_FALSE(dev->IsOpen());
    EXPECT_EQ(bridge.Close(h), Status::InvalidHandle);
}

TEST(FakeUsbBridge, UnplugKillsTheHandleAndReplugRenumbers)
{
    FakeUsbBridge bridge;
    auto a = bridge.AddDevice("A");
    auto b = bridge.AddDevice("B");
    Handle hb;
    ASSERT_EQ(bridge.Open(1, hb), Status::Success);
    bridge.Unplug(a);
    EXPECT_EQ(bridge.NumberOf(*a), -1);
    EXPECT_EQ(bridge.NumberOf(*b), 0); // moved down
    bridge.Unplug(b);
    size_t n;
    uint8_t byte = 0;
    EXPECT_EQ(bridge.Write(hb, &byte, 1, n), Status::DeviceIOFailed);
    EXPECT_EQ(bridge.Read(hb, &byte, 1, n), Status::DeviceIOFailed);
    bridge.Plug(b, 0);
    bridge.Plug(a, 0);
    EXPECT_EQ(bridge.NumberOf(*a), 0);
    EXPECT_EQ(bridge.NumberOf(*b), 1);
    // The old handle stays dead even though its device is back; a new open works.
    EXPECT_EQ(bridge.Write(hb, &byte, 1, n), Status::DeviceIOFailed);
    Handle hb2;
    EXPECT_EQ(bridge.Open(1, hb2), Status::Success);
    EXPECT_EQ(bridge.Close(hb), Status::Success);
    EXPECT_TRUE(b->IsOpen()); // closing the stale handle leaves the new one alone
}

TEST(FakeUsbBridge, UnplugWakesAWaitingRead)
{
    FakeUsbBridge bridge;
    auto a = bridge.AddDevice("A");
    Handle h;
    ASSERT_EQ(bridge.Open(0, h), Status::Success);
    bridge.SetTimeouts(h, 5000, 1000);
    const auto start = std::chrono::steady_clock::now();
    std::thread unplug([&] {
        std::this_thread::sleep_for(20ms);
        bridge.Unplug(a);
    });
    uint8_t byte;
    size_t n;
    EXPECT_EQ(bridge.Read(h, &byte, 1, n), Status::DeviceIOFailed);
    unplug.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}
