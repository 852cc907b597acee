// Host-mode streaming end to end: generated paths streamed into simulated motors that play them on
// their own clocks, on an RS-232 chain and on an RS-485 bus.
#include "engine/path/PathGenerator.h"
#include "tests/synmove/StreamRig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using streamtest::StreamRig;
using vqxsim::HostModeMotor;
using vqxsim::PlayedSlot;
using vqxsim::SimMotor;

struct Slot {
    int32_t clock;
    std::vector<int32_t> positions; // one per stream motor
};

// A quarter arc then a line back towards the start, 256 ticks per slot (some 63 ms: room on the
// line for six motors at 38400 with the writer slowed by a loaded machine); motor m follows axis
// (m-1) % 2, scaled so that no two motors get the same numbers.
std::vector<Slot> ArcThenLine(int motors)
{
    CPathGenerator g;
    g.SetTimeDelta(256);
    g.SetAcceleration(0.002);
    g.SetStartPoint(1, 4000);
    std::vector<Slot> slots;
    const auto take = [&](int first) {
        for (size_t i = static_cast<size_t>(first); i < g.Points().size(); ++i) {
            const auto& p = g.Points()[i];
            Slot s{p.clock, {}};
            for (int m = 1; m <= motors; ++m)
                s.positions.push_back(static_cast<int32_t>(std::lround(p.axis[static_cast<size_t>((m - 1) % 2)] *
                                                                       (1 + (m - 1) / 2))));
            slots.push_back(s);
        }
    };
    g.GenerateArc(1, {0, 4000}, {0, 0}, false);
    take(0);
    g.GenerateLine(1, {2000, 1000});
    take(1);
    return slots;
}

class StreamFollows : public ::testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(StreamFollows, ArcAndLineSlotBySlot)
{
    const auto [chain, n] = GetParam();
    // One more motor on the line than in the stream: it sleeps through the stream's commands.
    StreamRig rig(chain, n + 1);
    CSynmoveEngine engine(rig.port);
    engine.Initialize(n);
    EXPECT_TRUE(engine.Initialized());
    EXPECT_EQ(engine.TotalSlots(), 19);
    EXPECT_EQ(engine.TrajectorySlots(), 19);
    EXPECT_FALSE(engine.ImplicitClock());
    EXPECT_NEAR(1000 / engine.SamplePeriod(), 1e8 / 24576, 1e-6);
    const std::vector<Slot> slots = ArcThenLine(n);
    ASSERT_GT(slots.size(), 40u);
    size_t startedAt = 0;
    for (size_t k = 0; k < slots.size(); ++k) {
        for (int m = 1; m <= n; ++m)
            engine.WritePosition(m, slots[k].positions[static_cast<size_t>(m - 1)]);
        if (engine.Running() && !startedAt)
            startedAt = k;
        engine.WriteClock(0, slots[k].clock);
        // Never more slots in the motors than they hold.
        ASSERT_GE(engine.FreeSlots(), 0);
    }
    // Started with the buffer nearly full (the first position that found fewer than 3 free).
    EXPECT_EQ(startedAt, 17u);
    const int32_t lastClockSent = slots.back().clock;
    engine.EndHostMode();
    ASSERT_TRUE(rig.AllStopped(n));
    for (int m = 1; m <= n; ++m) {
        SCOPED_TRACE(m);
        const auto [played, position, moves, asleep] = rig.Motor(m - 1, [](SimMotor& motor, HostModeMotor& h) {
            return std::make_tuple(h.Played(), h.Position(), h.Moves(), motor.Asleep(0));
        });
        // Every streamed slot played, in order, at its clock; then the closing slots hold still.
        ASSERT_GE(played.size(), slots.size());
        for (size_t k = 0; k < slots.size(); ++k) {
            ASSERT_EQ(played[k].clock, static_cast<uint32_t>(slots[k].clock)) << "slot " << k;
            ASSERT_EQ(played[k].position, slots[k].positions[static_cast<size_t>(m - 1)]) << "slot " << k;
        }
        const int32_t last = slots.back().positions[static_cast<size_t>(m - 1)];
        for (size_t k = slots.size(); k < played.size(); ++k) {
            EXPECT_EQ(played[k].position, last);
            EXPECT_EQ(played[k].clock, static_cast<uint32_t>(lastClockSent + 1024 * (k - slots.size() + 1)));
        }
        // Stopped at the last position by a position move, awake.
        EXPECT_EQ(position, last);
        EXPECT_EQ(moves, std::vector<int32_t>{last});
        EXPECT_FALSE(asleep);
    }
    // The motor outside the stream slept through it: it never moved and is awake again.
    const auto [outsideMoves, outsidePlayed, outsideAsleep, log] = rig.Motor(n, [](SimMotor& motor, HostModeMotor& h) {
        return std::make_tuple(h.Moves().size(), h.Played().size(), motor.Asleep(0), motor.CommandLog());
    });
    EXPECT_EQ(outsideMoves, 0u);
    EXPECT_EQ(outsidePlayed, 0u);
    EXPECT_FALSE(outsideAsleep);
    EXPECT_GE(std::count(log.begin(), log.end(), "SLEEP"), 3); // around "G", "MP" and the last "G"
    EXPECT_EQ(std::count(log.begin(), log.end(), "SLEEP"), std::count(log.begin(), log.end(), "WAKE"));
}

