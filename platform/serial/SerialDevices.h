#pragma once
// The serial devices of this machine as the kernel lists them in /sys/class/tty: the ttys that have
// hardware behind them, with the USB product and serial texts of a USB-serial adapter and the
// stable /dev/serial/by-id name when udev made one. Standard UART slots (ttyS<n>) are left out:
// they are the "Com<n>" names.

#include <string>
#include <vector>

namespace platform {

struct SerialDeviceInfo {
    std::string tty;     // "ttyUSB0"
    std::string node;    // the device node, "/dev/ttyUSB0"
    std::string byId;    // "/dev/serial/by-id/usb-...", empty when there is none
    std::string product; // USB product text, empty for other devices
    std::string serial;  // USB serial number text

    // The name a port keeps for the device: the by-id link when there is one (it survives
    // replugging), else the node.
    const std::string& PortName() const { return byId.empty() ? node : byId; }
    // "ttyUSB0 - <product> <serial>", or the tty alone.
    std::string Label() const;
};

// The devices under sysRoot/class/tty whose nodes are in devDir, in natural order of their names.
std::vector<SerialDeviceInfo> ListSerialDevices(const std::string& sysRoot, const std::string& devDir);
// The machine's devices: "/sys" and "/dev", or the sys/ and dev/ folders of VQX_USB_ROOT.
std::vector<SerialDeviceInfo> ListSystemSerialDevices();
// The folder that stands for "/" when devices are looked for: VQX_USB_ROOT, else "".
std::string DeviceRoot();

// The short name a port on this device is shown by: a "Com<n>" name as it is, else the file name
// of the path ("/dev/ttyUSB0" -> "ttyUSB0"), with its folder when it is a bare number
// ("/dev/pts/3" -> "pts/3").
std::string ShortPortName(const std::string& portName);

// A device path the user gave at start-up (or any other outside the machine's list, a
// pseudo-terminal): the port lists offer it for the rest of the run.
void AddKnownSerialDevice(const std::string& portName);
std::vector<std::string> KnownSerialDevices();

// "ttyUSB2" before "ttyUSB10".
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace platform
