#include "core/backends/MotorSocket.h"

#include "core/VQXException.h"
#include "platform/net/NetSettings.h"
#include "tests/common/CodeOf.h"
#include "tests/core/backends/LoopbackPorts.h"
#include "tests/core/backends/RecordingArchive.h"
#include "tests/core/backends/RecordingTrafficLog.h"
#include "tests/core/backends/ScriptedTcpPeer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>


using namespace std::chrono_literals;
namespace net = platform::net;

namespace {

struct MotorSocketTest : ::testing::Test {
    net::NetSettings settings = [] {
        net::NetSettings s;
        s.tcpPort = FreeLoopbackPort(7);
        s.connectRetryMs = 50;
        return s;
    }();
    net::ScopedNetSettings scope{settings};

    static std::string Query(CMotorSocket& s, const std::string& command, int timeoutMs = 1000)
    {
        const std::string frame = "\x80" + command + " ";
        s.WriteFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
        char reply[255];
        const size_t n = s.ReadReply(reply, sizeof reply, timeoutMs);
        return std::string(reply, n);
    }
};

} // namespace

TEST_F(MotorSocketTest, ConnectsToItsOwnMotorAndQueries)
{
    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    ASSERT_TRUE(motor.IsListening());
    motor.Answer("RP", "1234\r");
    CMotorSocket s("127.0.0.2");
    RecordingTrafficLog log;
    s.SetTrafficLog(&log, 0);
    ASSERT_TRUE(s.Connect(500));
    EXPECT_EQ(s.GetState(), CMotorSocket::StateConnected);
    EXPECT_EQ(s.Port, settings.tcpPort);
    EXPECT_EQ(Query(s, "RP"), "1234");
    EXPECT_EQ(log.entries.back().bytes, "1234\r");
    EXPECT_EQ(log.entries.back().flags, SDA_LOG_RECEIVED);
    EXPECT_EQ(motor.Heard(), std::vector<std::string>{"RP"});

    // An empty ring with timeout 0 answers at once with nothing.
    uint8_t buf[4];
    size_t count = 9;
    const auto start = std::chrono::steady_clock::now();
    s.Read(buf, sizeof buf, count, 0);
    EXPECT_EQ(count, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s); // ended: no wait for data that never comes
    EXPECT_EQ(CodeOf([&] { s.ReadReply(reinterpret_cast<char*>(buf), sizeof buf, 20); }), 1005);
    s.Close();
    EXPECT_EQ(s.GetState(), CMotorSocket::StateIdle);
    EXPECT_EQ(CodeOf([&] { s.Read(buf, 1, count, 0); }), 1043);
    EXPECT_EQ(CodeOf([&] { s.Write(buf, 0); }), 1043);
}

