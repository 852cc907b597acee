// RS-485 buses of simulated motors: self-addressing, one motor, by serial number, the scan.

#include "core/VQXException.h"
#include "core/detect/RS485Bus.h"
#include "tests/e2e/DetectE2EFixture.h"

#include <set>

namespace {

constexpr uint32_t Serial(uint32_t n) { return (uint32_t('Q') << 24) | n; }

vqxsim::MotorProfile Bus5(uint32_t serial, int baud = 9600)
{
    vqxsim::MotorProfile p = ProfileAt(baud, "500", serial);
    return p;
}

TEST_F(DetectSerialE2E, SelfAddressingOfEightMotorsWithACollisionInTheFirstPass)
{
    // 0x..05 and 0x..45 share their low 6 bits: both take address 6 in the first pass.
    std::vector<vqxsim::MotorProfile> profiles;
    for (uint32_t n : {0x05u, 0x45u, 0x11u, 0x28u, 0x02u, 0x3Fu, 0x1Eu, 0x09u})
        profiles.push_back(Bus5(Serial(n), n % 2 ? 19200 : 9600));
    Bus(profiles, 9600);
    DetectRS485(*port);

    ASSERT_EQ(port->motors.GetCount(), 8);
    std::set<uint32_t> serials;
    for (int i = 0; i < 8; ++i) {
        CMotor* m = Listed(i);
        EXPECT_EQ(m->Address, i + 1);
        EXPECT_EQ(port->GetMotor(i + 1), m);
        EXPECT_EQ(m->Version, "500");
        serials.insert(m->SerialNumber);
    }
    EXPECT_EQ(serials.size(), 8u);
    for (size_t i = 0; i < rig->Count(); ++i) {
        const int address = SimAddress(i);
        ASSERT_GE(address, 1);
        ASSERT_LE(address, 8);
        EXPECT_EQ(port->GetMotor(address)->SerialNumber, profiles[i].serial) << "motor " << i;
    }
    EXPECT_EQ(questions.MessageBoxCount(), 0);
    EXPECT_FALSE(port->isOpen);
}

TEST_F(DetectSerialE2E, SingleMotorOnTheBusTakesAddressOne)
{
    vqxsim::MotorProfile p = ProfileAt(4800, "450", Serial(77));
    p.address = 9;
    Bus({p}, 19200);
    DetectSingleRS485(*port);
    ASSERT_EQ(port->motors.GetCount(), 1);
    EXPECT_EQ(Listed(0)->Address, 1);
    EXPECT_EQ(SimAddress(0), 1);
    EXPECT_EQ(Listed(0)->SerialNumber, Serial(77));
    EXPECT_EQ(Sim(0, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 19200);
}

TEST_F(DetectSerialE2E, AddressingBySerialNumber)
{
    Bus({ProfileAt(9600, "450", Serial(1)), ProfileAt(9600, "462", Serial(2))}, 9600);
    for (auto [address, serial] : {std::pair{5, Serial(2)}, std::pair{3, Serial(1)}}) {
        auto* m = new CMotor;
        m->Address = address;
        m->SerialNumber = serial;
        m->Name = "M" + std::to_string(address);
        port->motors.Add(m);
    }
    port->RebuildAddressTable();
    EXPECT_TRUE(AddressRS485BySerial(*port));
    EXPECT_EQ(SimAddress(0), 3);
    EXPECT_EQ(SimAddress(1), 5);
    EXPECT_EQ(Sim(1, [](vqxsim::SimMotor& m) { return int(m.Eeprom()[32262]); }), 5);
    EXPECT_EQ(Listed(0)->Version, "462");
    EXPECT_EQ(questions.MessageBoxCount(), 0);
}

TEST_F(DetectSerialE2E, ScanGivesTheUnaddressedMotorTheNextAddress)
{
    auto a = ProfileAt(9600, "450", Serial(1));
    a.address = 2;
    auto b = ProfileAt(38400, "450", Serial(2));
    b.address = 5;
    auto c = ProfileAt(9600, "450", Serial(3)); // unaddressed: answers at 114
    Bus({a, b, c}, 9600);
    EXPECT_EQ(ScanRS485Addresses(*port, DETECT_SHOW_PROGRESS), DETECT_FOUND);
    ASSERT_EQ(port->motors.GetCount(), 3);
    EXPECT_EQ(Listed(2)->Address, 6);
    EXPECT_EQ(SimAddress(2), 6);
    EXPECT_EQ(Sim(2, [](vqxsim::SimMotor& m) { return int(m.Eeprom()[32262]); }), 6);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(DetectSerialE2E, ScanWithLineErrorsGivesEight)
{
    auto a = ProfileAt(9600, "450", Serial(1));
    a.address = 1;
    auto b = ProfileAt(9600, "450", Serial(2));
    b.address = 1;
    vqxsim::FakeLineOptions options;
    options.collision = vqxsim::CollisionForm::FramingError;
    Bus({a, b}, 9600, options);
    Sim(1, [](vqxsim::SimMotor& m) { m.SetBit('e', true); }); // the two answers differ
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_LINE_GARBAGE);
    EXPECT_FALSE(AnyAsleep());
}

TEST_F(DetectSerialE2E, ScanReportsTheCalibrationCauseOfA462Motor)
{
    auto a = ProfileAt(9600, "462", Serial(1));
    a.address = 1;
    Bus({a}, 9600);
    Sim(0, [](vqxsim::SimMotor& m) {
        m.SetBit('n', true);
        m.SetBit('h', true);
    });
    EXPECT_EQ(ScanRS485Addresses(*port, 0), DETECT_FOUND);
    ASSERT_EQ(info.Lines().size(), 1u);
    EXPECT_EQ(info.Lines()[0].description,
              "The motor \"Motor1-Line\" has not finished calibration successfully. An over-heat condition was "
              "detected.");
    EXPECT_EQ(port->calibrationWarnings, 1);
}

TEST_F(DetectSerialE2E, CancelledScanLeavesTheBusAwake)
{
    auto a = ProfileAt(9600, "450", Serial(1));
    a.address = 1;
    auto b = ProfileAt(9600, "450", Serial(2));
    b.address = 7;
    Bus({a, b}, 9600);
    progress.CancelAtCount(2);
    questions.AnswerMessageBox(ui::IDYES);
    EXPECT_EQ(ScanRS485Addresses(*port, DETECT_SHOW_PROGRESS), DETECT_CANCELLED);
    EXPECT_FALSE(AnyAsleep());
    EXPECT_EQ(port->Query("RBe", 7), "0");
}

} // namespace
