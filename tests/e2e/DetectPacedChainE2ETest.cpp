// Long RS-232 chains on a line paced like real wires: every motor must take a rate change within
// the host's wait of one character time per motor.

#include "core/VQXException.h"
#include "core/detect/RS232Chain.h"
#include "tests/e2e/DetectE2EFixture.h"

namespace {

constexpr size_t kMotors = 12;

vqxsim::FakeLineOptions Paced()
{
    vqxsim::FakeLineOptions options;
    options.pacing = true;
    return options;
}

class DetectPacedChainE2E : public DetectSerialE2E {
protected:
    void ExpectListed(int baud)
    {
        ASSERT_EQ(port->motors.GetCount(), static_cast<int>(kMotors));
        for (size_t i = 0; i < kMotors; ++i) {
            const int address = static_cast<int>(i) + 1;
            CMotor* m = Listed(static_cast<int>(i));
            EXPECT_EQ(m->Address, address);
            EXPECT_EQ(m->SerialNumber, static_cast<uint32_t>(('T' << 24) | 500) + i);
            EXPECT_EQ(port->GetMotor(address), m);
        }
        EXPECT_EQ(port->BitPerSec, baud);
    }
    void ExpectSimsAt(int baud)
    {
        for (size_t i = 0; i < kMotors; ++i) {
            EXPECT_EQ(SimAddress(i), static_cast<int>(i) + 1) << i;
            EXPECT_EQ(Sim(i, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), baud) << i;
        }
        EXPECT_FALSE(AnyAsleep());
    }
};

TEST_F(DetectPacedChainE2E, UnaddressedChainAtAnotherRateIsAddressedAndDetected)
{
    Chain(vqxsim::MakeProfiles(kMotors, ProfileAt(19200)), 9600, Paced());
    port->SetMaxMotors(static_cast<int>(kMotors));

    ASSERT_EQ(AddressServos(*port, 0), DETECT_FOUND);
    ExpectListed(9600);
    ExpectSimsAt(9600);

    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    ExpectListed(9600);
    ExpectSimsAt(9600);
}

TEST_F(DetectPacedChainE2E, AddressedChainAtASlowRateIsDetectedAtThePortsRate)
{
    Chain(vqxsim::MakeProfiles(kMotors, ProfileAt(2400), true), 38400, Paced());
    port->SetMaxMotors(static_cast<int>(kMotors));

    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    ExpectListed(38400);
    ExpectSimsAt(38400);
}

} // namespace
