// The round trip of one report command typed in a terminal pane, on a simulated RS-232 chain of
// three at 38400 bit/s whose motors send at the line rate behind a pseudo-terminal, against the
// line time of its bytes (goal: within 1.2 x the line time plus one poll tick). Printed: the time
// until the reply shows in the pane, and the time until the pane is ready again (the pane then
// still listens for 100 ms of silence, as its rules say).

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
#include "bench/LineCounter.h"

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

    LineCounter counter;
    ui::COperationContext context;
    context.SetTrafficLog(&counter);
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), kBaud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    port.OpenPort();

    CTerminalPane pane;
    pane.port = &port;
    std::vector<double> reply, ready, floor;
    for (int round = 0; round < kRounds; ++round) {
        TimedText text;
        pane.Attach(&text, nullptr);
        counter.sent = counter.received = 0;
        const auto start = Clock::now();
        pane.SendLine(round % 2 ? "3RP" : "1RP", false, false);
        const auto end = Clock::now();
        if (text.replied == Clock::time_point{}) {
            std::printf("no reply in round %d\n", round);
            return 1;
        }
        reply.push_back(MsBetween(start, text.replied));
        ready.push_back(MsBetween(start, end));
        // The line is full duplex: the echo of each byte comes back while the next goes out, so the
        // line is busy for the longer of the two directions, plus one character time per motor
        // that the reply passes on the chain.
        const double charMs = 10.0 * 1000.0 / kBaud;
        floor.push_back(double(std::max(counter.sent, counter.received)) * charMs + kMotors * charMs);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double lineMs = median(floor);
    std::printf("terminal round trip of a report command, chain of %d at %d bit/s (median of %d): reply shown after "
                "%.2f ms, pane ready after %.2f ms; line time of its bytes %.2f ms; goal: reply within %.2f ms "
                "(1.2 x line time + one %d ms poll tick)\n",
                kMotors, kBaud, kRounds, median(reply), median(ready), lineMs, 1.2 * lineMs + shell::kFirstPollDelayMs,
                shell::kFirstPollDelayMs);
    port.ClosePort();
    return 0;
}
