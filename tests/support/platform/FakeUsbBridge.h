#pragma once
// An in-process USB bridge for tests and the simulator: devices with a product text and a serial
// number, each with a peer side where a simulated motor hears what the host wrote and writes its
// replies. The peer hears the host only while both run at the same baud rate. Devices can be
// unplugged and plugged again at another position, which renumbers the devices after them.

#include "platform/usbbridge/UsbBridge.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform::usb {

class FakeUsbBridge;

class FakeUsbDevice {
public:
    FakeUsbDevice(std::string product, std::string serial);

    const std::string& Product() const { return m_product; }
    const std::string& Serial() const { return m_serial; }

    // ---- Peer side: the simulated motor behind the bridge ----

    // Receives, on the host's thread and inside the host's Write, every chunk the peer hears.
    // The listener may answer with PeerWrite at once. Without a listener the chunks queue up for
    // PeerRead. Set it before the host starts writing; nullptr goes back to queueing.
    using Listener = std::function<void(const uint8_t* bytes, size_t count)>;
    void SetPeerListener(Listener listener);
    // Takes up to max heard bytes, waiting up to timeout for the first; returns the count.
    size_t PeerRead(uint8_t* buffer, size_t max, std::chrono::milliseconds timeout);
    // Bytes from the motor to the host's receive queue. Lost (or garbled) when the rates differ,
    // lost while the device is unplugged or not open.
    void PeerWrite(const uint8_t* bytes, size_t count);
    void PeerWrite(std::string_view text);
    // The motor's baud rate; 0 hears the host at any rate.
    void SetPeerBaud(uint32_t baud);
    uint32_t PeerBaud() const;
    // With a baud mismatch the bytes are lost (default) or arrive changed, as line noise would.
    void SetGarbleOnMismatch(bool garble);

    // ---- What the host did, for tests ----
    struct Frame {
        uint32_t baud;           // host rate when it was written
        std::vector<uint8_t> bytes;
        bool heard;              // the peer heard it
    };
    std::vector<Frame> WriteLog() const;
    void ClearWriteLog();
    uint32_t HostBaud() const;
    uint16_t LineControl() const;
    FlowControl Flow() const;
    bool IsOpen() const;
    bool IsPlugged() const;
    int FlushCount() const;
    // Bytes waiting in the host's receive queue.
    size_t Queued() const;
    // Receive-queue capacity; bytes beyond it are dropped and the queue reports an overrun.
    void SetRxQueueLimit(size_t limit);

private:
    friend class FakeUsbBridge;
    void HostWrite(const uint8_t* bytes, size_t count);
    bool Matches() const; // under m_mutex
    uint8_t Garble(uint8_t b) const { return static_cast<uint8_t>(b ^ 0x5A); }

    const std::string m_product;
    const std::string m_serial;

    mutable std::mutex m_mutex;
    std::condition_variable m_hostCv; // host receive queue got bytes
    std::condition_variable m_peerCv; // peer queue got bytes
    std::deque<uint8_t> m_toHost;
    std::deque<uint8_t> m_toPeer;
    Listener m_listener;
    std::vector<Frame> m_log;
    uint32_t m_peerBaud = 38400;
    uint32_t m_hostBaud = 9600;
    uint16_t m_lineControl = kLine8N1;
    FlowControl m_flow;
    bool m_garble = false;
    bool m_open = false;
    bool m_plugged = false;
    bool m_overrun = false;
    size_t m_rxLimit = 4096;
    int m_flushes = 0;
    unsigned m_generation = 0; // bumped at every plug, so stale handles stay dead
};

class FakeUsbBridge final : public UsbBridge {
public:
    FakeUsbBridge();
    ~FakeUsbBridge() override;

    // Plugs a new device in at position (-1: at the end); returns it for the peer to attach to.
    std::shared_ptr<FakeUsbDevice> AddDevice(const std::string& serial,
                                             const std::string& product = kMotorProduct,
                                             int position = -1);
    // Removes the device from the enumeration: later devices move down one number; its open
    // handle fails with DeviceIOFailed until closed; the peer's queues are kept.
    void Unplug(const std::shared_ptr<FakeUsbDevice>& device);
    // Plugs a known device in again at position (-1: at the end).
    void Plug(const std::shared_ptr<FakeUsbDevice>& device, int position = -1);
    // The device's current number, -1 when unplugged.
    int NumberOf(const FakeUsbDevice& device) const;

    // Fault injection and limits.
    void SetCountFails(bool fails);                   // DeviceCount answers SystemError
    void SetOpenFails(bool fails);                    // Open answers DeviceIOFailed
    void SetAcceptedBaudRates(std::set<uint32_t> rates); // others answer InvalidBaudRate
    // Number of Open calls that reached a device, to show that none was opened by mistake.
    int OpenCount() const;

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
    struct OpenHandle {
        std::shared_ptr<FakeUsbDevice> device;
        unsigned generation;
        uint32_t readMs = 0;
        uint32_t writeMs = 0;
    };
    // The device behind a handle while it is still plugged in; status says why not.
    std::shared_ptr<FakeUsbDevice> Lookup(Handle handle, Status& status, uint32_t* readMs = nullptr);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<FakeUsbDevice>> m_devices; // in enumeration order
    std::map<Handle, OpenHandle> m_handles;
    Handle m_nextHandle = 1;
    bool m_countFails = false;
    bool m_openFails = false;
    int m_openCount = 0;
    std::set<uint32_t> m_rates;
};

} // namespace platform::usb
