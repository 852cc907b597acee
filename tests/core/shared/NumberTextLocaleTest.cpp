// Dialog number texts must not follow the process locale: the GUI toolkit switches the C library
// to the user's locale at start, and a decimal comma there would make "2,500", which the reader
// (atof semantics, a point) takes for 2.

#include "core/shared/SharedFunctions.h"

#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Builds a locale named "comma" whose only numeric difference is the decimal comma, in a private
// folder, and switches LC_NUMERIC to it. False when the system cannot build locales.
bool SwitchToDecimalComma(const TempFolder& folder)
{
    const std::string source = folder.File("comma.src");
    std::ofstream(source) << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n";
    const std::string command = "localedef -i '" + source + "' -f ANSI_X3.4-1968 -c '" + folder.File("comma") +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1)
        return false;
    setenv("LOCPATH", folder.Path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "comma") != nullptr;
}

} // namespace

TEST(SharedFunctions, DialogNumbersIgnoreADecimalCommaLocale)
{
    TempFolder folder;
    if (!SwitchToDecimalComma(folder)) {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no locale with a decimal comma can be built here";
    }
    const std::string shown = FormatDouble(2.5, 3, true);
    const std::string untrimmed = FormatDouble(1234.5678, 4, false);
    const double readBack = ParseDouble(FormatDouble(0.125, 3, false));
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");

    EXPECT_EQ(shown, "2.5");
    EXPECT_EQ(untrimmed, "1234.5678");
    EXPECT_DOUBLE_EQ(readBack, 0.125);
}
