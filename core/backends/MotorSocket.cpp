#include "core/backends/MotorSocket.h"

#include "core/VQXException.h"
#include "platform/net/NetSettings.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

namespace net = platform::net;

namespace {
[[noreturn]] void ThrowNetwork() { throw CVQXException(CVQXException::NetworkComm); }
} // namespace

CMotorSocket::CMotorSocket(std::string host, int port) : IPAddress(std::move(host)), Port(port) {}

CMotorSocket::~CMotorSocket() { Close(); }

CMotorSocket::CMotorSocket(const CMotorSocket& other)
    : CMotorBackEnd(), IPAddress(other.IPAddress), Port(other.Port)
{
}

CMotorSocket& CMotorSocket::operator=(const CMotorSocket& other)
{
    if (this == &other)
        return *this;
    // A copy takes over the motor's address, not its connection: both start closed again.
    Close();
    const_cast<CMotorSocket&>(other).Close();
    IPAddress = other.IPAddress;
    Port = other.Port;
    return *this;
}

bool CMotorSocket::OpenTCP(const std::string* host, int port, int waitMs)
{
    Close();
    if (host)
        IPAddress = *host;
    Port = port;
    if (IPAddress.empty())
        return false; // nowhere to connect to: no worker that would retry forever
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mode = ModeTCP;
        m_state = StateConnecting;
    }
    try {
        m_worker = std::thread(&CMotorSocket::Worker, this, IPAddress, Port);
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = StateIdle;
        return false;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (waitMs > 0)
        m_cv.wait_for(lock, std::chrono::milliseconds(waitMs),
                      [&] { return m_state == StateConnected; });
    return m_state == StateConnected;
}

bool CMotorSocket::OpenUDP(int port, bool broadcast, int /*waitMs: binding does not wait*/)
{
    Close();
    const net::NetSettings settings = net::GetNetSettings();
    Port = port > 0 ? port : settings.udpLocalPort;
    net::Socket s = net::UdpOpen(settings.udpLocalAddress, Port, broadcast);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mode = broadcast ? ModeUDPBroadcast : ModeUDP;
    if (!s.IsValid())
        return false;
    m_socket = std::move(s);
    m_state = StateConnected;
    return true;
}

void CMotorSocket::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == StateIdle && !m_worker.joinable() && !m_socket.IsValid())
            return;
        m_state = StateClosing;
        m_stop = true;
    }
    m_cv.notify_all();
    m_waker.Notify();
    if (m_worker.joinable())
        m_worker.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket.Shutdown();
    m_socket.Close();
    m_waker.Reset();
    m_stop = false;
    m_lost = false;
    m_readIndex = 0;
    m_count = 0;
    m_state = StateIdle;
}

bool CMotorSocket::WaitForStop(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_stop; });
}

void CMotorSocket::Worker(std::string host, int port)
{
    // Connect: keep trying until it works or Close stops us.
    for (;;) {
        const int retryMs = net::GetNetSettings().connectRetryMs;
        uint32_t address = 0;
        const net::ResolveStatus resolved = net::ResolveIPv4(host, address, m_waker);
        if (resolved == net::ResolveStatus::Woken)
            return;
        if (resolved == net::ResolveStatus::Resolved) {
            int error = 0;
            net::Socket s = net::TcpConnect(address, port, retryMs, &m_waker, error);
            if (s.IsValid()) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_stop)
                    return;
                m_socket = std::move(s);
                m_state = StateConnected;
                break;
            }
            if (error == ECANCELED)
                return;
        }
        if (WaitForStop(retryMs))
            return;
    }
    m_cv.notify_all();

    // Receive: only into free room of the ring, never over unread bytes.
    uint8_t chunk[kRingSize];
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fd = m_socket.Fd();
    }
    for (;;) {
        size_t room;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_cv.wait(lock, [&] { return m_stop || m_count < kRingSize; });
            if (m_stop)
                return;
            room = kRingSize - m_count;
        }
        const net::RecvResult r = net::Receive(fd, chunk, room, -1, &m_waker);
        if (r.status == net::RecvStatus::Woken)
            return;
        if (r.status == net::RecvStatus::Timeout)
            continue;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (r.status == net::RecvStatus::Data) {
                for (size_t i = 0; i < r.count; ++i)
                    m_ring[(m_readIndex + m_count + i) % kRingSize] = chunk[i];
                m_count += r.count;
            } else {
                m_lost = true; // closed by the motor, or the connection failed
            }
        }
        m_cv.notify_all();
        if (r.status != net::RecvStatus::Data)
            return;
    }
}

