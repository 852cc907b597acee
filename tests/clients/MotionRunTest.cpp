// The motion run's procedure against a recording engine: the start of the motion by the file's
// first time and the origin setting, the clocks sent, the questions about the chain, Stop, engine
// failures, chains the run refuses, and the end sequence on every path.
#include "synmove/DialogRules.h"
#include "synmove/MotionRun.h"

#include "tests/clients/FakeEngine.h"
#include "tests/clients/RunRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace synmove;

namespace {

// count records of `columns` positions; time steps of 64, changed to 128 from record `change`.
MotionTable Table(int columns, int count, int32_t firstTime, int change = 1 << 30)
{
    MotionTable t;
    t.columns = columns;
    int32_t time = firstTime;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            time += i >= change ? 128 : 64;
        t.records.push_back({time, i + 2});
        for (int c = 0; c < columns; ++c)
            t.positions.push_back(10 * i * (c + 1));
    }
    return t;
}

struct MotionRunTest : ::testing::Test {
    FakeEngine* engine = nullptr; // owned by the run once created
    FakeEngine prototype;
    MotionRun run{[this] {
        auto e = std::make_unique<FakeEngine>(prototype);
        engine = e.get();
        return e;
    }};
    RunRecorder events;
    RunSettings settings;

    std::string Run(const MotionTable& table)
    {
        run.RunMotion(table, settings, events);
        EXPECT_TRUE(events.WaitEnd(run));
        EXPECT_FALSE(run.Running());
        return engine->Take();
    }
    static bool EndsWith(const std::string& s, const std::string& end)
    {
        return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
    }
    static int Count(const std::string& calls, const std::string& what)
    {
        int n = 0;
        for (size_t at = calls.find(what); at != std::string::npos; at = calls.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(MotionRunTest, AFileStartingLaterHoldsTheMotorsAndSendsClocksWhereTheStepChanges)
{
    prototype.chain = 3;
    prototype.reply = [](const std::string& c) { return c == "RP" ? std::string("-250") : std::string("0"); };
    settings.map = {3, 1, 2, 4, 5, 6};
    settings.port = "Com2";
    const MotionTable table = Table(3, 14, 64, 10);
    const std::string calls = Run(table);
    EXPECT_TRUE(events.errors.empty()) << events.errors.front();
    EXPECT_TRUE(events.questions.empty());
    // Opening, addressing, origins, then host mode holding the motors where they stand at clock 0.
    EXPECT_EQ(calls.substr(0, calls.find("|WritePosition 3,0|")),
              "OpenPort Com2|BaudRate=38400|AddressMotorChain|DefaultMotor=3|GetResponseOf RP|DefaultMotor=1|"
              "GetResponseOf RP|DefaultMotor=2|GetResponseOf RP|Initialize 3|WritePosition 3,-250|WritePosition 1,-250|"
              "WritePosition 2,-250|WriteClock 0,0|SampleRate 1");
    // Clocks for the first two records, where the step changes (record 10) and for the last.
    std::string clocks;
    for (size_t at = calls.find("WriteClock 0,"); at != std::string::npos; at = calls.find("WriteClock 0,", at + 1))
        clocks += calls.substr(at + 13, calls.find('|', at) - at - 13) + " ";
    EXPECT_EQ(clocks, "0 64 128 768 1152 2176 3200 4224 5248 ");
    // Absolute positions (the origins were consumed by the clock-0 slot), column k to motor map[k].
    EXPECT_NE(calls.find("|WritePosition 3,130|WritePosition 1,260|WritePosition 2,390|"), std::string::npos);
    EXPECT_EQ(Count(calls, "WritePosition"), 3 + 3 * 14);
    EXPECT_NE(calls.find("|Run|"), std::string::npos);
    // The final hold: everything stopped, position mode, each used motor holds the last position.
    EXPECT_NE(calls.find("DefaultMotor=0|WriteCommand S|WriteCommand MP|DefaultMotor=3|WriteCommand P=130|"
                         "WriteCommand V=100000|WriteCommand A=100|WriteCommand G|DefaultMotor=1|WriteCommand P=260|"),
              std::string::npos);
    EXPECT_TRUE(EndsWith(calls, "|BaudRate=9600|ClosePort"));
    EXPECT_EQ(events.records, 14);
    EXPECT_EQ(events.motors, 3);
    EXPECT_DOUBLE_EQ(events.seconds, 1152 / 4069.0);
    EXPECT_EQ(run.ProgressIndex(), 13);
    const auto view = ComputeProgress(table, run);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->record, "14");
    EXPECT_EQ(view->positions, "130\n260\n390\n");
    EXPECT_EQ(*view->timeDelta, "128");
    EXPECT_EQ(view->bar, 1000);
}

TEST_F(MotionRunTest, OriginModesAndTheQuestionsAboutTheChain)
{
    // Move to origin: every motor of the chain is moved and polled, not only the used ones.
    prototype.chain = 3;
    int polls = 0;
    prototype.reply = [&polls](const std::string& c) {
        if (c == "RBt")
            return std::string(++polls % 2 ? "1" : "0");
        return std::string("77");
    };
    events.answer = false;
    const MotionTable two = Table(2, 4, 0);
    std::string calls = Run(two);
    ASSERT_EQ(events.questions.size(), 1u);
    EXPECT_EQ(events.questions[0], "The number of motors in the chain is more than that specified in the file.\n"
                                   "Do you want to continue?");
    EXPECT_TRUE(events.errors.empty()) << "No aborts silently";
    EXPECT_EQ(calls, "OpenPort Com1|BaudRate=38400|AddressMotorChain|BaudRate=9600|ClosePort");

    events.answer = true;
    calls = Run(two);
    EXPECT_EQ(events.questions.size(), 2u);
    EXPECT_NE(calls.find("DefaultMotor=0|WriteCommand MP|WriteCommand P=0|WriteCommand V=100000|WriteCommand A=100|"
                         "WriteCommand G|DefaultMotor=1|GetResponseOf RBt|GetResponseOf RBt|DefaultMotor=2|"
                         "GetResponseOf RBt|GetResponseOf RBt|DefaultMotor=3|GetResponseOf RBt|GetResponseOf RBt|"
                         "Initialize 3|"),
              std::string::npos)
        << calls;
    EXPECT_EQ(Count(calls, "WritePosition 3,"), 0) << "only columns 1 and 2 are driven";
    EXPECT_NE(calls.find("WritePosition 1,30|WritePosition 2,60|"), std::string::npos) << "absolute positions";

    // The same file again: no question. A file chosen again: asked again.
    Run(two);
    EXPECT_EQ(events.questions.size(), 2u);
    run.ForgetMotorsUsed();
    settings.origin = OriginMode::StartFromCurrent;
    settings.v = 5000;
    calls = Run(two);
    EXPECT_EQ(events.questions.size(), 3u);
    // Start from current position: relative to where each motor stood, no origin move.
    EXPECT_EQ(Count(calls, "RBt"), 0);
    EXPECT_NE(calls.find("Initialize 3|SampleRate 1|WritePosition 1,77|WritePosition 2,77|"), std::string::npos);
    EXPECT_NE(calls.find("WritePosition 1,107|WritePosition 2,137|"), std::string::npos);
    EXPECT_NE(calls.find("WriteCommand P=107|WriteCommand V=5000|"), std::string::npos);

    // Fewer motors in the chain than columns.
    prototype.chain = 2;
    run.ForgetMotorsUsed();
    calls = Run(Table(3, 3, 64));
    EXPECT_EQ(events.questions.back(), "The number of motors in the chain is less than that specified in the file.\n"
                                       "Do you want to continue?");
    EXPECT_EQ(events.motors, 2);
}

TEST_F(MotionRunTest, StopFailuresAndRefusedChainsLeaveNoMotorMovingAndThePortClosed)
{
    // Stop in the middle of streaming: "S" to every motor, no message, the port closed.
    prototype.chain = 3;
    int written = 0;
    prototype.onCall = [&](const std::string& line) {
        if (line.rfind("WritePosition", 0) == 0 && ++written == 20)
            run.RequestStop();
    };
    std::string calls = Run(Table(3, 50, 64));
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(calls.find("|Run|"), std::string::npos) << "stopped before the end of the stream";
    EXPECT_TRUE(EndsWith(calls, "|DefaultMotor=0|WriteCommand S|BaudRate=9600|ClosePort")) << calls;
    EXPECT_LE(Count(calls, "WritePosition"), 24);
    prototype.onCall = nullptr;

    // An engine failure in Initialize: its code and text; nothing was moving, so no stop.
    prototype.failOn = "Initialize";
    calls = Run(Table(3, 5, 64));
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0], "VQXEngine Error!: VQXEngine Error Code:5\nNo response from motor!");
    EXPECT_EQ(calls.substr(calls.find("Initialize")), "Initialize 3|BaudRate=9600|ClosePort");

