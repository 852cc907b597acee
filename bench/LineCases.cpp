// Download and chain detection against simulated motors on lines timed like real wires (the
// downloads on the in-process line, detection behind a pseudo-terminal, through the rate changes
// of the sweep), each set against the least time the protocol allows (LineFloor.h).
#include "bench/LineCases.h"

#include "bench/LineFloor.h"
#include "bench/SentCounter.h"
#include "core/detect/DetectionFrame.h"
#include "core/detect/RS232Chain.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "tests/sim/wiring/FakeLineRig.h"
#include "tests/sim/wiring/SerialRig.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace bench {
namespace {

constexpr size_t kImageSize = 27999;
constexpr int kUnaddressed = 114;
constexpr int kSweep[] = {38400, 9600, 19200, 4800, 2400};

// The settings and traffic log of one run.
struct BenchContext {
    BenchContext()
    {
        context.Options().DownloadDelay = kDownloadDelayUs;
        context.SetTrafficLog(&counter);
    }
    SentCounter counter;
    ui::COperationContext context;
};

vqxsim::SerialOptions Paced()
{
    vqxsim::SerialOptions options;
    options.pacing = true;
    return options;
}

// A program of exactly kImageSize bytes, header included.
std::string Image()
{
    const std::vector<uint16_t> labels(4, 0);
    const size_t bodySize = kImageSize - transfer::BuildImage("400", labels, "").size();
    std::string body;
    for (int i = 0; body.size() + 16 < bodySize; ++i)
        body += "a=a+" + std::to_string(i % 1000) + "\n";
    body += std::string(bodySize - body.size() - 4, ' ');
    body += "END\n";
    return transfer::BuildImage("400", labels, body);
}

// "To all" is address 0: its byte 0x80 goes out with every untracked command, and with a tracked
// one only when the wire's selection is stale.
//
// Detection of an addressed chain of n motors listening at another rate than the port's: one round
// of the rate sweep, the host looking for the chain's token once the first WAKE's echo at 2400 is
// back whole (a host that looks sooner finds nothing and sends the whole sweep again: its own time
// and bytes show that), the port's rate and echo, the probe of every address with the identity of
// each motor found, the probe of the unaddressed motor, the sleep of every motor and the broadcast
// probe, WAKE and the selection of address 0.
double DetectFloor(LineFloor& f, const COptions& options, int portBaud)
{
    const int n = static_cast<int>(f.Motors());
    const auto frameOf = [](const std::string& text) { return double(text.size() + 2); }; // 0x80, text, blank
    f.SetEcho(false);
    int rate = portBaud;
    auto toAll = [&](const std::string& text) { f.Write(text, 0, false); };
    for (int r : kSweep) {
        f.SetBaud(rate);
        toAll("WAKE");
        toAll("WAKE");
        toAll("BAUD" + std::to_string(r));
        rate = r;
    }
    f.SetBaud(rate);
    const double tokenBack = f.Seconds() + (frameOf("WAKE") + n) * f.CharSeconds();
    toAll("WAKE");
    toAll("WAKE");
    toAll("ECHO");
    if (f.Seconds() < tokenBack)
        f.SleepMs((tokenBack - f.Seconds()) * 1000.0);

    // The settling pause: 50 ms, or until the last echo of the rate command (at the sweep's last
    // rate) and of the channel command (at the port's) is back through the chain, whichever ends
    // later, counted from the moment each went out.
    const std::string baud = "BAUD" + std::to_string(portBaud);
    const double rateEchoBack = f.Seconds() + (frameOf(baud) + n) * f.CharSeconds();
    toAll(baud);
    f.SetBaud(portBaud);
    const std::string ochn = "OCHN(RS2,0,N," + std::to_string(portBaud) + ",1,8,C)";
    const double channelEchoBack = f.Seconds() + (frameOf(ochn) + n) * f.CharSeconds();
    toAll(ochn);
    f.SleepMs(std::max(50.0, (std::max(rateEchoBack, channelEchoBack) - f.Seconds()) * 1000.0));
    f.SetEcho(true);
    toAll("ECHO");

    const int echoMs = options.CalTimeouts ? (n * 10000 + 10000) / portBaud + 100 : options.EchoTimeout;
    f.SetTotalTimeoutMs(echoMs + options.ResponseTimeout);
    // With address tracking, as every command of the detection that is not named otherwise: the
    // first WAKE selects everyone (the sweep's commands were untracked), the second finds the
    // selection current and goes without the address byte.
    f.Write("WAKE", 0, true);
    f.Write("WAKE", 0, true);
    for (int a = 1; a <= n; ++a) {
        if (f.Query("RBe", a, true).empty())
            throw std::runtime_error("the floor's motor " + std::to_string(a) + " does not answer");
        ReadVersionFloor(f, a);
    }
    if (!f.Query("RBe", kUnaddressed, true).empty())
        throw std::runtime_error("the floor's chain has an unaddressed motor");
    for (int a = 1; a <= n; ++a)
        f.MotorWrite("SLEEP", a);
    if (!f.Query("RBe", 0, true).empty())
        throw std::runtime_error("the floor's motors do not sleep");
    toAll("WAKE");
    f.Select(0);
    return f.Seconds();
}

Result MeasureDownload(int baud, bool chain, size_t motors)
{
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = baud;
    profile.echo[0] = chain;
    const std::vector<vqxsim::MotorProfile> profiles = vqxsim::MakeProfiles(motors, profile, true);
    // The motors answer inside the PC's writes, each byte handed to the PC's reads at the moment
    // it is whole: a line thread behind a pseudo-terminal would add two of its own wake-ups to
    // every chunk (taking the PC's bytes, handing over the echo), which real wires do not have.
    static int lines = 0;
    const std::string path = "bench-line-" + std::to_string(++lines);
    vqxsim::FakeLineOptions options;
    options.pacing = true;
    options.exactArrival = true;
    auto rig = chain ? vqxsim::FakeLineRig::Chain(profiles, path, options)
                     : vqxsim::FakeLineRig::Bus(profiles, path, options);

    BenchContext bench;
    CCommPort port;
    port.SetContext(&bench.context);
    port.PortName = path;
    port.CommType = chain ? COMM_RS232 : COMM_RS485;
    port.Echo = chain ? 1 : 0;
    port.BitPerSec = port.savedBitPerSec = baud;
    port.SetMaxMotors(static_cast<int>(motors));
    for (size_t i = 0; i < motors; ++i) {
        auto* m = new CMotor;
        m->Address = static_cast<int>(i) + 1;
        m->Version = profile.firmware;
        port.motors.Add(m);
    }
    port.RebuildAddressTable();
    port.OpenPort();

    const std::string image = Image();
    Result r;
    const double cpu = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    port.motors.GetAt(0)->DownloadImage(image, false, transfer::DL_NO_MEMORY_CHECK);
    r.measured = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuShare = (ThreadCpuSeconds() - cpu - rig->SimulatorCpuSeconds()) / r.measured;
    if (!rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); }))
        throw std::runtime_error("the motor's program is not valid");

    LineFloor f({baud, false, chain, kDownloadDelayUs}, profiles);
    r.floor = DownloadFloor(f, image, chain);
    r.target = chain ? 1.05 : 1.03;
    r.note = BytesNote(bench.counter.sent, f.BytesSent());
    return r;
}

