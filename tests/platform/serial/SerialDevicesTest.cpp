// The serial devices a port list offers, read from a sysfs tree of the test's own: which ttys count,
// their USB texts and by-id names, their order, and how the machine's probe merges them with the
// "Com<n>" names, the registry's mappings and a device given at start-up.

#include "platform/registry/Registry.h"
#include "platform/serial/SerialDevices.h"
#include "platform/serial/SerialProbe.h"
#include "tests/platform/TestDir.h"
#include "tests/support/platform/UsbSysfsTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A tty the kernel lists: with a device behind it (a platform device without USB texts) or
// without (a virtual terminal), and its node.
void AddPlainTty(const platform::usb::UsbSysfsTree& tree, const std::string& tty, bool withDevice, const fs::path& node)
{
    const fs::path entry = fs::path(tree.SysDir()) / "class/tty" / tty;
    fs::create_directories(entry);
    if (withDevice) {
        const fs::path dev = fs::path(tree.SysDir()) / "devices/platform/serial8250" / tty;
        fs::create_directories(dev);
        fs::create_directory_symlink(dev, entry / "device");
    }
    fs::create_symlink(node, fs::path(tree.DevDir()) / tty);
}

bool Contains(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace

TEST(SerialDevices, ListsHardwareTtysWithTheirTextsAndStableNames)
{
    TestDir nodes;
    std::ofstream(nodes / "a");
    std::ofstream(nodes / "b");
    std::ofstream(nodes / "c");
    std::ofstream(nodes / "d");
    platform::usb::UsbSysfsTree tree;
    tree.Add("ttyUSB10", "Tessaraxon(TM) USB Interface", "TX10", nodes / "a");
    tree.Add("ttyUSB2", "FT232R USB UART", "A9B8", nodes / "b");
    AddPlainTty(tree, "ttyACM0", true, nodes / "c");
    AddPlainTty(tree, "ttyS0", true, nodes / "d");  // a "Com<n>" slot
    AddPlainTty(tree, "tty1", false, nodes / "d");  // a virtual terminal
    // A tty whose node is gone (unplugged between the two reads).
    tree.Add("ttyUSB7", "Gone", "G", nodes / "missing");
    fs::create_directories(fs::path(tree.DevDir()) / "serial/by-id");
    fs::create_symlink("../../ttyUSB2", fs::path(tree.DevDir()) / "serial/by-id/usb-FTDI_FT232R_A9B8-if00-port0");

    const auto devices = platform::ListSerialDevices(tree.SysDir(), tree.DevDir());
    ASSERT_EQ(devices.size(), 3u);
    struct Row {
        const char* tty;
        const char* product;
        const char* serial;
        bool byId;
        const char* label;
    };
    const Row rows[] = {
        {"ttyACM0", "", "", false, "ttyACM0"},
        {"ttyUSB2", "FT232R USB UART", "A9B8", true, "ttyUSB2 - FT232R USB UART A9B8"},
        {"ttyUSB10", "Tessaraxon(TM) USB Interface", "TX10", false, "ttyUSB10 - Tessaraxon(TM) USB Interface TX10"},
    };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].tty);
        const platform::SerialDeviceInfo& d = devices[i];
        EXPECT_EQ(d.tty, rows[i].tty);
        EXPECT_EQ(d.node, tree.DevDir() + "/" + rows[i].tty);
        EXPECT_EQ(d.product, rows[i].product);
        EXPECT_EQ(d.serial, rows[i].serial);
        EXPECT_EQ(d.Label(), rows[i].label);
        EXPECT_EQ(!d.byId.empty(), rows[i].byId);
        EXPECT_EQ(d.PortName(), rows[i].byId ? d.byId : d.node);
    }
    EXPECT_EQ(devices[1].byId, tree.DevDir() + "/serial/by-id/usb-FTDI_FT232R_A9B8-if00-port0");

    // A tree that is not there lists nothing.
    EXPECT_TRUE(platform::ListSerialDevices(nodes / "nosys", nodes / "nodev").empty());
}

TEST(SerialDevices, ShortNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Com3", "Com3"},
        {"/dev/ttyUSB0", "ttyUSB0"},
        {"/run/user/1000/vqx-motorsim-chain-1000", "vqx-motorsim-chain-1000"},
        {"/dev/serial/by-id/usb-FTDI-if00", "usb-FTDI-if00"},
        {"ttyACM1", "ttyACM1"},
        {"/dev/pts/3", "pts/3"},
        {"/17", "17"},
        {"/dev/", "/dev/"},
        {"", ""},
    };
    for (const auto& [path, shown] : cases)
        EXPECT_EQ(platform::ShortPortName(path), shown) << path;
    EXPECT_TRUE(platform::NaturalLess("ttyUSB2", "ttyUSB10"));
    EXPECT_FALSE(platform::NaturalLess("ttyUSB10", "ttyUSB2"));
    EXPECT_TRUE(platform::NaturalLess("ttyACM9", "ttyUSB0"));
}

TEST(SerialDevices, MachineProbeOffersComNamesListedDevicesOnceAndKnownDevices)
{
    TestDir dir;
    platform::Registry reg(dir / "user.reg", dir / "machine.reg");
    platform::ScopedDefaultRegistry scope(reg);
    std::ofstream(dir / "a");
    std::ofstream(dir / "b");
    platform::usb::UsbSysfsTree tree;
    tree.Add("ttyUSB0", "FT232R USB UART", "A1", dir / "a");
    tree.Add("ttyUSB1", "FT232R USB UART", "B2", dir / "b");
    // Com5 is mapped to the second adapter: it is not offered again under its path.
    ASSERT_TRUE(reg.SetString(platform::RegHive::CurrentUser, "Software\\Korvessan\\Ports", "Com5",
                              tree.DevDir() + "/ttyUSB1"));
    setenv("VQX_USB_ROOT", tree.Root().c_str(), 1);
    platform::AddKnownSerialDevice(dir / "pty-link");
    platform::AddKnownSerialDevice(dir / "pty-link"); // once only
    platform::AddKnownSerialDevice("Com7");            // names are not device paths

    platform::SystemSerialProbe probe;
    const std::vector<std::string> names = probe.Candidates();
    const std::vector<platform::SerialDeviceInfo> devices = probe.Devices();
    unsetenv("VQX_USB_ROOT");

    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names[0], "Com1");
    EXPECT_EQ(names[29], "Com30");
    EXPECT_EQ(names[30], tree.DevDir() + "/ttyUSB0");
    EXPECT_EQ(names[31], dir / "pty-link");
    EXPECT_FALSE(Contains(names, tree.DevDir() + "/ttyUSB1"));
    EXPECT_EQ(devices.size(), 2u) << "the device list itself is the machine's";

    // A device that exists is there; one that does not is not found.
    EXPECT_NE(probe.Probe(dir / "a"), platform::SerialPresence::NotFound);
    EXPECT_EQ(probe.Probe(dir / "nothing"), platform::SerialPresence::NotFound);
}
