// Download and chain detection against simulated motors on lines timed like real wires (the
// downloads on the in-process line, detection behind a pseudo-terminal, through the rate changes
// of the sweep), each set against the least time the protocol allows (LineFloor.h).
#include "bench/LineCases.h"

#include "bench/LineFloor.h"
#include "core/analyzer/TrafficLog.h"
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

std::string Printable(const uint8_t* bytes, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += bytes[i] >= 0x20 && bytes[i] < 0x7F ? std::string(1, char(bytes[i])) : '<' + std::to_string(bytes[i]) + '>';
    return s;
}

// Counts what the host put on the line.
class SentCounter : public ITrafficLog {
public:
    size_t sent = 0;
    void LogData(int, uint32_t flags, const uint8_t* bytes, size_t count) override
    {
        if (flags & SDA_SENT) {
            sent += count;
            if (std::getenv("VQX_BENCH_TRACE") && count < 8)
                std::fprintf(stderr, "host %s\n", Printable(bytes, count).c_str());
        }
    }
    void LogText(int, const char*, size_t) override {}
    void SetPageFlags(int, uint32_t, bool) override {}
};

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

std::string BytesNote(size_t host, size_t floor)
{
    if (host == floor)
        return {};
    return "the host sent " + std::to_string(host) + " bytes where the protocol sends " + std::to_string(floor);
}

// "To all" is address 0: its byte 0x80 goes out with every untracked command, and with a tracked
// one only when the wire's selection is stale.
//
// Detection of an addressed chain of n motors listening at another rate than the port's: the
// rate sweep (as many rounds as it takes the first WAKE's echo at 2400 to come back before the
// host looks for it, else MaxMotors rounds), the port's rate and echo, the probe of every address
// with the identity of each motor found, the probe of the unaddressed motor, the sleep of every
// motor and the broadcast probe, WAKE and the selection of address 0.
double DetectFloor(LineFloor& f, const COptions& options, int portBaud)
{
    const int n = static_cast<int>(f.Motors());
    f.SetEcho(false);
    int rate = portBaud;
    auto toAll = [&](const std::string& text) { f.Write(text, 0, false); };
    f.SetBaud(2400);
    const bool tokenInTime = double(6 + n) * f.CharSeconds() <= 3 * f.PauseSeconds(6);
    for (int attempt = 0; attempt < (tokenInTime ? 1 : n); ++attempt) {
        for (int r : kSweep) {
            f.SetBaud(rate);
            toAll("WAKE");
            toAll("WAKE");
            toAll("BAUD" + std::to_string(r));
            rate = r;
        }
        f.SetBaud(rate);
        toAll("WAKE");
        toAll("WAKE");
        toAll("ECHO");
    }
    toAll("BAUD" + std::to_string(portBaud));
    f.SetBaud(portBaud);
    toAll("OCHN(RS2,0,N," + std::to_string(portBaud) + ",1,8,C)");
    // The settling pause: 50 ms, or as long as the echo of the rate commands takes to come back
    // through the chain (a character time per motor at the sweep's last rate and at the port's).
    f.SleepMs(std::max(50.0, std::ceil(n * 10000.0 / 2400) + std::ceil(n * 10000.0 / portBaud)));
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
