// The playground's poll rate on a simulated RS-232 chain of three, behind a pseudo-terminal at the
// line rate, at 9600 and 38400 bit/s: polls per second with the polling program (one "GOSUB9" per
// poll) and without it (the fixed cycle and the Position page's "RP"), each against the floor of
// the polls the playground must make, worked out from the protocol (bench/LineFloor.h) with the
// replies the motor gives at that moment. Goal: within 1.10 of the floor; a measured rate above
// the floor's fails the benchmark (the floor is wrong).
#include "app/tools/PlaygroundForm.h"
#include "app/tools/PlaygroundServices.h"
#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Questions.h"
#include "scanner/Scanner.h"
#include "tests/sim/motor/Motion.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Without the polling program an older motor (firmware 450: neither 4.6 nor version 5) is read in
// a fixed cycle, one command per poll: the status word, its seven inputs one at a time, then the
// Position page's own query.
const char* const kFixedCycle[] = {"RW",       "z=UAI Rz", "z=UBI Rz", "z=UCI Rz", "z=UDI Rz",
                                   "z=UEI Rz", "z=UFI Rz", "z=UGI Rz", "RP"};
constexpr int kCycleLength = int(std::size(kFixedCycle));

// The floor of `polls` polls of motor a, the cycle standing at `step`: with the polling program
// one "GOSUB9" each, and "RUN" after a reply that carries X.
void PollsFloor(bench::LineFloor& floor, int a, bool withProgram, int step, int polls)
{
    for (int i = 0; i < polls; ++i) {
        if (!withProgram) {
            floor.MotorQuery(kFixedCycle[(step + i) % kCycleLength], a);
            continue;
        }
        const std::string reply = floor.MotorQuery("GOSUB9", a);
        if (reply.empty())
            throw std::runtime_error("the floor's motor does not run the polling program");
        if (reply.find('X') != std::string::npos)
            floor.MotorWrite("RUN", a);
    }
}

// Questions answered OK (the polling program's download).
struct Agree : ui::IQuestions {
    ui::MessageBoxReply AskMessageBox(const ui::MessageBoxRequest&) override { return {ui::IDOK, false}; }
    ui::ChoiceReply AskChoice(const ui::ChoiceRequest&) override { return {}; }
    std::optional<std::string> AskMotorIP(const ui::MotorIPRequest&) override { return {}; }
    ui::DownloadDoneReply AskDownloadDone() override { return {}; }
};

struct Figures {
    double pollsPerSecond = 0;
    double floorPerSecond = 0;
    bool ok = false;
    std::string problem;
};

Figures Run(int baud, bool withProgram)
{
    constexpr int kMotors = 3;
    constexpr int kPolls = 200;
    constexpr int kSettle = 20;
    vqxsim::MotorProfile profile;
    profile.firmware = "450";
    profile.channel[0].baud = profile.channel[1].baud = baud;
    profile.echo[0] = true;
    const auto profiles = vqxsim::MakeProfiles(kMotors, profile, true);
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(profiles, options);
    rig->WithMotor(1, [](vqxsim::SimMotor& m) { vqxsim::AttachMotion(m); });

    Agree agree;
    ui::COperationContext context;
    context.SetQuestions(&agree);
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), baud, kMotors);
    for (int a = 1; a <= kMotors; ++a)
        EnterDetectedMotor(port, a);
    Figures f;
    try {
        port.OpenPort();
        CMotor& motor = *port.GetMotor(2);
        motor.ReadVersion();

        tools::MotorPlaygroundIo io;
        CScanner scanner;
        const std::string backups = (std::filesystem::temp_directory_path() / ("vqx-pg-bench-" + std::to_string(::getpid()))).string();
        tools::PollingProgramService programs(scanner, [&port](int, int address) { return port.GetMotor(address); }, backups);
        tools::CPlaygroundForm form(context, io, programs, {withProgram, true});
        form.FillPortList({&port});
        form.OnMotorSelected(1);
        form.OnConnect();
        if (!form.Connected() || form.UsePollingProgram() != withProgram) {
            f.problem = "did not connect as asked";
            form.RestorePrograms();
            return f;
        }
        for (int i = 0; i < kSettle; ++i) // the page's first move, one whole cycle
            form.PollStep();
        // The floor starts from the motors as they are now; the cycle has gone kSettle steps.
        bench::LineShape shape;
        shape.baud = baud;
        bench::LineFloor floor(shape, bench::MotorsNow(*rig));
        floor.SetTotalTimeoutMs(port.totalTimeout);
        const auto start = Clock::now();
        for (int i = 0; i < kPolls && form.Connected(); ++i)
            form.PollStep();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!form.Connected()) {
            f.problem = "the motor stopped answering";
        } else {
            PollsFloor(floor, motor.Address, withProgram, kSettle % kCycleLength, kPolls);
            f.pollsPerSecond = kPolls / seconds;
            f.floorPerSecond = kPolls / floor.Seconds();
            f.ok = true;
        }
        form.OnDisconnect();
        form.RestorePrograms();
        std::filesystem::remove_all(backups);
    } catch (const CVQXException& x) {
        f.problem = x.GetMessage();
    } catch (const std::exception& x) {
        f.problem = x.what();
    }
    port.ClosePort();
    return f;
}

} // namespace

int main()
{
    std::printf("playground poll rate, chain of 3 at the line rate (pseudo-terminal), 200 polls; goal: floor / "
                "measured within 1.10\n");
    int status = 0;
    for (int baud : {9600, 38400})
        for (bool program : {true, false}) {
            const char* what = program ? "with the polling program" : "without it";
            const Figures f = Run(baud, program);
            if (!f.ok) {
                std::printf("  %5d bit/s, %-24s: not measured (%s)\n", baud, what, f.problem.c_str());
                status = 1;
                continue;
            }
            const double ratio = f.floorPerSecond / f.pollsPerSecond;
            std::printf("  %5d bit/s, %-24s: %7.1f polls/s, floor %7.1f polls/s, ratio %.3f\n", baud, what,
                        f.pollsPerSecond, f.floorPerSecond, ratio);
            if (!bench::HoldsFloor(what, ratio))
                status = 1;
        }
    return status;
}
