#pragma once
// Simulated motors that know host mode, on an RS-232 chain or an RS-485 bus at 38400, opened and
// addressed through a client's IVQXComm, with IVQXSynmove of the same host.

#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/motor/HostModeWatch.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

class EngineStream : public EngineClient {
protected:
    // motors on the line, addresses 1..motors.
    void OpenLine(bool chain, int motors, vqxsim::HostModeOptions options = {})
    {
        vqxsim::MotorProfile base;
        base.channel[0].baud = 38400;
        base.echo[0] = chain;
        const auto profiles = vqxsim::MakeProfiles(static_cast<size_t>(motors), base, !chain);
        rig = chain ? vqxsim::SerialRig::Chain(profiles) : vqxsim::SerialRig::Bus(profiles);
        for (int i = 0; i < motors; ++i)
            host.push_back(rig->WithMotor(static_cast<size_t>(i), [&](vqxsim::SimMotor& m) {
                return vqxsim::AttachHostMode(m, options);
            }));
        ASSERT_EQ(comm->put_BaudRate(38400), S_OK);
        ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK) << TakeEngineError().text;
        if (chain) {
            ASSERT_EQ(comm->EstablishChain(), S_OK) << TakeEngineError().text;
            LONG count = 0;
            ASSERT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
            ASSERT_EQ(count, motors);
        } else {
            // The motors boot silent after power-up.
            std::this_thread::sleep_for(std::chrono::milliseconds(2 * vqxsim::MotorKnobs{}.bootMs + 20));
            ASSERT_EQ(comm->InitRS485(motors, 0), S_OK) << TakeEngineError().text;
        }
        // Waits that bound failures on a loaded machine, never successes (set after the addressing,
        // which waits them out where a motor is expected to stay silent).
        ASSERT_EQ(comm->put_EchoTimeoutConst(1000), S_OK);
        ASSERT_EQ(comm->put_Timeout(1000), S_OK);
        ASSERT_EQ(comm->QueryInterface(IID_IVQXSynmove, synmove.outVoid()), S_OK);
    }

    // Runs f on motor index i (0-based) and its host-mode state, with the motor's clock brought to now.
    template <class F>
    decltype(auto) Motor(int i, F&& f)
    {
        return vqxsim::HostModeWatch{rig.get(), host}.Motor(i, std::forward<F>(f));
    }
    // Waits (bounded) until the first n motors have left host mode and stand still.
    bool AllStopped(int n, int timeoutMs = 5000) { return vqxsim::HostModeWatch{rig.get(), host}.AllStopped(n, timeoutMs); }

    void TearDown() override
    {
        synmove.reset();
        EngineClient::TearDown();
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
    std::vector<std::shared_ptr<vqxsim::HostModeMotor>> host;
    ComPtr<IVQXSynmove> synmove;
};