TEST_F(MotorSocketTest, AMotorThatComesLateIsConnectedByTheRetries)
{
    CMotorSocket nowhere;
    EXPECT_FALSE(nowhere.Connect(100));
    EXPECT_EQ(nowhere.GetState(), CMotorSocket::StateIdle);

    CMotorSocket s("127.0.0.3");
    EXPECT_FALSE(s.Connect(100));
    EXPECT_EQ(s.GetState(), CMotorSocket::StateConnecting);
    uint8_t b = 0;
    EXPECT_EQ(CodeOf([&] { s.Write(&b, 1); }), 1043);

    ScriptedTcpPeer motor("127.0.0.3", settings.tcpPort);
    motor.Answer("RSP", "24576/450\r");
    for (int i = 0; i < 200 && !s.IsConnected(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(s.IsConnected());
    EXPECT_EQ(Query(s, "RSP"), "24576/450");
}

TEST_F(MotorSocketTest, CloseEndsTheWorkerAtOnceWhateverItWaitsFor)
{
    net::NetSettings slow = settings;
    slow.connectRetryMs = 5000;
    net::ScopedNetSettings slowScope(slow);
    CMotorSocket waiting("127.0.0.4"); // nobody there: the worker sits in its 5 s pause
    EXPECT_FALSE(waiting.Connect(50));
    auto start = std::chrono::steady_clock::now();
    waiting.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);

    ScriptedTcpPeer motor("127.0.0.5", settings.tcpPort);
    CMotorSocket receiving("127.0.0.5"); // connected: the worker sits in its receive
    ASSERT_TRUE(receiving.Connect(500));
    start = std::chrono::steady_clock::now();
    receiving.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(receiving.IsConnected());
}

TEST_F(MotorSocketTest, ADroppedConnectionRaises1043OnTheNextUse)
{
    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    motor.Answer("RP", "12");
    motor.Answer("RV", std::string("56") + ScriptedTcpPeer::kDrop);
    CMotorSocket s("127.0.0.2");
    ASSERT_TRUE(s.Connect(500));
    EXPECT_EQ(CodeOf([&] { Query(s, "RP", 50); }), 1005); // alive, only silent
    s.Drain();
    // The motor sends part of a reply and goes away in the middle of the read.
    EXPECT_EQ(CodeOf([&] { Query(s, "RV", 2000); }), 1043);
    uint8_t b = 'x';
    EXPECT_EQ(CodeOf([&] { s.Write(&b, 1); }), 1043);
    EXPECT_FALSE(s.IsConnected());
    // Opening again reaches the motor once more.
    motor.Answer("RV", "56\r");
    ASSERT_TRUE(s.Connect(500));
    EXPECT_EQ(Query(s, "RV"), "56");
    EXPECT_EQ(motor.Connections(), 2);
}

TEST_F(MotorSocketTest, BytesArrivedBeforeTheDropAreStillDelivered)
{
    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    motor.Answer("RP", std::string("77\r") + ScriptedTcpPeer::kDrop);
    CMotorSocket s("127.0.0.2");
    ASSERT_TRUE(s.Connect(500));
    const std::string frame = "\x80RP ";
    s.WriteFrame(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
    for (int i = 0; i < 200 && s.IsConnected(); ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_FALSE(s.IsConnected());
    char reply[16];
    EXPECT_EQ(s.ReadReply(reply, sizeof reply, 100), 2u);
    EXPECT_STREQ(reply, "77");
    EXPECT_EQ(CodeOf([&] { s.ReadReply(reply, sizeof reply, 100); }), 1043);
}

TEST_F(MotorSocketTest, TheRingNeverOverwritesUnreadBytes)
{
    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    CMotorSocket s("127.0.0.2");
    ASSERT_TRUE(s.Connect(500));
    std::string stream;
    for (int i = 0; i < 3500; ++i)
        stream += static_cast<char>('A' + i % 26 + (i / 1000));
    std::thread sender([&] { EXPECT_TRUE(motor.Send(stream)); });
    // Let the ring fill before reading anything: the rest waits in TCP, not over old bytes.
    for (int i = 0; i < 200 && s.BytesAvailable() < CMotorSocket::kRingSize; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(s.BytesAvailable(), CMotorSocket::kRingSize);
    std::string got;
    uint8_t buf[333];
    while (got.size() < stream.size()) {
        size_t n = 0;
        s.Read(buf, std::min(sizeof buf, stream.size() - got.size()), n, 1000);
        ASSERT_GT(n, 0u) << "stalled after " << got.size();
        got.append(reinterpret_cast<char*>(buf), n);
    }
    sender.join();
    EXPECT_EQ(got, stream);
}

TEST_F(MotorSocketTest, TwoSocketsToOneHostKeepTheirOwnReplies)
{
    // Two connections to one host (two ports there): each socket waits on its own bytes only.
    ScriptedTcpPeer one("127.0.0.2", settings.tcpPort), two("127.0.0.2", 0);
    const std::string host = "127.0.0.2";
    CMotorSocket first, second;
    ASSERT_TRUE(first.OpenTCP(&host, one.Port(), 500));
    ASSERT_TRUE(second.OpenTCP(&host, two.Port(), 500));
    for (int i = 0; i < 200 && (one.Connections() == 0 || two.Connections() == 0); ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(two.Send("two\r"));
    char reply[16];
    EXPECT_EQ(CodeOf([&] { first.ReadReply(reply, sizeof reply, 100); }), 1005);
    EXPECT_EQ(second.ReadReply(reply, sizeof reply, 500), 3u);
    EXPECT_STREQ(reply, "two");
    ASSERT_TRUE(one.Send("one\r"));
    EXPECT_EQ(first.ReadReply(reply, sizeof reply, 500), 3u);
    EXPECT_STREQ(reply, "one");
}

TEST_F(MotorSocketTest, DiscoveryDatagramsGoToTheInjectedAddressAndPorts)
{
    net::Socket motors = net::UdpOpen("", 0, false);
    net::NetSettings udp = settings;
    udp.broadcastAddress = "127.255.255.255";
    udp.udpPort = net::LocalPort(motors.Fd());
    udp.udpLocalPort = 0; // any free port for the host
    udp.udpLocalAddress = "127.0.0.1";
    net::ScopedNetSettings udpScope(udp);

    CMotorSocket tcp("127.0.0.2");
    const uint8_t query[4] = {0, 0, 0, 0xF6};
    EXPECT_EQ(CodeOf([&] { tcp.SendTo(query, 4); }), 1043);

    CMotorSocket host;
    ASSERT_TRUE(host.OpenUDP(0, true));
    EXPECT_EQ(host.GetState(), CMotorSocket::StateConnected);
    ASSERT_TRUE(host.SendTo(query, 4));
    uint8_t buf[64];
    net::Datagram d = net::UdpReceiveFrom(motors.Fd(), buf, sizeof buf, 1000);
    ASSERT_EQ(d.status, net::RecvStatus::Data);
    EXPECT_EQ(d.count, 4u);
    EXPECT_FALSE(host.SendTo(query, 4, "300.1.1.1"));

    // The reply names its sender: the motor's own address.
    net::Socket motor = net::UdpOpen("127.0.0.7", 0, false);
    uint8_t reply[30] = {0, 0, 0, 0xF7};
    uint32_t hostAddress;
    net::ParseIPv4("127.0.0.1", hostAddress);
    ASSERT_TRUE(net::UdpSendTo(motor.Fd(), reply, sizeof reply, hostAddress, d.fromPort));
    size_t count = 0;
    std::string from;
    ASSERT_TRUE(host.ReceiveFrom(buf, sizeof buf, count, from, 1000));
    EXPECT_EQ(count, 30u);
    EXPECT_EQ(from, "127.0.0.7");
    EXPECT_FALSE(host.ReceiveFrom(buf, sizeof buf, count, from, 0));
    host.Close();
    EXPECT_EQ(CodeOf([&] { host.SendTo(query, 4); }), 1043);
}

TEST_F(MotorSocketTest, CopiesTakeTheAddressAndCloseBoth)
{
    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    CMotorSocket live("127.0.0.2");
    ASSERT_TRUE(live.Connect(500));
    CMotorSocket copy;
    copy = live;
    EXPECT_FALSE(live.IsConnected());
    EXPECT_EQ(copy.IPAddress, "127.0.0.2");
    EXPECT_EQ(copy.Port, settings.tcpPort);
    EXPECT_TRUE(CMotorSocket::IsValidIPAddress("192.168.0.10"));
    for (const char* bad : {"192.168.0", "192.168..10", "256.1.1.1", "1.2.3.4.5", "host"})
        EXPECT_FALSE(CMotorSocket::IsValidIPAddress(bad)) << bad;

    RecordingArchive ar;
    copy.Serialize(ar);
    EXPECT_EQ(ar.strings["IPAddress"], "127.0.0.2");
    EXPECT_EQ(ar.ints["Port"], settings.tcpPort);
}

TEST_F(MotorSocketTest, HostNamesResolveAndASlowLookupDoesNotHoldClose)
{
    // The lookup answers "motor-two" at once and keeps "motor-slow" waiting until released.
    struct Lookups {
        std::mutex mutex;
        std::condition_variable cv;
        bool released = false;
        int finished = 0;
    };
    auto state = std::make_shared<Lookups>();
    net::SetHostLookup([state](const std::string& host, uint32_t& address) {
        if (host == "motor-two")
            return net::ParseIPv4("127.0.0.2", address);
        std::unique_lock<std::mutex> lock(state->mutex);
        state->cv.wait_for(lock, 3s, [&] { return state->released; });
        ++state->finished;
        state->cv.notify_all();
        return false;
    });

    ScriptedTcpPeer motor("127.0.0.2", settings.tcpPort);
    motor.Answer("RP", "5\r");
    CMotorSocket named("motor-two");
    ASSERT_TRUE(named.Connect(500));
    EXPECT_EQ(Query(named, "RP"), "5");
    named.Close();

    CMotorSocket slow("motor-slow");
    EXPECT_FALSE(slow.Connect(50));
    const auto start = std::chrono::steady_clock::now();
    slow.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(slow.GetState(), CMotorSocket::StateIdle);

    // Let the abandoned lookup end before the test's state goes.
    std::unique_lock<std::mutex> lock(state->mutex);
    state->released = true;
    state->cv.notify_all();
    state->cv.wait_for(lock, 5s, [&] { return state->finished > 0; });
    lock.unlock();
    net::SetHostLookup(nullptr);
}
