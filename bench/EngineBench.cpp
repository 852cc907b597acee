// The engine library against a paced simulated chain of one motor at 38400 bit/s behind a pseudo-
// terminal (a plain program: it prints), each case against its floor (bench/LineFloor.h: the line
// time of the commands and replies the case must send and take, listed here whatever was sent,
// answered by copies of the motor as it is):
//  1. GetResponseOf round trips ("1RP": the address byte, the query, its echo and the reply);
//  2. the download of a 27,999-byte program string through the engine: its servoing check, the
//     motor isolated, END, LOAD, the image and its terminator, the checksum, WAKE and the program's
//     record in the factory block;
//  3. the same download through the program's core beside it (with the core's program-memory
//     probe skipped and its echo set-up).
// A case that meets an error fails with the error's text and the others still run; a case faster
// than its floor fails (the floor is wrong). The exit status tells whether every case held.
#include "VQXEngine.h"

#include "bench/ChainPort.h"
#include "bench/FloorCheck.h"
#include "bench/LineFloor.h"
#include "bench/SentCounter.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/OperationContext.h"
#include "tests/common/TempFolder.h"
#include "tests/engine/CompiledImage.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kImageSize = 27999;
constexpr int kBaud = 38400;

std::string Image()
{
    const size_t header = CompiledImage("").size();
    std::string body;
    for (int i = 0; body.size() + header + 16 < kImageSize; ++i)
        body += "a=a+" + std::to_string(i % 1000) + "\n";
    body += std::string(kImageSize - header - body.size() - 4, ' ');
    body += "END\n";
    return CompiledImage(body);
}

std::unique_ptr<vqxsim::SerialRig> Rig(bool addressed)
{
    vqxsim::MotorProfile profile;
    profile.channel[0].baud = kBaud;
    profile.echo[0] = true;
    vqxsim::SerialOptions options;
    options.pacing = true;
    return vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(1, profile, addressed), options);
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A failed engine call: its error information as the case's error.
void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + ": " + vqxcom::TakeErrorInfo().description);
}

bench::LineShape Line() { return {kBaud, false, true, 0}; }

bool Verdict(const char* what, double measured, double floor, const std::string& note = {})
{
    std::printf("%s: %.3f s, floor %.3f s, ratio %.3f%s%s\n", what, measured, floor, measured / floor,
                note.empty() ? "" : "; ", note.c_str());
    std::fflush(stdout);
    return bench::HoldsFloor(what, measured / floor);
}

} // namespace

