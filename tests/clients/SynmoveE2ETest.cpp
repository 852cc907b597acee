// Synmove's run end to end: a motion file read, checked and streamed by the run's worker through
// the engine library (loaded from the registry) into simulated motors in host mode.
#include "tests/clients/ClientRig.h"
#include "tests/clients/RunRecorder.h"

#include "synmove/MotionFile.h"
#include "synmove/MotionRun.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <fstream>

using namespace synmove;

namespace {

// A 3-axis file: a line, an arc-like wobble and a ramp, in 512-tick steps from clock 512.
MotionTable ThreeAxisFile(const TempFolder& folder, int records)
{
    std::ofstream out(folder / "three.syn");
    out << "* three axes\n";
    for (int i = 0; i < records; ++i) {
        out << 40 * i << '\t' << (i % 8 < 4 ? 25 * (i % 4) : 25 * (4 - i % 4)) << '\t' << -15 * i * i;
        // The first two carry the time; later ones are extrapolated, except a last stretch at 1024.
        if (i < 2 || i == records - 3)
            out << '\t' << 512 + 512 * i;
        else if (i > records - 3)
            out << '\t' << 512 + 512 * (records - 3) + 1024 * (i - (records - 3));
        out << '\n';
    }
    out.close();
    MotionTable table;
    ReadMotionFile(folder / "three.syn", table);
    ValidateMotion({1, 2, 3, 4, 5, 6}, table);
    return table;
}

TEST(SynmoveE2E, StreamsAThreeAxisFileAndTheMotorsFollowIt)
{
    REQUIRE_SYNMOVE();
    ClientRig rig(3, ClientRig::Kind::HostMode);
    TempFolder folder;
    const MotionTable table = ThreeAxisFile(folder, 14);
    MotionRun run([] { return vqxclient::CreateEngineHost(true); });
    RunRecorder events;
    RunSettings settings; // "Com1", the map 1..6
    run.RunMotion(table, settings, events);
    ASSERT_TRUE(events.WaitEnd(run, 60));
    ASSERT_TRUE(events.errors.empty()) << events.errors.front();
    EXPECT_EQ(events.records, 14);
    EXPECT_EQ(events.motors, 3);
    EXPECT_TRUE(events.questions.empty());
    EXPECT_EQ(run.ProgressIndex(), 13);

    for (int k = 0; k < 3; ++k) {
        const auto played = rig.Motor(k, [&](vqxsim::SimMotor&) { return rig.host[size_t(k)]->Played(); });
        // Every record was played at its clock with its position (absolute: the file starts at 512,
        // so the motors held where they stood, at 0, from clock 0).
        for (size_t r = 0; r < table.Count(); ++r) {
            const uint32_t clock = uint32_t(table.records[r].time) & 0xFFFFFF;
            const auto slot = std::find_if(played.begin(), played.end(), [&](const vqxsim::PlayedSlot& s) { return s.clock == clock; });
            ASSERT_NE(slot, played.end()) << "motor " << k + 1 << " record " << r;
            EXPECT_EQ(slot->position, table.Position(r, k)) << "motor " << k + 1 << " record " << r;
        }
        // Then it holds the last position with a position move of its own and leaves host mode.
        const auto state = rig.Motor(k, [&](vqxsim::SimMotor& m) {
            return std::make_tuple(rig.host[size_t(k)]->InHostMode(), rig.host[size_t(k)]->Playing(),
                                   rig.host[size_t(k)]->Moves().empty() ? INT32_MIN : rig.host[size_t(k)]->Moves().back(),
                                   m.Channel(0).baud);
        });
        EXPECT_FALSE(std::get<0>(state));
        EXPECT_FALSE(std::get<1>(state));
        EXPECT_EQ(std::get<2>(state), table.Position(table.Count() - 1, k));
        EXPECT_EQ(std::get<3>(state), 9600) << "the chain is left at 9600 baud";
        EXPECT_TRUE(rig.Logged(k, "S"));
    }
}

// A long file (400 records, about 50 s) started on a chain of three; returns once motor 1 has
// played `slots` slots.
struct LongRun {
    explicit LongRun(size_t slots) : table(ThreeAxisFile(folder, 400))
    {
        run.RunMotion(table, RunSettings{}, events);
        ClientRig::Eventually([&] {
            return !run.Running() || rig.Motor(0, [&](vqxsim::SimMotor&) { return rig.host[0]->Played().size() >= slots; });
        }, 30000);
        playing = run.Running();
    }
    ClientRig rig{3, ClientRig::Kind::HostMode};
    TempFolder folder;
    MotionTable table;
    MotionRun run{[] { return vqxclient::CreateEngineHost(true); }};
    RunRecorder events;
    bool playing = false;
};

TEST(SynmoveE2E, StopInTheMiddleStopsEveryMotorAndTheRunEnds)
{
    REQUIRE_SYNMOVE();
    LongRun longRun(4);
    auto& [rig, folder, table, run, events, playing] = longRun;
    ASSERT_TRUE(playing) << (events.errors.empty() ? "no message" : events.errors.front());
    const auto stopAt = std::chrono::steady_clock::now();
    run.RequestStop();
    ASSERT_TRUE(events.WaitEnd(run, 30));
    const double stopMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopAt).count();
    std::printf("run ended %.0f ms after Stop (one slot is %.0f ms)\n", stopMs, 512 / run.SampleRate() * 1000);
    EXPECT_TRUE(events.errors.empty()) << "Stop shows no message";
    EXPECT_FALSE(run.Running());
    for (int k = 0; k < 3; ++k) {
        const auto state = rig.Motor(k, [&](vqxsim::SimMotor&) {
            return std::make_tuple(rig.host[size_t(k)]->Playing(), rig.host[size_t(k)]->InHostMode(),
                                   rig.host[size_t(k)]->Played().size());
        });
        EXPECT_FALSE(std::get<0>(state)) << "motor " << k + 1 << " still plays";
        EXPECT_FALSE(std::get<1>(state));
        EXPECT_LT(std::get<2>(state), table.Count()) << "stopped before the end";
        EXPECT_TRUE(rig.Logged(k, "S")) << "the stop reached motor " << k + 1;
    }
    // The port was closed: nobody holds the device's lock any more (a serial port is opened
    // exclusively), so the next run or another program can open it.
    const int fd = ::open(rig.rig->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "the run left its port open";
    ::close(fd);
}

TEST(SynmoveE2E, AMotorThatStopsAnsweringEndsTheRunWithAMessageAndNoMotorMoving)
{
    REQUIRE_SYNMOVE();
    LongRun longRun(2);
    auto& [rig, folder, table, run, events, playing] = longRun;
    ASSERT_TRUE(playing) << (events.errors.empty() ? "no message" : events.errors.front());
    rig.Motor(2, [](vqxsim::SimMotor& m) { return m.knobs.mute = true; });
    ASSERT_TRUE(events.WaitEnd(run, 60));
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].rfind("VQXEngine Error!: VQXEngine Error Code:", 0), 0u) << events.errors[0];
    for (int k = 0; k < 2; ++k)
        EXPECT_FALSE(rig.Motor(k, [&](vqxsim::SimMotor&) { return rig.host[size_t(k)]->Playing(); })) << k;

    // An absent port: the engine's message, and nothing else happens.
    RunSettings absent;
    absent.port = "/dev/vqx-no-such-port";
    run.RunMotion(table, absent, events);
    ASSERT_TRUE(events.WaitEnd(run, 30));
    EXPECT_EQ(events.errors.back().rfind("VQXEngine Error!: VQXEngine Error Code:2", 0), 0u) << events.errors.back();
}

} // namespace
