// The motor view's Status page polling motor 2 of a simulated RS-232 chain of three paced at the
// line rate, as the main frame's cycle polls it: one query per tick, the next tick 3 ms after a
// motor-view step. Printed per family and rate (9600 and 38400 bit/s): the time of one whole status
// cycle (an older motor with both extra values chosen: 14 queries; a version-5 motor: 11) against
// its floor: the line time of the queries the cycle must make, listed here by family and worked
// out from the protocol by bench::LineFloor with the replies the motor gives when the cycle starts,
// plus the 3 ms the frame's timer must wait after every motor-view step (goal within 1.10); and,
// for comparison, against the line time alone. A cycle faster than its floor fails the benchmark.

#include "app/shell/PollCycle.h"
#include "app/tools/MotorStatusForm.h"
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

#include <algorithm>
#include <stdexcept>
#include <string>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// One status cycle with the extra values "Index" and "Clock": the status word, position, position
// error, velocity, mode, the two extras, then the inputs and outputs by family (an older motor its
// seven pins one by one; a version-5 motor its inputs, outputs, drive fault and drive enable).
std::vector<std::string> StatusCycle(const std::string& firmware)
{
    std::vector<std::string> cycle = {"RW", "RP", "RPE", "RV", "RMODE", "RI", "RCLK"};
    if (firmware[0] == '5') {
        cycle.insert(cycle.end(), {"RIN", "ROUT", "RBg", "RI7"});
    } else {
        for (char pin = 'A'; pin <= 'G'; ++pin)
            cycle.push_back(std::string("z=U") + pin + "I Rz");
    }
    return cycle;
}

// The view as the frame's cycle sees it: its Status page on top.
class BenchView : public shell::IPollingWindow {
public:
    explicit BenchView(tools::CMotorStatusForm& form) : m_form(form) {}
    bool PollStep() override
    {
        const bool worked = m_form.PollStep();
        if (worked)
            ++steps;
        if (m_form.Link() != tools::kLinkWorks)
            ++errors;
        return worked;
    }
    size_t steps = 0;
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
    bench::LineFloor floor(shape, bench::MotorsNow(*rig));
    floor.SetTotalTimeoutMs(port.totalTimeout);
    const std::vector<std::string> required = StatusCycle(firmware);

    std::vector<double> cycleMs, floorMs, tickedMs;
    size_t queries = 0;
    for (int round = 0; round <= kRounds; ++round) {
        // The floor of this cycle, answered by the motors as they are when it starts.
        floor.TakeMotors(bench::MotorsNow(*rig));
        const double before = floor.Seconds();
        for (const std::string& c : required)
            if (floor.MotorQuery(c, kAddress).empty())
                throw std::runtime_error("the floor's motor does not answer " + c);
        const double line = (floor.Seconds() - before) * 1000.0;
        view.steps = 0;
        const auto start = Clock::now();
        do {
            const int delay = cycle.Tick(sources);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        } while (form.NextQuery() != 0);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (round == 0)
            continue; // the warm-up round
        cycleMs.push_back(ms);
        floorMs.push_back(line);
        tickedMs.push_back(line + double(required.size() * shell::kViewOrPlaygroundDelayMs));
        queries = view.steps;
    }
    port.ClosePort();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double c = median(cycleMs), f = median(floorMs), t = median(tickedMs);
    std::printf("status page, firmware %s, motor %d of a chain of %d at %d bit/s (median of %d cycles): one cycle of "
                "%zu steps (%zu queries required) %.1f ms; line time of its queries %.1f ms, ratio %.3f; with the "
                "frame's %d ms after each step %.1f ms, ratio %.3f (goal <= 1.10); failed queries %d\n",
                firmware, kAddress, kMotors, baud, kRounds, queries, required.size(), c, f, c / f,
                shell::kViewOrPlaygroundDelayMs, t, c / t, view.errors);
    const bool held = bench::HoldsFloor("the line", c / f) & bench::HoldsFloor("the line and the frame's waits", c / t);
    return view.errors || !held ? 1 : 0;
}

} // namespace

int main()
{
    int failed = 0;
    for (const char* firmware : {"450", "5xx"})
        for (int baud : {9600, 38400}) {
            try {
                failed |= Run(firmware, baud);
            } catch (const std::exception& e) {
                std::printf("status page, firmware %s at %d bit/s not measured: %s\n", firmware, baud, e.what());
                failed = 1;
            }
        }
    return failed;
}
