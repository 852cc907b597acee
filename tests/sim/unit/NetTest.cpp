// Motors with Ethernet interfaces on loopback addresses: discovery, TCP frames, new addresses.

#include "tests/sim/net/NetRig.h"
#include "tests/sim/wiring/SerialRig.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>

namespace vqxsim::test {
namespace {

NetOptions LoopbackOptions(const std::string& first)
{
    NetOptions o;
    o.firstAddress = first;
    o.tcpPort = 0;       // free ports: other tests and programs may hold 10001 and 30718
    o.discoveryPort = 0;
    o.ipRestartMs = 50;
    return o;
}

// The PC's datagram socket on 127.0.0.1.
class Udp {
public:
    Udp()
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        int one = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~Udp() { close(m_fd); }

    void Broadcast(const std::string& bytes, int port)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(uint16_t(port));
        inet_pton(AF_INET, "127.255.255.255", &to.sin_addr);
        sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // Datagrams received within ms, by sender address.
    std::multimap<std::string, std::string> Collect(int ms)
    {
        std::multimap<std::string, std::string> out;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0)
                continue;
            char buf[256];
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            char ip[32];
            inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
            if (n > 0)
                out.emplace(ip, std::string(buf, size_t(n)));
        }
        return out;
    }

private:
    int m_fd = -1;
};

// Connects, sends, and reads until CR or a timeout; empty when the connection is refused.
std::string Ask(const std::string& ip, int port, const std::string& frame, bool* connected = nullptr)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (connected)
        *connected = ok;
    std::string reply;
    if (ok) {
        send(fd, frame.data(), frame.size(), 0);
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (std::chrono::steady_clock::now() < end && (reply.empty() || reply.back() != '\r')) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0)
                continue;
            char buf[256];
            ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            reply.append(buf, size_t(n));
        }
    }
    close(fd);
    return reply;
}

std::string Id(const HardwareId& id) { return std::string(id.begin(), id.end()); }

TEST(Net, DiscoveryFindsThreeMotorsAtTheirOwnAddresses)
{
    auto rig = NetRig::Start(MakeProfiles(3), LoopbackOptions("127.0.0.2"));
    Udp pc;
    pc.Broadcast(std::string("\0\0\0\xF6", 4), rig->DiscoveryPort());
    auto replies = pc.Collect(300);
    ASSERT_EQ(replies.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        auto it = replies.find(rig->MotorAddress(i));
        ASSERT_NE(it, replies.end()) << rig->MotorAddress(i);
        const std::string& d = it->second;
        ASSERT_EQ(d.size(), 30u);
        EXPECT_EQ(d.substr(0, 4), std::string("\0\0\0\xF7", 4));
        EXPECT_EQ(d.substr(24), Id(rig->Id(i)));
    }
    EXPECT_EQ(rig->MotorAddress(2), "127.0.0.4");
    // Other datagrams, the PC's own query among them when it loops back, get no answer.
    pc.Broadcast(std::string("\0\0\0\xF6\0", 5), rig->DiscoveryPort());
    pc.Broadcast(std::string(30, '\0'), rig->DiscoveryPort());
    EXPECT_TRUE(pc.Collect(100).empty());
}

TEST(Net, EachConnectionTalksToItsOwnMotorWithoutEcho)
{
    auto rig = NetRig::Start(MakeProfiles(2), LoopbackOptions("127.0.0.2"));
    rig->WithMotor(1, [](SimMotor& m) { m.Vars().Set(*ParseVarRef("a"), 77); });
    EXPECT_EQ(Ask(rig->MotorAddress(1), rig->TcpPort(1), "\x80Ra "), "77\r");
    EXPECT_EQ(Ask(rig->MotorAddress(0), rig->TcpPort(0), "\x80" "RSP\r"), "24576/450\r");
}

TEST(Net, SetAddressRequestMovesTheInterfaceAfterARestart)
{
    auto rig = NetRig::Start(MakeProfiles(2), LoopbackOptions("127.0.0.2"));
    const HardwareId id = rig->Id(1);
    std::string request("\0\0\0\xFCIP-SETUP\0\0", 14);
    request += char(id[4]);
    request += char(id[5]);
    request += std::string("\x7F\0\0\x09", 4); // 127.0.0.9
    Udp pc;
    pc.Broadcast(request, rig->DiscoveryPort());
    pc.Broadcast(std::string("\0\0\0\xF6", 4), rig->DiscoveryPort());
    auto during = pc.Collect(200); // long enough that no late answer spills into the next round
    EXPECT_EQ(during.count("127.0.0.3"), 0u) << "restarting";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (rig->MotorAddress(1) != "127.0.0.9" && std::chrono::steady_clock::now() < deadline)
        usleep(5000);
    usleep(20000);
    pc.Broadcast(std::string("\0\0\0\xF6", 4), rig->DiscoveryPort());
    auto after = pc.Collect(200);
    EXPECT_EQ(after.count("127.0.0.9"), 1u);
    EXPECT_EQ(after.count("127.0.0.2"), 1u);
    EXPECT_EQ(Ask("127.0.0.9", rig->TcpPort(1), "\x80RBo "), "1\r");
}

TEST(Net, InterfaceOnAnotherSubnetAnswersDiscoveryButRefusesConnections)
{
    auto rig = NetRig::Start(MakeProfiles(1), LoopbackOptions("127.0.0.2"));
    rig->SetRefuseTcp(0, true);
    bool connected = true;
    Ask(rig->MotorAddress(0), rig->TcpPort(0), "\x80RSP ", &connected);
    EXPECT_FALSE(connected);
    Udp pc;
    pc.Broadcast(std::string("\0\0\0\xF6", 4), rig->DiscoveryPort());
    EXPECT_EQ(pc.Collect(200).size(), 1u);
}

} // namespace
} // namespace vqxsim::test
