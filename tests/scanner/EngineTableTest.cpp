// The engine's built-in keyword table and message texts.
#include "scanner/EngineTable.h"
#include "scanner/LanguageTable.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The engine's keyword names in its table order, after the three unnamed array rows.
const char* const kEngineNames =
    "! @P @PE @V A ADDR AINA AINB AINC AIND AINE AINF AING AINH AMPS AOUTA AOUTB AOUTC AOUTD AOUTE AOUTF "
    "AOUTG AOUTH BAUD BASE BON BOFF BREAK BRKC BRKENG BRKF BRKG BRKI BRKRLS BRKSRV BRKTRJ Ba Bb Bc Bd Be Bf "
    "Bh Bi Bk Bl Bm Bo Bp Br Bs Bt Bu Bv Bx Bw By Bz C CASE CC CCHN CF CHN0 CHN1 CI CLK CMD CMD1 CTR CUR CX D "
    "DAT DAT1 DD0 DD1 DE0 DE1 DEFAULT DINA DINB DINC DIND DINE DINF DING DINH DOUTA DOUTB DOUTC DOUTD DOUTE "
    "DOUTF DOUTG DOUTH E ECHO ECHO1 ECHO_OFF ECHO_OFF1 ELSE ELSEIF ENC0 ENC1 END ENDS ENDIF EPTR ES400 ES1000 "
    "F FD FDB FLIM FLON FLOFF FMB G GETCHR GETCHR1 GOSUB GOTO I I1 I2 I3 I4 I5 I6 I7 I8 I9 I10 I11 I12 IA IF "
    "KA KD KF KG KGOFF KGON KI KL KP KS KV LEN LEN1 LIMD LIMH LIML LIMN LLA LLB LOAD LOCKP LOCKPROM LOOP LWA "
    "LWB MC MC2 MC4 MC8 MD MD50 MF0 MF1 MF2 MF4 MFDIV MFMUL MFRATIO MFR MOD MP MS MS0 MSR MT MTB MV MLC MLI "
    "MLO MLX O O1 O2 O3 O4 O5 O6 O7 O8 OA OCHN OF OFF P PID1 PID2 PID4 PID8 PRINT PRINT1 PRINTA PRINTB PRINTC "
    "PRINTD PRINTE PRINTF PRINTG PRINTH PWM Q RCKS RCS RCS1 RES RETURN RETURNF RETURNI RMODE RS2 RS4 RSP RUN "
    "RUN? RW S SADDR SILENT SILENT1 SIZE SLD SLE SLEEP SLEEP1 SLN SLP STACK STUBA STUBB STUBC STUBD SWITCH T "
    "TALK TALK1 TEMP THD THS TH TS TWAIT U UA UAA UAI UAO UB UBA UBI UBO UC UCA UCI UCP UCO UD UDA UDI UDM "
    "UDO UE UEA UEI UEO UF UFA UFI UFO UG UGA UGI UGO UHA UIA UJA UKA ULA ULIMDISABLE ULIMENABLE UP UPLOAD V "
    "VD VER VL VLD VOLTS VST WAIT WAKE WAKE1 WHILE X Z ZS Za Zb Zc Zd Ze Zf Zh Zl Zr Zs Zu Zv Zw Zy Zz ";

const CEngineKeyword& Row(const std::string& name)
{
    for (const CEngineKeyword& k : EngineKeywordTable())
        if (name == k.name)
            return k;
    throw std::runtime_error("no row " + name);
}

std::vector<int> Codes(const CEngineKeyword& k)
{
    std::vector<int> out;
    for (int i = 0; i < 8 && EngineTypeCode(k, i); ++i)
        out.push_back(EngineTypeCode(k, i));
    return out;
}

