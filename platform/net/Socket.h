#pragma once
// POSIX TCP and UDP for the motors' network interfaces: IPv4 only, every wait bounded by a
// timeout and interruptible through a Waker, so that threads blocked on a socket can be stopped
// and joined.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace platform::net {

// Owns one socket descriptor.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() { Close(); }
    Socket(Socket&& other) noexcept : m_fd(other.Release()) {}
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int Fd() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    int Release();
    void Close();
    // Ends both directions: the peer sees the connection close, a blocked receive returns.
    void Shutdown();

private:
    int m_fd = -1;
};

// Wakes a thread waiting in WaitReadable/WaitWritable/TcpConnect from another thread. Once
// notified it stays signalled until Reset.
class Waker {
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;
    void Notify();
    void Reset();
    // The descriptor to wait on; made when first asked for (from any thread), so that objects
    // that never wait, such as a motor's stored network address, cost no descriptor.
    int Fd() const;

private:
    mutable std::once_flag m_made;
    mutable int m_fd = -1;
};

// Four dotted decimal groups 0..255, nothing else; the address in host byte order.
bool ParseIPv4(std::string_view text, uint32_t& address);
std::string FormatIPv4(uint32_t address);
// A dotted address directly, else a host-name lookup (blocking, IPv4 results only).
bool ResolveIPv4(const std::string& host, uint32_t& address);

// The host-name lookup behind ResolveIPv4 (tests install a slow or scripted one); an empty
// function restores the system resolver.
using HostLookup = std::function<bool(const std::string& host, uint32_t& address)>;
void SetHostLookup(HostLookup lookup);

enum class ResolveStatus { Resolved, Failed, Woken };
// As ResolveIPv4, but gives up as soon as the waker is notified. The resolver cannot be
// interrupted: an abandoned lookup finishes in a helper thread of its own and is then forgotten.
ResolveStatus ResolveIPv4(const std::string& host, uint32_t& address, const Waker& waker);

enum class WaitResult { Ready, Timeout, Woken, Error };
WaitResult WaitReadable(int fd, int timeoutMs, const Waker* waker = nullptr);
WaitResult WaitWritable(int fd, int timeoutMs, const Waker* waker = nullptr);

// ---- TCP ----

// Connects within timeoutMs (negative: no limit but the waker). On failure returns an invalid
// socket with error set: ECONNREFUSED, ETIMEDOUT, ECANCELED (woken) or another errno value.
Socket TcpConnect(uint32_t address, int port, int timeoutMs, const Waker* waker, int& error);
// A listening socket on localAddress ("" = any) and port (0 = any free port); invalid on failure.
Socket TcpListen(const std::string& localAddress, int port, int backlog = 8);
// The next connection within timeoutMs, or an invalid socket.
Socket TcpAccept(int listenFd, int timeoutMs);
// The local port a socket is bound to, -1 when unknown.
int LocalPort(int fd);

// Sends every byte within timeoutMs. Returns the count sent; fewer than count means the time ran
// out or the connection failed (error tells which: 0 timeout, else errno).
size_t SendAll(int fd, const void* bytes, size_t count, int timeoutMs, int& error);

enum class RecvStatus { Data, Closed, Timeout, Woken, Error };
struct RecvResult {
    RecvStatus status;
    size_t count = 0;
};
// Receives what has arrived, at most max bytes, waiting up to timeoutMs for the first.
RecvResult Receive(int fd, void* buffer, size_t max, int timeoutMs, const Waker* waker = nullptr);

// ---- UDP ----

// A datagram socket bound to localAddress ("" = any) and port (0 = any), with SO_REUSEADDR (so
// that several listeners may share a discovery port) and optionally SO_BROADCAST.
Socket UdpOpen(const std::string& localAddress, int port, bool broadcast);
bool UdpSendTo(int fd, const void* bytes, size_t count, uint32_t address, int port);
struct Datagram {
    RecvStatus status;
    size_t count = 0;
    uint32_t fromAddress = 0;
    int fromPort = 0;
};
// One datagram, waiting up to timeoutMs (0: only what is already there).
Datagram UdpReceiveFrom(int fd, void* buffer, size_t max, int timeoutMs);

bool SetNonBlocking(int fd, bool on);

} // namespace platform::net
