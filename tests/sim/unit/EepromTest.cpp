// The data EEPROM as the host reaches it: pointer, block loads and stores, write completion, and
// the contents a profile gives a motor.

#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

uint32_t BE(const Bytes& b, size_t at, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | b[at + i];
    return v;
}

MotorProfile Profile(const std::string& firmware)
{
    MotorProfile p;
    p.firmware = firmware;
    p.address = 1;
    p.serial = (uint32_t('B') << 24) | 4660;
    return p;
}

TEST(Eeprom, StoreAndLoadLongsBigEndianWithAdvancingPointer)
{
    SimMotor m(Profile("450"));
    Drive(m, "\x81" "EPTR=1000 aaa=305419896 bbb=-2 ccc=7 VST(aaa,3) ");
    EXPECT_EQ(BE(m.Eeprom(), 1000, 4), 0x12345678u);
    EXPECT_EQ(BE(m.Eeprom(), 1004, 4), 0xFFFFFFFEu);
    EXPECT_EQ(BE(m.Eeprom(), 1008, 4), 7u);
    EXPECT_EQ(m.Eptr(), 1012);
    // One pointer, several loads: the pointer moves on by itself.
    EXPECT_EQ(Drive(m, "aaa=0 bbb=0 EPTR=1000 VLD(aaa,2) Raaa Rbbb VLD(aaa,1) Raaa "),
              "305419896\r-2\r7\r");
    // Bytes and words through ab[0] and aw[0].
    EXPECT_EQ(Drive(m, "EPTR=1000 VLD(ab[0],1) Rab[0] VLD(aw[0],1) Raw[0] "), "18\r13398\r");
    Drive(m, "ab[0]=171 EPTR=2000 VST(ab[0],1) aw[0]=-1 VST(aw[0],1) ");
    EXPECT_EQ(BE(m.Eeprom(), 2000, 3), 0xABFFFFu);
    EXPECT_EQ(Drive(m, "VLD(aaa,11) Raaa "), "7\r") << "more than ten longs is refused";
}

TEST(Eeprom, FiveSeriesAddressesWithHighBitsReachTheSameMemory)
{
    SimMotor m(Profile("5xx"));
    m.Eeprom()[eeaddr::kAddress] = 12;
    EXPECT_EQ(Drive(m, "\x81" "EPTR=218136070 VLD(ab[0],1) Rab[0] "), "12\r");
    EXPECT_EQ(m.Eptr(), eeaddr::kAddress + 1);
}

TEST(Eeprom, OnlyTheFiveSeriesTakesTheHighAddressBits)
{
    // Elsewhere such a pointer lies outside the EEPROM: loads and stores there move nothing.
    SimMotor m(Profile("450"));
    m.Eeprom()[eeaddr::kAddress] = 12;
    EXPECT_EQ(Drive(m, "\x81" "ab[0]=7 EPTR=218136070 VLD(ab[0],1) Rab[0] "), "7\r");
    Drive(m, "ab[0]=9 EPTR=218136070 VST(ab[0],1) EPTR=-1 VST(ab[0],1) EPTR=32768 VST(ab[0],1) ");
    EXPECT_EQ(m.Eeprom()[eeaddr::kAddress], 12);
    EXPECT_EQ(m.Eeprom()[eeaddr::kSize - 1], 0xFF);
    EXPECT_EQ(m.Eeprom()[0], 0xFF);
    EXPECT_EQ(Drive(m, "EPTR=32262 VLD(ab[0],1) Rab[0] "), "12\r") << "a pointer inside works again";

    SimMotor five(Profile("5xx"));
    five.Eeprom()[eeaddr::kAddress] = 12;
    EXPECT_EQ(Drive(five, "\x81" "ab[0]=7 EPTR=33586694 VLD(ab[0],1) Rab[0] "), "7\r") << "0x02000000: not its bits";
}

