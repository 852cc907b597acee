// The playground's polling programs, as shipped in the program folder's Include/: each compiles
// with the shipped compiler and language file (warnings allowed, no errors) into an image the tools
// accept (at most 0x7FFF bytes), and the image keeps the marker by which a motor (the simulated one
// in our end-to-end tests) recognises it. The simulated motor answers GOSUB9 natively, so what the
// programs do on real firmware is not checked here.
#include <gtest/gtest.h>

#include "platform/paths/Paths.h"
#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

TEST(PollingPrograms, CompileWithTheShippedLanguageWithinTheToolsLimit)
{
    struct Case {
        const char* file;
        const char* version;
        const char* print; // the statement that answers on the program's channel
    };
    const Case cases[] = {
        {"PGPC0V4.tqs", "450", "PRINT(\"W\""},
        {"PGPC1V4.tqs", "462", "PRINT1(\"W\""},
        {"PGPC0V5.tqs", "510", "PRINT(\"W\""},
        {"PGPC1V5.tqs", "510", "PRINT1(\"W\""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string source = platform::JoinPath(platform::AppFolder(), std::string("\\Include\\") + c.file);
        const std::string text = ReadFile(source);
        ASSERT_FALSE(text.empty()) << source;
        EXPECT_NE(text.find(c.print), std::string::npos);

        CScanner scanner;
        scanner.Errors2Warnings = true; // as the playground compiles them
        const std::string target = dir / "_P_O_L_L_.tqx";
        std::filesystem::remove(target);
        ASSERT_TRUE(scanner.CompileFile(source, target, c.version, true));
        // Errors2Warnings turns errors into 1601-1799; none may be there, nor a plain error.
        for (const CError& e : scanner.Errors().Items())
            EXPECT_TRUE(CError::IsWarning(e.code) && (e.code < 1601 || e.code > 1799))
                << e.code << " " << e.message << " line " << e.line;
        const std::string image = ReadFile(target);
        EXPECT_GT(image.size(), 100u);
        EXPECT_LE(image.size(), 0x7FFFu);
        EXPECT_NE(image.find("PGPC-POLL"), std::string::npos);
        // The reply routine and its idle loop are there.
        EXPECT_NE(image.find("RETURN"), std::string::npos);
    }
}
