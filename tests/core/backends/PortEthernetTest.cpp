// An Ethernet port with three motors on 127.0.0.1, .2 and .3, each a scripted TCP peer on the
// same (injected) command port.

#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "platform/net/NetSettings.h"
#include "tests/core/backends/LoopbackPorts.h"
#include "tests/core/backends/PortWithLinks.h"
#include "tests/core/backends/ScriptedTcpPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace net = platform::net;

namespace {

struct PortEthernetTest : ::testing::Test {
    net::NetSettings settings = [] {
        net::NetSettings s;
        s.tcpPort = FreeLoopbackPort(3);
        s.connectRetryMs = 50;
        return s;
    }();
    net::ScopedNetSettings scope{settings};
    std::vector<std::unique_ptr<ScriptedTcpPeer>> peers;
    std::vector<std::unique_ptr<CMotorSocket>> sockets;
    PortWithLinks p{COMM_ETHERNET};

    // Motor n (1..3) at 127.0.0.n, address n.
    void AddMotors(int count, bool listening = true)
    {
        for (int n = 1; n <= count; ++n) {
            const std::string ip = "127.0.0." + std::to_string(n);
            if (listening) {
                peers.push_back(std::make_unique<ScriptedTcpPeer>(ip, settings.tcpPort));
                ASSERT_TRUE(peers.back()->IsListening());
                peers.back()->Answer("RP", std::to_string(n * 100) + "\r");
            }
            sockets.push_back(std::make_unique<CMotorSocket>(ip));
            p.motors.Add(n, sockets.back().get());
        }
    }

    // Motor n closes its connection (on a command of its own) and its socket has seen it.
    void LoseConnectionOf(int n)
    {
        const size_t i = static_cast<size_t>(n - 1);
        peers[i]->Answer("BYE", std::string(1, ScriptedTcpPeer::kDrop));
        p.port.WriteCommand("BYE", n);
        for (int wait = 0; wait < 200 && sockets[i]->IsConnected(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_FALSE(sockets[i]->IsConnected());
    }
};

} // namespace

TEST_F(PortEthernetTest, ThreeMotorsAnswerAloneAndJoinedForAddressZero)
{
    AddMotors(3);
    ASSERT_TRUE(p.port.OpenPort());
    for (const auto& e : p.motors.entries)
        EXPECT_TRUE(e.available);
    EXPECT_EQ(p.port.Echo, 0);
    EXPECT_EQ(p.port.Query("RP", 2), "200");
    EXPECT_EQ(p.port.Query("3RP"), "300");
    EXPECT_EQ(p.port.Query("RP", 0), "100\r200\r300");
    EXPECT_EQ(peers[1]->Heard(), (std::vector<std::string>{"RP", "RP"})); // its own and the joined one

    // A motor that does not answer is left out of the joined reply.
    peers[1]->Answer("RP", "");
    EXPECT_EQ(p.port.Query("RP", 0), "100\r300");
    // The traffic went to the port's analyzer page: the frame as sent, each reply as received.
    bool sawReply = false;
    for (const auto& e : p.policy.log.entries) {
        EXPECT_EQ(e.page, 2);
        sawReply = sawReply || (e.flags == SDA_LOG_RECEIVED && e.bytes == "300\r");
    }
    EXPECT_TRUE(sawReply);
    p.port.ClosePort();
    for (const auto& s : sockets)
        EXPECT_EQ(s->GetState(), CMotorSocket::StateIdle);
}

TEST_F(PortEthernetTest, AMissingOrUnreachableMotorGivesNoResponse)
{
    AddMotors(2);
    peers[1].reset(); // motor 2 is switched off before the port opens
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_TRUE(p.motors.entries[0].available);
    EXPECT_FALSE(p.motors.entries[1].available);
    EXPECT_EQ(sockets[1]->GetState(), CMotorSocket::StateIdle);

    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 2); }), 1005); // unavailable
    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 7); }), 1005); // no motor at all
    EXPECT_EQ(CodeOf([&] { p.port.WriteCommand("MP", 7); }), 0); // a plain write goes nowhere
    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 11); }), 1019); // beyond MaxMotors
    EXPECT_EQ(p.port.Query("RP", 1), "100");
}

TEST_F(PortEthernetTest, NoMotorReachableIsANetworkErrorAndNoMotorsIsFine)
{
    EXPECT_TRUE(p.port.OpenPort()); // an Ethernet port without motors opens
    p.port.ClosePort();
    AddMotors(1, false);
    EXPECT_EQ(CodeOf([&] { p.port.OpenPort(); }), 1045);
    EXPECT_EQ(p.port.isOpen, 0);
}

TEST_F(PortEthernetTest, AMotorThatDropsItsConnectionMidReplyRaises1043NextTime)
{
    AddMotors(3);
    peers[1]->Answer("RV", std::string("12") + ScriptedTcpPeer::kDrop);
    peers[0]->Answer("RV", "1\r");
    peers[2]->Answer("RV", "3\r");
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(CodeOf([&] { p.port.Query("RV", 2); }), 1043);
    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 2); }), 1043); // the next use too, without a wait
    EXPECT_EQ(CodeOf([&] { p.port.WriteCommand("MP", 2); }), 1043);
    // The others go on; a joined read leaves the dead motor out.
    EXPECT_EQ(p.port.Query("RP", 3), "300");
    EXPECT_EQ(p.port.Query("RV", 1), "1");
    // Reopening the port reaches the motor again.
    ASSERT_TRUE(p.port.OpenPort());
    EXPECT_EQ(p.port.Query("RP", 2), "200");
}

TEST_F(PortEthernetTest, AJoinedReplyCutAtTheBufferLeavesNoStaleReplyBehind)
{
    AddMotors(3);
    for (int n = 1; n <= 3; ++n)
        peers[static_cast<size_t>(n - 1)]->Answer("RV", std::to_string(n) + "v\r");
    ASSERT_TRUE(p.port.OpenPort());
    char reply[6];
    EXPECT_EQ(p.port.Query("RP", reply, sizeof reply, 0), 5);
    EXPECT_STREQ(reply, "100\r2");
    // The motors whose replies did not fit answered all the same: the next query of each gets
    // its own answer, not what was left over.
    EXPECT_EQ(p.port.Query("RV", 2), "2v");
    EXPECT_EQ(p.port.Query("RV", 3), "3v");
}

TEST_F(PortEthernetTest, ClearingTheBuffersPassesOverAMotorWhoseConnectionWasLost)
{
    AddMotors(2);
    ASSERT_TRUE(p.port.OpenPort());
    LoseConnectionOf(2);
    // One dead motor does not stop the others' buffers being cleared, nor their commands.
    EXPECT_EQ(CodeOf([&] { p.port.ClearBuffer(); }), 0);
    EXPECT_EQ(p.port.Query("RP", 1), "100");
    EXPECT_EQ(CodeOf([&] { p.port.Query("RP", 2); }), 1043);
}

TEST_F(PortEthernetTest, ACommandToAllReachesEveryLiveMotorPastADeadOne)
{
    AddMotors(3);
    ASSERT_TRUE(p.port.OpenPort());
    LoseConnectionOf(2);

    // A WAKE to all must wake every motor that can hear it; the dead one is reported after.
    EXPECT_EQ(CodeOf([&] { p.port.WriteCommand("WAKE", 0); }), 1043);
    // A query to all leaves the dead motor out, as one that does not answer.
    EXPECT_EQ(p.port.Query("RP", 0), "100\r300");
    EXPECT_EQ(peers[2]->Heard(), (std::vector<std::string>{"WAKE", "RP"}));
}
