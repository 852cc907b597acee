// The preprocessor: directives, includes, defines, conditionals, labels, limits.
#include <gtest/gtest.h>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Preprocessor : public ScannerTest {
protected:
    std::string Body()
    {
        const std::string image = s.CompiledImage();
        return image.substr(image.find_first_of("\n") == std::string::npos ? 0 : 0);
    }
    // Line texts of the scan.
    std::vector<std::string> LineTexts() const
    {
        std::vector<std::string> v;
        for (const auto& l : s.Lines())
            v.push_back(l->text);
        return v;
    }
    TempDir dir;
};

TEST_F(Preprocessor, LinesSplitAtCrLfAndCrLf)
{
    Scan("G\r\nX\rS\n\n  \nEND");
    ExpectClean();
    ASSERT_EQ(s.Lines().size(), 4u);
    EXPECT_EQ(s.Lines()[3]->lineNumber, 5);
    EXPECT_EQ(s.Lines()[1]->lineNumber, 1);
    EXPECT_EQ(s.Lines()[2]->lineNumber, 2);
}

TEST_F(Preprocessor, IncludeOnceAndMainFileIgnored)
{
    dir.Write("inc.tqs", "G\n");
    const std::string main = dir.Write("main.tqs", "#include \"inc.tqs\"\n#include \"inc.tqs\"\n#include \"main.tqs\"\nEND\n");
    s.ScanFile(main, "");
    ExpectClean();
    EXPECT_EQ(LineTexts(), (std::vector<std::string>{"G", "END"}));
    EXPECT_EQ(s.Lines()[0]->fileIndex, 0);
    EXPECT_EQ(s.IncludeName(0), dir / "inc.tqs");
}

TEST_F(Preprocessor, IncludeMarkersAndMessagesOfIncludedLines)
{
    dir.Write("sub/inc.tqs", "\n  foo\n");
    const std::string main = dir.Write("main.tqs", "#include \"sub\\inc.tqs\" ' comment\nEND\n");
    s.InsertMarker = true;
    s.ScanFile(main, "");
    const CError* e = Find(1219);
    ASSERT_TRUE(e) << Dump();
    EXPECT_EQ(e->fileName, dir / "sub/inc.tqs");
    EXPECT_EQ(e->line, 1);
    EXPECT_EQ(e->column, 2);
    EXPECT_EQ(e->message, "Undefined symbol \"foo\".");
    const auto lines = LineTexts();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "IF 0 PRINT(\"Start Include: " + dir / "sub/inc.tqs" + "\") ENDIF");
    EXPECT_EQ(lines[2], "IF 0 PRINT(\"End Include: " + dir / "sub/inc.tqs" + "\") ENDIF");
    EXPECT_TRUE(s.Lines()[0]->marker);
}

TEST_F(Preprocessor, MarkerAtTheEndIsNoInvalidEnd)
{
    dir.Write("inc.tqs", "C5 RETURN\n");
    const std::string main = dir.Write("main.tqs", "GOSUB5\nEND\n#include \"inc.tqs\"\n");
    s.InsertMarker = true;
    s.ScanFile(main, "");
    ExpectClean();
}

TEST_F(Preprocessor, InsertMarkerFromTheProfile)
{
    dir.Write("inc.tqs", "G\n");
    const std::string main = dir.Write("main.tqs", "#include \"inc.tqs\"\nEND\n");
    s.ScanFile(main, "");
    EXPECT_EQ(s.Lines().size(), 2u);
    ASSERT_TRUE(registry.reg.SetDword(platform::RegHive::CurrentUser, "Software\\Korvessan\\VQX\\OptionBoxes",
                                      "InsertMarker", 1));
    s.ScanFile(main, "");
    ExpectClean();
    EXPECT_EQ(s.Lines().size(), 4u);
    s.InsertMarker = false; // the caller's choice wins
    s.ScanFile(main, "");
    EXPECT_EQ(s.Lines().size(), 2u);
}

