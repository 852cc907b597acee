#include "tests/support/platform/UsbSysfsTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace platform::usb {

UsbSysfsTree::UsbSysfsTree()
{
    std::string pattern = (fs::temp_directory_path() / "vqx-usbsys-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_root = pattern;
    fs::create_directories(SysDir() + "/class/tty");
    fs::create_directories(DevDir());
}

UsbSysfsTree::~UsbSysfsTree()
{
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

void UsbSysfsTree::Add(const std::string& tty, const std::string& product, const std::string& serial,
                       const std::string& devicePath)
{
    const fs::path usb = fs::path(SysDir()) / "devices/usb1" / ("1-" + tty);
    const fs::path port = usb / ("1-" + tty + ":1.0") / tty;
    fs::create_directories(port);
    std::ofstream(usb / "idVendor") << "1234\n";
    std::ofstream(usb / "product") << product << "\n";
    std::ofstream(usb / "serial") << serial << "\n";
    const fs::path entry = fs::path(SysDir()) / "class/tty" / tty;
    fs::create_directories(entry);
    fs::create_directory_symlink(port, entry / "device");
    fs::create_symlink(devicePath, fs::path(DevDir()) / tty);
}

void UsbSysfsTree::Remove(const std::string& tty)
{
    std::error_code ec;
    fs::remove_all(fs::path(SysDir()) / "class/tty" / tty, ec);
    fs::remove_all(fs::path(SysDir()) / "devices/usb1" / ("1-" + tty), ec);
    fs::remove(fs::path(DevDir()) / tty, ec);
}

} // namespace platform::usb
