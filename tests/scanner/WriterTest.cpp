// The writer: the compiled program, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/archive/TagArchive.h"
#include "tests/common/CodeOf.h"
#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Writer : public ScannerTest {
protected:
    std::string Compile(const std::string& text)
    {
        Scan(text);
        EXPECT_EQ(s.Errors().GetErrorCount(), 0) << Dump();
        return s.CompiledImage();
    }
    // The body after the header (27 characters) and the label table.
    std::string Body(const std::string& image) const
    {
        return image.substr(27 + 4 * static_cast<size_t>(s.LabelCount()));
    }
    void SetFeatures(uint32_t f)
    {
        CLanguage l = TableLanguage();
        l.Features = f;
        s.SetLanguage(l);
    }
    TempDir dir;
};

TEST_F(Writer, EndIsTheEnginesFixedEndImage)
{
    EXPECT_EQ(Compile("END"), "$40000000E100000400000000040000000000000000END\n");
    EXPECT_EQ(s.ProgramLength(), 4);
    EXPECT_EQ(s.Checksum(), 225u);
    EXPECT_EQ(s.LabelCount(), 4);
    ASSERT_TRUE(s.WriteCompiled(dir / "_E_N_D_.tqx"));
    EXPECT_EQ(ReadFile(dir / "_E_N_D_.tqx"), "$40000000E100000400000000040000000000000000END\n");
}

TEST_F(Writer, EndFromTheShippedLanguageFile)
{
    CScanner fromFile; // Default.sld of the program folder (the registry is the fixture's, empty)
    fromFile.Scan("END", "400");
    EXPECT_EQ(fromFile.Errors().GetCount(), 0);
    EXPECT_EQ(fromFile.CompiledImage(), "$40000000E100000400000000040000000000000000END\n");
}

TEST_F(Writer, TheTunersProgramByteForByte)
{
    const std::string image = Compile("p=@P\r\nPRINT(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\n"
                                      "IF CLK>=w P=p G w=t ENDIF\r\na=@PE b=@P-p\r\nPRINT(a+z,b+z,#13)\r\nLOOP\r\n"
                                      "PRINT(\"FINISHED\",#13)\r\nEND");
    // WHILE at 32 (0x20), IF at 43 with ENDIF at 63 (0x3F), LOOP at 101, the PRINT after it at
    // 106 (0x6A), 132 bytes in all.
    EXPECT_EQ(image, "$400000211300008400000000040000000000000000"
                     "p=@P\nPRINT(@PE+z,z,#13)\nG\nCLK=0\n$W006ALECLK<t\n$I003FCLK>=w P=p G w=t ENDIF\n"
                     "a=@PE b=@P-p\nPRINT(a+z,b+z,#13)\n$L0020P\nPRINT(\"FINISHED\",#13)\nEND\n");
}

TEST_F(Writer, HeaderFields)
{
    const std::string image = Compile("  ' comment only\nV=1000 G ' go\nEND");
    // "V=1000 G\n" and "END\n": 9 + 4 bytes; comments add nothing.
    EXPECT_EQ(s.ProgramLength(), 13);
    uint32_t sum = 0;
    for (char c : std::string("V=1000 G\nEND\n"))
        sum += static_cast<unsigned char>(c);
    EXPECT_EQ(s.Checksum(), sum);
    char header[64];
    std::snprintf(header, sizeof header, "$4000%06X%06X%06X%04X", sum, 13u, 0u, 4u);
    EXPECT_EQ(image.substr(0, 27), header);
    EXPECT_EQ(image.substr(5, 6), image.substr(5, 6)); // the download reads the checksum at 5..10
    EXPECT_EQ(Body(image), "V=1000 G\nEND\n");
}

TEST_F(Writer, LabelTableSizes)
{
    auto count = [&](const std::string& labels) {
        Compile(labels + "END");
        return s.LabelCount();
    };
    EXPECT_EQ(count(""), 4);
    EXPECT_EQ(count("C0\n"), 4);
    EXPECT_EQ(count("C3\n"), 4);
    EXPECT_EQ(count("C4\n"), 8);
    EXPECT_EQ(count("C7\n"), 8);
    EXPECT_EQ(count("C8\n"), 12);
    EXPECT_EQ(count("C999\n"), 1000);
}

