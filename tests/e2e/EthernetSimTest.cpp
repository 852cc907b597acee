// An Ethernet port against simulated motors on loopback: the port's motors reached over their own
// TCP connections, and the discovery datagrams of the back end answered by the simulated
// interfaces.

#include "core/backends/MotorSocket.h"
#include "platform/net/NetSettings.h"
#include "tests/core/backends/LoopbackPorts.h"
#include "tests/core/backends/PortWithLinks.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/wiring/SerialRig.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace net = platform::net;

namespace {

struct EthernetSimTest : ::testing::Test {
    const int tcpPort = FreeLoopbackPort(4);
    std::unique_ptr<vqxsim::NetRig> rig = [this] {
        std::vector<vqxsim::MotorProfile> profiles = vqxsim::MakeProfiles(3);
        profiles[0].firmware = "450";
        profiles[1].firmware = "461";
        profiles[2].firmware = "463";
        vqxsim::NetOptions o;
        o.firstAddress = "127.0.0.2";
        o.tcpPort = tcpPort;
        o.discoveryPort = 0;
        o.ipRestartMs = 50;
        return vqxsim::NetRig::Start(profiles, o);
    }();
    net::NetSettings settings = [this] {
        net::NetSettings s;
        s.tcpPort = tcpPort;
        s.connectRetryMs = 50;
        s.broadcastAddress = "127.255.255.255";
        s.udpPort = rig->DiscoveryPort();
        s.udpLocalAddress = "127.0.0.1";
        s.udpLocalPort = 0;
        return s;
    }();
    net::ScopedNetSettings scope{settings};
    std::vector<std::unique_ptr<CMotorSocket>> sockets;
    PortWithLinks p{COMM_ETHERNET};

    void SetUp() override
    {
        for (size_t i = 0; i < rig->Count(); ++i) {
            sockets.push_back(std::make_unique<CMotorSocket>(rig->MotorAddress(i)));
            p.motors.Add(static_cast<int>(i) + 1, sockets.back().get());
        }
    }
};

} // namespace

TEST_F(EthernetSimTest, EachMotorAnswersOnItsOwnConnectionAndAllTogether)
{
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(p.port.Query("RSP", 1), "24576/450");
    EXPECT_EQ(p.port.Query("RSP", 2), "24576/461");
    EXPECT_EQ(p.port.Query("3RSP"), "24576/463");
    EXPECT_EQ(p.port.Query("RSP", 0), "24576/450\r24576/461\r24576/463");
    // Commands without a reply leave nothing behind for the next query.
    p.port.WriteCommand("a=5", 2);
    EXPECT_EQ(p.port.Query("Ra", 2), "5");
}

TEST_F(EthernetSimTest, AnInterfaceThatRefusesConnectionsLeavesItsMotorOut)
{
    rig->SetRefuseTcp(1, true);
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_FALSE(p.motors.entries[1].available);
    EXPECT_EQ(CodeOf([&] { p.port.Query("RSP", 2); }), 1005);
    EXPECT_EQ(p.port.Query("RSP", 0), "24576/450\r24576/463");
}

TEST_F(EthernetSimTest, DiscoveryRepliesNameEachInterfaceAndItsHardwareId)
{
    CMotorSocket udp;
    ASSERT_TRUE(udp.OpenUDP(0, true, 1000));
    const uint8_t query[4] = {0, 0, 0, 0xF6};
    ASSERT_TRUE(udp.SendTo(query, sizeof query));
    std::set<std::string> senders;
    uint8_t buf[200];
    size_t count = 0;
    std::string from;
    for (int polls = 0; polls < 10 && senders.size() < rig->Count();) {
        if (!udp.ReceiveFrom(buf, sizeof buf, count, from, 100)) {
            ++polls;
            continue;
        }
        if (count != 30 || buf[3] != 0xF7)
            continue; // the query itself, looping back
        for (size_t i = 0; i < rig->Count(); ++i)
            if (rig->MotorAddress(i) == from) {
                const auto id = rig->Id(i);
                EXPECT_TRUE(std::equal(id.begin(), id.end(), buf + 24)) << from;
            }
        senders.insert(from);
    }
    EXPECT_EQ(senders, (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
}