INSTANTIATE_TEST_SUITE_P(Synmove, StreamFollows,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(2, 3, 6)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Chain" : "Bus") +
                                    std::to_string(std::get<1>(info.param));
                         });

// Slots that only carry positions on motors whose firmware takes them without clocks.
TEST(Synmove, ImplicitClockSlotsPlayInOrder)
{
    StreamRig rig(false, 2, {"416", "476"});
    CSynmoveEngine engine(rig.port);
    engine.Initialize(2);
    ASSERT_TRUE(engine.ImplicitClock());
    // Two clocked slots teach the motors the slot length; then positions alone.
    std::vector<std::pair<int32_t, int32_t>> sent;
    for (int k = 0; k < 40; ++k) {
        const int32_t a = 100 * k, b = -50 * k;
        engine.WritePosition(1, a);
        engine.WritePosition(2, b);
        sent.emplace_back(a, b);
        if (k < 2)
            engine.WriteClock(0, 256 * k);
    }
    engine.EndHostMode();
    ASSERT_TRUE(rig.AllStopped(2));
    for (int m = 1; m <= 2; ++m) {
        const auto played = rig.Motor(m - 1, [](SimMotor&, HostModeMotor& h) { return h.Played(); });
        ASSERT_GE(played.size(), sent.size());
        for (size_t k = 0; k < sent.size(); ++k) {
            EXPECT_EQ(played[k].position, m == 1 ? sent[k].first : sent[k].second) << k;
            // The last one waited for the closing clock.
            if (k + 1 < sent.size()) {
                EXPECT_EQ(played[k].clock, 256 * k) << k;
            }
        }
    }
}

TEST(Synmove, UnderRunIsReportedAndTheMotorsStop)
{
    StreamRig rig(false, 2);
    CSynmoveEngine engine(rig.port);
    engine.Initialize(2);
    for (int k = 0; k < 25; ++k) {
        engine.WritePosition(0, 10 * k);
        engine.WriteClock(0, 256 * k);
    }
    ASSERT_TRUE(engine.Running());
    // The writer falls silent: 19 slots of 256 ticks play in about 1.2 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(CodeOf([&] { engine.CheckStatus(2); }), CVQXException::MotorBufferUnderflow);
    EXPECT_FALSE(engine.Initialized());
    EXPECT_FALSE(engine.Running());
    for (int i = 0; i < 2; ++i) {
        const auto [playing, errors, position] = rig.Motor(i, [](SimMotor&, HostModeMotor& h) {
            return std::make_tuple(h.Playing(), h.ErrorBits(), h.Position());
        });
        EXPECT_FALSE(playing);
        EXPECT_EQ(errors, vqxsim::kUnderflow);
        EXPECT_EQ(position, 240); // stopped at the last slot it had
    }
    // A new stream begins with Initialize.
    engine.Initialize(2);
    EXPECT_TRUE(engine.Initialized());
    EXPECT_EQ(engine.FreeSlots(), 19);
}

