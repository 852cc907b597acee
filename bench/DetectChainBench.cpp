// How long detecting an RS-232 chain takes, against the least its own waits allow.
//
// The simulated motors sit behind a pseudo-terminal and send every byte at the line rate, so the
// time measured is the time the line would take. The minimum is the transmit time of every byte
// the computer sent and received plus the waits the protocol cannot skip: the echo of each chunk
// and each reply passing every motor (a character time each), the silences it must sit out (each
// a whole time-out) and the settling pause after the rate change.

#include "core/detect/DetectionFrame.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/RS232Chain.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "tests/sim/wiring/SerialRig.h"
#include "bench/ChainPort.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

// Counts the bytes the computer put on the line.
class SentCounter : public ITrafficLog {
public:
    size_t sent = 0;
    size_t chunks = 0;
    size_t received = 0;
    void LogData(int, uint32_t flags, const uint8_t*, size_t count) override
    {
        if (flags & SDA_SENT) {
            sent += count;
            ++chunks;
        } else if (flags == SDA_LOG_RECEIVED) {
            received += count;
        }
    }
    void LogText(int, const char*, size_t) override {}
    void SetPageFlags(int, uint32_t, bool) override {}
};


struct Run {
    double lineMs = 0;
    double minimumMs = 0;
    int result = 0;
    int found = 0;
};

double TransmitMs(size_t bytes, int baud) { return double(bytes) * 10.0 * 1000.0 / baud; }

Run Measure(size_t motors, int baud, bool address)
{
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = profile.channel[1].baud = baud;
    profile.echo[0] = true; // a chain that was set up before: every motor passes characters on
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(motors, profile, !address), options);

    SentCounter counter;
    ui::COperationContext context;
    context.Options().ResponseTimeout = 100;
    context.SetTrafficLog(&counter);
    CCommPort port;
    SetUpChainPort(port, context, rig->DevicePath(), baud, static_cast<int>(motors));

    Run run;
    const auto start = std::chrono::steady_clock::now();
    run.result = address ? AddressServos(port, 0) : DetectRS232Chain(port, 0);
    run.lineMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.found = port.motors.GetCount();

    // The protocol's own floor.
    const size_t written = counter.sent;
    const double total = port.totalTimeout;
    const double echo = port.echoTimeout;
    double silences = 0;
    if (address)
        silences = double(motors - 1) * echo; // every motor but the last is found by a missing echo
    else
        silences = 2 * total; // the unaddressed-motor probe and the broadcast probe after sleeping
    // Each chunk's echo, and each reply, passes every motor of the chain one character time later.
    const double chainDelay = double(counter.chunks) * TransmitMs(motors, baud);
    run.minimumMs = TransmitMs(written + counter.received, baud) + chainDelay + silences + 50.0;
    return run;
}

} // namespace

int main()
{
    std::printf("%-16s %7s %6s %6s %12s %12s\n", "operation", "motors", "baud", "found", "measured ms", "minimum ms");
    // Chains at the port's rate with their echo on, as after an earlier set-up; AddressServos can
    // be measured the same way (Measure(n, baud, true)).
    const int baud = 9600;
    for (size_t motors : {1u, 10u, 30u}) {
        const Run r = Measure(motors, baud, false);
        std::printf("%-16s %7zu %6d %6d %12.1f %12.1f%s\n", "DetectRS232Chain", motors, baud, r.found, r.lineMs,
                    r.minimumMs, r.result == DETECT_FOUND ? "" : ("  (result " + std::to_string(r.result) + ")").c_str());
        std::fflush(stdout);
    }
    return 0;
}
