// The checking passes: every message of the table reached by an input, error recovery, the
// decided faults.
#include <gtest/gtest.h>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Checker : public ScannerTest {
protected:
    // Scans and expects exactly these codes in this order.
    void Expect(const std::string& text, std::vector<int> codes)
    {
        Scan(text);
        EXPECT_EQ(Codes(), codes) << "program:\n" << text << "\nmessages:\n" << Dump();
    }
    // A language with one extra keyword (name, type, operands).
    void AddKeyword(const std::string& name, int type, std::vector<COPType> ops, int flags = 0)
    {
        CLanguage l = TableLanguage();
        CKeyword k;
        k.Name = name;
        k.Type = type;
        k.Flags = flags;
        k.OperandCount = static_cast<int>(ops.size());
        for (size_t i = 0; i < ops.size(); ++i)
            k.Operands[i] = ops[i];
        l.Keywords.push_back(k);
        s.SetLanguage(l);
    }
    void SetFeatures(uint32_t f)
    {
        CLanguage l = TableLanguage();
        l.Features = f;
        s.SetLanguage(l);
    }
};

TEST_F(Checker, SyntaxMessages)
{
    Expect("PRINT(\"abc\nEND", {1201});
    Expect("VLD a,1)\nEND", {1202});
    Expect("VLD(a,1 G\nEND", {1203});
    Expect("CASE\nEND", {1236});
    Expect("GOTO x\nEND", {1204});
    Expect("A-x\nEND", {1204});
    Expect("PRINT(a b)\nEND", {1206});
    Expect("C10\nC10\nEND", {1207});
    Expect("CCHN(XX,0)\nEND", {1210});
    Expect("C1000\nEND", {1210});
    Expect("VLD(a,bb)\nEND", {1210});
    Expect("LOAD\nEND", {1211});
    Expect("a b\nEND", {1212});
    Expect("ab[1] G\nEND", {1212});
    Expect("VLD(5,1)\nEND", {1213});
    Expect("VLD(a)\nEND", {1214});
    Expect("VLD(a,1,2)\nEND", {1214});
    Expect("a=RP\nEND", {1215});
    Expect("a=G\nEND", {1215});
    Expect("a=)\nEND", {1215});
    Expect("ab=5\nEND", {1216});
    Expect("ab[1=5\nEND", {1217});
    Expect("foo\nEND", {1219});
    Expect("#bogus\nEND", {1220});
    Expect("@P=5\nEND", {1221});
    Expect("G", {1249, 1222});
    Expect("GOTO5\nEND", {1223});
    Expect("PRINT(a)G\nEND", {1247});
    Expect("a 1 2 3\nEND", {1248});
    Expect("G\nX", {1249, 1222});
    Expect("a=b\nEND\nV=5", {1249});
}

TEST_F(Checker, MessagesOfOtherLanguages)
{
    COPType str;
    str.Type = COPType::String;
    AddKeyword("SAY", CKeyword::Parenthesised, {str});
    Expect("SAY(a)\nEND", {1205});
    Expect("SAY(\"hi\")\nEND", {});
    COPType hash;
    hash.Type = COPType::Hash;
    AddKeyword("CHR", CKeyword::Parenthesised, {hash});
    Expect("CHR(5)\nEND", {1209});
    Expect("CHR(#x)\nEND", {1204});
    Expect("CHR(#5)\nEND", {});
    SetFeatures(0x1 | 0x8);
    Expect("a=|b\nEND", {1218});
    Expect("a=|b|+|-c|\nEND", {});
    SetFeatures(0);
    Expect("a=|b|\nEND", {1220});
    Expect("A100\nEND", {1220});
}

TEST_F(Checker, SeparatorKeyword)
{
    Expect("!\nG ! X\nEND", {});
    Expect("IF a!=b G ENDIF\nEND", {});
}

TEST_F(Checker, BlockMessages)
{
    Expect("IF a\nEND", {1226});
    Expect("ELSEIF a\nEND", {1227});
    Expect("ELSE\nEND", {1228});
    Expect("IF a\nELSE\nELSE\nENDIF\nEND", {1229});
    Expect("IF a\nELSE\nELSEIF b\nENDIF\nEND", {1230});
    Expect("ENDIF\nEND", {1231});
    Expect("WHILE a\nEND", {1232});
    Expect("LOOP\nEND", {1233});
    Expect("SWITCH a\nCASE 1\nEND", {1234});
    Expect("SWITCH a\nG\nCASE 1\nENDS\nEND", {1235});
    Expect("CASE 1\nEND", {1236});
    Expect("DEFAULT\nEND", {1237});
    Expect("SWITCH a\nCASE 1\nDEFAULT\nCASE 2\nENDS\nEND", {1238});
    Expect("SWITCH a\nCASE 1\nDEFAULT\nDEFAULT\nENDS\nEND", {1239});
    Expect("ENDS\nEND", {1240});
    Expect("BREAK\nEND", {1241});
    Expect("CMP a\nEND", {1242});
    Expect("IFT\nEND", {1243});
    Expect("IFF\nEND", {1244});
    Expect("IFX\nEND", {1245});
    // Blocks above the needed one are closed with their opening errors.
    Expect("IF a\nWHILE b\nENDIF\nEND", {1232});
    EXPECT_EQ(Find(1232)->line, 1);
    Expect("WHILE b\nIF a\nENDIF\nENDIF\nLOOP\nEND", {1232, 1231, 1233});
}

