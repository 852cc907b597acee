#include "platform/net/Socket.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::net {

namespace {

sockaddr_in MakeAddress(uint32_t address, int port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    return sa;
}

bool LocalAddress(const std::string& text, int port, sockaddr_in& sa)
{
    uint32_t address = INADDR_ANY;
    if (!text.empty() && !ParseIPv4(text, address))
        return false;
    sa = MakeAddress(address, port);
    return true;
}

WaitResult WaitFor(int fd, short events, int timeoutMs, const Waker* waker)
{
    pollfd p[2] = {{fd, events, 0}, {waker ? waker->Fd() : -1, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int r = ::poll(p, waker ? 2 : 1, wait);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Error;
        }
        if (r == 0)
            return WaitResult::Timeout;
        if (waker && (p[1].revents & POLLIN))
            return WaitResult::Woken;
        if (p[0].revents & POLLNVAL)
            return WaitResult::Error;
        // Errors and hang-ups count as ready: the next call on the socket reports them.
        return WaitResult::Ready;
    }
}

} // namespace

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

int Socket::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void Socket::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Socket::Shutdown()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

Waker::Waker() = default;

Waker::~Waker()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int Waker::Fd() const
{
    std::call_once(m_made, [this] { m_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); });
    return m_fd;
}

void Waker::Notify()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(Fd(), &one, sizeof one);
}

void Waker::Reset()
{
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(Fd(), &value, sizeof value);
}

bool ParseIPv4(std::string_view text, uint32_t& address)
{
    uint32_t result = 0;
    int groups = 0;
    size_t i = 0;
    while (true) {
        int value = 0, digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + (text[i] - '0');
            ++digits;
            if (value > 255)
                return false;
            ++i;
        }
        if (digits == 0)
            return false;
        result = (result << 8) | static_cast<uint32_t>(value);
        ++groups;
        if (i == text.size())
            break;
        if (text[i] != '.' || groups == 4)
            return false;
        ++i;
    }
    if (groups != 4)
        return false;
    address = result;
    return true;
}

