#include "tests/support/platform/FakeUsbBridge.h"

#include <algorithm>

namespace platform::usb {

// ---------------------------------------------------------------- device

FakeUsbDevice::FakeUsbDevice(std::string product, std::string serial)
    : m_product(std::move(product)), m_serial(std::move(serial))
{
}

void FakeUsbDevice::SetPeerListener(Listener listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = std::move(listener);
}

size_t FakeUsbDevice::PeerRead(uint8_t* buffer, size_t max, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_peerCv.wait_for(lock, timeout, [&] { return !m_toPeer.empty(); });
    size_t n = 0;
    while (n < max && !m_toPeer.empty()) {
        buffer[n++] = m_toPeer.front();
        m_toPeer.pop_front();
    }
    return n;
}

void FakeUsbDevice::PeerWrite(const uint8_t* bytes, size_t count)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open || !m_plugged)
            return;
        const bool matches = Matches();
        if (!matches && !m_garble)
            return;
        for (size_t i = 0; i < count; ++i) {
            if (m_toHost.size() >= m_rxLimit) {
                m_overrun = true;
                break;
            }
            m_toHost.push_back(matches ? bytes[i] : Garble(bytes[i]));
        }
    }
    m_hostCv.notify_all();
}

void FakeUsbDevice::PeerWrite(std::string_view text)
{
    PeerWrite(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void FakeUsbDevice::SetPeerBaud(uint32_t baud)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_peerBaud = baud;
}

uint32_t FakeUsbDevice::PeerBaud() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_peerBaud;
}

void FakeUsbDevice::SetGarbleOnMismatch(bool garble)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_garble = garble;
}

std::vector<FakeUsbDevice::Frame> FakeUsbDevice::WriteLog() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void FakeUsbDevice::ClearWriteLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

uint32_t FakeUsbDevice::HostBaud() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hostBaud;
}

uint16_t FakeUsbDevice::LineControl() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lineControl;
}

FlowControl FakeUsbDevice::Flow() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flow;
}

bool FakeUsbDevice::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open;
}

bool FakeUsbDevice::IsPlugged() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_plugged;
}

int FakeUsbDevice::FlushCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flushes;
}

size_t FakeUsbDevice::Queued() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_toHost.size();
}

void FakeUsbDevice::SetRxQueueLimit(size_t limit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rxLimit = limit;
}

bool FakeUsbDevice::Matches() const { return m_peerBaud == 0 || m_peerBaud == m_hostBaud; }

void FakeUsbDevice::HostWrite(const uint8_t* bytes, size_t count)
{
    Listener listener;
    std::vector<uint8_t> heard;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool matches = Matches();
        m_log.push_back(Frame{m_hostBaud, std::vector<uint8_t>(bytes, bytes + count), matches});
        if (!matches && !m_garble)
            return;
        heard.assign(bytes, bytes + count);
        if (!matches)
            for (uint8_t& b : heard)
                b = Garble(b);
        if (m_listener)
            listener = m_listener;
        else
            m_toPeer.insert(m_toPeer.end(), heard.begin(), heard.end());
    }
    if (listener)
        listener(heard.data(), heard.size());
    else
        m_peerCv.notify_all();
}

// ---------------------------------------------------------------- bridge

FakeUsbBridge::FakeUsbBridge()
    : m_rates{300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400}
{
}

FakeUsbBridge::~FakeUsbBridge() = default;

std::shared_ptr<FakeUsbDevice> FakeUsbBridge::AddDevice(const std::string& serial,
                                                        const std::string& product, int position)
{
    auto device = std::make_shared<FakeUsbDevice>(product, serial);
    Plug(device, position);
    return device;
}

void FakeUsbBridge::Unplug(const std::shared_ptr<FakeUsbDevice>& device)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_devices.begin(), m_devices.end(), device);
    if (it == m_devices.end())
        return;
    m_devices.erase(it);
    {
        std::lock_guard<std::mutex> dlock(device->m_mutex);
        device->m_plugged = false;
        device->m_open = false;
        device->m_toHost.clear();
    }
    device->m_hostCv.notify_all();
}

void FakeUsbBridge::Plug(const std::shared_ptr<FakeUsbDevice>& device, int position)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (std::find(m_devices.begin(), m_devices.end(), device) != m_devices.end())
        return;
    if (position < 0 || position > static_cast<int>(m_devices.size()))
        position = static_cast<int>(m_devices.size());
    m_devices.insert(m_devices.begin() + position, device);
    std::lock_guard<std::mutex> dlock(device->m_mutex);
    device->m_plugged = true;
    device->m_open = false;
    ++device->m_generation;
}

int FakeUsbBridge::NumberOf(const FakeUsbDevice& device) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (m_devices[i].get() == &device)
            return static_cast<int>(i);
    return -1;
}

void FakeUsbBridge::SetCountFails(bool fails)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_countFails = fails;
}

void FakeUsbBridge::SetOpenFails(bool fails)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFails = fails;
}

void FakeUsbBridge::SetAcceptedBaudRates(std::set<uint32_t> rates)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rates = std::move(rates);
}

int FakeUsbBridge::OpenCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openCount;
}

Status FakeUsbBridge::DeviceCount(int& count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_countFails)
        return Status::SystemError;
    count = static_cast<int>(m_devices.size());
    return Status::Success;
}

