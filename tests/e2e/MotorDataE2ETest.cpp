// The motor's identity and data memory against simulated motors on an RS-485 bus behind a
// pseudo-terminal.

#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "tests/core/motor/FakeModels.h"
#include "tests/sim/wiring/SerialRig.h"

#include <gtest/gtest.h>

namespace {

using vqxsim::FactoryLayout;
using vqxsim::MotorProfile;
using vqxsim::SerialRig;
using vqxsim::SimMotor;

// One addressed motor (address 1) on a bus, and a port with that motor defined.
struct BusMotor {
    explicit BusMotor(const MotorProfile& profile)
        : rig(SerialRig::Bus(vqxsim::MakeProfiles(1, profile, true)))
    {
        context.Options().DownloadDelay = 0;
        port.SetContext(&context);
        port.PortName = rig->DevicePath();
        port.CommType = COMM_RS485;
        port.Echo = 0;
        motor = new CMotor;
        motor->Address = 1;
        port.motors.Add(motor);
        port.RebuildAddressTable();
        port.OpenPort();
    }

    template <class F>
    decltype(auto) Sim(F&& f)
    {
        return rig->WithMotor(0, std::forward<F>(f));
    }
    uint32_t EepromBE(int address, int bytes)
    {
        return Sim([&](SimMotor& m) {
            uint32_t v = 0;
            for (int i = 0; i < bytes; ++i)
                v = (v << 8) | m.Eeprom()[static_cast<size_t>(address + i)];
            return v;
        });
    }

    CFakeModels models{StandardModels()};
    std::unique_ptr<SerialRig> rig;
    ui::COperationContext context;
    CCommPort port;
    CMotor* motor = nullptr;
};

MotorProfile Profile(const char* firmware, FactoryLayout layout = FactoryLayout::Block)
{
    MotorProfile p;
    p.firmware = firmware;
    p.layout = layout;
    p.serial = (uint32_t('K') << 24) | 4242;
    return p;
}

} // namespace

TEST(MotorDataE2E, Motor462ReportsIdentityFactoryDataAndGains)
{
    BusMotor t(Profile("462"));
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->Version, "462");
    EXPECT_DOUBLE_EQ(t.motor->SamplePeriod, 0.24576);
    EXPECT_EQ(t.motor->SerialNumber, (uint32_t('K') << 24) | 4242);
    EXPECT_EQ(t.motor->Model, "TX23-61");
    EXPECT_EQ(t.motor->EnRes, 4000u);
    EXPECT_EQ(t.motor->KP, 120);
    EXPECT_EQ(t.motor->KD, 800);
    EXPECT_EQ(t.motor->KI, 4);
    EXPECT_EQ(t.motor->KL, 1000);
    EXPECT_TRUE(t.motor->eepromPresent);
    EXPECT_EQ(t.port.AllVer5s, 1);
    // The transfer variables are as they were.
    EXPECT_EQ(t.Sim([](SimMotor& m) { return m.Var("aaa"); }), 0);
}

TEST(MotorDataE2E, Motor450AndFiveSeriesSerialNumbers)
{
    {
        BusMotor t(Profile("450"));
        t.motor->ReadVersion();
        EXPECT_EQ(t.motor->Version, "450");
        EXPECT_EQ(t.motor->SerialNumber, (uint32_t('K') << 24) | 4242);
        EXPECT_EQ(t.port.AllVer5s, 0);
        EXPECT_EQ(t.motor->KP, 0);  // a 450 motor's block carries no gains
    }
    {
        BusMotor t(Profile("5xx"));
        t.motor->ReadVersion();
        EXPECT_EQ(t.motor->Version, "5xx");
        EXPECT_EQ(t.motor->SerialNumber, (uint32_t('K') << 24) | 4242);
        EXPECT_EQ(t.motor->Model, "TX23-61");
        EXPECT_EQ(t.port.AllVer5s, 1);
    }
}

TEST(MotorDataE2E, BlankMotorGetsABlockThatTheNextReadFinds)
{
    MotorProfile p = Profile("450");
    p.blankEeprom = true;
    BusMotor t(p);
    t.Sim([](SimMotor& m) { m.SetAddress(1); });  // a blank motor keeps no address: detection gave it one
    t.motor->ReadVersion();
    EXPECT_EQ(t.motor->SerialNumber, 0u);
    EXPECT_EQ(t.EepromBE(32468, 2), 0xADB4u);
    EXPECT_EQ(t.EepromBE(32470, 2), 200u);
    uint8_t block[300];
    EXPECT_EQ(t.motor->ReadFactoryBlock(block), 200);
}

