// The Quintaloc calibration programs the suite ships (data/cal): each compiles for the "462"
// firmware without a message, within the download's limits, keeps the marker by which the simulated
// motor plays its behaviour, and the build staged exactly that image in the program folder's Cal/.
#include <gtest/gtest.h>

#include "platform/paths/Paths.h"
#include "tests/scanner/ScannerTestUtil.h"

using namespace scannertest;

TEST(CalibrationPrograms, CompileFor462AsStagedWithinTheLimits)
{
    struct Case {
        const char* source;
        const char* staged;
        size_t limit; // calibration programs 4500 bytes, programs of a 462 motor 27999
    } cases[] = {{"StdCal.tqs", "StdCal.scx", 4500}, {"ReCal.tqs", "ReCal.tqx", 27999}};
    CLanguage language = TableLanguage();
    language.Version = language.HeaderVersion = "462";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        const std::string text = ReadFile((SourceRoot() / "data/cal" / c.source).string());
        ASSERT_FALSE(text.empty());
        CScanner scanner;
        scanner.InsertMarker = false;
        scanner.SetLanguage(language);
        scanner.Scan(text, "462");
        for (const CError& e : scanner.Errors().Items())
            ADD_FAILURE() << "line " << e.line + 1 << ": " << e.code << " " << e.message;
        const std::string image = scanner.CompiledImage();
        EXPECT_EQ(image.substr(0, 4), "$462");
        EXPECT_LE(image.size(), c.limit);
        EXPECT_NE(image.find("INDEX-CAL"), std::string::npos) << "the marker the simulated motor knows it by";
        const std::string staged = ReadFile(platform::JoinPath(platform::AppFolder(), std::string("Cal/") + c.staged));
        EXPECT_EQ(staged, image) << "the program folder holds another build of " << c.source;
    }
}
