// RS-232 daisy chains of simulated motors: found and addressed from any rate.

#include "core/VQXException.h"
#include "core/detect/RS232Chain.h"
#include "tests/common/ChainCaseName.h"
#include "tests/e2e/DetectE2EFixture.h"
#include "tests/support/ui/HeadlessProgress.h"
#include "tests/common/CodeOf.h"

#include <ostream>

namespace {

struct ChainCase {
    size_t motors;
    int motorBaud;
    int portBaud;
};

void PrintTo(const ChainCase& c, std::ostream* out) { *out << ChainCaseText(c.motors, c.motorBaud, c.portBaud); }

class DetectChainE2E : public DetectSerialE2E, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(DetectChainE2E, AddressesTheChainInOrderAndReadsEachIdentity)
{
    const ChainCase c = GetParam();
    Chain(vqxsim::MakeProfiles(c.motors, ProfileAt(c.motorBaud)), c.portBaud);
    port->SetMaxMotors(12);

    ASSERT_EQ(AddressServos(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), static_cast<int>(c.motors));
    for (size_t i = 0; i < c.motors; ++i) {
        const int address = static_cast<int>(i) + 1;
        EXPECT_EQ(SimAddress(i), address);
        EXPECT_EQ(Sim(i, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), c.portBaud);
        CMotor* m = Listed(static_cast<int>(i));
        EXPECT_EQ(m->Address, address);
        EXPECT_EQ(m->Name, "Motor" + std::to_string(address) + "-Line");
        EXPECT_EQ(m->Version, "450");
        EXPECT_EQ(m->SerialNumber, static_cast<uint32_t>(('T' << 24) | 500) + i);
        EXPECT_DOUBLE_EQ(m->SamplePeriod, 0.24576);
        EXPECT_EQ(port->GetMotor(address), m);
    }
    EXPECT_FALSE(AnyAsleep());

    // Detecting the addressed chain again finds the same motors.
    ASSERT_EQ(DetectRS232Chain(*port, 0), DETECT_FOUND);
    EXPECT_EQ(port->motors.GetCount(), static_cast<int>(c.motors));
    EXPECT_FALSE(AnyAsleep());
}

INSTANTIATE_TEST_SUITE_P(Chains, DetectChainE2E,
                         ::testing::Values(ChainCase{1, 38400, 9600}, ChainCase{3, 38400, 9600},
                                           ChainCase{12, 19200, 9600}, ChainCase{1, 9600, 38400},
                                           ChainCase{3, 4800, 38400}, ChainCase{12, 2400, 38400}),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                             return ChainCaseName(info.param.motors, info.param.motorBaud, info.param.portBaud);
                         });

TEST_F(DetectSerialE2E, ChainWithAMotorEchoingWronglyHasNoLink)
{
    Chain(vqxsim::MakeProfiles(3, ProfileAt(9600)), 9600);
    Sim(1, [](vqxsim::SimMotor& m) { m.knobs.corruptEchoBytes = -1; });
    EXPECT_EQ(AddressServos(*port, 0), DETECT_FAILED);
    EXPECT_EQ(CodeOf([&] { DetectRS232Chain(*port, DETECT_THROW); }), CVQXException::NoLink);
    EXPECT_EQ(port->motors.GetCount(), 0);
}

TEST_F(DetectSerialE2E, DetectionFindsAddressedMotorsAndGivesTheUnaddressedOneTheNext)
{
    auto profiles = vqxsim::MakeProfiles(4, ProfileAt(9600), true);
    profiles[1].address = 0;
    profiles[3].address = 7;
    Chain(profiles, 9600);
    ASSERT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 4);
    EXPECT_EQ(Listed(3)->Address, 8);
    EXPECT_EQ(SimAddress(1), 8);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(DetectSerialE2E, CancelInEachChainLoopLeavesMotorsAwake)
{
    Chain(vqxsim::MakeProfiles(3, ProfileAt(9600), true), 9600);
    // Stopped in the rate sweep: the port and the motors that followed it are back at the port's
    // rate (the others never left it).
    progress.CancelAtCount(1);
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_EQ(port->BitPerSec, 9600);
    for (size_t i = 0; i < rig->Count(); ++i)
        EXPECT_EQ(Sim(i, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 9600);
    EXPECT_FALSE(AnyAsleep());

    // Stopped in the address probes (after the chain echoes): the port answers at once.
    progress.SetPumpHook([](ui::CHeadlessProgress& p, int kind, int64_t value) {
        if (kind == ui::kProgressCount && value == 2 && p.State().SubText().rfind("Found motor", 0) == 0)
            p.PressCancel();
    });
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(DetectRS232Chain(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_EQ(port->motors.GetCount(), 3) << "the motors entered so far stay";
    EXPECT_FALSE(AnyAsleep());
    std::string flag;
    EXPECT_EQ(CodeOf([&] { flag = port->Query("RBe", 2); }), 0);
    EXPECT_EQ(flag, "0");
    progress.SetPumpHook(nullptr);

    // In the counting: the motors counted so far are asleep until the run ends.
    Chain(vqxsim::MakeProfiles(3, ProfileAt(9600)), 9600);
    progress.SetPumpHook([](ui::CHeadlessProgress& p, int kind, int64_t value) {
        if (kind == ui::kProgressCount && value == 1 && p.State().SubText() == "Counting the motors...")
            p.PressCancel();
    });
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(AddressServos(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_EQ(port->motors.GetCount(), 0);
    EXPECT_FALSE(AnyAsleep());
}

} // namespace
