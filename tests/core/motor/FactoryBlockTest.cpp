#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"
#include "tests/core/motor/FakeModels.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace factory;

namespace {

CMotor FullMotor()
{
    CMotor m;
    m.VQXFlags = 5;
    m.Model = "TQ2315S";
    m.IPSl = 7;
    m.SerialNumber = (uint32_t('B') << 24) + 4711;
    m.EnRes = 4000;
    m.Version = "462ah";
    for (int i = 0; i < 6; ++i)
        m.ProdDates[i] = PackDate(2003 + i, i + 1, 10 + i);
    m.NoRMA = 2;
    m.RMANo = 0x1234;
    m.RMADt = PackDate(2007, 12, 24);
    m.ProgName = "C:\\Programs\\Motion\\a_rather_long_program_name.tqx";
    m.progDate = SystemTime{2006, 5, 0, 17, 9, 30, 45, 0};
    m.ProgSize = 1234;
    m.CalProgName = "cal.scx";
    m.calProgDate = SystemTime{2005, 1, 0, 2, 3, 4, 5, 0};
    m.CalProgSize = 321;
    m.CalV = 9;
    m.TstRs = 0x55;
    m.MotorType = 3;
    m.HO = 0xDEADBEEF;
    for (int i = 0; i < 8; ++i)
        m.CommOptions[i] = static_cast<uint16_t>(0x100 * i + 1);
    m.KP = 100;
    m.KD = 200;
    m.KI = 300;
    m.KL = 400;
    return m;
}

} // namespace

TEST(FactoryBlock, BuildLaysOutFieldsBigEndianWithHeaderAndSum)
{
    CFakeModels models(StandardModels());
    uint8_t b[FACTORY_BLOCK_SIZE];
    ASSERT_EQ(FullMotor().BuildFactoryBlock(b), 200);
    EXPECT_EQ(b[0], 0xAD);
    EXPECT_EQ(b[1], 0xB4);
    EXPECT_EQ(GetBE16(b + 2), 200);
    EXPECT_EQ(GetBE16(b + 4), 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 6), 2), "TQ");
    EXPECT_EQ(b[8], 0);
    EXPECT_EQ(GetBE32(b + 9), 2315u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 13)), "S");
    EXPECT_EQ(b[43], 7);
    EXPECT_EQ(GetBE32(b + 44), (uint32_t('B') << 24) + 4711);
    EXPECT_EQ(GetBE32(b + 48), 4000u);
    // "462ah": 4, 62, 'a', 'h'
    EXPECT_EQ(b[52], 4);
    EXPECT_EQ(b[53], 62);
    EXPECT_EQ(b[54], 'a');
    EXPECT_EQ(b[55], 'h');
    EXPECT_EQ(b[56], 3);  // 2003
    EXPECT_EQ(b[57], 1);
    EXPECT_EQ(b[58], 10);
    EXPECT_EQ(b[74], 2);
    EXPECT_EQ(GetBE16(b + 75), 0x1234);
    EXPECT_EQ(b[77], 7);
    // Only the file-name part, cut to 23 characters.
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 80)), "a_rather_long_program_n");
    EXPECT_EQ(b[103], 0);
    EXPECT_EQ(b[104], 6);
    EXPECT_EQ(b[105], 5);
    EXPECT_EQ(b[109], 45);
    EXPECT_EQ(GetBE32(b + 110), 1234u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(b + 114)), "cal.scx");
    EXPECT_EQ(GetBE32(b + 144), 321u);
    EXPECT_EQ(b[148], 9);
    EXPECT_EQ(b[149], 0x55);
    EXPECT_EQ(GetBE32(b + 150), 3u);
    EXPECT_EQ(GetBE32(b + 154), 0xDEADBEEFu);
    EXPECT_EQ(GetBE16(b + 162 + 14), 0x701);
    EXPECT_EQ(GetBE16(b + 178), 100);
    EXPECT_EQ(GetBE16(b + 184), 400);
    EXPECT_EQ(GetBE16(b + 186), 1000);
    for (int i = 188; i < 199; ++i)
        EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[199], Sum8(b, 4, 198));
}

