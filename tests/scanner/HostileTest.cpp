// Hostile input never crashes or hangs: binary files, very long files, deep nesting, huge
// literals, broken RTF. (A hang shows as the test's time-out; how fast such input is compiled is
// measured by bench_scanner, and the fuzz targets keep looking for slow inputs.)
#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

#include "tests/scanner/ScannerTestUtil.h"
#include "tests/common/CodeOf.h"

using namespace scannertest;

class Hostile : public ScannerTest {
protected:
    void ScanSafely(const std::string& text)
    {
        Scan(text);
        const int code = CodeOf([&] { (void)s.CompiledImage(); });
        EXPECT_TRUE(code == 0 || code == 1039) << code; // 1039: a body above 0xFFFF bytes
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
        ScanSafely(text);
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
        ScanSafely(text);
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
    ScanSafely(text);
    ExpectClean();
    std::string errors;
    for (int i = 0; i < 9000; ++i)
        errors += "foo bar\n";
    ScanSafely(errors);
    EXPECT_EQ(s.Errors().GetErrorCount(), 51);
}

TEST_F(Hostile, DeepNestingEverywhere)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "WHILE a\nIF b\nSWITCH c\n";
    ScanSafely(text);
    EXPECT_TRUE(Has(1801));
    std::string defs;
    for (int i = 0; i < 400; ++i)
        defs += std::string("#ifdef X").append(std::to_string(i)) + "\n";
    for (int i = 0; i < 400; ++i)
        defs += "#endif\n";
    ScanSafely(defs + "END");
    ExpectClean();
    std::string chain = "#define D0 1\n";
    for (int i = 1; i < 400; ++i)
        chain += std::string("#define D").append(std::to_string(i)) + std::string(" D").append(std::to_string(i - 1)) + std::string("+D").append(std::to_string(i - 1)) + "\n";
    ScanSafely(chain + "a=D399\nEND");
    ASSERT_EQ(Codes(), std::vector<int>{1220}); // the doubling chain is refused, not expanded
    EXPECT_NE(s.Errors()[0].message.find("too long"), std::string::npos);
}

TEST_F(Hostile, HugeLiteralsAndLongLines)
{
    ScanSafely("a=" + std::string(100000, '9') + "\nEND");
    EXPECT_TRUE(Has(1401));
    ScanSafely("PRINT(\"" + std::string(200000, 'x') + "\")\nEND");
    ExpectClean();
    ScanSafely(std::string(100000, '(') + "\nEND");
    ScanSafely("C" + std::string(50, '9') + "\nGOTO" + std::string(50, '9') + "\nEND");
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
    ScanSafely("a=FN(FN(FN(1)))\nEND");
    ExpectClean();
    std::string deep = "a=";
    for (int i = 0; i < 100000; ++i)
        deep += "FN(";
    ScanSafely(deep + "\nEND");
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
        s.ScanFile(path, "");
        EXPECT_LE(s.Errors().GetCount(), s.Errors().GetCapacity());
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

TEST_F(Hostile, NamesThatPointAtNoFileAreRefusedWithoutWaiting)
{
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo.tqs").c_str(), 0600), 0); // no writer: reading it would wait forever
    // A source file that is a FIFO, a device or a folder.
    for (const std::string& path : {dir / "fifo.tqs", std::string("/dev/zero"), dir.Path().string()}) {
        EXPECT_EQ(CodeOf([&] { s.ScanFile(path, ""); }), CVQXException::CannotOpenFile) << path;
    }
    // An include of one: the usual error, at the include.
    for (const std::string& name : {std::string("fifo.tqs"), std::string("/dev/zero"), std::string(".")}) {
        s.ScanFile(dir.Write("main.tqs", "#include \"" + name + "\"\nEND\n"), "");
        EXPECT_TRUE(Has(CError::CannotOpenInclude)) << name << "\n" << Dump();
    }
    // The start-up file a language file names lies in the Include folder: a name that leads out
    // of it is refused, one inside it is read.
    dir.Write("Include/Init.tqs", "V=100\n");
    dir.Write("Secret.tqs", "V=1\n");
    s.SetProgramFolder(dir.Path().string());
    for (const char* init : {"../Secret.tqs", "..", "/etc/passwd", "..\\Secret.tqs", "Init.tqs"}) {
        CLanguage l = TableLanguage();
        l.InitFile = init;
        s.SetLanguage(l);
        Scan("G\nEND");
        EXPECT_EQ(Has(CError::CannotOpenInclude), std::string(init) != "Init.tqs") << init << "\n" << Dump();
    }
}
