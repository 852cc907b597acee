// A monitor of 50 items on a simulated RS-232 chain of three paced at the line rate, polled as the
// main frame's cycle polls it: one item per tick, each tick armed with the delay the cycle returned.
// Printed per rate (9600 and 38400 bit/s), for one round of all 50 items:
// - against the least the line and a 5 ms tick allow (per item the larger of the tick and the line
//   time of its query, worked out from the protocol by bench/LineFloor), goal within 1.10;
// - against the least the cycle itself allows (the line time of every query plus the delays the
//   ticks ask for: 5 ms after each monitor step and the idle tick through the motor views and the
//   playground between two of them), which is what the host adds of its own;
// - and the processor time of the polling thread per second of polling, goal under 3% of one core.

#include "app/shell/PollCycle.h"
#include "app/tools/WatchList.h"
#include "bench/ChainPort.h"
#include "bench/LineFloor.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/sim/wiring/SerialRig.h"
#include "tests/support/platform/ThreadCpuTime.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The monitor window as the frame's cycle sees it, counting its reads.
class BenchMonitor : public shell::IPollingWindow {
public:
    BenchMonitor(tools::CWatchList& list, WatchMotorFinder find) : m_list(list), m_find(std::move(find)) {}
    bool PollStep() override
    {
        const auto r = m_list.PollStep(m_find, true);
        if (r.error)
            ++errors;
        ++reads;
        return r.used;
    }
    int reads = 0;
    int errors = 0;

private:
    tools::CWatchList& m_list;
    WatchMotorFinder m_find;
};

int Run(int baud)
{
    constexpr int kMotors = 3;
    constexpr int kItems = 50;
    constexpr int kRounds = 6;
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = profile.channel[1].baud = baud;
    profile.echo[0] = true;
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(kMotors, profile, true), options);

    ui::COperationContext context;
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), baud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    if (!port.OpenPort()) {
        std::printf("cannot open the chain at %d bit/s\n", baud);
        return 1;
    }

    tools::CWatchList list;
    const char* commands[] = {"RP", "RV", "RW", "Ra", "RPE", "RA"};
    for (int i = 0; i < kItems; ++i) {
        auto* item = new CWatchItem;
        item->MotorAddress = 1 + i % kMotors;
        item->Command = commands[i % 6];
        item->Caption = "Item " + std::to_string(i);
        if (item->Command == "RW")
            item->WatchInfo = 0x00000000; // one bit
        delete list.OnAddWatchItem(item);
    }
    list.SetPolling(true);
    WatchMotorFinder find = [&port](int, int address) { return port.GetMotor(address); };
    BenchMonitor monitor(list, find);

    // The line time of each item's query in polling order, from the protocol alone; the second
    // round is the one that repeats (the first starts with no motor selected).
    bench::LineShape shape;
    shape.baud = baud;
    bench::LineFloor line(shape, vqxsim::MakeProfiles(kMotors, profile, true));
    double lineMs = 0, tickFloorMs = 0;
    for (int round = 0; round < 2; ++round) {
        lineMs = tickFloorMs = 0;
        for (int i = 0; i < kItems; ++i) {
            const double before = line.Seconds();
            line.MotorQuery(list.At(i)->Command, list.At(i)->MotorAddress);
            const double ms = (line.Seconds() - before) * 1000.0;
            lineMs += ms;
            tickFloorMs += std::max(double(shell::kTerminalOrMonitorDelayMs), ms);
        }
    }
    shell::PollSlots monitors{};
    monitors[0] = &monitor;
    shell::PollCycle cycle;
    shell::PollCycle::Sources sources;
    sources.monitors = &monitors;

    // One warm-up round, then the measured ones; the timer starts the next tick after the delay the
    // tick returned, as the frame's single-shot timer does.
    std::vector<double> roundMs, cycleMs;
    double cpu = 0, wall = 0;
    for (int round = 0; round <= kRounds; ++round) {
        monitor.reads = 0;
        double waitedMs = 0;
        const auto start = Clock::now();
        const double cpuStart = platform::ThreadCpuSeconds();
        while (monitor.reads < kItems) {
            const int delay = cycle.Tick(sources);
            if (monitor.reads < kItems)
                waitedMs += delay;
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (round == 0)
            continue;
        roundMs.push_back(ms);
        cycleMs.push_back(waitedMs + lineMs);
        cpu += platform::ThreadCpuSeconds() - cpuStart;
        wall += ms / 1000.0;
    }
    port.ClosePort();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double r = median(roundMs), c = median(cycleMs);
    std::printf("monitor of %d items, chain of %d at %d bit/s (median of %d rounds): one round %.1f ms; least the "
                "line and a %d ms tick allow %.1f ms, ratio %.3f (goal <= 1.10); least the poll cycle allows (the "
                "line %.1f ms + the delays its ticks ask for) %.1f ms, ratio %.3f; polling thread CPU %.2f%% of one "
                "core (goal < 3%%); read errors %d\n",
                kItems, kMotors, baud, kRounds, r, shell::kTerminalOrMonitorDelayMs, tickFloorMs, r / tickFloorMs,
                lineMs, c, r / c, 100.0 * cpu / wall, monitor.errors);
    return monitor.errors ? 1 : 0;
}

} // namespace

int main()
{
    int failed = 0;
    for (int baud : {9600, 38400})
        failed |= Run(baud);
    return failed;
}
