// IoTester's command ring, pin cycling, sequencer and poll scheduler against a recording engine.
#include "samples/iotester/IoTester.h"

#include "tests/clients/FakeEngine.h"

#include <gtest/gtest.h>

using namespace iotester;

namespace {

struct IoTesterLogic : ::testing::Test {
    FakeEngine engine;
    IoTester tester{engine};

    void Connect()
    {
        tester.ConnectClicked("Com2");
        ASSERT_EQ(engine.Take(), "BaudRate=38400|OpenPort Com2|AddressMotorChain");
        ASSERT_TRUE(tester.Connected());
        ASSERT_TRUE(tester.Polling());
    }
};

TEST_F(IoTesterLogic, LoadQueuesInputsSentAtTheFirstTickBeforeTheFirstPoll)
{
    EXPECT_EQ(tester.Ring().Waiting(), 7);
    tester.Tick(); // not connected: the ring waits
    EXPECT_EQ(engine.Take(), "");
    Connect();
    engine.reply = [](const std::string& c) { return c == "a=UAI Ra" ? std::string("1") : std::string("0"); };
    tester.Tick();
    std::string expected;
    for (char pin : std::string("ABCDEFG"))
        expected += std::string("DefaultMotor=1|WriteCommand U") + pin + "I|";
    EXPECT_EQ(engine.Take(), expected + "DefaultMotor=1|GetResponseOf a=UBI Ra") << "poll position 0 -> 1";
    EXPECT_EQ(tester.PollsMade(), 1);
    // The scheduler goes round: pins C..G, the status word, then pin A.
    for (const char* query : {"a=UCI Ra", "a=UDI Ra", "a=UEI Ra", "a=UFI Ra", "a=UGI Ra", "RW", "a=UAI Ra"}) {
        tester.Tick();
        EXPECT_EQ(engine.Take(), std::string("DefaultMotor=1|GetResponseOf ") + query);
    }
    EXPECT_TRUE(tester.Led(0));
    EXPECT_FALSE(tester.Led(1));
    EXPECT_EQ(tester.SentCommand(), "a=UAI Ra");
    EXPECT_EQ(tester.Response(), "1");
    EXPECT_EQ(tester.PollsMade(), 8);

    // Polling off: the queue still drains, nothing is polled.
    tester.StartPollingClicked();
    tester.PinClicked(6);
    tester.Tick();
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand UGO UG=0");
}

TEST_F(IoTesterLogic, PinButtonsCycleAndAllOutputsPollOnlyTheStatusWord)
{
    Connect();
    tester.Tick();
    engine.Take();
    tester.StartPollingClicked();
    for (int i = 0; i < 3; ++i)
        tester.PinClicked(0);
    EXPECT_EQ(tester.State(0), kInput);
    EXPECT_STREQ(IoTester::Caption(kOutputHigh), "OFF (High)");
    tester.Tick();
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand UAO UA=0|DefaultMotor=1|WriteCommand UAO UA=1|"
                             "DefaultMotor=1|WriteCommand UAI");

    tester.StartPollingClicked();
    tester.AllHigh();
    tester.SetMotorAddressText("3");
    tester.Tick();
    std::string expected;
    for (char pin : std::string("ABCDEFG"))
        expected += std::string("DefaultMotor=3|WriteCommand U") + pin + "O U" + pin + "=1|";
    EXPECT_EQ(engine.Take(), expected + "DefaultMotor=3|GetResponseOf RW");
    for (int i = 0; i < 3; ++i) {
        tester.Tick();
        EXPECT_EQ(engine.Take(), "DefaultMotor=3|GetResponseOf RW");
    }
    for (int pin = 0; pin < 7; ++pin)
        EXPECT_STREQ(IoTester::Caption(tester.State(pin)), "OFF (High)");
}

