#pragma once
// Program transfers against simulated motors: a port with its motors defined, the user interface
// played by a headless operation context, remembered answers in a profile of the test's own, and the END
// program compiled with the shipped language file.

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/transfer/EndProgram.h"
#include "scanner/Scanner.h"
#include "tests/core/motor/FakeModels.h"
#include "tests/common/CodeOf.h"
#include "tests/common/HeadlessContext.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/sim/wiring/SerialRig.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace transfertest {

inline std::optional<std::string> CompileText(const std::string& source, const std::string& version)
{
    CScanner scanner;
    scanner.Scan(source, version);
    if (scanner.Errors().GetErrorCount() != 0)
        return std::nullopt;
    return scanner.CompiledImage();
}

using ::CodeOf;

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream(path, std::ios::binary) << data;
}

// A program with loops and conditions, so that the motor's text form differs from the image.
inline const char* kSampleProgram = "a=0\n"
                                    "WHILE a<10\n"
                                    "  a=a+1\n"
                                    "LOOP\n"
                                    "GOSUB5\n"
                                    "END\n"
                                    "C5\n"
                                    "  b=1\n"
                                    "RETURN\n";

// A program whose text form the compiler reads back as it is.
inline const char* kBackupProgram = "a=0\n"
                                    "C1\n"
                                    "a=a+1\n"
                                    "GOSUB5\n"
                                    "GOTO1\n"
                                    "END\n"
                                    "C5\n"
                                    "b=a*2\n"
                                    "RETURN\n";

// Every flow structure the compiler writes as a coded record: the motor keeps them as keywords.
inline const char* kFlowProgram = "a=0\n"
                                  "b=0\n"
                                  "WHILE a<6\n"
                                  "  IF a==1\n"
                                  "    b=b+1\n"
                                  "  ELSEIF a>4\n"
                                  "    b=b+2\n"
                                  "  ELSE\n"
                                  "    b=b+3\n"
                                  "  ENDIF\n"
                                  "  SWITCH a\n"
                                  "    CASE 2\n"
                                  "      c=1\n"
                                  "      BREAK\n"
                                  "    CASE -3\n"
                                  "      c=2\n"
                                  "      BREAK\n"
                                  "    DEFAULT\n"
                                  "      c=3\n"
                                  "  ENDS\n"
                                  "  a=a+1\n"
                                  "LOOP\n"
                                  "END\n";

// A headless operation context with its own settings and the compiler for the END program, and
// the test's own profile.
struct Services : HeadlessContext {
    TestProfile profile;
    TempFolder folder;
    CFakeModels models{StandardModels()};

    // Timeouts with room for a machine loaded by parallel builds and tests: the simulated motors
    // answer at once, so only the tests that wait for silence pay for them (and set their own).
    Services()
    {
        COptions& o = context.Options();
        o.DownloadDelay = 0;
        o.CalTimeouts = false;
        o.EchoTimeout = 300;
        o.ResponseTimeout = 1000;
        context.SetProgramCompiler(CompileText);
    }

    // Compiles a source for a language version into a file; returns its path.
    std::string Compile(const std::string& source, const std::string& version, const std::string& name = "prog.tqx")
    {
        const auto image = CompileText(source, version);
        if (!image)
            return {};
        const std::string path = folder.File(name);
        WriteFile(path, *image);
        return path;
    }
};

// A port with motors at addresses 1..n and the simulated motors behind it.
struct MotorsUnderTest : Services {
    MotorsUnderTest() { port.SetContext(&context); }
    virtual ~MotorsUnderTest() = default;
    virtual size_t Count() = 0;
    // Runs f on the simulated motor at an address under its rig's lock.
    virtual void WithSim(int address, const std::function<void(vqxsim::SimMotor&)>& f) = 0;

    template <class F>
    auto Sim(int address, F&& f)
    {
        std::optional<decltype(f(std::declval<vqxsim::SimMotor&>()))> result;
        WithSim(address, [&](vqxsim::SimMotor& m) { result = f(m); });
        return *result;
    }
    CMotor& Motor(int address) { return *port.GetMotor(address); }
    bool AnyAsleep()
    {
        for (size_t i = 1; i <= Count(); ++i)
            if (Sim(static_cast<int>(i), [](vqxsim::SimMotor& m) { return m.Asleep(0) || m.Asleep(1); }))
                return true;
        return false;
    }
    std::string Body(int address)
    {
        return Sim(address, [](vqxsim::SimMotor& m) { return m.Program().Valid() ? m.Program().Body() : "<invalid>"; });
    }
    void AddMotors(size_t n)
    {
        port.SetMaxMotors(static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            auto* m = new CMotor;
            m->Address = static_cast<int>(i) + 1;
            m->Name = "Motor " + std::to_string(i + 1);
            port.motors.Add(m);
        }
        port.RebuildAddressTable();
    }

    CCommPort port;
};

// Motors on an RS-232 chain (echo on) or an RS-485 bus (no echo).
struct SerialMotors : MotorsUnderTest {
    SerialMotors(bool chain, std::vector<vqxsim::MotorProfile> profiles, vqxsim::SerialOptions options = {},
                 int baud = 9600)
    {
        for (auto& p : profiles) {
            p.echo[0] = chain;
            p.channel[0].baud = baud;
        }
        rig = chain ? vqxsim::SerialRig::Chain(profiles, options) : vqxsim::SerialRig::Bus(profiles, options);
        port.PortName = rig->DevicePath();
        port.CommType = chain ? COMM_RS232 : COMM_RS485;
        port.Echo = chain ? 1 : 0;
        port.BitPerSec = baud;
        AddMotors(profiles.size());
        port.OpenPort();
    }
    size_t Count() override { return rig->Count(); }
    void WithSim(int address, const std::function<void(vqxsim::SimMotor&)>& f) override
    {
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) { f(m); });
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
};

inline std::vector<vqxsim::MotorProfile> Profiles(size_t n, const char* firmware = "450")
{
    vqxsim::MotorProfile base;
    base.firmware = firmware;
    return vqxsim::MakeProfiles(n, base, true);
}

} // namespace transfertest
