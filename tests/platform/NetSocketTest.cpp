#include "platform/net/NetSettings.h"
#include "platform/net/Socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

using namespace platform::net;
using namespace std::chrono_literals;

namespace {
uint32_t Ip(const char* text)
{
    uint32_t a = 0;
    EXPECT_TRUE(ParseIPv4(text, a)) << text;
    return a;
}
} // namespace

TEST(NetAddress, DottedQuadsOnly)
{
    uint32_t a = 0;
    EXPECT_TRUE(ParseIPv4("192.168.0.10", a));
    EXPECT_EQ(a, 0xC0A8000Au);
    EXPECT_EQ(FormatIPv4(a), "192.168.0.10");
    EXPECT_TRUE(ParseIPv4("0.0.0.0", a));
    EXPECT_TRUE(ParseIPv4("255.255.255.255", a));
    for (const char* bad : {"192.168.0", "192.168..10", "256.1.1.1", "1.2.3.4.5", "", "1.2.3.4.",
                            ".1.2.3", "1.2.3.x", " 1.2.3.4", "1.2.3.99999999999"})
        EXPECT_FALSE(ParseIPv4(bad, a)) << bad;
    uint32_t resolved = 0;
    EXPECT_TRUE(ResolveIPv4("localhost", resolved));
    EXPECT_EQ(resolved >> 24, 127u);
    EXPECT_FALSE(ResolveIPv4("", resolved));
}

TEST(NetSettings, DefaultsAreTheMotorsAndScopesRestore)
{
    const NetSettings before = GetNetSettings();
    {
        NetSettings test;
        EXPECT_EQ(test.broadcastAddress, "255.255.255.255");
        EXPECT_EQ(test.udpPort, 30718);
        EXPECT_EQ(test.udpLocalPort, 30718);
        EXPECT_EQ(test.tcpPort, 10001);
        test.tcpPort = 12345;
        ScopedNetSettings scope(test);
        EXPECT_EQ(GetNetSettings().tcpPort, 12345);
    }
    EXPECT_EQ(GetNetSettings().tcpPort, before.tcpPort);
}

TEST(NetTcp, ConnectSendReceiveAndNoticeTheClose)
{
    Socket listener = TcpListen("127.0.0.2", 0);
    ASSERT_TRUE(listener.IsValid());
    const int port = LocalPort(listener.Fd());
    int error = -1;
    Socket client = TcpConnect(Ip("127.0.0.2"), port, 1000, nullptr, error);
    ASSERT_TRUE(client.IsValid()) << error;
    Socket server = TcpAccept(listener.Fd(), 1000);
    ASSERT_TRUE(server.IsValid());

    EXPECT_EQ(SendAll(client.Fd(), "\x80RP ", 4, 1000, error), 4u);
    char buf[16];
    RecvResult r = Receive(server.Fd(), buf, sizeof buf, 1000);
    ASSERT_EQ(r.status, RecvStatus::Data);
    EXPECT_EQ(std::string(buf, r.count), "\x80RP ");

    EXPECT_EQ(Receive(client.Fd(), buf, sizeof buf, 10).status, RecvStatus::Timeout);
    server.Close();
    EXPECT_EQ(Receive(client.Fd(), buf, sizeof buf, 1000).status, RecvStatus::Closed);
}

TEST(NetTcp, RefusedAndWokenConnectsFailClearly)
{
    Socket probe = TcpListen("127.0.0.1", 0);
    const int port = LocalPort(probe.Fd());
    probe.Close(); // nobody listens there now
    int error = 0;
    EXPECT_FALSE(TcpConnect(Ip("127.0.0.1"), port, 1000, nullptr, error).IsValid());
    EXPECT_EQ(error, ECONNREFUSED);

    // A receive that waits is ended by the waker without data.
    Socket listener = TcpListen("127.0.0.1", 0);
    Socket client = TcpConnect(Ip("127.0.0.1"), LocalPort(listener.Fd()), 1000, nullptr, error);
    ASSERT_TRUE(client.IsValid());
    Waker waker;
    std::thread stopper([&] {
        std::this_thread::sleep_for(20ms);
        waker.Notify();
    });
    char buf[4];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Receive(client.Fd(), buf, sizeof buf, 5000, &waker).status, RecvStatus::Woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    stopper.join();
    waker.Reset();
    EXPECT_EQ(WaitReadable(client.Fd(), 0, &waker), WaitResult::Timeout);
}

TEST(NetUdp, LoopbackBroadcastReachesEveryListenerAndTellsTheSender)
{
    // Two "motors" share the discovery port; the host sends from its own address and port.
    Socket motorA = UdpOpen("", 0, false);
    ASSERT_TRUE(motorA.IsValid());
    const int motorPort = LocalPort(motorA.Fd());
    Socket motorB = UdpOpen("", motorPort, false);
    ASSERT_TRUE(motorB.IsValid());
    Socket host = UdpOpen("127.0.0.1", 0, true);
    ASSERT_TRUE(host.IsValid());
    const uint8_t query[4] = {0, 0, 0, 0xF6};
    ASSERT_TRUE(UdpSendTo(host.Fd(), query, 4, Ip("127.255.255.255"), motorPort));
    uint8_t buf[64];
    for (Socket* motor : {&motorA, &motorB}) {
        Datagram d = UdpReceiveFrom(motor->Fd(), buf, sizeof buf, 1000);
        ASSERT_EQ(d.status, RecvStatus::Data);
        EXPECT_EQ(d.count, 4u);
        EXPECT_EQ(buf[3], 0xF6);
        EXPECT_EQ(d.fromAddress, Ip("127.0.0.1"));
        EXPECT_EQ(d.fromPort, LocalPort(host.Fd()));
    }
    // A reply from a motor bound to its own address shows that address as the sender.
    Socket reply = UdpOpen("127.0.0.3", 0, false);
    ASSERT_TRUE(UdpSendTo(reply.Fd(), "\0\0\0\xF7", 4, Ip("127.0.0.1"), LocalPort(host.Fd())));
    Datagram d = UdpReceiveFrom(host.Fd(), buf, sizeof buf, 1000);
    ASSERT_EQ(d.status, RecvStatus::Data);
    EXPECT_EQ(FormatIPv4(d.fromAddress), "127.0.0.3");
    EXPECT_EQ(UdpReceiveFrom(host.Fd(), buf, sizeof buf, 0).status, RecvStatus::Timeout);
    EXPECT_FALSE(UdpOpen("not-an-ip", 0, false).IsValid());
}