TEST_F(Writer, LabelTableFills)
{
    std::string image = Compile("G\nC2 X\nEND");
    // C2 is at address 2.
    EXPECT_EQ(image.substr(27, 16), "0000000000020000");
    EXPECT_EQ(s.LabelSum(), 2u);
    EXPECT_EQ(image.substr(17, 6), "000002");

    SetFeatures(0x10 | 0x8);
    image = Compile("END");
    EXPECT_EQ(s.LabelCount(), 8);
    EXPECT_EQ(s.LabelSum(), 4080u);
    EXPECT_EQ(image.substr(27, 32), std::string(32, 'F').replace(0, 32, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
    EXPECT_EQ(image.substr(17, 10), "000FF00008");

    SetFeatures(0x2);
    image = Compile("END");
    EXPECT_EQ(s.LabelCount(), 0);
    EXPECT_EQ(image, "$40000000E10000040000000000END\n");
    image = Compile("G\nC2 X\nEND");
    EXPECT_EQ(s.LabelCount(), 4);
    EXPECT_EQ(image.substr(27, 16), "FFFFFFFF0002FFFF");
    EXPECT_EQ(s.LabelSum(), 510u * 3 + 2);
}

TEST_F(Writer, SymbolicLabelsStayInsideTheTable)
{
    Compile("GOTO there\nthere: END");
    EXPECT_EQ(s.HighestLabel(), 10);
    EXPECT_EQ(s.LabelCount(), 12);
    const std::string image = s.CompiledImage();
    EXPECT_EQ(image.substr(27 + 40, 4), "0008");
    EXPECT_EQ(Body(image), "$B0008O010\nC10 END\n");
}

TEST_F(Writer, IfElseifElseRecords)
{
    const std::string image = Compile("IF a>1\nG\nELSEIF a<0\nX\nELSE\nS\nENDIF\nEND");
    // Addresses: IF 0 (3 with its blank), a 3, > 4, 1 5, LF 6; G 7; ELSEIF 9 (7 with its blank),
    // a 16 .. LF 19; X 20; ELSE 22; S 27; ENDIF 29; END 35.
    EXPECT_EQ(Body(image), "$I000Da>1\nG\n$A001DE$I0016a<0\nX\n$E001DE\nS\nENDIF\nEND\n");
    EXPECT_EQ(s.ProgramLength(), 39);
}

TEST_F(Writer, ElseifChains)
{
    const std::string image = Compile("IF a\nELSEIF b\nELSEIF c\nENDIF\nEND");
    // IF 0..2 a 3 LF 4; ELSEIF 5..11 b 12 LF 13; ELSEIF 14..20 c 21 LF 22; ENDIF 23.
    EXPECT_EQ(Body(image), "$I0009a\n$A0017E$I0012b\n$A0017E$I0017c\nENDIF\nEND\n");
    const std::string plain = Compile("IF a\nENDIF\nEND");
    EXPECT_EQ(Body(plain), "$I0005a\nENDIF\nEND\n");
}

TEST_F(Writer, SwitchCaseBreakRecords)
{
    const std::string image = Compile("SWITCH a\nCASE 1\nG\nBREAK\nCASE -2\nX\nDEFAULT\nS\nENDS\nEND");
    // SWITCH 0 a 6 LF 7; CASE 8 " 1" LF 14; G 15; BREAK 17; CASE 23 " -2" LF 30; X 31;
    // DEFAULT 33; S 41; ENDS 43.
    EXPECT_EQ(Body(image), "$S0009TCHa\n$C$c0018 1\nG\n$X002BAK\n$C$c0021 -2\nX\n$DEFAULT\nS\n$eNDS\nEND\n");
}

TEST_F(Writer, WhileLoopBreakRecords)
{
    const std::string image = Compile("WHILE a<5\nIF a==3 BREAK ENDIF\na=a+1\nLOOP\nEND");
    // WHILE 0 a 5 < 6 5 7 LF 8; IF 9 a 12 == 13 3 15 " BREAK" 17 " ENDIF" 23 LF 28;
    // a=a+1 29 LF 34; LOOP 35 LF 39; END 40.
    EXPECT_EQ(Body(image), "$W0028LEa<5\n$I0017a==3 $X0028AK ENDIF\na=a+1\n$L0000P\nEND\n");
}

TEST_F(Writer, GotoGosubRecords)
{
    const std::string image = Compile("C1\nGOTO1\nGOSUB 1\nGOSUB2\nC2 RETURN\nEND");
    // C1 0 LF 2; GOTO1 3 LF 8; GOSUB 9 1 14 LF 15; GOSUB2 16 LF 22; C2 23.
    EXPECT_EQ(Body(image), "C1\n$B0000O1\n$G0000UB1\n$G0017UB2\nC2 RETURN\nEND\n");
    EXPECT_EQ(image.substr(27, 16), "0000000000170000");
}

TEST_F(Writer, RecordsFillTheRoomOfTheirKeyword)
{
    // Each record is as long in the motor as the text it replaces; decode the file body back
    // to keyword text and the body length and checksum must match the header.
    const std::string image = Compile("IF a\nELSEIF b\nELSE\nENDIF\nSWITCH a\nCASE 1\nBREAK\nDEFAULT\nENDS\n"
                                      "WHILE a\nBREAK\nLOOP\nC3\nGOSUB3\nGOTO3\nEND");
    std::string body = Body(image), decoded;
    for (size_t i = 0; i < body.size();) {
        auto rec = [&](const char* marker, size_t hexCount, const char* tail, const char* text) {
            const size_t m = std::strlen(marker), t = std::strlen(tail);
            if (body.compare(i, m, marker) != 0)
                return false;
            if (body.compare(i + m + hexCount, t, tail) != 0)
                return false;
            decoded += text;
            i += m + hexCount + t;
            return true;
        };
        if (rec("$A", 4, "E$I", "ELSEIF ") && (i += 4, true))
            continue;
        if (rec("$I", 4, "", "IF ") || rec("$E", 4, "E", "ELSE") || rec("$S", 4, "TCH", "SWITCH") ||
            rec("$C$c", 4, "", "CASE") || rec("$DEFAULT", 0, "", "DEFAULT") || rec("$X", 4, "AK", "BREAK") ||
            rec("$eNDS", 0, "", "ENDS") || rec("$W", 4, "LE", "WHILE") || rec("$L", 4, "P", "LOOP") ||
            rec("$B", 4, "O", "GOTO") || rec("$G", 4, "UB", "GOSUB"))
            continue;
        decoded += body[i++];
    }
    uint32_t sum = 0;
    for (char c : decoded)
        sum += static_cast<unsigned char>(c);
    EXPECT_EQ(decoded.size(), s.ProgramLength()) << decoded;
    EXPECT_EQ(sum, s.Checksum());
    // Every label-table entry points at its "C<n>" token in the motor's program.
    for (int i = 0; i < s.LabelCount(); ++i) {
        const std::string entry = image.substr(27 + 4 * static_cast<size_t>(i), 4);
        if (entry == "0000" && !s.Label(i))
            continue;
        const size_t address = std::stoul(entry, nullptr, 16);
        EXPECT_EQ(decoded.substr(address, 2 + (i > 9)), std::string("C").append(std::to_string(i))) << i;
    }
    EXPECT_TRUE(s.Label(3));
}

TEST_F(Writer, NothingWrittenAfterErrorsUnlessForcedWithOnlyUndefinedSymbols)
{
    Scan("foo\nEND");
    EXPECT_FALSE(s.WriteCompiled(dir / "a.tqx"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.tqx"));
    EXPECT_TRUE(s.WriteCompiled(dir / "a.tqx", true));
    EXPECT_EQ(ReadFile(dir / "a.tqx").substr(27 + 16), "foo\nEND\n");
    Scan("foo\nENDIF\nEND");
    EXPECT_FALSE(s.WriteCompiled(dir / "b.tqx", true));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.tqx"));
    Scan("ADDR=500\nEND"); // warnings do not stop the writer
    EXPECT_TRUE(s.WriteCompiled(dir / "c.tqx"));
}

TEST_F(Writer, ForcedProgramKeepsTheTextAfterAnUndefinedSymbol)
{
    // The rest of the line after an undefined symbol is not checked; it keeps its own blanks.
    Scan("G foo X\nV=bar G\nV=baz + 5 PRINT(a, 1) S\nNEW=100\nEND");
    ASSERT_TRUE(s.Errors().OnlyUndefinedSymbols());
    ASSERT_TRUE(s.WriteCompiled(dir / "a.tqx", true));
    EXPECT_EQ(ReadFile(dir / "a.tqx").substr(27 + 16), "G foo X\nV=bar G\nV=baz+5 PRINT(a,1) S\nNEW=100\nEND\n");
    // A flow word there has no jump target: no image, rather than a jump to address 0.
    for (const char* text : {"SWITCH a\nCASE 1 foo BREAK\nDEFAULT\nENDS\nEND",
                             "IF a\nG\nfoo ELSE\nX\nENDIF\nEND", "WHILE a\nfoo BREAK\nLOOP\nEND"}) {
        Scan(text);
        ASSERT_TRUE(s.Errors().OnlyUndefinedSymbols()) << text;
        EXPECT_FALSE(s.WriteCompiled(dir / "b.tqx", true)) << text;
        EXPECT_FALSE(std::filesystem::exists(dir / "b.tqx")) << text;
        EXPECT_TRUE(Has(1220)) << text; // the message names the flow word
    }
    // Also when undefined symbols are only warnings.
    s.Errors2Warnings = true;
    Scan("WHILE a\nfoo,BREAK\nLOOP\nEND");
    ASSERT_EQ(s.Errors().GetErrorCount(), 0);
    EXPECT_FALSE(s.WriteCompiled(dir / "c.tqx"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.tqx"));
}

TEST_F(Writer, FileErrors)
{
    Compile("END");
    EXPECT_EQ(CodeOf([&] { s.WriteCompiled(dir / "no/such/folder/x.tqx"); }), 1035);
    EXPECT_EQ(CodeOf([&] { s.ScanFile(dir / "missing.tqs", ""); }), 1034);
}

TEST_F(Writer, CompileFileWritesOnlyWithoutErrors)
{
    const std::string good = dir.Write("good.tqs", "G\r\nEND\r\n");
    EXPECT_TRUE(s.CompileFile(good, dir / "good.tqx", ""));
    EXPECT_EQ(ReadFile(dir / "good.tqx"), "$400000013200000600000000040000000000000000G\nEND\n");
    const std::string bad = dir.Write("bad.tqs", "G\r\n");
    EXPECT_FALSE(s.CompileFile(bad, dir / "bad.tqx", ""));
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.tqx"));
}

TEST_F(Writer, SizeLimits)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "PRINT(\"0123456789\") G\n";
    text += "END\n";
    const std::string src = dir.Write("long.tqs", text);
    EXPECT_EQ(CodeOf([&] { s.CompileFile(src, dir / "long.tqx", ""); }), 1039);
    EXPECT_FALSE(std::filesystem::exists(dir / "long.tqx"));
    EXPECT_TRUE(s.CompileFile(src, dir / "long.tqx", "", true, 0)); // no limit asked

    // A body above 0xFFFF bytes cannot be addressed: refused.
    std::string huge;
    for (int i = 0; i < 3000; ++i)
        huge += "PRINT(\"0123456789012345678901234\")\n";
    Scan(huge + "END\n");
    ASSERT_EQ(s.Errors().GetErrorCount(), 0);
    EXPECT_THROW(s.WriteCompiled(dir / "huge.tqx"), CVQXException);
    EXPECT_FALSE(std::filesystem::exists(dir / "huge.tqx"));
}

TEST(CompiledFileName, OnlyTheExtensionOfTheFileName)
{
    EXPECT_EQ(CScanner::GetCompiledFileName("/a/prog.tqs"), "/a/prog.tqx");
    EXPECT_EQ(CScanner::GetCompiledFileName("/a/x.TQC"), "/a/x.scx");
    EXPECT_EQ(CScanner::GetCompiledFileName("/a/dir.old/prog"), "/a/dir.old/prog.tqx");
    EXPECT_EQ(CScanner::GetCompiledFileName("dir.old\\prog"), "dir.old\\prog.tqx");
    EXPECT_EQ(CScanner::GetCompiledFileName("/home/u/.profile"), "/home/u/.profile.tqx");
    EXPECT_EQ(CScanner::GetCompiledFileName("a.b.tqs"), "a.b.tqx");
}

TEST_F(Writer, SettingsGroup)
{
    TempDir d;
    {
        CScanner a;
        a.Errors().MaxErrors = 7;
        a.CheckParamRange = true;
        a.Errors2Warnings = true;
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForWrite(d / "p.spj"));
        a.SerializeSettings(ar, "Scanner");
        ASSERT_TRUE(ar.Close());
    }
    CScanner b;
    CTagArchive ar("VQXWSPFILE");
    ASSERT_TRUE(ar.OpenForRead(d / "p.spj"));
    b.SerializeSettings(ar, "Scanner");
    EXPECT_EQ(b.Errors().MaxErrors, 7);
    EXPECT_EQ(b.Errors().MaxWarnings, 50);
    EXPECT_TRUE(b.CheckNumRange);
    EXPECT_TRUE(b.CheckParamRange);
    EXPECT_TRUE(b.Errors2Warnings);
}

// One compiler used in turn for programs of every size (its token memory kept and started again
// at each scan, define expansions going past the scan's estimate) gives the images of fresh ones.
TEST_F(Writer, OneCompilerInTurnGivesTheImagesOfFreshCompilers)
{
    auto lines = [](int n, const std::string& line) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += line + "\n";
        return text + "END\n";
    };
    const std::vector<std::string> programs{
        lines(1500, "a=a+1 IF a>5 PRINT(\"x y\",a,#13) ENDIF"),
        "V=1000 G\nEND\n",
        "#define GO P=1000 V=a*2 A=100 G\n#define TWICE GO GO\n" + lines(1000, "TWICE"),
        lines(1500, "a=a+1 IF a>5 PRINT(\"x y\",a,#13) ENDIF"),
        "C1 GOSUB2 END\nC2 b=b+1 RETURN\n",
    };
    for (size_t i = 0; i < programs.size(); ++i) {
        CScanner fresh;
        fresh.SetLanguage(TableLanguage());
        fresh.Scan(programs[i], "");
        ASSERT_EQ(fresh.Errors().GetErrorCount(), 0) << "program " << i;
        const std::string expected = fresh.CompiledImage();
        EXPECT_EQ(Compile(programs[i]), expected) << "program " << i;
        EXPECT_EQ(s.Lines().size(), fresh.Lines().size()) << "program " << i;
    }
}

// The store hands out arrays that never overlap, from one block once it knows the size.
TEST(TokenStore, ArraysNeverOverlapAndOneBlockServesAKnownSize)
{
    CTokenStore store;
    std::vector<std::pair<char*, size_t>> arrays;
    for (int round = 0; round < 3; ++round) {
        store.Rewind(size_t{1} << 20);
        arrays.clear();
        // Half a megabyte within the estimate, then a megabyte beyond it.
        for (size_t bytes = 0; bytes < (size_t{3} << 19); bytes += 4000) {
            char* p = static_cast<char*>(store.allocate(4000, alignof(CToken)));
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(CToken), 0u);
            std::memset(p, round + 1, 4000);
            arrays.emplace_back(p, 4000);
        }
        std::sort(arrays.begin(), arrays.end());
        for (size_t i = 1; i < arrays.size(); ++i)
            ASSERT_GE(arrays[i].first, arrays[i - 1].first + arrays[i - 1].second);
        for (const auto& [p, n] : arrays)
            ASSERT_EQ(p[0], round + 1);
    }
    // After a scan that needed more than its estimate, one block holds all of it.
    const size_t held = store.Capacity();
    store.Rewind(size_t{1} << 20);
    EXPECT_EQ(store.Capacity(), held);
    EXPECT_GE(held, size_t{3} << 19);
}
