// The playground's poll rate on a simulated RS-232 chain of three, behind a pseudo-terminal at the
// line rate, at 9600 and 38400 bit/s: polls per second with the polling program (one "GOSUB9" per
// poll) and without it (the fixed cycle and the Position page's "RP"), each against the floor of
// one exchange per poll, worked out from the protocol (bench/LineFloor.h). Goal: within 1.10 of
// the floor. Printed, never asserted.
#include "app/tools/PlaygroundForm.h"
#include "app/tools/PlaygroundServices.h"
#include "bench/ChainPort.h"
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
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The real traffic, each exchange also laid on the floor's line.
class FlooredIo : public tools::IPlaygroundIo {
public:
    explicit FlooredIo(bench::LineFloor& floor) : m_floor(floor) {}
    void OpenPort(CMotor& m) override { m_real.OpenPort(m); }
    void Send(CMotor& m, const std::string& c) override
    {
        m_real.Send(m, c);
        if (counting)
            m_floor.MotorWrite(c, m.Address);
    }
    std::string Ask(CMotor& m, const std::string& c) override
    {
        const std::string reply = m_real.Ask(m, c);
        if (counting) {
            // The floor's own motors do not run the polling program: its reply is taken as given.
            if (c == "GOSUB9") {
                m_floor.MotorWrite(c, m.Address);
                m_floor.SleepMs((reply.size() + 1) * m_floor.CharSeconds() * 1000.0);
            } else {
                m_floor.MotorQuery(c, m.Address);
            }
            ++exchanges;
        }
        return reply;
    }
    bool counting = false;
    int exchanges = 0;

private:
    tools::MotorPlaygroundIo m_real;
    bench::LineFloor& m_floor;
};

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

        bench::LineShape shape;
        shape.baud = baud;
        bench::LineFloor floor(shape, profiles);
        floor.SetTotalTimeoutMs(port.totalTimeout);
        FlooredIo io(floor);
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
        for (int i = 0; i < 20; ++i) // settle: the page's first move, one whole cycle
            form.PollStep();
        io.counting = true;
        const double floorBefore = floor.Seconds();
        const auto start = Clock::now();
        for (int i = 0; i < kPolls && form.Connected(); ++i)
            form.PollStep();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        io.counting = false;
        if (!form.Connected()) {
            f.problem = "the motor stopped answering";
        } else {
            f.pollsPerSecond = io.exchanges / seconds;
            f.floorPerSecond = io.exchanges / (floor.Seconds() - floorBefore);
            f.ok = true;
        }
        form.OnDisconnect();
        form.RestorePrograms();
        std::filesystem::remove_all(backups);
    } catch (const CVQXException& x) {
        f.problem = x.GetMessage();
    }
    port.ClosePort();
    return f;
}

} // namespace

int main()
{
    std::printf("playground poll rate, chain of 3 at the line rate (pseudo-terminal), 200 polls; goal: floor / "
                "measured within 1.10\n");
    for (int baud : {9600, 38400})
        for (bool program : {true, false}) {
            const Figures f = Run(baud, program);
            if (!f.ok) {
                std::printf("  %5d bit/s, %-24s: not measured (%s)\n", baud,
                            program ? "with the polling program" : "without it", f.problem.c_str());
                continue;
            }
            std::printf("  %5d bit/s, %-24s: %7.1f polls/s, floor %7.1f polls/s, ratio %.3f\n", baud,
                        program ? "with the polling program" : "without it", f.pollsPerSecond, f.floorPerSecond,
                        f.floorPerSecond / f.pollsPerSecond);
        }
    return 0;
}
