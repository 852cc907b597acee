// Every message of the compiler's message table is reached by an input here, except those the
// scanner cannot raise (named in scanner/README.md): 1208, 1224, 1225.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Reachability : public ScannerTest {
protected:
    TempDir dir;

    void WithKeyword(const std::string& name, int type, int opType)
    {
        CLanguage l = TableLanguage();
        CKeyword k;
        k.Name = name;
        k.Type = type;
        k.OperandCount = 1;
        k.Operands[0].Type = opType;
        l.Keywords.push_back(k);
        l.Features |= 0x1;
        s.SetLanguage(l);
    }
};

TEST_F(Reachability, EveryMessage)
{
    std::map<int, std::function<void()>> inputs = {
        {1201, [&] { Scan("PRINT(\"abc\nEND"); }},
        {1202, [&] { Scan("VLD a\nEND"); }},
        {1203, [&] { Scan("VLD(a,1 G\nEND"); }},
        {1204, [&] { Scan("GOTO x\nEND"); }},
        {1205, [&] { WithKeyword("SAY", CKeyword::Parenthesised, COPType::String); Scan("SAY(a)\nEND"); }},
        {1206, [&] { Scan("PRINT(a b)\nEND"); }},
        {1207, [&] { Scan("C1\nC1\nEND"); }},
        {1209, [&] { WithKeyword("CHR", CKeyword::Parenthesised, COPType::Hash); Scan("CHR(5)\nEND"); }},
        {1210, [&] { Scan("CCHN(XX,0)\nEND"); }},
        {1211, [&] { Scan("UPLOAD\nEND"); }},
        {1212, [&] { Scan("a\nEND"); }},
        {1213, [&] { Scan("VST(1,2)\nEND"); }},
        {1214, [&] { Scan("VLD(a)\nEND"); }},
        {1215, [&] { Scan("a=RV\nEND"); }},
        {1216, [&] { Scan("al=1\nEND"); }},
        {1217, [&] { Scan("al[1 =1\nEND"); }},
        {1218, [&] { WithKeyword("NOP", CKeyword::Alone, 0); Scan("a=|b\nEND"); }},
        {1219, [&] { Scan("bogus\nEND"); }},
        {1220, [&] { Scan("#pragma\nEND"); }},
        {1221, [&] { Scan("@V=1\nEND"); }},
        {1222, [&] { Scan("RETURN"); }},
        {1223, [&] { Scan("GOSUB7\nEND"); }},
        {1226, [&] { Scan("IF a\nEND"); }},
        {1227, [&] { Scan("ELSEIF a\nEND"); }},
        {1228, [&] { Scan("ELSE\nEND"); }},
        {1229, [&] { Scan("IF a ELSE ELSE ENDIF\nEND"); }},
        {1230, [&] { Scan("IF a ELSE\nELSEIF b\nENDIF\nEND"); }},
        {1231, [&] { Scan("ENDIF\nEND"); }},
        {1232, [&] { Scan("WHILE a\nEND"); }},
        {1233, [&] { Scan("LOOP\nEND"); }},
        {1234, [&] { Scan("SWITCH a CASE 1\nEND"); }},
        {1235, [&] { Scan("SWITCH a G\nENDS\nEND"); }},
        {1236, [&] { Scan("CASE 1\nEND"); }},
        {1237, [&] { Scan("DEFAULT\nEND"); }},
        {1238, [&] { Scan("SWITCH a CASE 1 DEFAULT\nCASE 2\nENDS\nEND"); }},
        {1239, [&] { Scan("SWITCH a CASE 1 DEFAULT\nDEFAULT\nENDS\nEND"); }},
        {1240, [&] { Scan("ENDS\nEND"); }},
        {1241, [&] { Scan("BREAK\nEND"); }},
        {1242, [&] { Scan("CMP a\nEND"); }},
        {1243, [&] { Scan("IFT\nEND"); }},
        {1244, [&] { Scan("IFF\nEND"); }},
        {1245, [&] { Scan("IFX\nEND"); }},
        {1246, [&] {
             CScanner fresh;
             fresh.SetProgramFolder(dir.Path().string()); // no Default.sld there
             fresh.Scan("END", "462");
             ASSERT_EQ(fresh.Errors().GetCount(), 1);
             EXPECT_EQ(fresh.Errors()[0].code, 1246);
             Scan("ab[0]=1\nEND");
             s.Errors().Add(fresh.Errors()[0]);
         }},
        {1247, [&] { Scan("PRINT(a)G\nEND"); }},
        {1248, [&] { Scan("a 1 2\nEND"); }},
        {1249, [&] { Scan("END\nG"); }},
        {1250, [&] { Scan("#define QQ 1\n#define QQ 2\nEND"); }},
        {1251, [&] { Scan("#define END 1\nEND"); }},
        {1252, [&] {
             std::string main;
             for (int i = 0; i < 21; ++i)
                 main += "#include \"" + dir.Write(std::string("i").append(std::to_string(i)) + ".tqs", "G\n") + "\"\n";
             Scan(main + "END");
         }},
        {1253, [&] { Scan("#include \"/nonexistent/x.tqs\"\nEND"); }},
        {1254, [&] { Scan("#ifndef Q\nEND"); }},
        {1401, [&] { Scan("ADDR=121\nEND"); }},
        {1402, [&] {
             WithKeyword("SETY", CKeyword::CommaOperands, COPType::Range);
             CLanguage l = s.Language();
             l.Keywords.back().Operands[0] = COPType::MakeRange(100, 200);
             s.SetLanguage(l);
             s.CheckParamRange = true;
             Scan("SETY,-ADDR\nEND");
         }},
        {1403, [&] { Scan("OCHN(RS2,0,E,300,1,8,M)\nEND"); }},
        {1404, [&] {
             CScanner fresh; // the shipped Default.sld, version 400
             fresh.Scan("END", "999");
             ASSERT_EQ(fresh.Errors().GetCount(), 1);
             Scan("END");
             s.Errors().Add(fresh.Errors()[0]);
         }},
        {1405, [&] { Scan("PRINT(a,10)\nEND"); }},
        {1801, [&] { Scan(std::string(51 * 5, ' ').replace(0, 0, [] {
                              std::string t;
                              for (int i = 0; i < 51; ++i)
                                  t += "IF a\n";
                              return t;
                          }())); }},
        {1802, [&] { Scan(std::string(60, '\n').replace(0, 0, [] {
                              std::string t;
                              for (int i = 0; i < 60; ++i)
                                  t += "bogus\n";
                              return t;
                          }())); }},
        {1803, [&] { Scan([] {
                              std::string t;
                              for (int i = 0; i < 60; ++i)
                                  t += "ADDR=999\n";
                              return t + "END";
                          }()); }},
    };
    for (auto& [code, input] : inputs) {
        SetUp();
        s.CheckParamRange = false;
        input();
        EXPECT_TRUE(Has(code)) << code << "\n" << Dump();
    }
    // Every coded message of the table has an input, except the three that cannot be raised.
    for (int code = 1201; code <= 1254; ++code) {
        if (code != 1208 && code != 1224 && code != 1225) {
            EXPECT_TRUE(inputs.count(code)) << code;
        }
    }
    for (int code : {1401, 1402, 1403, 1404, 1405, 1801, 1802, 1803})
        EXPECT_TRUE(inputs.count(code)) << code;
}
