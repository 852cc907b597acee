#pragma once
// USB-serial ttys as the kernel lists them, in a temporary folder: <root>/sys/class/tty/<tty>/device
// links to the interface of a USB device that carries idVendor, product and serial, and
// <root>/dev/<tty> links to the device node (a pseudo-terminal in tests). The Linux USB bridge finds
// them when it is given the two folders, or a program when VQX_USB_ROOT names <root>.

#include <string>

namespace platform::usb {

class UsbSysfsTree {
public:
    UsbSysfsTree();
    ~UsbSysfsTree();
    UsbSysfsTree(const UsbSysfsTree&) = delete;
    UsbSysfsTree& operator=(const UsbSysfsTree&) = delete;

    const std::string& Root() const { return m_root; }
    std::string SysDir() const { return m_root + "/sys"; }
    std::string DevDir() const { return m_root + "/dev"; }

    // Plugs in tty ("ttyUSB0") on a USB device with these texts, its node a link to devicePath.
    void Add(const std::string& tty, const std::string& product, const std::string& serial,
             const std::string& devicePath);
    // Unplugs tty: its class entry, its USB device and its node are gone.
    void Remove(const std::string& tty);

private:
    std::string m_root;
};

} // namespace platform::usb
