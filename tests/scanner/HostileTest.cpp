// Hostile input never crashes or hangs: binary files, very long files, deep nesting, huge
// literals, broken RTF.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

class Hostile : public ScannerTest {
protected:
    void ScanQuickly(const std::string& text)
    {
        const auto t0 = std::chrono::steady_clock::now();
        Scan(text);
        try {
            (void)s.CompiledImage();
        } catch (const CVQXException& e) {
            EXPECT_EQ(e.GetCode(), 1039); // a body above 0xFFFF bytes
        }
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
        EXPECT_LE(s.Errors().GetCount(), s.Errors().GetCapacity());
    }
};

TEST_F(Hostile, RandomBinary)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 30; ++round) {
        std::string text(5000 + round * 100, '\0');
        for (char& c : text)
            c = static_cast<char>(rng());
        ScanQuickly(text);
    }
}

TEST_F(Hostile, RandomTokensOfTheLanguage)
{
    const char* words[] = {"IF", "ELSEIF", "ELSE", "ENDIF", "WHILE", "LOOP", "SWITCH", "CASE", "DEFAULT", "BREAK",
                           "ENDS", "GOTO", "GOSUB", "C1", "C2", "GOTO1", "RETURN", "END", "a", "ab", "[", "]",
                           "(", ")", "=", "-", "+", "|", "\"", "#", ",", ".", "1", "99999999999", "PRINT", "VLD",
                           "OCHN", "RP", "A", "@P", "'", "\n", "\n", "CMP", "IFT", "IFX", "x:", "GOTO x"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text += words[rng() % (sizeof words / sizeof *words)];
            text += (rng() % 3) ? " " : "";
        }
        ScanQuickly(text);
        TempDir dir;
        try {
            s.WriteCompiled(dir / "x.tqx", true);
        } catch (const CVQXException&) {
        }
    }
}

TEST_F(Hostile, TenThousandLines)
{
    std::string text;
    for (int i = 0; i < 9999; ++i)
        text += "a=a+1 IF a>5 PRINT(\"x\",a,#13) ENDIF\n";
    text += "END\n";
    ScanQuickly(text);
    ExpectClean();
    std::string errors;
    for (int i = 0; i < 9000; ++i)
        errors += "foo bar\n";
    ScanQuickly(errors);
    EXPECT_EQ(s.Errors().GetErrorCount(), 51);
}

TEST_F(Hostile, DeepNestingEverywhere)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "WHILE a\nIF b\nSWITCH c\n";
    ScanQuickly(text);
    EXPECT_TRUE(Has(1801));
    std::string defs;
    for (int i = 0; i < 400; ++i)
        defs += std::string("#ifdef X").append(std::to_string(i)) + "\n";
    for (int i = 0; i < 400; ++i)
        defs += "#endif\n";
    ScanQuickly(defs + "END");
    ExpectClean();
    std::string chain = "#define D0 1\n";
    for (int i = 1; i < 400; ++i)
        chain += std::string("#define D").append(std::to_string(i)) + std::string(" D").append(std::to_string(i - 1)) + std::string("+D").append(std::to_string(i - 1)) + "\n";
    ScanQuickly(chain + "a=D399\nEND");
    ASSERT_EQ(Codes(), std::vector<int>{1220}); // the doubling chain is refused, not expanded
    EXPECT_NE(s.Errors()[0].message.find("too long"), std::string::npos);
}

TEST_F(Hostile, HugeLiteralsAndLongLines)
{
    ScanQuickly("a=" + std::string(100000, '9') + "\nEND");
    EXPECT_TRUE(Has(1401));
    ScanQuickly("PRINT(\"" + std::string(200000, 'x') + "\")\nEND");
    ExpectClean();
    ScanQuickly(std::string(100000, '(') + "\nEND");
    ScanQuickly("C" + std::string(50, '9') + "\nGOTO" + std::string(50, '9') + "\nEND");
    EXPECT_TRUE(Has(1210));
}

TEST_F(Hostile, FunctionsNestedInExpressions)
{
    CLanguage l = TableLanguage();
    CKeyword fn;
    fn.Name = "FN";
    fn.Type = CKeyword::Parenthesised;
    fn.Flags = CKeyword::Term;
    fn.OperandCount = 1;
    fn.Operands[0] = COPType::MakeAny();
    fn.Operands[0].Expression = 1;
    fn.ReturnValue = COPType::MakeAny();
    l.Keywords.push_back(fn);
    s.SetLanguage(l);
    ScanQuickly("a=FN(FN(FN(1)))\nEND");
    ExpectClean();
    std::string deep = "a=";
    for (int i = 0; i < 100000; ++i)
        deep += "FN(";
    ScanQuickly(deep + "\nEND");
    ASSERT_EQ(Codes(), std::vector<int>{1220});
    EXPECT_EQ(s.Errors()[0].message, "Expression nested too deeply.");
}

TEST_F(Hostile, BrokenRtfFiles)
{
    TempDir dir;
    std::mt19937 rng(3);
    const std::string pieces[] = {"{", "}", "\\", "\\par", "\\'", "\\*", "\\fonttbl", "\\u", "-5", "G", " ", "\\line",
                                  "\\'zz", "\\uc0", "END"};
    for (int round = 0; round < 100; ++round) {
        std::string text = "{\\rtf1";
        for (int i = 0; i < 500; ++i)
            text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
        const std::string path = dir.Write("r.tqs", text);
        const auto t0 = std::chrono::steady_clock::now();
        s.ScanFile(path, "");
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    }
}

TEST_F(Hostile, SelfIncludingFilesStop)
{
    TempDir dir;
    dir.Write("a.tqs", "#include \"b.tqs\"\nG\n");
    dir.Write("b.tqs", "#include \"a.tqs\"\nX\n");
    s.ScanFile(dir.Write("main.tqs", "#include \"a.tqs\"\n#include \"main.tqs\"\nEND\n"), "");
    ExpectClean();
    EXPECT_EQ(s.Lines().size(), 3u);
}