Result MeasureDetection(size_t motors, int portBaud, int motorBaud)
{
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = profile.channel[1].baud = motorBaud;
    profile.echo[0] = true;
    const std::vector<vqxsim::MotorProfile> profiles = vqxsim::MakeProfiles(motors, profile, true);
    auto rig = vqxsim::SerialRig::Chain(profiles, Paced());

    BenchContext bench;
    CCommPort port;
    port.SetContext(&bench.context);
    port.PortName = rig->DevicePath();
    port.Name = "Bench";
    port.CommType = COMM_RS232;
    port.BitPerSec = port.savedBitPerSec = portBaud;
    port.SetMaxMotors(static_cast<int>(motors));

    Result r;
    const double cpu = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int result = DetectRS232Chain(port, 0);
    r.measured = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuShare = (ThreadCpuSeconds() - cpu) / r.measured;
    if (result != DETECT_FOUND || port.motors.GetCount() != static_cast<int>(motors)) {
        std::string rates;
        for (size_t i = 0; i < motors; ++i)
            rates += ' ' + std::to_string(rig->WithMotor(i, [](vqxsim::SimMotor& m) {
                return m.Channel(0).baud * (m.Echo(0) ? 1 : -1);
            }));
        throw std::runtime_error("result " + std::to_string(result) + ", " + std::to_string(port.motors.GetCount()) +
                                 " of " + std::to_string(motors) + " motors found; the motors' rates (negative: no echo):" +
                                 rates);
    }

    LineFloor f({portBaud, false, true, kDownloadDelayUs}, profiles);
    r.floor = DetectFloor(f, bench.context.Options(), portBaud);
    r.target = 1.05;
    r.note = BytesNote(bench.counter.sent, f.BytesSent());
    return r;
}

} // namespace

std::vector<Case> LineCases()
{
    std::vector<Case> cases;
    const std::string delay = " (DownloadDelay " + std::to_string(kDownloadDelayUs) + " us)";
    for (int baud : {9600, 38400}) {
        for (size_t motors : {1u, 10u})
            cases.push_back({"download 27999 B, chain of " + std::to_string(motors) + " at " + std::to_string(baud),
                             [=] { return MeasureDownload(baud, true, motors); }});
        cases.push_back({"download 27999 B, bus at " + std::to_string(baud) + delay,
                         [=] { return MeasureDownload(baud, false, 1); }});
    }
    for (size_t motors : {1u, 10u, 30u})
        cases.push_back({"detect chain of " + std::to_string(motors) + " at 9600 (motors at 38400)",
                         [=] { return MeasureDetection(motors, 9600, 38400); }});
    return cases;
}

} // namespace bench