TEST_F(IoTesterLogic, TheRingHoldsFortyNineAndDropsTheFiftieth)
{
    CommandRing ring;
    for (int i = 0; i < 49; ++i)
        EXPECT_TRUE(ring.Queue('c' + std::to_string(i)));
    EXPECT_FALSE(ring.Queue("dropped"));
    EXPECT_EQ(ring.Waiting(), 49);
    for (int i = 0; i < 49; ++i) {
        EXPECT_EQ(ring.Front(), 'c' + std::to_string(i));
        ring.Pop();
    }
    EXPECT_TRUE(ring.Empty());
    // Wrapping round the end of the ring keeps the order.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(ring.Queue(std::to_string(round * 100 + i)));
        for (int i = 0; i < 30; ++i, ring.Pop())
            ASSERT_EQ(ring.Front(), std::to_string(round * 100 + i));
    }

    // Seven waiting at load: 42 more fit, the 43rd is dropped, and the 49 are all sent.
    for (int i = 0; i < 7; ++i)
        tester.PinClicked(i);
    for (int round = 0; round < 5; ++round)
        for (int i = 0; i < 7; ++i)
            tester.PinClicked(i);
    EXPECT_EQ(tester.Ring().Waiting(), 49);
    Connect();
    tester.StartPollingClicked();
    tester.Tick();
    const std::string sent = engine.Take();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), '|') + 1, 98);
}

TEST_F(IoTesterLogic, StatusWordErrorsSequencingCountersAndFailures)
{
    Connect();
    tester.AllLow();
    tester.Tick();
    engine.Take();
    engine.reply = [](const std::string&) { return std::string("8224"); };
    tester.Tick();
    tester.Tick();
    EXPECT_EQ(tester.TakeStatusLines(), "Error: Position Error\r\nError: Syntax Error\r\nError: Syntax Error\r\n");
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|GetResponseOf RW|WriteCommand Zs|DefaultMotor=1|GetResponseOf RW|WriteCommand Zs");

    // A status word with bit 31 set is read whole.
    engine.reply = [](const std::string&) { return std::string("2147491840"); }; // 0x80002000
    tester.Tick();
    EXPECT_EQ(tester.TakeStatusLines(), "Error: Syntax Error\r\n");
    engine.Take();

    // The poll counter goes past 32767 without an overflow.
    engine.reply = [](const std::string&) { return std::string("0"); };
    const int64_t before = tester.PollsMade();
    for (int i = 0; i < 40000; ++i)
        tester.Tick();
    EXPECT_EQ(tester.PollsMade(), before + 40000);
    EXPECT_EQ(tester.TakeStatusLines(), "");
    engine.Take();

    // Sequencing: pin by pin, low -> high, then low again; it resumes where it stopped.
    tester.StartPollingClicked();
    tester.SequenceAll();
    for (int i = 0; i < 8; ++i)
        tester.Tick();
    tester.StopSequence();
    tester.Tick();
    EXPECT_EQ(engine.Take(), "DefaultMotor=1|WriteCommand UAO UA=1|DefaultMotor=1|WriteCommand UBO UB=1|"
                             "DefaultMotor=1|WriteCommand UCO UC=1|DefaultMotor=1|WriteCommand UDO UD=1|"
                             "DefaultMotor=1|WriteCommand UEO UE=1|DefaultMotor=1|WriteCommand UFO UF=1|"
                             "DefaultMotor=1|WriteCommand UGO UG=1|DefaultMotor=1|WriteCommand UAO UA=0");

    // Failures become status lines and the program goes on; a bad address sends nothing.
    engine.failOn = "WriteCommand";
    tester.StopClicked();
    EXPECT_EQ(tester.TakeStatusLines(), "Error:No response from motor!\r\n");
    EXPECT_EQ(tester.SentCommand(), "S");
    engine.failOn.clear();
    tester.SetMotorAddressText("one");
    tester.PinClicked(3);
    tester.Tick();
    EXPECT_EQ(tester.TakeStatusLines(), "Error:Invalid motor address!\r\n");
    EXPECT_EQ(tester.Ring().Waiting(), 1) << "the command waits for a good address";
    engine.Take();
    tester.SetMotorAddressText("2");
    tester.RestartClicked();
    EXPECT_EQ(engine.Take(), "BaudRate=9600|DefaultMotor=0|WriteCommand Z|Wait 1000|ClearBuffer|AddressMotorChain|"
                             "BaudRate=38400");

    // Disconnect, then a connection whose chain does not answer leaves the port closed.
    tester.ConnectClicked("Com2");
    EXPECT_EQ(engine.Take(), "ClosePort");
    EXPECT_FALSE(tester.Connected());
    engine.failOn = "AddressMotorChain";
    tester.ConnectClicked("Com1");
    EXPECT_EQ(engine.Take(), "BaudRate=38400|OpenPort Com1|AddressMotorChain|ClosePort");
    EXPECT_FALSE(tester.Connected());
    EXPECT_EQ(tester.TakeStatusLines(), "Error:No response from motor!\r\n");
}

} // namespace