TEST(FactoryBlock, ParseRestoresWhatBuildWrote)
{
    CFakeModels models(StandardModels());
    const CMotor src = FullMotor();
    uint8_t b[FACTORY_BLOCK_SIZE];
    src.BuildFactoryBlock(b);
    CMotor m;
    m.ParseFactoryData(b);
    EXPECT_EQ(m.VQXFlags, 5);
    EXPECT_EQ(m.Model, "TQ2315S");
    EXPECT_EQ(m.IPSl, 7);
    EXPECT_EQ(m.SerialNumber, src.SerialNumber);
    EXPECT_EQ(m.EnRes, 4000u);
    EXPECT_EQ(m.Version, "462ah");  // taken from the block because the motor had none
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m.ProdDates[i], src.ProdDates[i]);
    EXPECT_EQ(m.NoRMA, 2);
    EXPECT_EQ(m.RMANo, 0x1234);
    EXPECT_EQ(m.RMADt, src.RMADt);
    EXPECT_EQ(m.ProgName, "a_rather_long_program_n");
    EXPECT_TRUE(SameMoment(m.progDate, src.progDate));
    EXPECT_EQ(m.ProgSize, 1234u);
    EXPECT_EQ(m.CalProgName, "cal.scx");
    EXPECT_TRUE(SameMoment(m.calProgDate, src.calProgDate));
    EXPECT_EQ(m.CalProgSize, 321u);
    EXPECT_EQ(m.CalV, 9);
    EXPECT_EQ(m.TstRs, 0x55);
    EXPECT_EQ(m.MotorType, 3);
    EXPECT_EQ(m.HO, 0xDEADBEEFu);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(m.CommOptions[i], src.CommOptions[i]);
    EXPECT_EQ(m.KP, 100);
    EXPECT_EQ(m.KL, 400);
}

TEST(FactoryBlock, ParseKeepsTheMotorsOwnVersionAndBoundsHostileContents)
{
    CFakeModels models(StandardModels());
    uint8_t b[FACTORY_BLOCK_SIZE];
    CMotor src = FullMotor();
    src.MotorType = 0;
    src.BuildFactoryBlock(b);
    // Unterminated texts everywhere, a model index outside the table, gains with a bad check word.
    std::memset(b + 6, 'X', 3);
    std::memset(b + 13, 'Y', 18);
    std::memset(b + 80, 'Z', 24);
    PutBE32(b + 150, 9999);
    PutBE16(b + 186, 1);
    CMotor m;
    m.Version = "462";
    m.ParseFactoryData(b, 200);
    EXPECT_EQ(m.Version, "462");
    EXPECT_EQ(m.Model, "XXX2315" + std::string(18, 'Y'));
    EXPECT_EQ(m.ProgName, std::string(24, 'Z'));
    EXPECT_EQ(m.MotorType, 0);
    EXPECT_EQ(m.KP, GAIN_UNKNOWN);
    EXPECT_EQ(m.KL, GAIN_UNKNOWN);

    // A program name is a file name: one with folders leads nowhere but to its file-name part.
    const struct {
        const char* stored;
        const char* read;
    } names[] = {{"../../etc/passwd", "passwd"}, {"/dev/zero", "zero"}, {"..\\..\\x.tqx", "x.tqx"},
                 {"..", ""}, {".", ""}, {"dir/", ""}, {"prog.tqx", "prog.tqx"}};
    for (const auto& n : names) {
        std::memset(b + 80, 0, 24);
        std::memcpy(b + 80, n.stored, std::strlen(n.stored));
        std::memset(b + 114, 0, 24);
        std::memcpy(b + 114, n.stored, std::strlen(n.stored));
        CMotor named;
        named.ParseFactoryData(b, 200);
        EXPECT_EQ(named.ProgName, n.read) << n.stored;
        EXPECT_EQ(named.CalProgName, n.read) << n.stored;
    }
}

