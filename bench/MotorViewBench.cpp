// The motor view's Status page polling motor 2 of a simulated RS-232 chain of three paced at the
// line rate, as the main frame's cycle polls it: one query per tick, the next tick 3 ms after a
// motor-view step. Printed per family and rate (9600 and 38400 bit/s): the time of one whole status
// cycle (an older motor with both extra values chosen: 14 queries; a version-5 motor: 11) against
// the line time of its queries and their replies, worked out from the protocol by
// bench::LineFloor (goal within 1.10); and against that line time plus the 3 ms the frame's timer
// waits after every motor-view step, which is what the host itself adds.

#include "app/shell/PollCycle.h"
#include "app/tools/MotorStatusForm.h"
#include "app/tools/WatchList.h"
#include "bench/ChainPort.h"
#include "bench/LineFloor.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "tests/sim/wiring/SerialRig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The view as the frame's cycle sees it: its Status page on top.
class BenchView : public shell::IPollingWindow {
public:
    explicit BenchView(tools::CMotorStatusForm& form) : m_form(form) {}
    bool PollStep() override
    {
        commands.push_back(m_form.CommandOf(m_form.NextQuery()));
        const bool worked = m_form.PollStep();
        if (m_form.Link() != tools::kLinkWorks)
            ++errors;
        return worked;
    }
    std::vector<std::string> commands;
    int errors = 0;

private:
    tools::CMotorStatusForm& m_form;
};

int Run(const char* firmware, int baud)
{
    constexpr int kMotors = 3;
    constexpr int kAddress = 2;
    constexpr int kRounds = 7;
    vqxsim::MotorProfile profile;
    profile.firmware = firmware;
    profile.channel[0].baud = profile.channel[1].baud = baud;
    profile.echo[0] = true;
    const auto profiles = vqxsim::MakeProfiles(kMotors, profile, true);
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(profiles, options);

    ui::COperationContext context;
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), baud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    if (!port.OpenPort()) {
        std::printf("cannot open the chain at %d bit/s\n", baud);
        return 1;
    }
    CMotor* motor = port.GetMotor(kAddress);
    motor->Version = firmware;
    tools::MotorViewLink link{motor, 0, nullptr, {}};
    tools::CMotorStatusForm form(link);
    form.UpdateForMotor();
    form.ChooseExtras(2, 9); // "Index" and "Clock": the longest cycle
    form.SetPolling(true);
    BenchView view(form);
    shell::PollSlots views{};
    views[0] = &view;
    shell::PollCycle cycle;
    shell::PollCycle::Sources sources;
    sources.views = &views;

    bench::LineShape shape;
    shape.baud = baud;
    bench::LineFloor floor(shape, profiles);
    floor.SetTotalTimeoutMs(port.totalTimeout);

    std::vector<double> cycleMs, floorMs, tickedMs;
    size_t queries = 0;
    for (int round = 0; round <= kRounds; ++round) {
        view.commands.clear();
        const auto start = Clock::now();
        do {
            const int delay = cycle.Tick(sources);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        } while (form.NextQuery() != 0);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double before = floor.Seconds();
        for (const std::string& c : view.commands)
            floor.MotorQuery(c, kAddress);
        const double line = (floor.Seconds() - before) * 1000.0;
        if (round == 0)
            continue; // the warm-up round selects the motor
        cycleMs.push_back(ms);
        floorMs.push_back(line);
        tickedMs.push_back(line + double(view.commands.size() * shell::kViewOrPlaygroundDelayMs));
        queries = view.commands.size();
    }
    port.ClosePort();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double c = median(cycleMs), f = median(floorMs), t = median(tickedMs);
    std::printf("status page, firmware %s, motor %d of a chain of %d at %d bit/s (median of %d cycles): one cycle of "
                "%zu queries %.1f ms; line time of its queries %.1f ms, ratio %.3f (goal <= 1.10); with the frame's "
                "%d ms after each step %.1f ms, ratio %.3f; failed queries %d\n",
                firmware, kAddress, kMotors, baud, kRounds, queries, c, f, c / f, shell::kViewOrPlaygroundDelayMs, t,
                c / t, view.errors);
    return view.errors ? 1 : 0;
}

} // namespace

int main()
{
    int failed = 0;
    for (const char* firmware : {"450", "5xx"})
        for (int baud : {9600, 38400})
            failed |= Run(firmware, baud);
    return failed;
}