    // A motor that stops answering mid-stream: every motor is stopped before the port closes.
    prototype.failOn = "WritePosition 2,300";
    calls = Run(Table(3, 50, 64));
    EXPECT_EQ(events.errors.back(), "VQXEngine Error!: VQXEngine Error Code:5\nNo response from motor!");
    EXPECT_TRUE(EndsWith(calls, "|DefaultMotor=0|WriteCommand S|BaudRate=9600|ClosePort")) << calls;
    prototype.failOn.clear();

    // Chains the run refuses before anything moves.
    const struct {
        int32_t chain;
        std::string message;
    } chains[] = {
        {7, "Error: The chain has 7 motors: a motion file drives at most 6!\nNo motor was moved."},
        {0, "Error: No motor answered in the chain!"},
    };
    for (const auto& c : chains) {
        prototype.chain = c.chain;
        run.ForgetMotorsUsed();
        calls = Run(Table(3, 5, 0));
        EXPECT_EQ(events.errors.back(), c.message);
        EXPECT_EQ(calls, "OpenPort Com1|BaudRate=38400|AddressMotorChain|BaudRate=9600|ClosePort");
    }

    // A port that is absent: the message, and nothing to close.
    prototype.chain = 3;
    prototype.failOn = "OpenPort";
    calls = Run(Table(3, 5, 0));
    EXPECT_EQ(calls, "OpenPort Com1");
    EXPECT_EQ(events.errors.back(), "VQXEngine Error!: VQXEngine Error Code:5\nNo response from motor!");

