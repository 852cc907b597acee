#pragma once
// A port on the in-process serial line with simulated motors behind it, on a hand-driven clock,
// with headless dialogs: detection end to end without waiting on the wall clock.

#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/ui/Services.h"
#include "platform/clock/Clock.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class DetectE2EPolicy : public CPortPolicy {
public:
    COptions options;
    const COptions& Settings() const override { return options; }
    ITrafficLog* Analyzer() const override { return nullptr; }
};

class DetectSerialE2E : public ::testing::Test {
protected:
    static std::string NextName()
    {
        static int n = 0;
        return "detect-e2e-" + std::to_string(++n);
    }

    void Attach(std::unique_ptr<vqxsim::FakeLineRig> r, const std::string& name, uint8_t type, int baud)
    {
        rig = std::move(r);
        policy.options.ResponseTimeout = 60;
        port = std::make_unique<CCommPort>();
        port->SetPolicy(&policy);
        port->PortName = name;
        port->Name = "Line";
        port->id = 1;
        port->CommType = type;
        port->BitPerSec = port->savedBitPerSec = baud;
        port->Echo = type == COMM_RS232 ? 1 : 0;
        port->CalcTimeouts(port->MaxMotors);
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
    ui::CHeadlessQuestions questions;
    ui::CHeadlessProgress progress{&questions};
    ui::CHeadlessInfoView info;
    ui::ScopedServices services{&progress, &questions, &info};
    DetectE2EPolicy policy;
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
};

#define EXPECT_VQX_CODE_E2E(statement, code)                                                            \
    do {                                                                                               \
        try {                                                                                          \
            statement;                                                                                 \
            ADD_FAILURE() << "no exception, expected " << (code);                                      \
        } catch (const CVQXException& e) {                                                             \
            EXPECT_EQ(e.GetCode(), (code)) << e.GetMessage();                                          \
        }                                                                                              \
    } while (0)

inline vqxsim::MotorProfile ProfileAt(int baud, const char* firmware = "450", uint32_t serial = ('T' << 24) | 500)
{
    vqxsim::MotorProfile p;
    p.firmware = firmware;
    p.serial = serial;
    p.channel[0].baud = baud;
    p.channel[1].baud = baud;
    return p;
}