TEST(EngineTable, RowsInTheEngineOrderWithTheirCodes)
{
    const auto& table = EngineKeywordTable();
    ASSERT_EQ(table.size(), 331u);
    std::istringstream names(kEngineNames);
    std::string name;
    size_t i = 3;
    while (names >> name) {
        ASSERT_LT(i, table.size());
        EXPECT_EQ(name, table[i].name) << i;
        ++i;
    }
    EXPECT_EQ(i, 331u);
    // The user arrays: value class then index class.
    const std::vector<std::vector<int>> arrays = {{22, 7}, {19, 9}, {14, 13}};
    for (size_t a = 0; a < 3; ++a) {
        EXPECT_STREQ(table[a].name, "");
        EXPECT_EQ(table[a].kind, 0x100u);
        EXPECT_EQ(table[a].cls, 5u);
        EXPECT_EQ(Codes(table[a]), arrays[a]);
    }
    struct Telling {
        const char* name;
        uint32_t kind, cls;
        std::vector<int> codes;
    };
    const Telling rows[] = {
        {"ADDR", 0x100, 5, {11}},
        {"A", 0x100, 7, {21}},
        {"MOD", 0x100, 7, {29}},
        {"AINC", 0x04, Row("AINC").cls, {5, 15}},
        {"AOUTH", 0x02, Row("AOUTH").cls, {8}},
        {"DOUTA", 0x08, Row("DOUTA").cls, {8, 15 | 0x40}},
        {"GOTO", 0x04, Row("GOTO").cls, {16}},
        {"GOSUB", 0x04, Row("GOSUB").cls, {16}},
        {"C", 0x04, Row("C").cls, {16}},
        {"VLD", 0x01, Row("VLD").cls, {28, 20}},
        {"VST", 0x01, Row("VST").cls, {28, 20}},
        {"CCHN", 0x01, Row("CCHN").cls, {25, 4}},
        {"OCHN", 0x01, Row("OCHN").cls, {25, 4, 26, 23, 3, 24, 27}},
        {"PRINT", 0x20, Row("PRINT").cls, {}},
        {"PRINTH", 0x20, Row("PRINTH").cls, {}},
        {"END", 0x10, Row("END").cls, {}},
        {"IF", 0x10, Row("IF").cls, {}},
        {"WHILE", 0x10, Row("WHILE").cls, {}},
    };
    for (const Telling& t : rows) {
        SCOPED_TRACE(t.name);
        const CEngineKeyword& k = Row(t.name);
        EXPECT_EQ(k.kind, t.kind);
        EXPECT_EQ(k.cls, t.cls);
        EXPECT_EQ(Codes(k), t.codes);
        EXPECT_EQ(k.reserved, 0u);
    }
    // "@P" may not be set; "A" may.
    EXPECT_EQ(Row("@P").cls & kClassSet, 0u);
    EXPECT_EQ(Row("A").cls & kClassSet, kClassSet);
    EXPECT_EQ(Row("OCHN").paramCount, 7u);
}

TEST(EngineTable, MessageTexts)
{
    EXPECT_EQ(EngineMessageText(111), "Constant out of range. (0 .. 120).");
    EXPECT_EQ(EngineMessageText(5), "'\"' expected.");
    EXPECT_EQ(EngineMessageText(24), "'END' expected.");
    EXPECT_EQ(EngineMessageText(70), "Too many nested keywords. Cannot continue!");
    EXPECT_EQ(EngineMessageText(200), "Possible loss of data/Range mismatch.");
    EXPECT_EQ(EngineMessageText(122), "Unknown Warning! (Code:122)");
    EXPECT_EQ(EngineMessageText(42), "Unknown Error! (Code:42)");
    // Every range class with a text names its own bounds.
    for (int cls = 3; cls <= 29; ++cls) {
        int32_t lo = 0, hi = 0;
        if (!RangeOfClass(cls, lo, hi) || cls == 22 || cls == 23)
            continue;
        const std::string text = EngineMessageText(100 + cls);
        if (lo == hi)
            EXPECT_EQ(text, "Constant out of range. (Only " + std::to_string(lo) + ").");
        else if (lo == 0 && hi == 1)
            EXPECT_EQ(text, "Constant out of range. (0 or 1).");
        else
            EXPECT_EQ(text, "Constant out of range. (" + std::to_string(lo) + " .. " + std::to_string(hi) + ").");
    }
}

} // namespace
