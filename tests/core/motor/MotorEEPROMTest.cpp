#include "core/VQXException.h"
#include "tests/common/CodeOf.h"
#include "tests/core/motor/MotorLine.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::map<std::string, int32_t> TransferVariables(const CScriptedMotor& sim)
{
    std::map<std::string, int32_t> v = sim.vars;
    v.erase("a");
    return v;
}

} // namespace

TEST(MotorEEPROM, BlockRoundTripMovesTenValuesPerTransferAndRestoresVariables)
{
    CMotorLine t;
    const auto before = TransferVariables(t.sim);
    std::vector<uint8_t> data(44);
    std::iota(data.begin(), data.end(), uint8_t{1});
    t.motor->WriteEEPROM(1000, data.data(), 44);
    EXPECT_EQ(t.sim.Count("VST(aaa,10)"), 1);
    EXPECT_EQ(t.sim.Count("VST(aaa,1)"), 1);
    for (int i = 0; i < 44; ++i)
        ASSERT_EQ(t.sim.eeprom[static_cast<size_t>(1000 + i)], data[static_cast<size_t>(i)]) << i;

    t.sim.commands.clear();
    std::vector<uint8_t> back(44);
    t.motor->ReadEEPROM(1000, back.data(), 44);
    EXPECT_EQ(back, data);
    EXPECT_EQ(t.sim.Count("EPTR=1000"), 1);
    EXPECT_EQ(t.sim.Count("VLD(aaa,10)"), 1);
    EXPECT_EQ(t.sim.Count("VLD(aaa,1)"), 1);
    EXPECT_EQ(TransferVariables(t.sim), before);
}

