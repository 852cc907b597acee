// The language table: every row of the engine's keyword table in its order, the VQX words,
// the codes the engine's table gives, and the mapping to the .sld.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

namespace {

// The engine's table: all names, in table order after the three arrays.
const char* const kEngineNames =
    "!, @P, @PE, @V, A, ADDR, AINA, AINB, AINC, AIND, AINE, AINF, AING, AINH, AMPS, AOUTA, AOUTB, "
    "AOUTC, AOUTD, AOUTE, AOUTF, AOUTG, AOUTH, BAUD, BASE, BON, BOFF, BREAK, BRKC, BRKENG, BRKF, BRKG, "
    "BRKI, BRKRLS, BRKSRV, BRKTRJ, Ba, Bb, Bc, Bd, Be, Bf, Bh, Bi, Bk, Bl, Bm, Bo, Bp, Br, Bs, Bt, Bu, "
    "Bv, Bx, Bw, By, Bz, C, CASE, CC, CCHN, CF, CHN0, CHN1, CI, CLK, CMD, CMD1, CTR, CUR, CX, D, DAT, "
    "DAT1, DD0, DD1, DE0, DE1, DEFAULT, DINA, DINB, DINC, DIND, DINE, DINF, DING, DINH, DOUTA, DOUTB, "
    "DOUTC, DOUTD, DOUTE, DOUTF, DOUTG, DOUTH, E, ECHO, ECHO1, ECHO_OFF, ECHO_OFF1, ELSE, ELSEIF, ENC0, "
    "ENC1, END, ENDS, ENDIF, EPTR, ES400, ES1000, F, FD, FDB, FLIM, FLON, FLOFF, FMB, G, GETCHR, "
    "GETCHR1, GOSUB, GOTO, I, I1, I2, I3, I4, I5, I6, I7, I8, I9, I10, I11, I12, IA, IF, KA, KD, KF, "
    "KG, KGOFF, KGON, KI, KL, KP, KS, KV, LEN, LEN1, LIMD, LIMH, LIML, LIMN, LLA, LLB, LOAD, LOCKP, "
    "LOCKPROM, LOOP, LWA, LWB, MC, MC2, MC4, MC8, MD, MD50, MF0, MF1, MF2, MF4, MFDIV, MFMUL, MFRATIO, "
    "MFR, MOD, MP, MS, MS0, MSR, MT, MTB, MV, MLC, MLI, MLO, MLX, O, O1, O2, O3, O4, O5, O6, O7, O8, "
    "OA, OCHN, OF, OFF, P, PID1, PID2, PID4, PID8, PRINT, PRINT1, PRINTA, PRINTB, PRINTC, PRINTD, "
    "PRINTE, PRINTF, PRINTG, PRINTH, PWM, Q, RCKS, RCS, RCS1, RES, RETURN, RETURNF, RETURNI, RMODE, "
    "RS2, RS4, RSP, RUN, RUN?, RW, S, SADDR, SILENT, SILENT1, SIZE, SLD, SLE, SLEEP, SLEEP1, SLN, SLP, "
    "STACK, STUBA, STUBB, STUBC, STUBD, SWITCH, T, TALK, TALK1, TEMP, THD, THS, TH, TS, TWAIT, U, UA, "
    "UAA, UAI, UAO, UB, UBA, UBI, UBO, UC, UCA, UCI, UCP, UCO, UD, UDA, UDI, UDM, UDO, UE, UEA, UEI, "
    "UEO, UF, UFA, UFI, UFO, UG, UGA, UGI, UGO, UHA, UIA, UJA, UKA, ULA, ULIMDISABLE, ULIMENABLE, UP, "
    "UPLOAD, V, VD, VER, VL, VLD, VOLTS, VST, WAIT, WAKE, WAKE1, WHILE, X, Z, ZS, Za, Zb, Zc, Zd, Ze, "
    "Zf, Zh, Zl, Zr, Zs, Zu, Zv, Zw, Zy, Zz";

std::vector<std::string> EngineNames()
{
    std::vector<std::string> names;
    std::stringstream ss(kEngineNames);
    std::string n;
    while (std::getline(ss, n, ',')) {
        while (!n.empty() && n.front() == ' ')
            n.erase(n.begin());
        names.push_back(n);
    }
    return names;
}

const CLanguageRow& Row(const std::string& name)
{
    for (const CLanguageRow& r : Table().rows)
        if (r.name == name)
            return r;
    static CLanguageRow none;
    ADD_FAILURE() << "no row " << name;
    return none;
}

} // namespace