TEST(Synmove, MotorThatStopsAnsweringEndsTheStreamInBoundedTime)
{
    StreamRig rig(true, 2);
    CSynmoveEngine engine(rig.port);
    engine.Initialize(2);
    const auto start = std::chrono::steady_clock::now();
    int code = 0;
    for (int k = 0; k < 400 && code == 0; ++k) {
        if (k == 30)
            rig.Motor(1, [](SimMotor& m, HostModeMotor&) { m.knobs.mute = true; });
        code = CodeOf([&] {
            engine.WritePosition(0, k);
            engine.WriteClock(0, 256 * k);
        });
    }
    EXPECT_EQ(code, CVQXException::NoResponse);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    // Left without slots, both motors come to a stop by themselves.
    rig.Motor(1, [](SimMotor& m, HostModeMotor&) { m.knobs.mute = false; });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(rig.Motor(i, [](SimMotor&, HostModeMotor& h) { return h.Playing(); }));
}

TEST(Synmove, ClocksAndArgumentsAreCheckedBeforeAnythingIsSent)
{
    StreamRig rig(false, 2);
    CSynmoveEngine engine(rig.port);
    EXPECT_EQ(CodeOf([&] { engine.Initialize(0); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { engine.Initialize(7); }), CVQXException::InvalidData);
    engine.Initialize(2);
    EXPECT_EQ(CodeOf([&] { engine.WritePosition(3, 1); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { engine.WritePosition(-1, 1); }), CVQXException::InvalidData);
    // A clock to a motor outside the stream is direct mode (tested through the COM layer); only
    // a number no address byte carries is refused, and leaves the stream buffered.
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(120, 1); }), CVQXException::InvalidData);
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(-1, 1); }), CVQXException::InvalidData);
    EXPECT_FALSE(engine.DirectMode());
    // Clock 0 first, then steps of one bit; 0 again, or a step of 768, is refused, and a refused
    // clock leaves the slot length as it was.
    for (int32_t clock : {0, 256, 512, 1024, 1536})
        EXPECT_EQ(CodeOf([&] { engine.WriteClock(0, clock); }), 0) << clock;
    EXPECT_EQ(engine.SlotDelta(), 512);
    const int32_t freeBefore = engine.FreeSlots();
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(0, 0); }), CVQXException::InvalidTimeDelta);
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(0, 1536 + 768); }), CVQXException::InvalidTimeDelta);
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(0, 1000); }), CVQXException::InvalidTimeDelta); // backwards
    EXPECT_EQ(engine.SlotDelta(), 512);
    EXPECT_EQ(engine.FreeSlots(), freeBefore);
    EXPECT_EQ(CodeOf([&] { engine.WriteClock(0, 2048); }), 0);
    // The motors took exactly the five clocks accepted (plus the last), nothing of the refused
    // (the status round trip first, so that the motor has read everything sent before it).
    engine.CheckStatus(1);
    EXPECT_EQ(engine.FreeSlots(), 13);
    EXPECT_EQ(rig.Motor(0, [](SimMotor&, HostModeMotor& h) { return h.Buffered(); }), 6u);
    EXPECT_EQ(engine.SlotsNeeded(1), 13);
    EXPECT_GE(engine.SlotsNeeded(1), 0);
    // A motor that fails while running: the first error bit found names the fault (0x04 before
    // 0x20), and the stream is over until the next Initialize.
    engine.Run();
    rig.Motor(0, [](SimMotor&, HostModeMotor& h) { h.InjectErrors(0x24); });
    EXPECT_EQ(CodeOf([&] { engine.CheckStatus(1); }), CVQXException::MotorInvalidTimeDelta);
    EXPECT_FALSE(engine.Initialized());
    // A motor number on WriteClock switches to per-motor packets, which cannot end or sync.
    engine.Initialize(2);
    engine.WriteClock(1, 100);
    EXPECT_TRUE(engine.DirectMode());
    EXPECT_EQ(CodeOf([&] { engine.EndHostMode(); }), CVQXException::InvalidMode);
    EXPECT_EQ(CodeOf([&] { engine.SyncMotors(); }), CVQXException::InvalidMode);
}

