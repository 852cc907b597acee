#pragma once
// The USB bridge on Linux: the kernel's USB-serial driver gives each motor interface a tty
// (ttyUSB<n> or ttyACM<n>); sysfs tells its USB product text and serial number. Devices are
// numbered in the natural order of their tty names, counting only motor interfaces.

#include "platform/usbbridge/UsbBridge.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::usb {

class LinuxUsbBridge final : public UsbBridge {
public:
    // sysRoot and devDir are "/sys" and "/dev"; tests point them at a tree of their own.
    explicit LinuxUsbBridge(std::string sysRoot = "/sys", std::string devDir = "/dev");
    ~LinuxUsbBridge() override;

    struct Device {
        std::string tty;     // "ttyUSB0"
        std::string product;
        std::string serial;
    };
    // The motor interfaces present now, in device-number order.
    std::vector<Device> Enumerate() const;

    Status DeviceCount(int& count) override;
    Status DeviceText(int device, std::string& text, ProductSelector which) override;
    Status Open(int device, Handle& handle) override;
    Status Close(Handle handle) override;
    Status Read(Handle handle, uint8_t* buffer, size_t count, size_t& read) override;
    Status Write(Handle handle, const uint8_t* bytes, size_t count, size_t& written) override;
    Status Flush(Handle handle, bool transmit, bool receive) override;
    Status SetTimeouts(Handle handle, uint32_t readMs, uint32_t writeMs) override;
    Status ReceiveQueue(Handle handle, uint32_t& bytesWaiting, QueueStatus& status) override;
    Status SetBaudRate(Handle handle, uint32_t baud) override;
    Status SetLineControl(Handle handle, uint16_t lineControl) override;
    Status SetFlowControl(Handle handle, const FlowControl& flow) override;

private:
    struct OpenTty {
        int fd = -1;
        uint32_t readMs = 0;
        uint32_t writeMs = 1000;
    };
    bool Get(Handle handle, OpenTty& out);

    const std::string m_sysRoot;
    const std::string m_devDir;
    std::mutex m_mutex;
    std::map<Handle, OpenTty> m_handles;
    Handle m_nextHandle = 1;
};

} // namespace platform::usb