Status FakeUsbBridge::DeviceText(int device, std::string& text, ProductSelector which)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (device < 0 || device >= static_cast<int>(m_devices.size()))
        return Status::DeviceNotFound;
    switch (which) {
    case ProductSelector::SerialNumber:
        text = m_devices[device]->Serial();
        return Status::Success;
    case ProductSelector::Description:
        text = m_devices[device]->Product();
        return Status::Success;
    }
    return Status::InvalidParameter;
}

Status FakeUsbBridge::Open(int device, Handle& handle)
{
    handle = kInvalidHandle;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (device < 0 || device >= static_cast<int>(m_devices.size()))
        return Status::DeviceNotFound;
    if (m_openFails)
        return Status::DeviceIOFailed;
    const auto& dev = m_devices[device];
    unsigned generation;
    {
        std::lock_guard<std::mutex> dlock(dev->m_mutex);
        if (dev->m_open)
            return Status::DeviceIOFailed;
        dev->m_open = true;
        dev->m_toHost.clear();
        dev->m_overrun = false;
        generation = dev->m_generation;
    }
    ++m_openCount;
    handle = m_nextHandle++;
    m_handles[handle] = OpenHandle{dev, generation};
    return Status::Success;
}

Status FakeUsbBridge::Close(Handle handle)
{
    std::shared_ptr<FakeUsbDevice> dev;
    unsigned generation;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_handles.find(handle);
        if (it == m_handles.end())
            return Status::InvalidHandle;
        dev = it->second.device;
        generation = it->second.generation;
        m_handles.erase(it);
    }
    {
        std::lock_guard<std::mutex> dlock(dev->m_mutex);
        if (dev->m_generation == generation)
            dev->m_open = false;
    }
    dev->m_hostCv.notify_all();
    return Status::Success;
}

std::shared_ptr<FakeUsbDevice> FakeUsbBridge::Lookup(Handle handle, Status& status, uint32_t* readMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end()) {
        status = Status::InvalidHandle;
        return nullptr;
    }
    auto dev = it->second.device;
    {
        std::lock_guard<std::mutex> dlock(dev->m_mutex);
        if (!dev->m_plugged || dev->m_generation != it->second.generation) {
            status = Status::DeviceIOFailed;
            return nullptr;
        }
    }
    if (readMs)
        *readMs = it->second.readMs;
    status = Status::Success;
    return dev;
}

Status FakeUsbBridge::Read(Handle handle, uint8_t* buffer, size_t count, size_t& read)
{
    read = 0;
    Status status;
    uint32_t readMs = 0;
    auto dev = Lookup(handle, status, &readMs);
    if (!dev)
        return status;
    if (count == 0)
        return Status::Success;
    std::unique_lock<std::mutex> lock(dev->m_mutex);
    const unsigned generation = dev->m_generation;
    dev->m_hostCv.wait_for(lock, std::chrono::milliseconds(readMs), [&] {
        return dev->m_toHost.size() >= count || !dev->m_plugged || dev->m_generation != generation;
    });
    if (!dev->m_plugged || dev->m_generation != generation)
        return Status::DeviceIOFailed;
    while (read < count && !dev->m_toHost.empty()) {
        buffer[read++] = dev->m_toHost.front();
        dev->m_toHost.pop_front();
    }
    return read ? Status::Success : Status::ReadTimedOut;
}

Status FakeUsbBridge::Write(Handle handle, const uint8_t* bytes, size_t count, size_t& written)
{
    written = 0;
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    if (count == 0)
        return Status::Success;
    dev->HostWrite(bytes, count);
    written = count;
    return Status::Success;
}

Status FakeUsbBridge::Flush(Handle handle, bool transmit, bool receive)
{
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    std::lock_guard<std::mutex> lock(dev->m_mutex);
    ++dev->m_flushes;
    if (receive) {
        dev->m_toHost.clear();
        dev->m_overrun = false;
    }
    (void)transmit; // writes reach the peer at once: nothing waits to be sent
    return Status::Success;
}

Status FakeUsbBridge::SetTimeouts(Handle handle, uint32_t readMs, uint32_t writeMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return Status::InvalidHandle;
    it->second.readMs = readMs;
    it->second.writeMs = writeMs;
    return Status::Success;
}

Status FakeUsbBridge::ReceiveQueue(Handle handle, uint32_t& bytesWaiting, QueueStatus& queue)
{
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    std::lock_guard<std::mutex> lock(dev->m_mutex);
    bytesWaiting = static_cast<uint32_t>(dev->m_toHost.size());
    if (dev->m_overrun) {
        queue = QueueStatus::Overrun;
        dev->m_overrun = false;
    } else {
        queue = bytesWaiting ? QueueStatus::Ready : QueueStatus::Empty;
    }
    return Status::Success;
}

Status FakeUsbBridge::SetBaudRate(Handle handle, uint32_t baud)
{
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_rates.count(baud))
            return Status::InvalidBaudRate;
    }
    std::lock_guard<std::mutex> lock(dev->m_mutex);
    dev->m_hostBaud = baud;
    return Status::Success;
}

Status FakeUsbBridge::SetLineControl(Handle handle, uint16_t lineControl)
{
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    std::lock_guard<std::mutex> lock(dev->m_mutex);
    dev->m_lineControl = lineControl;
    return Status::Success;
}

Status FakeUsbBridge::SetFlowControl(Handle handle, const FlowControl& flow)
{
    Status status;
    auto dev = Lookup(handle, status);
    if (!dev)
        return status;
    std::lock_guard<std::mutex> lock(dev->m_mutex);
    dev->m_flow = flow;
    return Status::Success;
}

} // namespace platform::usb
