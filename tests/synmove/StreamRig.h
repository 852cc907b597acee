#pragma once
// Simulated motors that know host mode, on an RS-232 chain (echo on) or an RS-485 bus behind a
// pseudo-terminal, and a port that reaches them with carriage-return commands, as the engine's does.

#include "core/motor/Motor.h"
#include "tests/common/CodeOf.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/OperationContext.h"
#include "core/VQXException.h"
#include "engine/synmove/SynmoveEngine.h"
#include "tests/sim/motor/HostModeWatch.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace streamtest {

// As the engine's port: commands end with a carriage return.
class CarriageReturnPolicy : public CPortPolicy {
public:
    char Terminator() const override { return '\r'; }
};

struct StreamRig {
    // motors: how many the line holds (addresses 1..motors); firmware of each (cycled).
    StreamRig(bool chain, int motors, std::vector<std::string> firmware = {"450"}, int baud = 38400,
              vqxsim::HostModeOptions options = {}, std::vector<int> figures = {24576},
              vqxsim::SerialOptions line = {})
    {
        std::vector<vqxsim::MotorProfile> profiles;
        for (int i = 0; i < motors; ++i) {
            vqxsim::MotorProfile p;
            p.firmware = firmware[static_cast<size_t>(i) % firmware.size()];
            p.sampleFigure = figures[static_cast<size_t>(i) % figures.size()];
            p.channel[0].baud = baud;
            p.echo[0] = chain;
            p.serial += static_cast<uint32_t>(i);
            p.address = i + 1;
            profiles.push_back(p);
        }
        rig = chain ? vqxsim::SerialRig::Chain(profiles, line) : vqxsim::SerialRig::Bus(profiles, line);
        for (int i = 0; i < motors; ++i)
            host.push_back(rig->WithMotor(static_cast<size_t>(i), [&](vqxsim::SimMotor& m) {
                return vqxsim::AttachHostMode(m, options);
            }));
        // As the engine's port, every echo is checked strictly; the waits are long enough for a
        // machine under heavy load (they bound failures, never successes).
        context.Options().EchoErrors = true;
        context.Options().CalTimeouts = false;
        context.Options().EchoTimeout = 1000;
        context.Options().ResponseTimeout = 1000;
        port.SetContext(&context);
        port.SetPolicy(&policy);
        port.PortName = rig->DevicePath();
        port.CommType = chain ? COMM_RS232 : COMM_RS485;
        port.Echo = chain ? 1 : 0;
        port.BitPerSec = baud;
        for (int i = 1; i <= motors; ++i) {
            auto* m = new CMotor;
            m->Address = i;
            port.motors.Add(m);
        }
        port.RebuildAddressTable();
        port.CalcTimeouts(motors);
        port.OpenPort();
        // The motors are silent while they boot after power-up.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * vqxsim::MotorKnobs{}.bootMs + 20));
    }
    ~StreamRig() { port.ClosePort(); }

    // Runs f on motor index i (0-based) and its host-mode state, with the motor's clock brought to now.
    template <class F>
    decltype(auto) Motor(int i, F&& f)
    {
        return Watch().Motor(i, std::forward<F>(f));
    }
    // Waits (bounded) until every motor of the first n has left host mode and stands still.
    bool AllStopped(int n, int timeoutMs = 4000) { return Watch().AllStopped(n, timeoutMs); }
    vqxsim::HostModeWatch<vqxsim::SerialRig> Watch() { return {rig.get(), host}; }

    CarriageReturnPolicy policy;
    ui::COperationContext context;
    std::unique_ptr<vqxsim::SerialRig> rig;
    std::vector<std::shared_ptr<vqxsim::HostModeMotor>> host;
    CCommPort port;
};


} // namespace streamtest
