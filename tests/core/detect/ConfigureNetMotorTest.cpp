#include "core/detect/NetDetection.h"
#include "tests/common/CodeOf.h"

#include "tests/common/HeadlessContext.h"
#include "platform/clock/Clock.h"

#include <gtest/gtest.h>

namespace {

class ConfigureNetMotorTest : public ::testing::Test, protected HeadlessContext {
protected:
    ConfigureNetMotorTest()
    {
        const uint8_t ip[4] = {192, 168, 7, 21};
        std::copy(ip, ip + 4, record.ip);
    }
    std::vector<int> HelpIds() const
    {
        std::vector<int> ids;
        for (const auto& a : questions.AskedQuestions())
            if (a.kind == ui::CHeadlessQuestions::Asked::Choice)
                ids.push_back(a.choice.helpId);
        return ids;
    }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    NetMotorRecord record;
};

TEST_F(ConfigureNetMotorTest, IgnoreAndCancel)
{
    questions.AnswerChoice(102);
    EXPECT_EQ(ConfigureNetMotor(context, record), 2);
    EXPECT_EQ(questions.AskedQuestions()[0].choice.text,
              "An Ethernet Motor was found with IP Address:\n    192.168.7.21\n\nHowever VQX is not able to "
              "communicate with this motor. The motor's IP address may be on a different subnet.\n");
    EXPECT_EQ(questions.AskedQuestions()[0].choice.flags, ui::kChoiceNext);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0) << "a cancelled dialog stops the detection";
}

TEST_F(ConfigureNetMotorTest, ChangingThisComputerShowsTheMotorsAddress)
{
    for (int a : {101, 103, 105, 108})
        questions.AnswerChoice(a);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0);
    EXPECT_EQ(HelpIds(), (std::vector<int>{176, 179, 181, 183}));
    EXPECT_EQ(questions.HelpTopics(), (std::vector<std::string>{"::/ChangeIP/Linux/changeIPLinux.htm"}));
    ASSERT_EQ(questions.MessageTexts().size(), 1u);
    EXPECT_EQ(questions.MessageTexts()[0],
              "The motor's IP address is:\n    192.168.7.21\n\nUse the instruction provided to assign an IP address "
              "(in the motor's subnet) to this computer.");
}

TEST_F(ConfigureNetMotorTest, WaitingForAServerEndsInDetectAgainOrCancel)
{
    for (int a : {101, 103, 106, 109})
        questions.AnswerChoice(a);
    EXPECT_EQ(ConfigureNetMotor(context, record), 3);
    EXPECT_EQ(progress.State().Text(), "Waiting for the motor to get a valid IP address");
    EXPECT_EQ(progress.State().Total(), 300);

    for (int a : {101, 103, 106, 109})
        questions.AnswerChoice(a);
    progress.CancelAtCount(10);
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0);
}

TEST_F(ConfigureNetMotorTest, StaticAddressCancelledAtThePrompt)
{
    for (int a : {101, 104, 115})
        questions.AnswerChoice(a);
    questions.AnswerMotorIP(std::nullopt);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0);
    const auto& asked = questions.AskedQuestions();
    ASSERT_EQ(asked.back().kind, ui::CHeadlessQuestions::Asked::MotorIP);
    EXPECT_EQ(asked.back().motorIP.address, "192.168.7.21");
    EXPECT_NE(asked.back().motorIP.note.find("of the computer/network"), std::string::npos);
}

// The power-up questions: no "Next" button, the dynamic label as written for each, and the static
// answer leads to the address prompt with that path's note.
TEST_F(ConfigureNetMotorTest, PowerUpQuestionOfTheComputerPath)
{
    for (int a : {101, 103, 106, 110, 111, 114})
        questions.AnswerChoice(a);
    questions.AnswerMotorIP(std::nullopt);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0);
    EXPECT_EQ(HelpIds(), (std::vector<int>{176, 179, 181, 184, 187, 188}));
    const auto q7 = questions.AskedQuestions()[5].choice;
    EXPECT_EQ(q7.flags, 0u);
    EXPECT_EQ(q7.text, "Configure the motor on power up to:");
    EXPECT_EQ(q7.values[0], 113);
    EXPECT_EQ(q7.labels[0], "Get an IP address dynamically. (Recommended)");
    EXPECT_EQ(q7.values[1], 114);
    EXPECT_NE(questions.AskedQuestions().back().motorIP.note.find("of this computer."), std::string::npos);
}