TEST_F(Preprocessor, IncludeErrors)
{
    Scan("#include \"nowhere.tqs\"\nEND");
    ASSERT_TRUE(Has(1253)) << Dump();
    EXPECT_EQ(Find(1253)->message, "Cannot open the include file 'nowhere.tqs'.");
    EXPECT_EQ(Find(1253)->line, 0);
    EXPECT_EQ(Find(1253)->column, 0);
    EXPECT_EQ(s.Lines().size(), 0u); // the rest of that file is not read

    Scan("#include nothing\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1220});

    std::string main;
    for (int i = 0; i < 21; ++i) {
        dir.Write(std::string("i").append(std::to_string(i)) + ".tqs", "G\n");
        main += std::string("#include \"i").append(std::to_string(i)) + ".tqs\"\n";
    }
    main += "END\n";
    s.ScanFile(dir.Write("many.tqs", main), "");
    EXPECT_EQ(Codes(), std::vector<int>{1252});
    EXPECT_EQ(Find(1252)->line, 20);
}

TEST_F(Preprocessor, IncludedRtfIsStripped)
{
    dir.Write("inc.tqc", "{\\rtf1\\korvessanfile{\\fonttbl{\\f0 Courier;}}\\pard G\\par X\\par}");
    s.ScanFile(dir.Write("main.tqs", "#include \"inc.tqc\"\nEND\n"), "");
    ExpectClean();
    EXPECT_EQ(LineTexts(), (std::vector<std::string>{"G", "X", "END"}));
}

TEST_F(Preprocessor, Defines)
{
    Scan("#define SPEED 1000 ' the speed\n#define TWICE SPEED*2\nV=SPEED\nV=TWICE\nEND");
    ExpectClean();
    EXPECT_EQ(s.Lines()[0]->tokens.size(), 3u);
    EXPECT_EQ(s.Lines()[0]->tokens[2].text, "1000");
    EXPECT_EQ(s.Lines()[1]->tokens.size(), 5u);
    EXPECT_EQ(s.Lines()[1]->tokens[2].column, 2);

    Scan("#define NX 1\n#define NX 1\n#define NX 2\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1250});
    EXPECT_EQ(Find(1250)->line, 2);

    Scan("#define G 5\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1251});

    // A define applies only after its line.
    Scan("V=N\n#define N 5\nV=N\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1219});
    EXPECT_EQ(Find(1219)->line, 0);
}

TEST_F(Preprocessor, MultiTokenDefineKeepsItsTokens)
{
    Scan("#define GO P=1000 G\nGO\nEND");
    ExpectClean();
    EXPECT_EQ(s.Lines()[0]->tokens.size(), 4u);
}

TEST_F(Preprocessor, ConditionalsNest)
{
    Scan("#ifdef NOTDEFINED\n"
         "  #ifdef ALSO\n"
         "  foo\n"
         "  #endif\n"
         "  bar\n"
         "#else\n"
         "G\n"
         "#endif\n"
         "#ifndef NOTDEFINED\nX\n#else\nbaz\n#endif\n"
         "#ifdef G\nS\n#endif\n"
         "END");
    ExpectClean();
    EXPECT_EQ(LineTexts(), (std::vector<std::string>{"G", "X", "S", "END"}));
}

TEST_F(Preprocessor, ConditionalErrors)
{
    Scan("#ifdef X\nG\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1254});
    EXPECT_EQ(Find(1254)->line, 2);
    Scan("#iffy\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1220});
    Scan("#else\nfoo\n#endif\nEND");
    ExpectClean();
}

TEST_F(Preprocessor, StartupCodeOfTheInitFile)
{
    CLanguage l = TableLanguage();
    l.InitFile = "Init.tqs";
    s.SetLanguage(l);
    s.SetProgramFolder(dir.Path().string());
    dir.Write("Include/Init.tqs", "V=100\n");
    Scan("G\nEND");
    ExpectClean();
    EXPECT_EQ(LineTexts(), (std::vector<std::string>{"GOTO _ONRUN", "GOSUB _ONPOWER", "GOTO _ONRUN", "_ONPOWER:",
                                                     "V=100", "RETURN", "IF 0 PRINT(\"END_OF_INIT\") ENDIF",
                                                     "_ONRUN:", "G", "END"}));
    // Symbolic labels become C10, C11 and the jumps take their numbers.
    EXPECT_EQ(s.Lines()[3]->tokens[0].text, "C10");
    EXPECT_EQ(s.Lines()[7]->tokens[0].text, "C11");
    EXPECT_EQ(s.Lines()[0]->tokens[1].text, "011");
    EXPECT_EQ(s.Lines()[1]->tokens[1].text, "010");
    EXPECT_EQ(s.HighestLabel(), 11);
    EXPECT_EQ(s.Label(11), &s.Lines()[7]->tokens[0]);
}

TEST_F(Preprocessor, SymbolicLabels)
{
    Scan("GOTO here\nC10\nhere: G\nGOSUB here\nEND");
    ExpectClean();
    EXPECT_EQ(s.Lines()[2]->tokens[0].text, "C11"); // slot 10 is taken by C10
    EXPECT_EQ(s.Lines()[0]->tokens[1].text, "011");
    EXPECT_EQ(s.HighestLabel(), 11);
    Scan("x: G\nx: X\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1207});
    Scan("C3\nC3\nEND");
    EXPECT_EQ(Codes(), std::vector<int>{1207});
    EXPECT_EQ(Find(1207)->line, 1);
}

TEST_F(Preprocessor, TooManySymbolicLabelsAreRefused)
{
    std::string text;
    for (int i = 0; i < 995; ++i)
        text += std::string("l").append(std::to_string(i)) + ": G\n";
    text += "END\n";
    s.Errors().Init(2000, 50);
    Scan(text);
    EXPECT_EQ(s.HighestLabel(), 998);
    int refused = 0;
    for (int c : Codes())
        refused += c == 1220;
    EXPECT_EQ(refused, 6);
    s.Errors().Init(50, 50);
}

TEST_F(Preprocessor, LineLimit)
{
    std::string text;
    for (int i = 0; i < CScanner::kMaxLines; ++i)
        text += "G\n";
    Scan(text + "END\n");
    ASSERT_EQ(Codes(), std::vector<int>{1220});
    EXPECT_NE(Find(1220)->message.find("10000"), std::string::npos);
    EXPECT_EQ(Find(1220)->line, CScanner::kMaxLines);
}

TEST_F(Preprocessor, DefineLimit)
{
    std::string text;
    for (int i = 0; i <= CScanner::kMaxDefines; ++i)
        text += std::string("#define N").append(std::to_string(i)) + std::string(" ").append(std::to_string(i)) + "\n";
    Scan(text + "END\n");
    ASSERT_EQ(Codes(), std::vector<int>{1220});
    EXPECT_NE(Find(1220)->message.find("500"), std::string::npos);
}
