// A monitor of 50 items on a simulated RS-232 chain of three paced at the line rate, polled as the
// main frame's cycle polls it: one item per tick, the next tick 5 ms after a monitor step. Printed
// per rate (9600 and 38400 bit/s): the time of one round of all 50 items against the least the
// line and a 5 ms tick allow (per item the larger of the tick and the line time of the query: its
// bytes out with their echo, then the reply, each passing the motors of the chain), goal within
// 1.10 of it; the same round against what the frame's cycle itself waits (the delays its ticks ask
// for, an idle tick included, plus the line time), which shows what the host adds; and the
// processor time of the polling thread per second of polling, goal under 3% of one core.

#include "app/shell/PollCycle.h"
#include "app/tools/WatchList.h"
#include "bench/ChainPort.h"
#include "bench/LineCounter.h"
#include "core/analyzer/TrafficLog.h"
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

// The monitor window as the frame's cycle sees it, noting the line time of each read.
class BenchMonitor : public shell::IPollingWindow {
public:
    BenchMonitor(tools::CWatchList& list, WatchMotorFinder find, LineCounter& counter, int baud, int motors)
        : m_list(list), m_find(std::move(find)), m_counter(counter), m_charMs(10.0 * 1000.0 / baud), m_motors(motors)
    {
    }
    bool PollStep() override
    {
        m_counter.sent = m_counter.received = 0;
        const auto r = m_list.PollStep(m_find, true);
        if (r.error)
            ++errors;
        // The echo of each byte returns while the next goes out, and the reply follows the echo on
        // the PC's receive line; every motor of the chain passes a byte on one character later.
        const double lineMs = double(m_counter.sent + m_counter.received + m_motors) * m_charMs;
        floorMs += std::max(double(shell::kTerminalOrMonitorDelayMs), lineMs);
        lineTotalMs += lineMs;
        ++reads;
        return r.used;
    }
    int reads = 0;
    int errors = 0;
    double floorMs = 0;
    double lineTotalMs = 0;

private:
    tools::CWatchList& m_list;
    WatchMotorFinder m_find;
    LineCounter& m_counter;
    double m_charMs;
    int m_motors;
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

    LineCounter counter;
    ui::COperationContext context;
    context.SetTrafficLog(&counter);
    context.Options().IncludePolling = true; // the counter must see the polling traffic
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
    BenchMonitor monitor(list, find, counter, baud, kMotors);
    shell::PollSlots monitors{};
    monitors[0] = &monitor;
    shell::PollCycle cycle;
    shell::PollCycle::Sources sources;
    sources.monitors = &monitors;

    // One warm-up round, then the measured ones; the timer starts the next tick after the delay the
    // tick returned, as the frame's single-shot timer does.
    std::vector<double> roundMs, floorMs, cycleMs;
    double cpu = 0, wall = 0;
    for (int round = 0; round <= kRounds; ++round) {
        monitor.reads = 0;
        monitor.floorMs = 0;
        monitor.lineTotalMs = 0;
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
        floorMs.push_back(monitor.floorMs);
        cycleMs.push_back(waitedMs + monitor.lineTotalMs);
        cpu += platform::ThreadCpuSeconds() - cpuStart;
        wall += ms / 1000.0;
    }
    port.ClosePort();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double r = median(roundMs), f = median(floorMs), c = median(cycleMs);
    std::printf("monitor of %d items, chain of %d at %d bit/s (median of %d rounds): one round %.1f ms; least the "
                "line and a %d ms tick allow %.1f ms, ratio %.3f (goal <= 1.10); the cycle's own waits and the line "
                "%.1f ms, ratio %.3f; polling thread CPU %.2f%% of one core (goal < 3%%); read errors %d\n",
                kItems, kMotors, baud, kRounds, r, shell::kTerminalOrMonitorDelayMs, f, r / f, c, r / c,
                100.0 * cpu / wall, monitor.errors);
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
