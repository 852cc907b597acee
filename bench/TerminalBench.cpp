// The round trip of one report command typed in a terminal pane, on a simulated RS-232 chain of
// three at 38400 bit/s whose motors send at the line rate behind a pseudo-terminal, against the
// line time of the query the line makes (the address in the line selects the motor: its address
// byte, "RP", the blank, the echo through the chain and the reply; bench/LineFloor.h, answered by
// the motors as they are) (goal: within 1.2 x the line time plus one poll tick). Printed: the time
// until the reply shows in the pane, and the time until the pane is ready again (the pane then
// still listens for 100 ms of silence, as its rules say). A reply faster than the line time fails
// the benchmark.

#include "app/project/TerminalPane.h"
#include "app/project/TerminalText.h"
#include "app/shell/PollCycle.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/DetectionFrame.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/sim/wiring/SerialRig.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// The pane's text, noting when the reply arrives.
class TimedText : public CTerminalTranscript {
public:
    Clock::time_point replied{};
    void Append(std::string_view text, TermFormat format) override
    {
        if (format == TermFormat::Response && replied == Clock::time_point{})
            replied = Clock::now();
        CTerminalTranscript::Append(text, format);
    }
};

} // namespace

int main()
{
    constexpr int kBaud = 38400;
    constexpr int kMotors = 3;
    constexpr int kRounds = 20;
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = profile.channel[1].baud = kBaud;
    profile.echo[0] = true;
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(kMotors, profile, true), options);

    ui::COperationContext context;
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), kBaud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    port.OpenPort();

    CTerminalPane pane;
    pane.port = &port;
    bench::LineShape shape;
    shape.baud = kBaud;
    bench::LineFloor line(shape, bench::MotorsNow(*rig));
    line.SetTotalTimeoutMs(port.totalTimeout);
    std::vector<double> reply, ready, floor;
    for (int round = 0; round < kRounds; ++round) {
        TimedText text;
        pane.Attach(&text, nullptr);
        // With no motor selected yet the pane selects its target (the first motor) first.
        line.TakeMotors(bench::MotorsNow(*rig));
        const double before = line.Seconds();
        if (line.Current() < 0)
            line.Select(1);
        if (line.Query("RP", round % 2 ? 3 : 1, true).empty()) {
            std::printf("the floor's motor does not answer in round %d\n", round);
            return 1;
        }
        floor.push_back((line.Seconds() - before) * 1000.0);
        const auto start = Clock::now();
        pane.SendLine(round % 2 ? "3RP" : "1RP", false, false);
        const auto end = Clock::now();
        if (text.replied == Clock::time_point{}) {
            std::printf("no reply in round %d\n", round);
            return 1;
        }
        reply.push_back(MsBetween(start, text.replied));
        ready.push_back(MsBetween(start, end));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double lineMs = median(floor);
    std::printf("terminal round trip of a report command, chain of %d at %d bit/s (median of %d): reply shown after "
                "%.2f ms, pane ready after %.2f ms; line time of its query %.2f ms; goal: reply within %.2f ms "
                "(1.2 x line time + one %d ms poll tick)\n",
                kMotors, kBaud, kRounds, median(reply), median(ready), lineMs, 1.2 * lineMs + shell::kFirstPollDelayMs,
                shell::kFirstPollDelayMs);
    port.ClosePort();
    return bench::HoldsFloor("terminal reply", median(reply) / lineMs) ? 0 : 1;
}