bool CMotorSocket::UsableLocked() const
{
    return m_state == StateConnected && m_socket.IsValid() && !m_lost;
}

void CMotorSocket::Read(uint8_t* buffer, size_t n, size_t& count, int timeoutMs)
{
    count = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_mode != ModeTCP || m_state != StateConnected || !m_socket.IsValid() ||
        (m_lost && m_count == 0))
        ThrowNetwork();
    if (n == 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        while (count < n && m_count > 0) {
            buffer[count++] = m_ring[m_readIndex];
            m_readIndex = (m_readIndex + 1) % kRingSize;
            --m_count;
        }
        if (count == n)
            break;
        if (m_lost) {
            if (count == 0)
                ThrowNetwork();
            break;
        }
        if (!m_cv.wait_until(lock, deadline, [&] { return m_count > 0 || m_lost || m_stop; }))
            break;
        if (m_stop)
            break;
    }
    lock.unlock();
    m_cv.notify_all(); // room in the ring for the worker
    if (count < n)
        buffer[count] = 0;
}

size_t CMotorSocket::Read(uint8_t* buffer, size_t n, int timeoutMs)
{
    size_t count = 0;
    Read(buffer, n, count, timeoutMs);
    return count;
}

size_t CMotorSocket::Write(const uint8_t* bytes, size_t n)
{
    int fd;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_mode != ModeTCP || !UsableLocked())
            ThrowNetwork();
        fd = m_socket.Fd();
    }
    if (n == 0)
        return 0;
    // Every byte, not one send: a send that takes only part of a frame would leave the rest of the
    // command unsent while the caller takes it for written, and the motor would join it with the
    // next one. What cannot be sent in time is a network error.
    int error = 0;
    const size_t sent = net::SendAll(fd, bytes, n, kSendTimeoutMs, error);
    if (sent < n) {
        if (error) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lost = true;
        }
        ThrowNetwork();
    }
    return sent;
}

void CMotorSocket::CheckUdp() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mode == ModeTCP || m_state != StateConnected || !m_socket.IsValid())
        ThrowNetwork();
}

bool CMotorSocket::SendTo(const uint8_t* bytes, size_t n, const std::string& address)
{
    CheckUdp();
    const net::NetSettings settings = net::GetNetSettings();
    uint32_t to = 0;
    if (!net::ParseIPv4(address.empty() ? settings.broadcastAddress : address, to))
        return false;
    return net::UdpSendTo(m_socket.Fd(), bytes, n, to, settings.udpPort);
}

bool CMotorSocket::ReceiveFrom(uint8_t* buffer, size_t max, size_t& count, std::string& fromAddress,
                               int timeoutMs)
{
    CheckUdp();
    count = 0;
    const net::Datagram d = net::UdpReceiveFrom(m_socket.Fd(), buffer, max, timeoutMs);
    if (d.status != net::RecvStatus::Data)
        return false;
    count = d.count;
    fromAddress = net::FormatIPv4(d.fromAddress);
    return true;
}

void CMotorSocket::Drain()
{
    {
        // A lost connection has nothing more to come: what is left is discarded, and the next read
        // or write of this motor raises the error, not a purge of the whole port.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_lost && m_mode == ModeTCP && m_state == StateConnected) {
            m_count = 0;
            return;
        }
    }
    uint8_t scratch[100];
    size_t count = 0;
    do
        Read(scratch, sizeof scratch, count, 0);
    while (count > 0);
}

size_t CMotorSocket::BytesAvailable() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

int CMotorSocket::GetState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

bool CMotorSocket::IsConnected() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return UsableLocked();
}

bool CMotorSocket::IsValidIPAddress(const std::string& text)
{
    uint32_t address;
    return net::ParseIPv4(text, address);
}

bool CMotorSocket::Connect(int waitMs)
{
    return OpenTCP(nullptr, net::GetNetSettings().tcpPort, waitMs);
}