    // No engine library: the start's message, and the run can start again afterwards.
    MotionRun noEngine([]() -> std::unique_ptr<vqxclient::EngineLink> {
        throw vqxclient::HostCreationError(false, "Cannot create an instance of \"VQXHost\" class!");
    });
    try {
        noEngine.RunMotion(Table(3, 5, 0), settings, events);
        ADD_FAILURE() << "started without an engine";
    } catch (const CSynmoveException& e) {
        EXPECT_EQ(e.Text(), "Cannot create an instance of \"VQXHost\" class!");
    }
    EXPECT_FALSE(noEngine.Running());
}

TEST(MotionProgress, StaysWithinTheTableAndFollowsTheIndex)
{
    MotionTable t = Table(2, 5, 0);
    const std::array<int32_t, 6> origin{5, -5, 0, 0, 0, 0};
    EXPECT_FALSE(ComputeProgress(t, -1, 4069, 2, origin));
    EXPECT_FALSE(ComputeProgress(t, 5, 4069, 2, origin));
    auto first = ComputeProgress(t, 0, 4069, 2, origin);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->timeDelta);
    EXPECT_EQ(first->positions, "5\n-5\n");
    auto mid = ComputeProgress(t, 2, 4069, 1, origin);
    EXPECT_EQ(mid->record, "3");
    EXPECT_EQ(mid->time, "0.031");
    EXPECT_EQ(*mid->timeDelta, "64");
    EXPECT_EQ(mid->positions, "25\n");
    EXPECT_EQ(mid->bar, 500);

    const auto collapse = SetupHeights(660, false);
    EXPECT_EQ(collapse.front(), 640);
    EXPECT_EQ(collapse.back(), 400);
    EXPECT_EQ(collapse.back(), CollapsedHeight(660));
    const auto expand = SetupHeights(660, true);
    EXPECT_EQ(expand.size(), 10u);
    EXPECT_EQ(*std::max_element(expand.begin(), expand.end()), 660);
    EXPECT_EQ(expand.back(), 660);
}

} // namespace