TEST(FactoryBlock, ShortBlockHoldsNoGainsAndNoRmaMeansNoRmaData)
{
    uint8_t b[FACTORY_BLOCK_SIZE];
    CMotor src = FullMotor();
    src.NoRMA = 0;
    src.BuildFactoryBlock(b);
    EXPECT_EQ(GetBE16(b + 75), 0);
    EXPECT_EQ(b[77], 0);
    CMotor m;
    m.ParseFactoryData(b, 180);  // a block of 180 bytes ends before the gains
    EXPECT_EQ(m.KP, GAIN_UNKNOWN);
    EXPECT_EQ(m.RMANo, 0);
    EXPECT_EQ(m.CommOptions[7], 0x701);
    // Bytes from the sum byte on are not the block's contents.
    m.ParseFactoryData(b, 150);
    EXPECT_EQ(m.CalV, 9);
    EXPECT_EQ(m.MotorType, 0);
    EXPECT_EQ(m.HO, 0u);
}

TEST(FactoryBlock, VersionFieldEncodings)
{
    struct Case {
        const char* version;
        uint8_t bytes[4];
        const char* back;
    } cases[] = {
        {"450", {4, 50, 0, 0}, "450"},
        {"462", {4, 62, 0, 0}, "462"},
        {"461h", {4, 61, 'h', 0}, "461h"},
        {"462ah", {4, 62, 'a', 'h'}, "462ah"},
        {"4621b", {4, '>', '1', 'b'}, "4621b"},
        {"510", {5, 10, 0, 0}, "510"},
        // The two digits after the first ones keep their leading zero.
        {"400", {4, 0, 0, 0}, "400"},
        {"405b", {4, 5, 'b', 0}, "405b"},
        {"5", {0, 5, 0, 0}, "5"},
        {"", {0, 0, 0, 0}, ""},
    };
    for (const Case& c : cases) {
        uint8_t b[4];
        PutVersion(b, c.version);
        EXPECT_EQ(0, std::memcmp(b, c.bytes, 4)) << c.version;
        EXPECT_EQ(GetVersion(b), c.back) << c.version;
    }
}

TEST(FactoryBlock, ModelSplitsIntoPrefixNumberAndRest)
{
    struct Case {
        const char* model;
        const char* back;
    } cases[] = {
        {"TQ2315S", "TQ2315S"}, {"23HS", "23HS"}, {"ABCD12", "ABCD12"},
        {"", ""},               {"TQ007x", "TQ7x"},  // leading zeros of the number are not kept
    };
    for (const Case& c : cases) {
        uint8_t b[25];
        PutModel(b, c.model);
        EXPECT_EQ(GetModel(b), c.back) << c.model;
    }
    uint8_t b[25];
    PutModel(b, "");
    for (uint8_t x : b)
        EXPECT_EQ(x, 0);
}

TEST(FactoryBlock, DatesWithoutMonthAndDayReadAsNone)
{
    uint8_t b[6] = {};
    PutPackedDate(b, 0);
    EXPECT_EQ(GetPackedDate(b), 0u);
    PutPackedDate(b, PackDate(2010, 0, 0));
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(GetPackedDate(b), 0u);
    // The older packed program date of stored motors.
    const SystemTime t = UnpackProgramDate(2 * 634400 + 5 * 48800 + 17 * 1525 + 9 * 61 + 30);
    EXPECT_EQ(t.wYear, 2002);
    EXPECT_EQ(t.wMonth, 5);
    EXPECT_EQ(t.wDay, 17);
    EXPECT_EQ(t.wHour, 9);
    EXPECT_EQ(t.wMinute, 30);
    EXPECT_EQ(t.wSecond, 0);
    EXPECT_EQ(UnpackProgramDate(634399).wYear, 0);
}
