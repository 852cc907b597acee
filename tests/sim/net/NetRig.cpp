#include "tests/sim/net/NetRig.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vqxsim {

struct NetRig::Station {
    explicit Station(SimMotor m) : motor(std::move(m)) {}
    SimMotor motor;
    uint32_t ip = 0; // host order
    int tcpPort = 0;
    HardwareId id{};
    int listener = -1;
    int udp = -1; // the interface's own datagram socket, so that replies come from its address
    std::vector<int> clients;
    bool refuseTcp = false;
    bool restarting = false;
    TimePoint backAt;
    uint32_t nextIp = 0;
};

namespace {

sockaddr_in Address(uint32_t ip, int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(ip);
    a.sin_port = htons(uint16_t(port));
    return a;
}

int BoundSocket(int type, uint32_t ip, int port, bool listening = true)
{
    int fd = socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (type == SOCK_DGRAM)
        setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in a = Address(ip, port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || (type == SOCK_STREAM && listening && listen(fd, 8) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

int LocalPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

std::string Dotted(uint32_t ip)
{
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 255) + "." + std::to_string((ip >> 8) & 255) +
           "." + std::to_string(ip & 255);
}

uint32_t ParseIp(const std::string& text)
{
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1)
        throw std::runtime_error("not an IPv4 address: " + text);
    return ntohl(a.s_addr);
}

void CloseAll(NetRig::Station& s)
{
    for (int fd : s.clients)
        close(fd);
    s.clients.clear();
    for (int* fd : {&s.listener, &s.udp})
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
}

// Opens the interface's sockets on its address; the TCP port stays the same across restarts.
void OpenAll(NetRig::Station& s)
{
    s.udp = BoundSocket(SOCK_DGRAM, s.ip, 0);
    // While connections are refused the socket stays bound without listening, keeping its port.
    s.listener = BoundSocket(SOCK_STREAM, s.ip, s.tcpPort, !s.refuseTcp);
    if (s.listener >= 0)
        s.tcpPort = LocalPort(s.listener);
    if (s.udp < 0 || s.listener < 0)
        throw std::runtime_error("cannot bind the simulated interface at " + Dotted(s.ip) + ":" +
                                 std::to_string(s.tcpPort));
}

} // namespace

std::unique_ptr<NetRig> NetRig::Start(const std::vector<MotorProfile>& motors, NetOptions options)
{
    std::unique_ptr<NetRig> rig(new NetRig(options));
    uint32_t ip = ParseIp(options.firstAddress);
    TimePoint now = SimClock::now();
    for (const MotorProfile& p : motors) {
        auto s = std::make_unique<Station>(SimMotor(p, now));
        s->motor.lineChannel = options.channel & 1;
        s->ip = ip++;
        s->tcpPort = options.tcpPort;
        s->id = {0x00, 0x20, 0x4A, uint8_t(p.serial >> 16), uint8_t(p.serial >> 8), uint8_t(p.serial)};
        OpenAll(*s);
        rig->m_motors.push_back(std::move(s));
    }
    rig->m_responder = BoundSocket(SOCK_DGRAM, ParseIp(options.listenAddress), options.discoveryPort);
    if (rig->m_responder < 0)
        throw std::runtime_error("cannot bind the discovery responder at " + options.listenAddress);
    rig->m_discoveryPort = LocalPort(rig->m_responder);
    if (options.foreignDatagramMs > 0 && (rig->m_foreign = BoundSocket(SOCK_DGRAM, 0x7F000001u, 0)) < 0)
        throw std::runtime_error("cannot bind the foreign device's socket");
    rig->m_thread = std::thread([r = rig.get()] { r->Run(); });
    return rig;
}

NetRig::NetRig(NetOptions options) : m_options(std::move(options))
{
    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
}

NetRig::~NetRig()
{
    Stop();
    for (auto& s : m_motors)
        CloseAll(*s);
    for (int fd : {m_responder, m_foreign, m_wake[0], m_wake[1]})
        if (fd >= 0)
            close(fd);
}

void NetRig::Wake()
{
    if (m_wake[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = write(m_wake[1], &c, 1);
    }
}

void NetRig::Stop()
{
    if (m_stop.exchange(true))
        return;
    Wake();
    if (m_thread.joinable())
        m_thread.join();
}

SimMotor& NetRig::MotorAt(size_t index)
{
    return m_motors.at(index)->motor;
}

std::string NetRig::MotorAddress(size_t index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return Dotted(m_motors.at(index)->ip);
}

int NetRig::TcpPort(size_t index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motors.at(index)->tcpPort;
}

HardwareId NetRig::Id(size_t index)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motors.at(index)->id;
}

void NetRig::SetRefuseTcp(size_t index, bool refuse)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Station& s = *m_motors.at(index);
    if (s.refuseTcp == refuse)
        return;
    s.refuseTcp = refuse;
    if (s.restarting)
        return; // the sockets come back as asked
    for (int fd : s.clients)
        close(fd);
    s.clients.clear();
    if (refuse) {
        // Stops listening but keeps the port bound, so that no other socket takes it meanwhile.
        shutdown(s.listener, SHUT_RD);
        return;
    }
    close(s.listener);
    s.listener = BoundSocket(SOCK_STREAM, s.ip, s.tcpPort);
}

