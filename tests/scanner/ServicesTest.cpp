// The compiler calls of the tools, the tuner and the playground, as written there.
#include <gtest/gtest.h>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Services : public ScannerTest {
protected:
    TempDir dir;
};

TEST_F(Services, TunerScanThenWriteCompiled)
{
    // DownloadTuningProgram: Scan(text, version, 0, 1), then WriteCompiled("_T_U_N_E_.tqx").
    const std::string text = "p=@P\r\nPRINT1(@PE+z,z,#13)\r\nG\r\nCLK=0\r\nWHILE CLK<t\r\n"
                             "IF CLK>=w P=p G w=t ENDIF\r\na=@PE b=@P-p\r\nPRINT1(a+z,b+z,#13)\r\nLOOP\r\n"
                             "PRINT1(\"FINISHED\",#13)\r\nEND";
    s.Scan(text, "", 0, 1);
    EXPECT_FALSE(s.Calibration());
    EXPECT_EQ(s.WriteCompiled(dir / "_T_U_N_E_.tqx"), 1);
    const std::string file = ReadFile(dir / "_T_U_N_E_.tqx");
    EXPECT_EQ(file.substr(0, 5), "$4000");
    EXPECT_LT(file.size(), 0x7FFFu);
    // With an error the writer answers 0 and writes nothing.
    s.Scan("foo\nEND", "", 0, 1);
    EXPECT_EQ(s.WriteCompiled(dir / "_T_U_N_E_2.tqx"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "_T_U_N_E_2.tqx"));
}

TEST_F(Services, PlaygroundCompileFileWithErrorsToWarnings)
{
    // CompilePollingProgram: Errors2Warnings read, set to 1 and restored around
    // CompileFile(source, "_P_O_L_L_.tqx", version, 1).
    const std::string src = dir.Write("Include/PGPC0V4.tqs", "C9 PRINT(\"P\",@P,#13) unknownThing\nRETURN\nEND\n");
    const bool saved = s.Errors2Warnings;
    s.Errors2Warnings = true;
    EXPECT_TRUE(s.CompileFile(src, dir / "_P_O_L_L_.tqx", "", 1));
    s.Errors2Warnings = saved;
    EXPECT_EQ(s.Errors().GetWarningCount(), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "_P_O_L_L_.tqx"));
    EXPECT_FALSE(s.CompileFile(src, dir / "_P_O_L_L_2.tqx", "", 1));
}

TEST_F(Services, MessagesAccumulateWithoutAFreshList)
{
    s.Scan("foo\nEND", "", false, true);
    s.Scan("bar\nEND", "", false, false);
    EXPECT_EQ(Codes(), (std::vector<int>{1219, 1219}));
    EXPECT_EQ(s.Errors()[1].message, "Undefined symbol \"bar\".");
}

TEST_F(Services, CalibrationSourcesAndTheirCompiledName)
{
    const std::string src = dir.Write("cal.tqc", "{\\rtf1\\korvessanfile G\\par END\\par}");
    s.ScanFile(src, "", true, true);
    ExpectClean();
    EXPECT_TRUE(s.Calibration());
    const std::string out = CScanner::GetCompiledFileName(src);
    EXPECT_EQ(out, dir / "cal.scx");
    EXPECT_TRUE(s.WriteCompiled(out));
}

TEST_F(Services, GetTokensAndCheckProgramForTheEngine)
{
    // The engine's text compile tokenises each line and runs CheckProgram once.
    s.Scan("G\nEND", "");
    ASSERT_EQ(s.Lines().size(), 2u);
    CLine line;
    line.text = "IF a>=10";
    line.GetTokens(s.Language());
    EXPECT_EQ(line.tokens.size(), 4u);
    s.CheckProgram();
    ExpectClean();
}

TEST_F(Services, ErrorFieldsUsedByTheTools)
{
    s.Scan("G\n  foo", "");
    ASSERT_GE(s.Errors().GetCount(), 1);
    const CError& e = s.Errors()[0];
    EXPECT_EQ(e.code, 1219);
    EXPECT_EQ(e.line, 1);
    EXPECT_EQ(e.column, 2);
    const CError& last = s.Errors()[static_cast<size_t>(s.Errors().GetCount() - 1)];
    EXPECT_EQ(last.code, 1222);
    EXPECT_EQ(last.line, -1);
    EXPECT_EQ(last.column, -1);
}