TEST(Synmove, PreparationChecksRatesAndFirmware)
{
    {
        // Periods 0.2441 and 0.2442 ms differ by more than a microsecond.
        StreamRig rig(false, 2, {"450"}, 38400, {}, {24410, 24420});
        CSynmoveEngine engine(rig.port);
        EXPECT_EQ(CodeOf([&] { engine.Initialize(2); }), CVQXException::DifferentSampleRates);
        EXPECT_FALSE(engine.Initialized());
    }
    {
        // "475" takes host mode without the syntax-bit check; "450" is checked; PID 2 halves the period.
        StreamRig rig(false, 2, {"475", "450"});
        CSynmoveEngine engine(rig.port);
        engine.SetPIDFactor(2);
        engine.Initialize(2);
        EXPECT_FALSE(engine.ImplicitClock());
        EXPECT_NEAR(engine.SamplePeriod(), 0.24576 / 2, 1e-12);
        const auto log1 = rig.Motor(0, [](SimMotor& m, HostModeMotor&) { return m.CommandLog(); });
        const auto log2 = rig.Motor(1, [](SimMotor& m, HostModeMotor&) { return m.CommandLog(); });
        EXPECT_EQ(std::count(log1.begin(), log1.end(), "RBs"), 0);
        EXPECT_EQ(std::count(log2.begin(), log2.end(), "RBs"), 1);
        EXPECT_EQ(rig.Motor(1, [](SimMotor&, HostModeMotor& h) { return h.PidFactor(); }), 2);
    }
    {
        vqxsim::HostModeOptions old;
        old.supported = false;
        StreamRig rig(false, 1, {"450"}, 38400, old);
        CSynmoveEngine engine(rig.port);
        EXPECT_EQ(CodeOf([&] { engine.Initialize(1); }), CVQXException::MotorHostModeNotSupported);
    }
}

TEST(Synmove, SyncMotorsRestartsTheStreamAtClockZero)
{
    StreamRig rig(true, 2);
    CSynmoveEngine engine(rig.port);
    engine.Initialize(2);
    for (int k = 0; k < 30; ++k) {
        engine.WritePosition(1, 5 * k);
        engine.WritePosition(2, -5 * k);
        engine.WriteClock(0, 256 * k);
    }
    engine.SyncMotors();
    EXPECT_FALSE(engine.Running());
    EXPECT_EQ(engine.FreeSlots(), 19);
    EXPECT_EQ(engine.TotalSlots(), 19);
    for (int i = 0; i < 2; ++i) {
        const auto [played, inHost, errors] = rig.Motor(i, [](SimMotor&, HostModeMotor& h) {
            return std::make_tuple(h.Played(), h.InHostMode(), h.ErrorBits());
        });
        ASSERT_GE(played.size(), 30u);
        EXPECT_EQ(played[29].position, i == 0 ? 145 : -145);
        EXPECT_TRUE(inHost);
        EXPECT_EQ(errors, 0);
    }
    // The next stream starts at clock 0 again; a motor left out of a slot holds where it stands.
    engine.WritePosition(1, 200);
    engine.WriteClock(0, 0);
    engine.WriteClock(0, 256);
    engine.EndHostMode();
    ASSERT_TRUE(rig.AllStopped(2));
    EXPECT_EQ(rig.Motor(1, [](SimMotor&, HostModeMotor& h) { return h.Position(); }), -145);
    EXPECT_EQ(rig.Motor(0, [](SimMotor&, HostModeMotor& h) { return h.Position(); }), 200);
}

} // namespace