TEST(MotorDataE2E, MotorWithoutEEPROM)
{
    MotorProfile p = Profile("450");
    p.hasEeprom = false;
    BusMotor t(p);
    t.Sim([](SimMotor& m) { m.SetAddress(1); });
    t.motor->ReadVersion();
    EXPECT_FALSE(t.motor->eepromPresent);
    EXPECT_EQ(t.motor->MotorType, 4);
    EXPECT_EQ(t.motor->EnRes, 500u);
    EXPECT_EQ(t.motor->ProgChecksum, -1);
}

TEST(MotorDataE2E, OlderLayoutsAreReadAndReplacedByABlock)
{
    {
        BusMotor t(Profile("450", FactoryLayout::LengthByte));
        t.motor->ReadVersion();
        EXPECT_EQ(t.motor->Model, "TX23-61");
        EXPECT_EQ(t.motor->SerialNumber, (uint32_t('K') << 24) | 4242);
        uint8_t block[300];
        EXPECT_EQ(t.motor->ReadFactoryBlock(block), 200);
    }
    {
        BusMotor t(Profile("450", FactoryLayout::OldestRecord));
        t.motor->ReadVersion();
        EXPECT_EQ(t.motor->ProgName, "OLD.TQX");
        EXPECT_EQ(t.motor->ProgSize, 4u);
        EXPECT_EQ(t.motor->MotorType, 1);
        EXPECT_EQ(t.motor->VQXFlags, 3);
    }
}

TEST(MotorDataE2E, EEPROMRoundTripsLeaveNeighboursAlone)
{
    BusMotor t(Profile("5xx"));
    t.motor->Version = "5xx";
    t.Sim([](SimMotor& m) {
        for (int i = 0; i < 16; ++i)
            m.Eeprom()[static_cast<size_t>(1000 + i)] = static_cast<uint8_t>(0xA0 + i);
    });
    const uint8_t five[5] = {1, 2, 3, 4, 5};
    t.motor->WriteEEPROM(1000, five, 5);
    uint8_t back[8] = {};
    t.motor->ReadEEPROM(1000, back, 8);
    EXPECT_EQ(back[4], 5);
    EXPECT_EQ(back[5], 0xA5);
    EXPECT_EQ(back[7], 0xA7);
    t.motor->WriteEEPROMWord(1010, 0x1234);
    EXPECT_EQ(t.motor->ReadEEPROMWord(1010), 0x1234);
    EXPECT_EQ(t.EepromBE(1012, 1), 0xACu);
    t.motor->WriteEEPROMLong(1020, 0xCAFEF00D);
    EXPECT_EQ(t.motor->ReadEEPROMLong(1020), 0xCAFEF00Du);
    t.motor->WriteEEPROMByte(1030, 0x99);
    EXPECT_EQ(t.motor->ReadEEPROMByte(1030), 0x99);
}

TEST(MotorDataE2E, ProgramRecordAndFactoryWordKeepTheBlockValid)
{
    BusMotor t(Profile("462"));
    t.motor->ReadVersion();
    const uint32_t serial = t.EepromBE(32256, 4);
    const uint32_t nextRecord = t.EepromBE(32582, 4);
    t.motor->ProgName = "/home/user/projects/a-rather-long-program-name.tqx";
    t.motor->progDate = SystemTime{2024, 3, 0, 15, 10, 20, 30, 0};
    t.motor->ProgSize = 777;
    t.motor->WriteProgramInfo(false);
    t.motor->StoreFactoryWord(32646, 321);  // KP
    // The next record and the serial number are untouched; the block still reads as valid.
    EXPECT_EQ(t.EepromBE(32582, 4), nextRecord);
    EXPECT_EQ(t.EepromBE(32256, 4), serial);
    EXPECT_TRUE(t.motor->eepromPresent);
    CMotor again;
    again.Address = 1;
    again.SetPort(&t.port);
    again.Version = "462";
    uint8_t block[300];
    const int length = again.ReadFactoryBlock(block);
    ASSERT_EQ(length, 200);
    again.ParseFactoryData(block, length);
    EXPECT_EQ(again.ProgName, "a-rather-long-program-n");
    EXPECT_EQ(again.ProgSize, 777u);
    EXPECT_EQ(again.progDate.wYear, 2024);
    EXPECT_EQ(again.progDate.wSecond, 30);
    EXPECT_EQ(again.Model, "TX23-61");
    EXPECT_EQ(t.EepromBE(32646, 2), 321u);
}
