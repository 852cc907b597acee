#pragma once
// Simulated motors for the engine's client programs, reached through the engine library that the
// test loads from the registry as any client does. "Com1" names the rig's pseudo-terminal in the
// test's registry, so that the programs' port choices work unchanged.

#include "tests/engine/EngineClientFixture.h"

#include "platform/registry/Registry.h"
#include "samples/common/EngineLink.h"
#include "tests/sim/motor/HostMode.h"
#include "tests/sim/motor/Motion.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <functional>
#include <thread>

// Synmove's run needs the engine's IVQXSynmove: an engine library that does not serve it fails
// the test, saying why (a missing interface is a fault, not a reason to skip).
inline bool EngineServesSynmove()
{
    RegisterEngineOnce();
    try {
        vqxclient::CreateEngineHost(true);
        return true;
    } catch (const vqxclient::HostCreationError&) {
        return false;
    }
}
#define REQUIRE_SYNMOVE()                                                                                          \
    if (!EngineServesSynmove())                                                                                    \
    GTEST_FAIL() << "the engine library does not serve IVQXSynmove"

struct ClientRig {
    enum class Kind { Plain, Motion, HostMode };

    ClientRig(int motors, Kind kind, int baud = 9600)
    {
        RegisterEngineOnce();
        vqxsim::MotorProfile base;
        base.echo[0] = true;
        base.channel[0].baud = baud;
        rig = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(size_t(motors), base, true));
        for (int i = 0; i < motors; ++i)
            rig->WithMotor(size_t(i), [&](vqxsim::SimMotor& m) {
                if (kind == Kind::Motion)
                    motion.push_back(vqxsim::AttachMotion(m));
                if (kind == Kind::HostMode)
                    host.push_back(vqxsim::AttachHostMode(m));
                return 0;
            });
        platform::Registry registry;
        registry.SetString(platform::RegHive::CurrentUser, "Software\\Korvessan\\Ports", "Com1", rig->DevicePath());
        // The simulated motors share the machine with whole test suites: the engine's echo
        // time-out (a setting any user may make) leaves room for a late echo.
        registry.SetDword(platform::RegHive::CurrentUser, "Software\\Korvessan\\VQXEngine\\IVQXComm", "EchoTimeoutConst", 1000);
        // The motors are silent while they boot after power-up.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * vqxsim::MotorKnobs{}.bootMs + 20));
    }

    template <class F>
    decltype(auto) Motor(int i, F&& f)
    {
        return rig->WithMotor(size_t(i), [&](vqxsim::SimMotor& m) {
            if (size_t(i) < motion.size())
                motion[size_t(i)]->Advance(m, vqxsim::SimClock::now());
            if (size_t(i) < host.size())
                host[size_t(i)]->Advance(vqxsim::SimClock::now());
            return f(m);
        });
    }
    bool Logged(int i, const std::string& command)
    {
        return Motor(i, [&](vqxsim::SimMotor& m) {
            const auto& log = m.CommandLog();
            return std::find(log.begin(), log.end(), command) != log.end();
        });
    }
    // Waits (bounded: the bound only limits a failure) until the condition holds.
    static bool Eventually(const std::function<bool()>& condition, int timeoutMs = 8000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
    std::vector<std::shared_ptr<vqxsim::MotionMotor>> motion;
    std::vector<std::shared_ptr<vqxsim::HostModeMotor>> host;
};
