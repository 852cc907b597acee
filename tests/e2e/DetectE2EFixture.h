#pragma once
// A port on the in-process serial line with simulated motors behind it, on a hand-driven clock,
// with headless dialogs: detection end to end without waiting on the wall clock.

#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/port/FakePort.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class DetectSerialE2E : public ::testing::Test, protected HeadlessDetectServices {
protected:
    static std::string NextName()
    {
        static int n = 0;
        return "detect-e2e-" + std::to_string(++n);
    }

    void Attach(std::unique_ptr<vqxsim::FakeLineRig> r, const std::string& name, uint8_t type, int baud)
    {
        rig = std::move(r);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, name, "Line", 1, type, baud);
    }
    void Chain(const std::vector<vqxsim::MotorProfile>& profiles, int portBaud,
               vqxsim::FakeLineOptions options = {})
    {
        const std::string name = NextName();
        Attach(vqxsim::FakeLineRig::Chain(profiles, name, options), name, COMM_RS232, portBaud);
    }
    void Bus(const std::vector<vqxsim::MotorProfile>& profiles, int portBaud,
             vqxsim::FakeLineOptions options = {})
    {
        const std::string name = NextName();
        Attach(vqxsim::FakeLineRig::Bus(profiles, name, options), name, COMM_RS485, portBaud);
    }

    template <class F>
    decltype(auto) Sim(size_t i, F&& f)
    {
        return rig->WithMotor(i, std::forward<F>(f));
    }
    int SimAddress(size_t i) { return Sim(i, [](vqxsim::SimMotor& m) { return m.Address(); }); }
    bool AnyAsleep()
    {
        for (size_t i = 0; i < rig->Count(); ++i)
            if (Sim(i, [](vqxsim::SimMotor& m) { return m.Asleep(0) || m.Asleep(1); }))
                return true;
        return false;
    }
    CMotor* Listed(int i) const { return port->motors.GetAt(i); }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
};

inline vqxsim::MotorProfile ProfileAt(int baud, const char* firmware = "450", uint32_t serial = ('T' << 24) | 500)
{
    vqxsim::MotorProfile p;
    p.firmware = firmware;
    p.serial = serial;
    p.channel[0].baud = baud;
    p.channel[1].baud = baud;
    return p;
}
