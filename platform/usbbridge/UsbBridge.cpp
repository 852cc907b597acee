#include "platform/usbbridge/UsbBridge.h"

#include "platform/usbbridge/LinuxUsbBridge.h"
#include "platform/serial/SerialDevices.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace platform::usb {

namespace {
UsbBridge& Linux()
{
    // VQX_USB_ROOT names a folder that stands for "/" (its sys/ and dev/), so that a program can be
    // pointed at USB-serial devices that are not the machine's own.
    static const std::string root = platform::DeviceRoot();
    static LinuxUsbBridge bridge(root + "/sys", root + "/dev");
    return bridge;
}
std::atomic<UsbBridge*> g_bridge{nullptr};
} // namespace

UsbBridge& GetUsbBridge()
{
    UsbBridge* bridge = g_bridge.load(std::memory_order_acquire);
    return bridge ? *bridge : Linux();
}

void SetUsbBridge(UsbBridge* bridge) { g_bridge.store(bridge, std::memory_order_release); }

} // namespace platform::usb