TEST_F(ConfigureNetMotorTest, PowerUpQuestionOfTheNetworkPath)
{
    for (int a : {101, 104, 116, 118})
        questions.AnswerChoice(a);
    questions.AnswerMotorIP(std::nullopt);
    EXPECT_EQ(ConfigureNetMotor(context, record), 0);
    EXPECT_EQ(HelpIds(), (std::vector<int>{176, 179, 182, 189}));
    const auto q9 = questions.AskedQuestions()[3].choice;
    EXPECT_EQ(q9.flags, 0u);
    EXPECT_EQ(q9.labels[0], "Get an IP address dynamically.(Recommended)");
    EXPECT_EQ(q9.values[1], 118);
    EXPECT_NE(questions.AskedQuestions().back().motorIP.note.find("of the computer/network."), std::string::npos);
}

} // namespace

#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/port/CommPort.h"
#include "platform/net/NetSettings.h"

namespace {

TEST(DetectNetMotorsTest, ASocketThatCannotBeOpenedGives128Or1045)
{
    platform::net::NetSettings s;
    s.udpLocalAddress = "192.0.2.77"; // not an address of this machine: binding fails
    s.udpLocalPort = 0;
    platform::net::ScopedNetSettings scoped(s);
    CCommPort port;
    port.CommType = COMM_ETHERNET;
    EXPECT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_NO_SOCKET);
    EXPECT_EQ(CodeOf([&] { DetectNetMotors(port, nullptr, DETECT_THROW); }), CVQXException::NetworkError);
    NetMotorRecord record;
    EXPECT_FALSE(SetNetMotorIP(port.Context(), record, "10.1.2.3"));
    port.CommType = COMM_USB;
    EXPECT_EQ(DetectNetMotors(port, nullptr, 0), DETECT_NONE);
}

} // namespace

#include "platform/net/Socket.h"
#include "tests/support/ui/HeadlessQuestions.h"

#include <atomic>
#include <optional>
#include <chrono>
#include <thread>

namespace {

namespace net = platform::net;

// Foreign datagrams sent without pause to the port the discovery listens on, so that no poll ever
// comes back empty.
class DatagramFlood {
public:
    DatagramFlood()
    {
        net::Socket probe = net::UdpOpen("127.0.0.1", 0, false);
        EXPECT_TRUE(probe.IsValid());
        m_port = net::LocalPort(probe.Fd());
        probe.Close();
        net::NetSettings s;
        s.broadcastAddress = "127.0.0.1";
        s.udpLocalAddress = "127.0.0.1";
        s.udpLocalPort = m_port;
        s.udpPort = 9; // nobody answers the query itself
        m_settings.emplace(s);
        m_thread = std::thread([this] {
            net::Socket out = net::UdpOpen("127.0.0.1", 0, false);
            const uint8_t junk[30] = {0, 0, 0, 0xF8};
            uint32_t to = 0;
            net::ParseIPv4("127.0.0.1", to);
            while (!m_stop)
                net::UdpSendTo(out.Fd(), junk, sizeof junk, to, m_port);
        });
    }
    ~DatagramFlood()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    int m_port = 0;
    std::optional<net::ScopedNetSettings> m_settings;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(DetectNetMotorsTest, AFloodOfForeignDatagramsCannotHoldDiscoveryOpen)
{
    DatagramFlood flood;
    std::vector<NetMotorRecord> records;
    const auto start = std::chrono::steady_clock::now();
    ui::COperationContext context;
    EXPECT_TRUE(DiscoverNetMotors(context, records));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(records.empty());
    EXPECT_LT(took, std::chrono::seconds(7));
}

// The search for the motor after its restart is a discovery too: the flood cannot hold it.
TEST_F(ConfigureNetMotorTest, AFloodOfForeignDatagramsCannotHoldTheSearchAfterARestart)
{
    DatagramFlood flood;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SetNetMotorIP(context, record, "192.168.7.30"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

} // namespace