TEST(LanguageTable, EngineRowsInTableOrder)
{
    const auto names = EngineNames();
    ASSERT_EQ(names.size(), 328u);
    std::vector<const CLanguageRow*> engine;
    for (const CLanguageRow& r : Table().rows)
        if (r.engine)
            engine.push_back(&r);
    ASSERT_EQ(engine.size(), 331u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(engine[static_cast<size_t>(i)]->name.empty());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(engine[i + 3]->name, names[i]) << i;
}

TEST(LanguageTable, VqxWordsTheEngineLacks)
{
    for (const char* n : {"CMP", "IFT", "IFF", "IFX", "RETV", "RET", "ENDP"}) {
        EXPECT_FALSE(Row(n).engine) << n;
    }
    std::set<std::string> seen;
    for (const CLanguageRow& r : Table().rows) {
        if (!r.name.empty()) {
            EXPECT_TRUE(seen.insert(r.name).second) << "duplicate " << r.name;
        }
    }
}

TEST(LanguageTable, CodesGivenByTheEngineTable)
{
    const CLanguageRow& al = Table().rows[0];
    EXPECT_EQ(al.kind, kKindVar);
    EXPECT_EQ(al.cls, 5u);
    EXPECT_EQ(al.value, 22);
    EXPECT_EQ(al.params, std::vector<int>{7});
    EXPECT_EQ(Table().rows[1].value, 19);
    EXPECT_EQ(Table().rows[1].params, std::vector<int>{9});
    EXPECT_EQ(Table().rows[2].value, 14);
    EXPECT_EQ(Table().rows[2].params, std::vector<int>{13});
    EXPECT_EQ(Row("ADDR").cls, 5u);
    EXPECT_EQ(Row("ADDR").value, 11);
    EXPECT_EQ(Row("A").cls, 7u);
    EXPECT_EQ(Row("A").value, 21);
    EXPECT_EQ(Row("MOD").value, 29);
    EXPECT_EQ(Row("AINC").kind, kKindFunc);
    EXPECT_EQ(Row("AINC").params, std::vector<int>{5});
    EXPECT_EQ(Row("AINC").value, 15);
    EXPECT_EQ(Row("AOUTH").kind, kKindCmd1);
    EXPECT_EQ(Row("AOUTH").params, std::vector<int>{8});
    EXPECT_EQ(Row("DOUTB").kind, kKindCmdN);
    EXPECT_EQ(Row("DOUTB").params, (std::vector<int>{8, 15 | kCodeExpression}));
    for (const char* n : {"C", "GOTO", "GOSUB"}) {
        EXPECT_EQ(Row(n).kind, kKindFunc);
        EXPECT_EQ(Row(n).params, std::vector<int>{16});
    }
    EXPECT_EQ(Row("VLD").kind, kKindList);
    EXPECT_EQ(Row("VST").params, (std::vector<int>{28, 20}));
    EXPECT_EQ(Row("CCHN").params, (std::vector<int>{25, 4}));
    EXPECT_EQ(Row("OCHN").params, (std::vector<int>{25, 4, 26, 23, 3, 24, 27}));
    for (const char* n : {"PRINT", "PRINT1", "PRINTA", "PRINTH"})
        EXPECT_EQ(Row(n).kind, kKindPrint);
    for (const char* n : {"END", "IF", "ELSEIF", "ELSE", "ENDIF", "WHILE", "LOOP", "SWITCH", "CASE", "DEFAULT",
                          "BREAK", "ENDS"})
        EXPECT_EQ(Row(n).kind, kKindCmd) << n;
    EXPECT_FALSE(Row("@P").cls & kClassSet); // "@P" may not be set
}

TEST(LanguageTable, EveryRowHasHelpAndJudgedRowsSayWhy)
{
    int judged = 0;
    for (const CLanguageRow& r : Table().rows) {
        EXPECT_FALSE(r.help.empty()) << "line " << r.sourceLine;
        if (r.comment.find("judged") != std::string::npos)
            ++judged;
    }
    EXPECT_GT(judged, 80);
}

TEST(LanguageTable, MappingToTheSld)
{
    const CLanguage l = TableLanguage();
    EXPECT_EQ(l.Version, "400");
    EXPECT_EQ(l.HeaderVersion, "400");
    EXPECT_EQ(l.Features, 0x8u);
    EXPECT_TRUE(l.InitFile.empty());
    EXPECT_EQ(l.Keywords.size(), 339u);
    const CKeyword* a = l.Find("A");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Type, 1);
    EXPECT_EQ(a->Flags, 7);
    EXPECT_EQ(a->OperandCount, 1);
    EXPECT_EQ(a->ReturnValue, COPType::MakeRange(0, 2147483647));
    const CKeyword* goTo = l.Find("GOTO");
    ASSERT_TRUE(goTo);
    EXPECT_EQ(goTo->Type, 2);
    EXPECT_EQ(goTo->Operands[0], COPType::MakeRange(0, 999));
    EXPECT_TRUE(goTo->Flags & CKeyword::FlowColour);
    EXPECT_TRUE(l.Find("C")->Flags & CKeyword::LabelColour);
    const CKeyword* ochn = l.Find("OCHN");
    EXPECT_EQ(ochn->Type, 5);
    EXPECT_EQ(ochn->OperandCount, 7);
    EXPECT_EQ(ochn->Operands[0].Type, 4);
    EXPECT_EQ(ochn->Operands[0].Strings, "RS2,RS4,IIC");
    EXPECT_EQ(ochn->Operands[2].Strings, "I,N,O,E");
    EXPECT_EQ(ochn->Operands[3].Type, 6);
    EXPECT_EQ(ochn->Operands[5], COPType::MakeRange(8, 8));
    EXPECT_EQ(ochn->Operands[6].Strings, "C,D,M");
    EXPECT_EQ(l.Find("VLD")->Operands[0].Type, 7);
    EXPECT_EQ(l.Find("DOUTA")->Type, 4);
    EXPECT_EQ(l.Find("DOUTA")->Operands[1].Expression, 1);
    EXPECT_EQ(l.Find("AOUTA")->Type, 3);
    EXPECT_EQ(l.Find("PRINT")->Type, 6);
    EXPECT_EQ(l.Find("LOAD")->Type, 0);
    EXPECT_EQ(l.Keywords[0].ReturnValue, COPType::MakeRange(INT32_MIN, INT32_MAX));
    EXPECT_EQ(l.Keywords[1].Operands[0], COPType::MakeRange(0, 101));
    EXPECT_EQ(l.Keywords[2].ReturnValue, COPType::MakeRange(-128, 127));
    EXPECT_EQ(l.Find(""), nullptr);
}