TEST_F(Checker, BlockErrorsAtTheOpeningToken)
{
    Expect("G\n  IF a>1\nEND", {1226});
    EXPECT_EQ(Find(1226)->line, 1);
    EXPECT_EQ(Find(1226)->column, 2);
    Expect("IF a\nEND\n", {1226});
    Expect("IF a\n END\nENDIF", {1249});
}

TEST_F(Checker, EndAnywhereIsEnough)
{
    Expect("IF a\nEND\nENDIF\nGOTO1\nC1 RETURN", {});
    Expect("RETURN", {1222});
    Expect("", {1222});
    EXPECT_EQ(s.Errors()[0].line, -1);
}

TEST_F(Checker, RangeWarnings)
{
    Expect("aw[0]=70000\nEND", {1401});
    EXPECT_EQ(Find(1401)->message, "Constant out of range. (-32768 .. 32767)");
    Expect("E=70000\nEND", {1401});
    EXPECT_EQ(Find(1401)->message, "Constant out of range. (0 .. 65535)");
    Expect("A=-1\nEND", {1401});
    EXPECT_EQ(Find(1401)->message, "Constant out of range. (Non-Negative Number Required)");
    Expect("ADDR=121\nEND", {1401});
    Expect("ADDR=120\nEND", {});
    Expect("AINA5\nEND", {1401});
    Expect("OCHN(RS4,0,N,1200,1,8,C)\nEND", {1403});
    Expect("OCHN(RS4,0,N,9600,1,7,C)\nEND", {1401});
    Expect("BAUD1200\nEND", {1401});
    Expect("PRINT(13)\nEND", {1405});
    Expect("PRINT(#13,300)\nEND", {});
    Expect("a=2147483648\nEND", {1401});
    Expect("a=-2147483648\nEND", {});
    Expect("a=99999999999999999999999*99999\nEND", {1401, 1401});
    // Declared types other than ranges and baud rates are never range-checked.
    Expect("a=5 b=a\nEND", {});
}

TEST_F(Checker, RangeMismatchWithCheckParamRange)
{
    s.CheckParamRange = true;
    Expect("ab[0]=aw[1]\nEND", {});
    Expect("ADDR=@P\nEND", {});
    Expect("ADDR=-TEMP-200\nEND", {});
    Expect("ab[0]=|aw[1]|\nEND", {1220});
    s.CheckNumRange = false;
    Expect("ADDR=500\nEND", {});
}

TEST_F(Checker, RangeMismatchOfDisjointRanges)
{
    s.CheckParamRange = true;
    Expect("ADDR=-ADDR\nEND", {});
    Expect("ADDR=-(1)\nEND", {1215});
    COPType small = COPType::MakeRange(0, 5);
    small.Expression = 1;
    AddKeyword("SETX", CKeyword::CommaOperands, {small});
    Expect("SETX,-UAA\nEND", {});       // -1023 .. 0 overlaps 0 .. 5
    Expect("SETX,-UAA-UAA\nEND", {});   // hull -1023 .. 0
    Expect("SETX,-VOLTS*2\nEND", {});
    AddKeyword("SETY", CKeyword::CommaOperands, {COPType::MakeRange(100, 200)});
    Expect("SETY,-ADDR\nEND", {1402});
    Expect("SETY,150\nEND", {});
}

TEST_F(Checker, AssignmentToKeywords)
{
    Expect("V=1000 P=p CLK=0\nEND", {});
    Expect("V=-a+5\nEND", {});
    Expect("@PE=1\nEND", {1221});
    Expect("G=1\nEND", {1221});
    Expect("AINA1=1\nEND", {1221});
    Expect("T=40000\nEND", {1401});
}

TEST_F(Checker, BreakInsideIfInsideWhileClosesNothing)
{
    Expect("WHILE a<10\n IF a==5\n  BREAK\n ENDIF\n a=a+1\nLOOP\nEND", {});
    Expect("SWITCH a\nCASE 1\n WHILE b\n  BREAK\n LOOP\n BREAK\nENDS\nEND", {});
}

