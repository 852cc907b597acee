// Path generation and host-mode streaming figures (a plain program: it prints what it measures).
//
// Points: how many path points the generator places per second (lines and arcs of many points).
// Streaming: slots written per second into an RS-232 chain of simulated motors at 38400 baud that
// send every byte at the line rate, against the line limit of the packets: a slot for n motors is n
// position packets and one clock packet of 6 bytes each with their address bytes. The motors hold
// 120 slots and play slowly, so the writer is held back by the line alone.

#include "engine/path/PathGenerator.h"
#include "tests/synmove/StreamRig.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void PathPoints()
{
    CPathGenerator g;
    g.SetTimeDelta(1);
    g.SetAcceleration(0.01);
    size_t points = 0;
    const auto start = Clock::now();
    for (int i = 0; i < 20; ++i) {
        g.GenerateLine(10, {i % 2 ? 0.0 : 100000.0, 50000.0});
        points += g.Points().size();
        g.GenerateArc(10, {g.StartPoint(1), g.StartPoint(2)}, {g.StartPoint(1) + 20000, g.StartPoint(2)}, i % 2);
        points += g.Points().size();
    }
    const double s = Seconds(start);
    std::printf("path generator: %zu points in %.3f s: %.0f points/s\n", points, s, points / s);
}

void Streaming(int motors, bool allAtOnce)
{
    constexpr int kBaud = 38400, kSlots = 110;
    vqxsim::SerialOptions line;
    line.pacing = true;
    vqxsim::HostModeOptions hostOptions;
    hostOptions.capacity = 120;
    streamtest::StreamRig rig(true, motors, {"450"}, kBaud, hostOptions, {24576}, line);
    CSynmoveEngine engine(rig.port);
    engine.Initialize(motors);
    const auto start = Clock::now();
    for (int k = 0; k < kSlots; ++k) {
        if (allAtOnce) {
            engine.WritePosition(0, k);
        } else {
            for (int m = 1; m <= motors; ++m)
                engine.WritePosition(m, k * m);
        }
        engine.WriteClock(0, 4096 * k);
    }
    const double s = Seconds(start);
    const int bytesPerSlot = 6 * ((allAtOnce ? 1 : motors) + 1);
    const double limit = kBaud / 10.0 / bytesPerSlot;
    std::printf("streaming, chain of %d at %d baud, %s: %.1f slots/s per motor (line limit %.1f, %.0f%%)\n", motors,
                kBaud, allAtOnce ? "one position for all" : "a position each", kSlots / s, limit,
                100 * kSlots / s / limit);
    // The motors never started (the buffer never filled): nothing to end.
}

} // namespace

int main()
{
    PathPoints();
    for (int motors : {1, 2, 3, 6})
        Streaming(motors, false);
    Streaming(6, true);
    return 0;
}
