#pragma once
// The motors' USB-to-serial bridge, as the communication core uses it: enumerate the bridges,
// open one by its device number, move bytes and set its line. One process-wide bridge back end
// is in use: the kernel's USB-serial ttys (LinuxUsbBridge, looked for under VQX_USB_ROOT when that is
// set) unless a test installed a fake.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::usb {

// Results of every call. Callers rely on 0 (success) and 3 (a read found nothing in time).
enum class Status : int {
    Success = 0,
    InvalidHandle = 1,
    ReadError = 2,
    ReadTimedOut = 3, // a read found nothing within its timeout
    WriteError = 4,
    InvalidParameter = 5,
    DeviceIOFailed = 6, // the device went away or refused the request
    InvalidBaudRate = 7,
    WriteTimedOut = 8,
    SystemError = 9,
    DeviceNotFound = 10,
};

// Which text DeviceText returns.
enum class ProductSelector : int { SerialNumber = 0, Description = 1 };

// Receive-queue states of ReceiveQueue.
enum class QueueStatus : uint32_t { Empty = 0, Overrun = 1, Ready = 2 };

// Line control word: bits 0-3 stop bits (0 = one, 2 = two), bits 4-7 parity (0 none, 1 odd,
// 2 even, 3 mark, 4 space), bits 8-15 data bits. 0x0800 = 8 data bits, no parity, one stop bit.
constexpr uint16_t kLine8N1 = 0x0800;

// Flow control: the six masks of the bridge (CTS, RTS, DTR, DSR, DCD, XON/XOFF). All zero means
// no flow control at all, the only setting the motors use.
struct FlowControl {
    uint8_t cts = 0, rts = 0, dtr = 0, dsr = 0, dcd = 0, xonXoff = 0;
    bool IsNone() const { return (cts | rts | dtr | dsr | dcd | xonXoff) == 0; }
};

// The product description of a motor's USB interface.
inline constexpr const char* kMotorProduct = "Tessaraxon(TM) USB Interface";

using Handle = int;
constexpr Handle kInvalidHandle = -1;

// The bridge library's calls. Device numbers are positions 0..count-1 in the current enumeration:
// they change when devices are plugged or unplugged, so callers identify a device by its serial
// number text and use the number only to open it. Handles stay tied to the device they opened;
// after an unplug they fail with DeviceIOFailed until closed.
class UsbBridge {
public:
    virtual ~UsbBridge() = default;

    virtual Status DeviceCount(int& count) = 0;
    virtual Status DeviceText(int device, std::string& text, ProductSelector which) = 0;
    // Opens the device exclusively; a device already open fails with DeviceIOFailed.
    virtual Status Open(int device, Handle& handle) = 0;
    virtual Status Close(Handle handle) = 0;
    // Waits until count bytes came or the read timeout passed. Success with read >= 1, or
    // ReadTimedOut with read == 0 when nothing came in time.
    virtual Status Read(Handle handle, uint8_t* buffer, size_t count, size_t& read) = 0;
    virtual Status Write(Handle handle, const uint8_t* bytes, size_t count, size_t& written) = 0;
    virtual Status Flush(Handle handle, bool transmit, bool receive) = 0;
    // Read and write timeouts of one handle, in milliseconds: per handle, so that two ports used
    // on two threads do not change each other's waits.
    virtual Status SetTimeouts(Handle handle, uint32_t readMs, uint32_t writeMs) = 0;
    virtual Status ReceiveQueue(Handle handle, uint32_t& bytesWaiting, QueueStatus& status) = 0;
    virtual Status SetBaudRate(Handle handle, uint32_t baud) = 0;
    virtual Status SetLineControl(Handle handle, uint16_t lineControl) = 0;
    virtual Status SetFlowControl(Handle handle, const FlowControl& flow) = 0;
};

// The bridge in use: the Linux back end unless a test installed another.
UsbBridge& GetUsbBridge();
// Installs a bridge (nullptr restores the Linux back end). The caller keeps ownership.
void SetUsbBridge(UsbBridge* bridge);

class ScopedUsbBridge {
public:
    explicit ScopedUsbBridge(UsbBridge& bridge) { SetUsbBridge(&bridge); }
    ~ScopedUsbBridge() { SetUsbBridge(nullptr); }
    ScopedUsbBridge(const ScopedUsbBridge&) = delete;
    ScopedUsbBridge& operator=(const ScopedUsbBridge&) = delete;
};

} // namespace platform::usb