TEST_F(Checker, FiftyOneNestedIfsStop)
{
    std::string text;
    for (int i = 0; i < 51; ++i)
        text += "IF a\n";
    text += "foo\n";
    Expect(text, {1801});
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "IF a\n";
    for (int i = 0; i < 50; ++i)
        fifty += "ENDIF\n";
    Expect(fifty + "END", {});
}

TEST_F(Checker, RecoveryGoesOnWithTheNextLine)
{
    Expect("foo bar\nbaz\nG\nEND", {1219, 1219});
    EXPECT_EQ(s.Errors()[1].line, 1);
    // A second fault on the same line gives no message.
    Expect("a=) b=)\nEND", {1215});
}

TEST_F(Checker, RecoveryAtABracketTokenThatStartsALine)
{
    // ")" is missing: the error is found at the first token of the next line, where the
    // walk goes on (so "foo" there is reported too).
    Expect("VLD(a,1\nfoo\nEND", {1203, 1219});
    EXPECT_EQ(s.Errors()[0].line, 1);
    EXPECT_EQ(s.Errors()[0].column, 0);
    // A statement at the very end that misses its bracket is reported once, not until the
    // error limit.
    Expect("END\nPRINT", {1249, 1202});
    Expect("END\nab", {1249, 1216});
}

TEST_F(Checker, MessagePlaceCountsIndentation)
{
    Expect("G\n\t  foo\nEND", {1219});
    EXPECT_EQ(s.Errors()[0].line, 1);
    EXPECT_EQ(s.Errors()[0].column, 3);
    EXPECT_EQ(s.Errors()[0].message, "Undefined symbol \"foo\".");
    EXPECT_TRUE(s.Errors()[0].fileName.empty());
}

TEST_F(Checker, ErrorsToWarnings)
{
    s.Errors2Warnings = true;
    Expect("foo\na=bar+1\nEND", {1619, 1619});
    EXPECT_EQ(s.Errors()[0].message, "Undefined symbol \"foo\".");
    EXPECT_EQ(s.Errors().GetErrorCount(), 0);
}

TEST_F(Checker, ErrorsToWarningsKeepsAnUnknownCommandWhole)
{
    // An unknown command's own "=" value or parameter list is one warning and stays joined to
    // it in the image; a command after a blank is checked again.
    s.Errors2Warnings = true;
    Expect("NEW=100\nNEW(1,2) G\nSWITCH a\nCASE 1 foo BREAK\nENDS\nEND", {1619, 1619, 1619});
    const std::string image = s.CompiledImage();
    EXPECT_EQ(image.substr(image.find("NEW=")), "NEW=100\nNEW(1,2) G\n$S001CTCHa\n$C$c002C 1 foo $X002CAK\n$eNDS\nEND\n");
}

TEST_F(Checker, ListLimitsEndTheWalk)
{
    s.Errors().Init(3, 50);
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += "foo\n";
    Scan(text + "IF a\n");
    EXPECT_EQ(Codes(), (std::vector<int>{1219, 1219, 1219, 1802}));
    s.Errors().Init(50, 2);
    Scan("ADDR=500\nADDR=500\nADDR=500\nEND");
    EXPECT_EQ(Codes(), (std::vector<int>{1401, 1401, 1803}));
    s.Errors().Init(50, 50);
}

TEST_F(Checker, DivisionByZeroIsAMessageNotACrash)
{
    Expect("a=5/0\nEND", {1401});
    EXPECT_EQ(Find(1401)->message, "Constant out of range. (Division by zero)");
    Expect("a=-9223372036854775807-9\nEND", {1401, 1401});
}

TEST_F(Checker, LiteralsBeyond32BitsWarnWhereverTheyStand)
{
    // The motor holds 32 bits: a longer literal in a CASE or a number list is never silent.
    Expect("SWITCH a\nCASE 99999999999\nENDS\nEND", {1401});
    Expect("SWITCH a\nCASE -2147483649\nCASE -2147483648\nENDS\nEND", {1401});
    Expect("a 5 99999999999.\nEND", {1401});
    Expect("a 2147483647 -2147483648.\nEND", {});
}

TEST_F(Checker, NumberLists)
{
    Expect("ab[0] 1 -2 3.\nEND", {});
    Expect("ab[0] 1 200 3.\nEND", {1401});
    Expect("a 1 2\n3\nEND", {1248, 1220});
    Expect("a 1 -x.\nEND", {1204});
    Expect("a 1 - 2.\nEND", {1220});
    Expect("a 1,2.\nEND", {1248, 1219});
}

TEST_F(Checker, GotoExpressionsWithFeature4)
{
    SetFeatures(0x4 | 0x8);
    Expect("GOTO a+1\nEND", {});
    Expect("GOTO5\nEND", {1223});
}