TEST(LanguageTable, BadRowsAreRefusedWithTheirLine)
{
    CLanguageTable t;
    std::string error;
    const std::string head = "<al> var ST 7=22 - \"a\"\n<aw> var ST 9=19 - \"b\"\n<ab> var ST 13=14 - \"c\"\n";
    EXPECT_TRUE(ParseLanguageTable(head + "G cmd - - - \"go\" ' judged\n", t, error)) << error;
    EXPECT_FALSE(ParseLanguageTable(head + "G verb - - - \"go\"\n", t, error));
    EXPECT_EQ(error.rfind("line 4:", 0), 0u) << error;
    EXPECT_FALSE(ParseLanguageTable(head + "G cmd - 99 - \"go\"\n", t, error));
    EXPECT_FALSE(ParseLanguageTable(head + "G cmd - - - go\n", t, error));
    EXPECT_FALSE(ParseLanguageTable(head + "G cmd - - nope \"go\"\n", t, error));
    EXPECT_FALSE(ParseLanguageTable("G cmd - - - \"go\"\n", t, error));
}

// Forms that real programs use compile cleanly with the table.
class TableForms : public ScannerTest {};

TEST_F(TableForms, AssignmentsReportsMotionFlowPrint)
{
    Scan("V=1000 A=100 P=p CLK=0 E=30000 KP=200 KD=1000 F\n"
         "RP RV RA RCLK R@P RBo RBs RAINA1 Ra Rab[3]\n"
         "MP G TWAIT MV G X S OFF\n"
         "a=@P b=@PE+z c=AINB2 d=UAI e=GETCHR f=CLK*2 g=-a h=V/4\n"
         "al[0]=5 aw[1]=-32768 ab[n+m]=127 al[2] 1 -2 3.\n"
         "AOUTA,63 DOUTB1,a+1 CCHN(RS2,0) OCHN(RS4,0,N,9600,1,8,C) VLD(aaa,10) VST(a,b)\n"
         "PRINT(\"pos \",@P,#13) PRINT1(a,#10,#13) PRINTA(\"x\")\n"
         "IF a>=10 G ELSEIF a==5 X ELSE S ENDIF\n"
         "WHILE a<10 a=a+1 IF a==3 BREAK ENDIF LOOP\n"
         "SWITCH a CASE 1 G BREAK CASE -2 X DEFAULT S ENDS\n"
         "CMP a>b IFT G IFF X IFX\n"
         "C1 GOSUB2 GOTO1\n"
         "C2 RETURN\n"
         "BAUD9600 SADDR5 ADDR=5 A100 O=0 WAIT=100 ECHO SLEEP WAKE Z\n"
         "END\n");
    ExpectClean();
}

TEST_F(TableForms, TheTunersProgram)
{
    for (const std::string ch : {"", "1"}) {
        const std::string text = "p=@P\r\nPRINT" + ch + "(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\n"
                                 "IF CLK>=w P=p G w=t ENDIF\r\na=@PE b=@P-p\r\nPRINT" + ch +
                                 "(a+z,b+z,#13)\r\nLOOP\r\nPRINT" + ch + "(\"FINISHED\",#13)\r\nEND";
        Scan(text);
        ExpectClean();
        TempDir dir;
        EXPECT_TRUE(s.WriteCompiled(dir / "_T_U_N_E_.tqx"));
    }
}

TEST_F(TableForms, PollingProgramStatements)
{
    Scan("f=45 p=@P+1 w=-1 i=-1 o=-1 g=-1 n=0\nn=1\nP=@P MP G OFF\nz=UAI Rz\nz=UGI Rz\n"
         "C9\nPRINT(\"P\",@P,\"E\",@PE,\"W\",w,#13)\nRETURN\nEND\n");
    ExpectClean();
}
