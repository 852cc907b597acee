#include "platform/usbbridge/LinuxUsbBridge.h"
#include "tests/support/platform/UsbSysfsTree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace platform::usb;
namespace fs = std::filesystem;

namespace {

// USB-serial ttys in a sysfs tree of their own, each tty a pseudo-terminal.
class FakeSysfs {
public:
    ~FakeSysfs()
    {
        for (int fd : masters)
            ::close(fd);
    }
    // Adds a tty on a USB device; returns the master side of its pseudo-terminal.
    int Add(const std::string& tty, const std::string& product, const std::string& serial)
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        tree.Add(tty, product, serial, ptsname(master));
        masters.push_back(master);
        return master;
    }
    UsbSysfsTree tree;
    fs::path root{tree.Root()};
    std::vector<int> masters;
};

} // namespace

TEST(LinuxUsbBridge, FindsMotorInterfacesInNaturalTtyOrder)
{
    FakeSysfs sys;
    sys.Add("ttyUSB10", kMotorProduct, "S10");
    sys.Add("ttyUSB2", kMotorProduct, "S2");
    sys.Add("ttyUSB3", "Some Other Adapter", "X");
    sys.Add("ttyACM0", kMotorProduct, "A0");
    fs::create_directories(sys.root / "sys/class/tty/ttyS0"); // no device link: skipped
    LinuxUsbBridge bridge((sys.root / "sys").string(), (sys.root / "dev").string());
    int count = 0;
    ASSERT_EQ(bridge.DeviceCount(count), Status::Success);
    ASSERT_EQ(count, 3);
    std::string text;
    for (auto [i, serial] : {std::pair{0, "A0"}, {1, "S2"}, {2, "S10"}}) {
        ASSERT_EQ(bridge.DeviceText(i, text, ProductSelector::SerialNumber), Status::Success);
        EXPECT_EQ(text, serial);
    }
    EXPECT_EQ(bridge.DeviceText(1, text, ProductSelector::Description), Status::Success);
    EXPECT_EQ(text, kMotorProduct);
    EXPECT_EQ(bridge.DeviceText(3, text, ProductSelector::Description), Status::DeviceNotFound);
}

TEST(LinuxUsbBridge, OpensTheTtyAndMovesBytesWithTimeouts)
{
    FakeSysfs sys;
    const int master = sys.Add("ttyUSB0", kMotorProduct, "S0");
    LinuxUsbBridge bridge((sys.root / "sys").string(), (sys.root / "dev").string());
    Handle h;
    ASSERT_EQ(bridge.Open(0, h), Status::Success);
    Handle again;
    EXPECT_EQ(bridge.Open(0, again), Status::DeviceIOFailed); // exclusive
    ASSERT_EQ(bridge.SetBaudRate(h, 9600), Status::Success);
    EXPECT_EQ(bridge.SetBaudRate(h, 1234), Status::InvalidBaudRate);
    ASSERT_EQ(bridge.SetLineControl(h, kLine8N1), Status::Success);
    ASSERT_EQ(bridge.SetFlowControl(h, FlowControl{}), Status::Success);
    ASSERT_EQ(bridge.SetTimeouts(h, 30, 1000), Status::Success);

    size_t n = 0;
    ASSERT_EQ(bridge.Write(h, reinterpret_cast<const uint8_t*>("\x80RP "), 4, n), Status::Success);
    EXPECT_EQ(n, 4u);
    char seen[8] = {};
    ASSERT_EQ(::read(master, seen, sizeof seen), 4);
    EXPECT_EQ(std::string(seen, 4), "\x80RP ");

    uint8_t buf[8];
    EXPECT_EQ(bridge.Read(h, buf, 1, n), Status::ReadTimedOut);
    ASSERT_EQ(::write(master, "42\r", 3), 3);
    uint32_t waiting = 0;
    QueueStatus qs;
    for (int i = 0; i < 100 && waiting < 3; ++i) {
        ASSERT_EQ(bridge.ReceiveQueue(h, waiting, qs), Status::Success);
        usleep(1000);
    }
    EXPECT_EQ(waiting, 3u);
    ASSERT_EQ(bridge.Read(h, buf, 8, n), Status::Success); // fewer than asked: timeout, not error
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), n), "42\r");
    // The device going away ends a read at once with a failure, not a timeout.
    ::close(master);
    sys.masters.clear();
    ASSERT_EQ(bridge.SetTimeouts(h, 3000, 1000), Status::Success);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(bridge.Read(h, buf, 1, n), Status::DeviceIOFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(bridge.Close(h), Status::Success);
    EXPECT_EQ(bridge.Read(h, buf, 1, n), Status::InvalidHandle);
}