void NetRig::OnDatagram(const uint8_t* data, size_t size, const void* from, unsigned fromLength)
{
    static const uint8_t query[4] = {0, 0, 0, 0xF6};
    static const uint8_t setup[12] = {0, 0, 0, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P'};
    if (size == 4 && std::memcmp(data, query, 4) == 0) {
        for (auto& s : m_motors) {
            if (s->restarting || s->udp < 0)
                continue;
            uint8_t reply[30] = {0, 0, 0, 0xF7};
            std::memcpy(reply + 24, s->id.data(), 6);
            for (int i = 0; i < std::max(1, m_options.repliesPerQuery); ++i)
                sendto(s->udp, reply, sizeof reply, MSG_NOSIGNAL, static_cast<const sockaddr*>(from), fromLength);
        }
        if (m_foreign >= 0 && m_querierIp == 0 && fromLength >= sizeof(sockaddr_in)) {
            const auto* in = static_cast<const sockaddr_in*>(from);
            m_querierIp = ntohl(in->sin_addr.s_addr);
            m_querierPort = ntohs(in->sin_port);
            m_nextForeign = SimClock::now();
        }
        return;
    }
    if (size != 20 || std::memcmp(data, setup, 12) != 0)
        return;
    for (auto& s : m_motors) {
        if (s->restarting || data[14] != s->id[4] || data[15] != s->id[5])
            continue;
        uint32_t ip = (uint32_t(data[16]) << 24) | (uint32_t(data[17]) << 16) | (uint32_t(data[18]) << 8) | data[19];
        // 0.0.0.0 asks for an address from a server; the simulated server hands out the same one.
        s->nextIp = ip == 0 ? s->ip : ip;
        s->restarting = true;
        s->backAt = SimClock::now() + Ms(m_options.ipRestartMs);
        CloseAll(*s);
    }
}

// The other device's datagrams that are due.
void NetRig::SendForeign(TimePoint now)
{
    if (m_foreign < 0 || m_querierIp == 0)
        return;
    const sockaddr_in to = Address(m_querierIp, m_querierPort);
    uint8_t datagram[30] = {0, 0, 0, 0xF8, 'o', 't', 'h', 'e', 'r'};
    for (int i = 0; m_nextForeign <= now && i < 100; ++i) {
        sendto(m_foreign, datagram, sizeof datagram, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        m_nextForeign += Ms(m_options.foreignDatagramMs);
    }
    if (m_nextForeign <= now)
        m_nextForeign = now + Ms(m_options.foreignDatagramMs); // a stalled rig does not send a burst
}

// Sends what the motors have ready and brings restarted interfaces back.
void NetRig::Serve(TimePoint now)
{
    SendForeign(now);
    for (auto& s : m_motors) {
        if (s->restarting && now >= s->backAt) {
            s->restarting = false;
            s->ip = s->nextIp;
            try {
                OpenAll(*s);
            } catch (const std::exception&) {
                CloseAll(*s); // an address that cannot be bound leaves the interface unreachable
            }
        }
        auto& outbox = s->motor.Outbox();
        while (!outbox.empty() && outbox.front().readyAt <= now && !s->motor.Booting(now)) {
            const Bytes& b = outbox.front().bytes;
            for (int fd : s->clients)
                [[maybe_unused]] ssize_t n = send(fd, b.data(), b.size(), MSG_NOSIGNAL);
            outbox.pop_front();
        }
    }
}

void NetRig::Run()
{
    uint8_t buffer[2048];
    while (!m_stop) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Station*, int>> owners; // station and client index (-1 listener)
        int64_t waitMs = 50;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            TimePoint now = SimClock::now();
            fds.push_back({m_wake[0], POLLIN, 0});
            owners.emplace_back(nullptr, -2);
            fds.push_back({m_responder, POLLIN, 0});
            owners.emplace_back(nullptr, -3);
            if (m_foreign >= 0 && m_querierIp != 0)
                waitMs = std::min<int64_t>(
                    waitMs, std::max<int64_t>(
                                0, std::chrono::duration_cast<std::chrono::milliseconds>(m_nextForeign - now).count() + 1));
            for (auto& s : m_motors) {
                if (s->listener >= 0 && !s->refuseTcp) {
                    fds.push_back({s->listener, POLLIN, 0});
                    owners.emplace_back(s.get(), -1);
                }
                for (size_t c = 0; c < s->clients.size(); ++c) {
                    fds.push_back({s->clients[c], POLLIN, 0});
                    owners.emplace_back(s.get(), int(c));
                }
                std::vector<TimePoint> due;
                if (!s->motor.Outbox().empty())
                    due.push_back(s->motor.Outbox().front().readyAt);
                if (s->restarting)
                    due.push_back(s->backAt);
                for (TimePoint t : due)
                    waitMs = std::min<int64_t>(
                        waitMs, std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(t - now).count() + 1));
            }
        }
        poll(fds.data(), fds.size(), int(waitMs));
        if (m_stop)
            break;
        std::lock_guard<std::mutex> lock(m_mutex);
        TimePoint now = SimClock::now();
        std::vector<std::pair<Station*, int>> closed;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            auto [station, which] = owners[i];
            if (which == -2) {
                while (read(m_wake[0], buffer, sizeof buffer) > 0) {
                }
            } else if (which == -3) {
                sockaddr_in from{};
                socklen_t len = sizeof from;
                ssize_t n = recvfrom(m_responder, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
                if (n > 0)
                    OnDatagram(buffer, size_t(n), &from, len);
            } else if (which == -1) {
                if (station->listener != fds[i].fd)
                    continue; // closed by a restart in this round
                int fd = accept4(station->listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0)
                    station->clients.push_back(fd);
            } else {
                if (size_t(which) >= station->clients.size() || station->clients[which] != fds[i].fd)
                    continue;
                ssize_t n = recv(fds[i].fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    closed.emplace_back(station, fds[i].fd);
                    continue;
                }
                for (ssize_t k = 0; k < n; ++k)
                    station->motor.Receive(buffer[k], now);
            }
        }
        for (auto [station, fd] : closed) {
            auto& c = station->clients;
            c.erase(std::remove(c.begin(), c.end(), fd), c.end());
            close(fd);
        }
        Serve(now);
    }
}

} // namespace vqxsim
