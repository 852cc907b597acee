// Download time of a 27,999-byte program into a simulated motor that runs at the line rate, at
// 9600 and 38400 baud, on an RS-232 chain (every byte echoed) and an RS-485 bus (no echo). The
// time is set against the line-time limit of the bytes the protocol must move: the image and its
// terminator, plus on the chain their echoes, counted as if each chunk's echo came back only after
// the whole chunk went out. The ratio against the image's own line time is printed too, since the
// echo of a byte overlaps the sending of the next.
#include <benchmark/benchmark.h>

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t kImageSize = 27999;

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

void Download(benchmark::State& state)
{
    const int baud = static_cast<int>(state.range(0));
    const bool chain = state.range(1) != 0;
    vqxsim::MotorProfile profile;
    profile.firmware = "450";
    profile.channel[0].baud = baud;
    profile.echo[0] = chain;
    vqxsim::SerialOptions options;
    options.pacing = true;
    auto rig = chain ? vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(1, profile, true), options)
                     : vqxsim::SerialRig::Bus(vqxsim::MakeProfiles(1, profile, true), options);
    ui::COperationContext context;
    context.Options().DownloadDelay = 0;
    CCommPort port;
    port.SetContext(&context);
    port.PortName = rig->DevicePath();
    port.CommType = chain ? COMM_RS232 : COMM_RS485;
    port.Echo = chain ? 1 : 0;
    port.BitPerSec = baud;
    port.SetMaxMotors(1);
    auto* motor = new CMotor;
    motor->Address = 1;
    motor->Version = "450";
    port.motors.Add(motor);
    port.RebuildAddressTable();
    port.OpenPort();

    const std::string image = Image();
    const double byteSeconds = 10.0 / baud;
    const double oneWay = static_cast<double>(image.size() + 3) * byteSeconds;
    const double limit = oneWay * (chain ? 2.0 : 1.0);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        motor->DownloadImage(image, false, transfer::DL_NO_MEMORY_CHECK);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
    }
    const bool valid = rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); });
    state.counters["limit_s"] = limit;
    state.counters["ratio"] = seconds / limit;
    std::printf("%s %5d baud: %zu bytes in %.2f s; limit (image%s) %.2f s, ratio %.2f; image alone %.2f s, "
                "ratio %.2f%s\n",
                chain ? "RS-232 chain" : "RS-485 bus  ", baud, image.size(), seconds, chain ? " + echoes" : "", limit,
                seconds / limit, oneWay, seconds / oneWay, valid ? "" : " (program NOT valid)");
}

} // namespace

BENCHMARK(Download)
    ->Args({9600, 1})
    ->Args({38400, 1})
    ->Args({9600, 0})
    ->Args({38400, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
