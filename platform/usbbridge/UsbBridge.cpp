#include "platform/usbbridge/UsbBridge.h"

#include "platform/usbbridge/LinuxUsbBridge.h"

#include <atomic>

namespace platform::usb {

namespace {
UsbBridge& Linux()
{
    static LinuxUsbBridge bridge;
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
