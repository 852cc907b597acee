// A monitor of 50 items on a simulated RS-232 chain of three paced at the line rate, polled as the
// main frame's cycle polls it: one item per tick, each tick armed with the delay the cycle returned.
// Printed per rate (9600 and 38400 bit/s), for one round of all 50 items:
// - against its floor, the least the poll cycle allows: the line time of every item's query
//   (worked out from the protocol by bench/LineFloor) plus the waits the cycle must make, 5 ms after
//   each monitor step and the idle tick of 5 ms through the motor views and the playground between
//   two of them; goal within 1.10 (what the host adds of its own);
// - for comparison, against the line and a bare 5 ms tick (per item the larger of the two);
// - and the processor time of the polling thread per second of polling, goal under 3% of one core.
// The floors come from the monitor's items as listed here (one query each, in list order) and the
// replies the motors give at the start of the round. A round faster than a floor fails the benchmark.

#include "app/shell/PollCycle.h"
#include "app/tools/WatchList.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/sim/wiring/SerialRig.h"
#include "tests/support/platform/ThreadCpuTime.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMotors = 3;
constexpr int kItems = 50;

// Item i reads motor 1 + i % 3 with the report command i % 6 (an "RW" item shows one bit).
struct Item {
    int address;
    const char* command;
};
Item ItemAt(int i)
{
    static const char* const commands[] = {"RP", "RV", "RW", "Ra", "RPE", "RA"};
    return {1 + i % kMotors, commands[i % 6]};
}

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
    for (int i = 0; i < kItems; ++i) {
        auto* item = new CWatchItem;
        item->MotorAddress = ItemAt(i).address;
        item->Command = ItemAt(i).command;
        item->Caption = "Item " + std::to_string(i);
        if (item->Command == "RW")
            item->WatchInfo = 0x00000000; // one bit
        delete list.OnAddWatchItem(item);
    }
    list.SetPolling(true);
    WatchMotorFinder find = [&port](int, int address) { return port.GetMotor(address); };
    BenchMonitor monitor(list, find);

    // The line time of the items' queries in polling order, from the protocol alone, answered by
    // the motors as they are when a round starts; the port's selection carries over between rounds.
    bench::LineShape shape;
    shape.baud = baud;
    bench::LineFloor line(shape, bench::MotorsNow(*rig));
    line.SetTotalTimeoutMs(port.totalTimeout);
    struct RoundFloor {
        double lineMs = 0, tickMs = 0;
    };
    auto roundFloor = [&] {
        line.TakeMotors(bench::MotorsNow(*rig));
        RoundFloor r;
        for (int i = 0; i < kItems; ++i) {
            const double before = line.Seconds();
            if (line.MotorQuery(ItemAt(i).command, ItemAt(i).address).empty())
                throw std::runtime_error("the floor's motor does not answer " + std::string(ItemAt(i).command));
            const double ms = (line.Seconds() - before) * 1000.0;
            r.lineMs += ms;
            r.tickMs += std::max(double(shell::kTerminalOrMonitorDelayMs), ms);
        }
        return r;
    };
    shell::PollSlots monitors{};
    monitors[0] = &monitor;
    shell::PollCycle cycle;
    shell::PollCycle::Sources sources;
    sources.monitors = &monitors;

    // One warm-up round, then the measured ones; the timer starts the next tick after the delay the
    // tick returned, as the frame's single-shot timer does.
    std::vector<double> roundMs, cycleMs, tickMs;
    double cpu = 0, wall = 0, lineMs = 0;
    for (int round = 0; round <= kRounds; ++round) {
        const RoundFloor floor = roundFloor();
        monitor.reads = 0;
        const auto start = Clock::now();
        const double cpuStart = platform::ThreadCpuSeconds();
        while (monitor.reads < kItems) {
            const int delay = cycle.Tick(sources);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (round == 0)
            continue;
        roundMs.push_back(ms);
        // Per item, as the cycle must run it from the second round on: the tick through the motor
        // views and the playground that finds none (then 5 ms), the tick through the terminal bar
        // and the monitor that reads the item, and the 5 ms the cycle waits after a monitor step.
        cycleMs.push_back(floor.lineMs + double(kItems * (shell::kIdleDelayMs + shell::kTerminalOrMonitorDelayMs)));
        tickMs.push_back(floor.tickMs);
        lineMs = floor.lineMs;
        cpu += platform::ThreadCpuSeconds() - cpuStart;
        wall += ms / 1000.0;
    }
    port.ClosePort();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double r = median(roundMs), c = median(cycleMs), t = median(tickMs);
    std::printf("monitor of %d items, chain of %d at %d bit/s (median of %d rounds): one round %.1f ms; least the "
                "poll cycle allows (the line %.1f ms + the waits of its ticks) %.1f ms, ratio %.3f (goal <= 1.10); "
                "least the line and a bare %d ms tick allow %.1f ms, ratio %.3f; polling thread CPU %.2f%% of one "
                "core (goal < 3%%); read errors %d\n",
                kItems, kMotors, baud, kRounds, r, lineMs, c, r / c, shell::kTerminalOrMonitorDelayMs, t, r / t,
                100.0 * cpu / wall, monitor.errors);
    const bool held = bench::HoldsFloor("the line and the tick", r / t) & bench::HoldsFloor("the poll cycle", r / c);
    return monitor.errors || !held ? 1 : 0;
}

} // namespace

int main()
{
    int failed = 0;
    for (int baud : {9600, 38400}) {
        try {
            failed |= Run(baud);
        } catch (const std::exception& e) {
            std::printf("monitor at %d bit/s not measured: %s\n", baud, e.what());
            failed = 1;
        }
    }
    return failed;
}