std::string FormatIPv4(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

namespace {

std::mutex g_lookupMutex;
HostLookup g_lookup;

bool SystemLookup(const std::string& host, uint32_t& address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

bool LookUp(const std::string& host, uint32_t& address)
{
    HostLookup lookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_lookup;
    }
    return lookup ? lookup(host, address) : SystemLookup(host, address);
}

} // namespace

void SetHostLookup(HostLookup lookup)
{
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_lookup = std::move(lookup);
}

bool ResolveIPv4(const std::string& host, uint32_t& address)
{
    if (ParseIPv4(host, address))
        return true;
    if (host.empty())
        return false;
    return LookUp(host, address);
}

ResolveStatus ResolveIPv4(const std::string& host, uint32_t& address, const Waker& waker)
{
    if (ParseIPv4(host, address))
        return ResolveStatus::Resolved;
    if (host.empty())
        return ResolveStatus::Failed;
    // Shared with the helper, which may outlive this call when the waker gives up on it.
    struct Pending {
        Waker done;
        uint32_t address = 0;
        bool ok = false;
        std::atomic<bool> finished{false};
    };
    auto pending = std::make_shared<Pending>();
    try {
        std::thread([pending, host] {
            pending->ok = LookUp(host, pending->address);
            pending->finished.store(true, std::memory_order_release);
            pending->done.Notify();
        }).detach();
    } catch (const std::system_error&) {
        return ResolveStatus::Failed;
    }
    for (;;) {
        switch (WaitReadable(pending->done.Fd(), -1, &waker)) {
        case WaitResult::Woken: return ResolveStatus::Woken;
        case WaitResult::Ready:
            if (!pending->finished.load(std::memory_order_acquire))
                continue;
            if (!pending->ok)
                return ResolveStatus::Failed;
            address = pending->address;
            return ResolveStatus::Resolved;
        default: return ResolveStatus::Failed;
        }
    }
}

WaitResult WaitReadable(int fd, int timeoutMs, const Waker* waker)
{
    return WaitFor(fd, POLLIN, timeoutMs, waker);
}

WaitResult WaitWritable(int fd, int timeoutMs, const Waker* waker)
{
    return WaitFor(fd, POLLOUT, timeoutMs, waker);
}

Socket TcpConnect(uint32_t address, int port, int timeoutMs, const Waker* waker, int& error)
{
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!s.IsValid()) {
        error = errno;
        return {};
    }
    const sockaddr_in sa = MakeAddress(address, port);
    if (::connect(s.Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS) {
            error = errno;
            return {};
        }
        switch (WaitWritable(s.Fd(), timeoutMs, waker)) {
        case WaitResult::Timeout: error = ETIMEDOUT; return {};
        case WaitResult::Woken: error = ECANCELED; return {};
        case WaitResult::Error: error = errno ? errno : EIO; return {};
        case WaitResult::Ready: break;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(s.Fd(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
            error = soError ? soError : errno;
            return {};
        }
    }
    // Commands are a few bytes each; do not hold them back waiting for more.
    const int one = 1;
    ::setsockopt(s.Fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    error = 0;
    return s;
}

Socket TcpListen(const std::string& localAddress, int port, int backlog)
{
    sockaddr_in sa{};
    if (!LocalAddress(localAddress, port, sa))
        return {};
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.IsValid())
        return {};
    const int one = 1;
    ::setsockopt(s.Fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(s.Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(s.Fd(), backlog) != 0)
        return {};
    return s;
}

Socket TcpAccept(int listenFd, int timeoutMs)
{
    if (WaitReadable(listenFd, timeoutMs) != WaitResult::Ready)
        return {};
    return Socket(::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
}

int LocalPort(int fd)
{
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return -1;
    return ntohs(sa.sin_port);
}

size_t SendAll(int fd, const void* bytes, size_t count, int timeoutMs, int& error)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    size_t sent = 0;
    error = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (sent < count) {
        const ssize_t n = ::send(fd, p + sent, count - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            error = errno;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || WaitWritable(fd, static_cast<int>(left.count())) == WaitResult::Timeout)
            break;
    }
    return sent;
}

RecvResult Receive(int fd, void* buffer, size_t max, int timeoutMs, const Waker* waker)
{
    switch (WaitReadable(fd, timeoutMs, waker)) {
    case WaitResult::Timeout: return {RecvStatus::Timeout};
    case WaitResult::Woken: return {RecvStatus::Woken};
    case WaitResult::Error: return {RecvStatus::Error};
    case WaitResult::Ready: break;
    }
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, max, MSG_DONTWAIT);
        if (n > 0)
            return {RecvStatus::Data, static_cast<size_t>(n)};
        if (n == 0)
            return {max ? RecvStatus::Closed : RecvStatus::Data};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {RecvStatus::Timeout};
        return {RecvStatus::Error};
    }
}

Socket UdpOpen(const std::string& localAddress, int port, bool broadcast)
{
    sockaddr_in sa{};
    if (!LocalAddress(localAddress, port, sa))
        return {};
    Socket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!s.IsValid())
        return {};
    const int one = 1;
    if (broadcast && ::setsockopt(s.Fd(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0)
        return {};
    if (::setsockopt(s.Fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0)
        return {};
    if (::bind(s.Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0)
        return {};
    return s;
}

bool UdpSendTo(int fd, const void* bytes, size_t count, uint32_t address, int port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    const ssize_t n = ::sendto(fd, bytes, count, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa),
                               sizeof sa);
    return n == static_cast<ssize_t>(count);
}

Datagram UdpReceiveFrom(int fd, void* buffer, size_t max, int timeoutMs)
{
    switch (WaitReadable(fd, timeoutMs)) {
    case WaitResult::Timeout: return {RecvStatus::Timeout};
    case WaitResult::Woken: return {RecvStatus::Woken};
    case WaitResult::Error: return {RecvStatus::Error};
    case WaitResult::Ready: break;
    }
    sockaddr_in from{};
    socklen_t len = sizeof from;
    for (;;) {
        const ssize_t n = ::recvfrom(fd, buffer, max, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
        if (n >= 0)
            return {RecvStatus::Data, static_cast<size_t>(n), ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {RecvStatus::Timeout};
        return {RecvStatus::Error};
    }
}

bool SetNonBlocking(int fd, bool on)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    return ::fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

} // namespace platform::net