TEST(Eeprom, WriteCompletionIsReportedOnlyAfterTheWriteTime)
{
    SimMotor m(Profile("450"));
    m.knobs.eepromWriteMs = 40;
    TimePoint t0 = SimClock::now();
    for (char c : std::string("\x81" "ab[0]=5 EPTR=32262 VST(ab[0],1) RBs "))
        m.Receive(uint8_t(c), t0);
    ASSERT_EQ(m.Outbox().size(), 1u);
    EXPECT_EQ(ToString(m.Outbox().front().bytes), "0\r");
    EXPECT_EQ(m.Outbox().front().readyAt, t0 + Ms(40));
    EXPECT_EQ(m.Eeprom()[eeaddr::kAddress], 5);
}

TEST(Eeprom, MotorWithoutEepromKeepsNoWrites)
{
    MotorProfile p = Profile("450");
    p.hasEeprom = false;
    SimMotor m(p);
    Drive(m, "\x80" "aw[0]=-21068 EPTR=32468 VST(aw[0],1) ");
    EXPECT_EQ(Drive(m, "aw[0]=0 EPTR=32468 VLD(aw[0],1) Raw[0] "), "-1\r") << "the magic did not stick";
    EXPECT_EQ(Drive(m, "RCKS "), " P\r");
}

TEST(Eeprom, ProfileWritesSerialAddressAndASummedFactoryBlock)
{
    MotorProfile p = Profile("462ah");
    p.address = 3;
    p.modelIndex = 0x01020304;
    Bytes ee = BuildEepromImage(p);
    EXPECT_EQ(BE(ee, eeaddr::kFactory + 150, 4), 0x01020304u);
    EXPECT_EQ(BE(ee, eeaddr::kSerial, 4), p.serial);
    EXPECT_EQ(ee[eeaddr::kAddress], 3);
    EXPECT_EQ(BE(ee, eeaddr::kFactory, 2), 0xADB4u);
    const uint32_t len = BE(ee, eeaddr::kFactory + 2, 2);
    ASSERT_EQ(len, 200u);
    unsigned sum = 0;
    for (uint32_t i = 4; i + 1 < len; ++i)
        sum += ee[eeaddr::kFactory + i];
    EXPECT_EQ(ee[eeaddr::kFactory + len - 1], sum & 0xFF);
    EXPECT_EQ(BE(ee, eeaddr::kFactory + 44, 4), p.serial);
    EXPECT_EQ(ee[eeaddr::kFactory + 52], 4);
    EXPECT_EQ(ee[eeaddr::kFactory + 53], 62);
    EXPECT_EQ(ee[eeaddr::kFactory + 54], 'a');
    EXPECT_EQ(ee[eeaddr::kFactory + 55], 'h');
    unsigned gains = 0;
    for (int g = 0; g < 4; ++g)
        gains += BE(ee, eeaddr::kGains + 2 * g, 2);
    EXPECT_EQ(BE(ee, eeaddr::kGainSum, 2), gains & 0xFFFF);
    // A 5-series motor keeps its serial number to itself (LSA), not at 32256.
    EXPECT_EQ(BE(BuildEepromImage(Profile("5xx")), eeaddr::kSerial, 4), 0xFFFFFFFFu);
}

TEST(Eeprom, LegacyLayoutsAndBlankMotors)
{
    MotorProfile p = Profile("450");
    p.layout = FactoryLayout::LengthByte;
    Bytes ee = BuildEepromImage(p);
    const int n = ee[eeaddr::kFactory];
    ASSERT_GT(n, 10);
    ASSERT_LT(n, 100);
    unsigned sum = 0;
    for (int i = 0; i < n; ++i)
        sum += ee[eeaddr::kFactory + i];
    EXPECT_EQ(ee[eeaddr::kFactory + n], sum & 0xFF);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ee[eeaddr::kFactory + 1])), p.model);

    p.layout = FactoryLayout::OldestRecord;
    ee = BuildEepromImage(p);
    EXPECT_EQ(BE(ee, eeaddr::kOldMarker, 2), 0x2003u);
    EXPECT_EQ(ee[eeaddr::kOldLength], 10);
    EXPECT_NE(BE(ee, eeaddr::kFactory, 2), 0xADB4u);

    p.blankEeprom = true;
    ee = BuildEepromImage(p);
    for (uint8_t b : ee)
        ASSERT_EQ(b, 0xFF);
    SimMotor blank(p);
    EXPECT_EQ(blank.Address(), 0) << "a new motor is unaddressed";
}

} // namespace
} // namespace vqxsim::test
