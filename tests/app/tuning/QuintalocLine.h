#pragma once
// A Quintaloc ("462", model QL5720-A1, address 1) on a simulated line and a clock the test drives,
// with its calibration block, a port in a headless context, the motor record the tools get, and a
// profile holding the QL5720 size: what the calibration tools' tests start from.

#include "app/tuning/CalibrationData.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "platform/registry/Profile.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace caltest {

using namespace tuning;
using namespace std::chrono;

// Size data a tool cannot work with: none at all (a tool refuses to open), or an entry that gives
// no percentages (the tool opens, the user must choose another size).
struct UnusableSizes {
    const char* what;
    std::vector<std::string> sizes;
    int count;
    bool anEntry; // an entry is there, only not usable
};
inline const std::vector<UnusableSizes>& UnusableSizeData()
{
    static const std::vector<UnusableSizes> cases = {
        {"no sizes", {}, 0, false},
        {"a hostile count", {"QL5720,35,350,2,100,600,700,1000"}, 0, false},
        {"ST11 max 0", {"QL5720,35,350,2,100,600,700,0"}, 1, true},
    };
    return cases;
}

// Power 650 of 1000, user value 700, calibration value 96.
inline CalibrationBlock GoodBlock()
{
    CalibrationBlock b{};
    SetBlockWord(b, kBlockPower, 650);
    SetBlockWord(b, kBlockUser, 700);
    b[kBlockValue] = 96;
    Resum(b);
    return b;
}

class QuintalocOnTheLine : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void SetUp() override
    {
        vqxsim::MotorProfile p;
        p.firmware = "462";
        p.model = "QL5720-A1";
        p.echo[0] = true;
        static int n = 0;
        const std::string line = "quintaloc-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(1, p, true), line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(seconds(2));
        SetBlock(GoodBlock());
        motor = std::make_unique<CMotor>();
        motor->Address = 1;
        motor->Name = "Motor1-Line";
        motor->Model = "QL5720-A1";
        motor->SetPort(port.get());
        WriteSizes({"QL5720,35,350,2,100,600,700,1000"});
        ASSERT_TRUE(port->OpenPort());
    }
    void WriteSizes(const std::vector<std::string>& entries, int count = -1)
    {
        platform::Profile profile(&settings.Registry());
        profile.WriteInt(kFactoryCalSection, "NoOfSizes", count < 0 ? static_cast<int>(entries.size()) : count);
        for (size_t i = 0; i < entries.size(); ++i)
            profile.WriteString(kFactoryCalSection, "Size0" + std::to_string(i), entries[i]);
    }
    // The profile holds only the sizes of `c`.
    void UseSizes(const UnusableSizes& c)
    {
        profile.DeleteSection(kFactoryCalSection);
        WriteSizes(c.sizes, c.count);
    }
    void SetBlock(const CalibrationBlock& b)
    {
        rig->WithMotor(0, [&](vqxsim::SimMotor& m) {
            std::copy(b.begin(), b.end(), m.Eeprom().begin() + kCalibrationBlockAddress);
            m.Eeprom()[kCalibrationFlagAddress] = 1;
            m.knobs.calibration.durationMs = 400;
            return 0;
        });
    }
    CalibrationBlock Block()
    {
        return rig->WithMotor(0, [](vqxsim::SimMotor& m) {
            CalibrationBlock b{};
            std::copy_n(m.Eeprom().begin() + kCalibrationBlockAddress, b.size(), b.begin());
            return b;
        });
    }
    size_t Commands() { return rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.CommandLog().size(); }); }

    TestProfile settings;
    platform::Profile profile{&settings.Registry()};
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    std::unique_ptr<CMotor> motor;
};

} // namespace caltest
