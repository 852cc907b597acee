// The engine library against a paced simulated chain of one motor: GetResponseOf round trips per
// second at 38400 baud beside the line's limit, and the download of a 27,999-byte program through
// the engine beside the same download through the program's core. A plain program: it prints.
#include "VQXEngine.h"

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
    auto rig = Rig(false); // the engine addresses it
    vqxcom::ComPtr<IVQXComm> comm;
    LONG addressed = 0;
    if (FAILED(CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXComm, comm.outVoid())) ||
        FAILED(comm->put_BaudRate(kBaud)) || FAILED(comm->OpenPort(vqxcom::Bstr(rig->DevicePath()).get())) ||
        FAILED(comm->put_MaxMotors(1)) || FAILED(comm->EstablishChain()) ||
        FAILED(comm->AddressMotorChain(&addressed)) || addressed != 1) {
        std::printf("engine: cannot open the simulated chain: %s\n", vqxcom::TakeErrorInfo().description.c_str());
        return 1;
    }
    // A round trip moves "RP" CR out (echoed byte for byte) and about "0" CR back.
    const double charSeconds = 10.0 / kBaud;
    const int trips = 200;
    vqxcom::Bstr reply;
    const auto start = Clock::now();
    int ok = 0;
    for (int i = 0; i < trips; ++i)
        ok += comm->GetResponseOf(vqxcom::Bstr("1RP").get(), reply.out()) == S_OK;
    const double elapsed = Seconds(start);
    const double limit = 1.0 / ((4 + 4 + 2) * charSeconds);
    std::printf("engine GetResponseOf at %d baud: %.0f round trips/s (%d of %d answered); line limit %.0f/s, ratio %.2f\n",
                kBaud, ok / elapsed, ok, trips, limit, (ok / elapsed) / limit);

    const std::string image = Image();
    vqxcom::ComPtr<IVQXMotor> motor;
    LONG result = 0;
    auto t = Clock::now();
    const bool engineOk = SUCCEEDED(comm->GetMotor(1, motor.out())) &&
                          SUCCEEDED(motor->DownloadProgramStr(vqxcom::Bstr(image).get(), VQX_DL_NO_PROGRAM_CHECK, &result)) &&
                          result == 1;
    const double engineSeconds = Seconds(t);
    if (!engineOk)
        std::printf("engine download: %s\n", vqxcom::TakeErrorInfo().description.c_str());
    const bool engineValid = rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); });
    motor.reset();
    comm.reset();

    auto coreRig = Rig(true);
    ui::COperationContext context;
    context.Options().DownloadDelay = 0;
    CCommPort port;
    port.SetContext(&context);
    port.PortName = coreRig->DevicePath();
    port.BitPerSec = kBaud;
    port.SetMaxMotors(1);
    auto* coreMotor = new CMotor;
    coreMotor->Address = 1;
    coreMotor->Version = "450";
    port.motors.Add(coreMotor);
    port.RebuildAddressTable();
    port.OpenPort();
    t = Clock::now();
    coreMotor->DownloadImage(image, false, transfer::DL_NO_MEMORY_CHECK);
    const double coreSeconds = Seconds(t);
    const bool coreValid = coreRig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Program().Valid(); });
    const double lineLimit = 2.0 * double(image.size() + 3) * charSeconds;
    std::printf("download of %zu bytes at %d baud: engine %.2f s%s, core %.2f s%s; limit (image + echoes) %.2f s\n",
                image.size(), kBaud, engineSeconds, engineOk && engineValid ? "" : " (FAILED)", coreSeconds,
                coreValid ? "" : " (FAILED)", lineLimit);
    return 0;
}