int main()
{
    TempFolder registry;
    setenv("VQX_REGISTRY_DIR", registry.Path().c_str(), 1);
    const std::string command = "VQX_REGISTRY_DIR='" + registry.Path() + "' '" VQX_REGSVR "' '" VQX_ENGINE_LIBRARY "' > /dev/null";
    if (std::system(command.c_str()) != 0) {
        std::printf("engine: cannot register the library\n");
        return 1;
    }
    const std::string image = Image();
    bool held = true;

    auto rig = Rig(false); // the engine addresses it
    vqxcom::ComPtr<IVQXComm> comm;
    const bool open = bench::RunCase("engine chain", [&] {
        Check(CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXComm, comm.outVoid()), "host");
        Check(comm->OpenPort(vqxcom::Bstr(rig->DevicePath()).get()), "OpenPort");
        Check(comm->put_MaxMotors(1), "MaxMotors");
        // The chain comes up at the port's saved rate; the rate asked for follows once it is up.
        Check(comm->EstablishChain(), "EstablishChain");
        LONG addressed = 0;
        Check(comm->AddressMotorChain(&addressed), "AddressMotorChain");
        if (addressed != 1)
            throw std::runtime_error("the chain was addressed with " + std::to_string(addressed) + " motors");
        Check(comm->put_BaudRate(kBaud), "BaudRate");
        LONG baud = 0;
        Check(comm->get_BaudRate(&baud), "BaudRate");
        if (baud != kBaud)
            throw std::runtime_error("the port runs at " + std::to_string(baud));
        return true;
    });
    held &= open;

    if (open) {
        held &= bench::RunCase("engine GetResponseOf", [&] {
            // The address in the command always goes out as its byte; CR ends the query.
            constexpr int kTrips = 200;
            bench::LineFloor f(Line(), bench::MotorsNow(*rig));
            f.SetTotalTimeoutMs(400);
            for (int i = 0; i < kTrips; ++i)
                if (f.Query("RP", 1, false).empty())
                    throw std::runtime_error("the floor's motor does not answer RP");
            vqxcom::Bstr reply;
            const auto start = Clock::now();
            for (int i = 0; i < kTrips; ++i)
                Check(comm->GetResponseOf(vqxcom::Bstr("1RP").get(), reply.out()), "GetResponseOf");
            const double elapsed = Seconds(start);
            std::printf("engine GetResponseOf at %d bit/s: %.0f round trips/s, the line's limit %.0f/s\n", kBaud,
                        kTrips / elapsed, kTrips / f.Seconds());
            return Verdict("engine GetResponseOf, 200 round trips", elapsed, f.Seconds());
        });

        held &= bench::RunCase("engine download", [&] {
            vqxcom::ComPtr<IVQXMotor> motor;
            Check(comm->GetMotor(1, motor.out()), "GetMotor");
            // The last GetResponseOf left motor 1 selected on the wire.
            bench::LineFloor f(Line(), bench::MotorsNow(*rig));
            f.SetTotalTimeoutMs(400);
            f.Selected(1);
            LONG result = 0;
            const std::time_t when = std::time(nullptr);
            const auto start = Clock::now();
            Check(motor->DownloadProgramStr(vqxcom::Bstr(image).get(), VQX_DL_NO_PROGRAM_CHECK, &result),
                  "DownloadProgramStr");
            const double seconds = Seconds(start);
            if (result != 1)
                throw std::runtime_error("the download reported " + std::to_string(result));
            if (!rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); }))
                throw std::runtime_error("the motor's program is not valid");
            f.MotorQuery("RBo", 1);
            f.Write("SLEEP", 0, false);
            f.MotorWrite("WAKE", 1);
            f.MotorWrite("END", 1);
            f.MotorWrite("LOAD", 1);
            f.Raw(image);
            f.Raw("\xFF\xFF ");
            if (f.MotorQuery("RCKS", 1).size() != 15)
                throw std::runtime_error("the floor's motor gave no checksum");
            f.Write("WAKE", 0, false);
            bench::ProgramInfoFloor(f, 1, bench::ProgramRecord("ProgStr", when, uint32_t(image.size())), true);
            return Verdict("engine download of 27999 bytes", seconds, f.Seconds());
        });
    }
    comm.reset();

    auto coreRig = Rig(true);
    held &= bench::RunCase("core download", [&] {
        bench::SentCounter sent;
        ui::COperationContext context;
        context.Options().DownloadDelay = 0;
        context.SetTrafficLog(&sent);
        CCommPort port;
        SetUpChainPort(port, context, coreRig->DevicePath(), kBaud, 1);
        CMotor& motor = AddBenchMotor(port, 1);
        port.OpenPort();
        bench::LineFloor f(Line(), bench::MotorsNow(*coreRig));
        f.SetTotalTimeoutMs(port.totalTimeout);
        const auto start = Clock::now();
        motor.DownloadImage(image, false, transfer::DL_NO_MEMORY_CHECK);
        const double seconds = Seconds(start);
        if (!coreRig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); }))
            throw std::runtime_error("the motor's program is not valid");
        bench::DownloadFloor(f, image, true);
        return Verdict("core download of 27999 bytes", seconds, f.Seconds(), bench::BytesNote(sent.sent, f.BytesSent()));
    });
    return held ? 0 : 1;
}
