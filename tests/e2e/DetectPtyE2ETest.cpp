// Detection through a pseudo-terminal with the simulated motors on their own thread, in real
// time: the line reopened at new rates while the motors keep listening. (A bus walks 96 addresses
// whatever it holds, so it is shown on the in-process line instead.)

#include "core/detect/RS232Chain.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/sim/wiring/SerialRig.h"

#include <gtest/gtest.h>

namespace {

class DetectPtyE2E : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void Use(std::unique_ptr<vqxsim::SerialRig> r, uint8_t type, int baud)
    {
        rig = std::move(r);
        COptions& o = context.Options();
        o.CalTimeouts = false;
        o.EchoTimeout = 30;
        o.ResponseTimeout = 40;
        port.SetContext(&context);
        port.PortName = rig->DevicePath();
        port.Name = "Pty";
        port.CommType = type;
        port.BitPerSec = port.savedBitPerSec = baud;
        port.Echo = type == COMM_RS232;
        port.CalcTimeouts(port.MaxMotors);
    }
    int SimAddress(size_t i)
    {
        return rig->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Address(); });
    }

    std::unique_ptr<vqxsim::SerialRig> rig;
    CCommPort port;
};

vqxsim::MotorProfile At(int baud, const char* firmware, uint32_t serial)
{
    vqxsim::MotorProfile p;
    p.firmware = firmware;
    p.serial = serial;
    p.channel[0].baud = p.channel[1].baud = baud;
    return p;
}

TEST_F(DetectPtyE2E, ChainAtAnotherRateIsAddressedInOrder)
{
    Use(vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(3, At(19200, "450", ('P' << 24) | 10))), COMM_RS232, 9600);
    ASSERT_EQ(AddressServos(port, 0), DETECT_FOUND);
    ASSERT_EQ(port.motors.GetCount(), 3);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(SimAddress(i), static_cast<int>(i) + 1);
        EXPECT_EQ(port.motors.GetAt(static_cast<int>(i))->SerialNumber, (uint32_t('P') << 24) + 10 + i);
    }
}

} // namespace