TEST(MotorEEPROM, UnalignedLengthsLeaveTheNeighboursUntouched)
{
    CMotorLine t;
    for (int i = 0; i < 64; ++i)
        t.sim.eeprom[static_cast<size_t>(2000 + i)] = static_cast<uint8_t>(0xC0 + i);
    const uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    t.motor->WriteEEPROM(2000, six, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(t.sim.eeprom[static_cast<size_t>(2000 + i)], six[i]);
    EXPECT_EQ(t.sim.eeprom[2006], 0xC6);
    EXPECT_EQ(t.sim.eeprom[2007], 0xC7);

    // A program record of 34 bytes stops right before the next record.
    std::vector<uint8_t> record(34, 0x11);
    t.motor->WriteEEPROM(2010, record.data(), 34);
    EXPECT_EQ(t.sim.eeprom[2043], 0x11);
    EXPECT_EQ(t.sim.eeprom[2044], 0xC0 + 44);
    EXPECT_EQ(t.sim.eeprom[2045], 0xC0 + 45);

    // Reads fill exactly the bytes asked for.
    uint8_t three[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    t.motor->ReadEEPROM(2001, three, 3);
    EXPECT_EQ(three[0], 2);
    EXPECT_EQ(three[2], 4);
    EXPECT_EQ(three[3], 0xEE);
}

TEST(MotorEEPROM, SingleValuesRoundTripAndRestoreTheirVariable)
{
    CMotorLine t;
    t.motor->Version = "450";
    t.motor->WriteEEPROMByte(100, 0xFE);
    t.motor->WriteEEPROMWord(102, 0xBEEF);
    t.motor->WriteEEPROMLong(104, 0x89ABCDEF);
    EXPECT_EQ(t.sim.eeprom[100], 0xFE);
    EXPECT_EQ(t.sim.GetBE(102, 2), 0xBEEFu);
    EXPECT_EQ(t.sim.GetBE(104, 4), 0x89ABCDEFu);
    EXPECT_EQ(t.motor->ReadEEPROMByte(100), 0xFE);
    EXPECT_EQ(t.motor->ReadEEPROMWord(102), 0xBEEF);
    EXPECT_EQ(t.motor->ReadEEPROMLong(104), 0x89ABCDEFu);
    EXPECT_EQ(t.sim.vars["ab[0]"], -7);
    EXPECT_EQ(t.sim.vars["aw[0]"], -300);
    EXPECT_EQ(t.sim.vars["aaa"], 1000);
    EXPECT_EQ(t.sim.Count("VLD(ab[0],1)"), 1);
    EXPECT_EQ(t.sim.Count("VST(aw[0],1)"), 1);
    EXPECT_EQ(t.sim.Count("RBs"), 3);  // every write waits for the motor
}

TEST(MotorEEPROM, AnUnknownVersionIsReadBeforeTheFirstSingleAccess)
{
    CMotorLine t;
    t.sim.version = "510";
    t.sim.version5 = true;
    t.sim.PutBE(600, 0x1234, 2);
    EXPECT_EQ(t.motor->ReadEEPROMWord(600), 0x1234);
    EXPECT_EQ(t.motor->Version, "510");
    EXPECT_EQ(t.sim.Count("EPTR=" + std::to_string(600 | 0x0D000000)), 1);
}

TEST(MotorEEPROM, FiveSeriesSingleAccessesCarryTheAddressBitsAndBlocksDoNot)
{
    CMotorLine t;
    t.sim.version5 = true;
    t.motor->Version = "510";
    t.sim.PutBE(32470, 200, 2);
    EXPECT_EQ(t.motor->ReadEEPROMWord(32470), 200);
    EXPECT_EQ(t.sim.Count("EPTR=218136278"), 1);
    t.motor->ReadEEPROMWord(32470, true);
    EXPECT_EQ(t.sim.Count("EPTR=32470"), 1);
    uint8_t b[4];
    t.motor->ReadEEPROM(32470, b, 4);
    EXPECT_EQ(t.sim.Count("EPTR=32470"), 2);
    // "5-series only" writes use the raw address and skip other motors.
    t.motor->WriteEEPROMByte(50, 9, true);
    EXPECT_EQ(t.sim.Count("EPTR=50"), 1);
    t.motor->Version = "462";
    t.motor->WriteEEPROMByte(51, 9, true);
    EXPECT_EQ(t.sim.Count("EPTR=51"), 0);
}

TEST(MotorEEPROM, AnErrorInTheMiddleRestoresVariablesAndTimeoutsThenPasses)
{
    CMotorLine t;
    const auto before = TransferVariables(t.sim);
    const int echo = t.port.echoTimeout, total = t.port.totalTimeout;
    for (int i = 0; i < 12; ++i)
        t.sim.PutBE(3000 + 4 * i, 0x01020304u * static_cast<uint32_t>(i + 1), 4);
    // The reply of the third value of the first transfer is lost.
    t.sim.onCommand = [&](const std::string& c) {
        if (c == "VLD(aaa,10)")
            t.sim.dropReplyOnce = {"Rccc"};
    };
    std::vector<uint8_t> buf(48);
    const auto lost = ExceptionOf([&] { t.motor->ReadEEPROM(3000, buf.data(), 48); });
    ASSERT_TRUE(lost) << "no error";
    EXPECT_EQ(lost->GetCode(), CVQXException::NoResponse);
    EXPECT_EQ(DataWordPort(lost->GetData()), 2);
    EXPECT_EQ(DataWordAddress(lost->GetData()), 3);
    EXPECT_EQ(TransferVariables(t.sim), before);
    EXPECT_EQ(t.port.echoTimeout, echo);
    EXPECT_EQ(t.port.totalTimeout, total);

    // The same for a write and for a single value.
    t.sim.onCommand = [&](const std::string& c) {
        if (c == "VST(aaa,2)")
            t.sim.dropReplyOnce = {"RBs"};
    };
    const uint8_t eight[8] = {};
    EXPECT_THROW(t.motor->WriteEEPROM(3000, eight, 8), CVQXException);
    EXPECT_EQ(TransferVariables(t.sim), before);
    t.sim.onCommand = [&](const std::string& c) {
        if (c == "VLD(aw[0],1)")
            t.sim.dropReplyOnce = {"Raw[0]"};
    };
    EXPECT_THROW(t.motor->ReadEEPROMWord(3000), CVQXException);
    EXPECT_EQ(TransferVariables(t.sim), before);
}

TEST(MotorEEPROM, MotorWithoutEEPROMIsNotWritten)
{
    CMotorLine t;
    t.motor->eepromPresent = false;
    const uint8_t four[4] = {1, 2, 3, 4};
    t.motor->WriteEEPROM(10, four, 4);
    t.motor->WriteEEPROMLong(10, 5);
    t.motor->StoreFactoryWord(32646, 5);
    EXPECT_TRUE(t.sim.commands.empty());
}

TEST(MotorEEPROM, AWriteTheMotorNeverFinishesIsAnErrorNotASuccess)
{
    CMotorLine t;
    t.sim.eepromStuck = true;
    const auto before = TransferVariables(t.sim);
    const uint8_t data[4] = {1, 2, 3, 4};
    const auto stuck = ExceptionOf([&] { t.motor->WriteEEPROM(2000, data, 4); });
    ASSERT_TRUE(stuck) << "an unconfirmed write was reported as done";
    EXPECT_EQ(stuck->GetCode(), CVQXException::NoResponse);
    EXPECT_EQ(stuck->GetMessage(), "The motor did not finish writing its EEPROM.");
    // The transfer variables are restored all the same.
    EXPECT_EQ(TransferVariables(t.sim), before);
}
