#include "tests/core/motor/MotorLine.h"

#include <gtest/gtest.h>

// The factory block's sum byte covers block bytes 4 to length - 2: changes inside that range are
// folded into it, changes outside leave it alone, and nothing may land on the sum byte itself.

TEST(FactoryWord, GainWordInsideTheSummedRangeKeepsTheBlockValid)
{
    CMotorLine t;
    t.motor->Version = "462";
    t.PutFactoryBlock(200, 0);
    t.motor->StoreFactoryWord(32646, 0x1234);
    t.motor->StoreFactoryWord(32654, 0x1234 + 20 + 30 + 40);
    EXPECT_EQ(t.sim.GetBE(32646, 2), 0x1234u);
    EXPECT_TRUE(t.BlockSumIsRight(200));
    uint8_t block[300];
    EXPECT_EQ(t.motor->ReadFactoryBlock(block), 200);
    t.motor->ReadCalibrationGains();
    EXPECT_EQ(t.motor->KP, 0x1234);
    EXPECT_EQ(t.motor->KL, 40);
}

TEST(FactoryWord, WordOutsideAShortBlockLeavesItsSumAlone)
{
    CMotorLine t;
    t.motor->Version = "462";
    t.PutFactoryBlock(150, 0);
    const uint8_t sum = t.sim.eeprom[32468 + 149];
    t.motor->StoreFactoryWord(32646, 0x4321);
    EXPECT_EQ(t.sim.GetBE(32646, 2), 0x4321u);
    EXPECT_EQ(t.sim.eeprom[32468 + 149], sum);
    EXPECT_TRUE(t.BlockSumIsRight(150));
    // A word over the sum byte is refused.
    t.motor->StoreFactoryWord(32468 + 148, 0xFFFF);
    EXPECT_TRUE(t.BlockSumIsRight(150));
    EXPECT_EQ(t.sim.eeprom[32468 + 148], 0);
}

TEST(FactoryWord, LengthLimitsDifferForReadingAndUpdating)
{
    CMotorLine t;
    t.motor->Version = "462";
    t.PutFactoryBlock(300, 0);
    uint8_t block[300];
    EXPECT_EQ(t.motor->ReadFactoryBlock(block), 0);  // 101..299 are read
    t.motor->StoreFactoryWord(32468 + 100, 0x0102);  // 100..300 are updated
    EXPECT_EQ(t.sim.GetBE(32468 + 100, 2), 0x0102u);
    EXPECT_TRUE(t.BlockSumIsRight(300));
    // No block: nothing is written.
    t.sim.PutBE(32470, 99, 2);
    t.sim.commands.clear();
    t.motor->StoreFactoryWord(32646, 7);
    EXPECT_EQ(t.sim.Count("VST("), 0);
}

TEST(FactoryWord, ProgramRecordIsWrittenAndSummedWithoutTouchingTheNextRecord)
{
    CMotorLine t;
    t.motor->Version = "450";
    t.PutFactoryBlock(200, 0);
    t.sim.eeprom[32582] = 'c';  // first byte of the calibration program record
    t.FixSum(200);
    t.motor->ProgName = "/home/user/progs/axis_x.tqx";
    t.motor->progDate = SystemTime{2011, 2, 0, 3, 4, 5, 6, 0};
    t.motor->ProgSize = 0x01020304;
    t.motor->WriteProgramInfo(false);
    EXPECT_TRUE(t.BlockSumIsRight(200));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&t.sim.eeprom[32548])), "axis_x.tqx");
    EXPECT_EQ(t.sim.eeprom[32548 + 24], 11);
    EXPECT_EQ(t.sim.eeprom[32548 + 29], 6);
    EXPECT_EQ(t.sim.GetBE(32548 + 30, 4), 0x01020304u);
    EXPECT_EQ(t.sim.eeprom[32582], 'c');
    EXPECT_TRUE(t.motor->eepromPresent);

    CMotor read;
    uint8_t block[300];
    ASSERT_EQ(t.motor->ReadFactoryBlock(block), 200);
    read.ParseFactoryData(block, 200);
    EXPECT_EQ(read.ProgName, "axis_x.tqx");
    EXPECT_EQ(read.ProgSize, 0x01020304u);
}

TEST(FactoryWord, ProgramRecordThatDoesNotStickMeansNoEEPROM)
{
    CMotorLine t;
    t.motor->Version = "450";
    t.PutFactoryBlock(200, 0);
    t.sim.hasEEPROM = false;
    t.motor->CalProgName = "x.scx";
    t.motor->WriteProgramInfo(true);
    EXPECT_FALSE(t.motor->eepromPresent);
    EXPECT_EQ(t.sim.Count("RCKS"), 1);
}
