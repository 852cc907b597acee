// Compiled programs as the simulated motor's program memory takes them: the header's length and
// checksum must match the program the motor keeps once the coded records are turned back into
// their keywords, and every jump record must land on the keyword it names.

#include "scanner/Scanner.h"
#include "tests/scanner/ScannerTestUtil.h"
#include "tests/sim/motor/ProgramStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The 4 hex digits at `at` of the file body.
size_t HexAt(const std::string& body, size_t at) { return std::stoul(body.substr(at, 4), nullptr, 16); }

} // namespace

TEST(CompiledImageInTheMotor, EveryFlowConstructKeepsLengthChecksumAndTargets)
{
    CScanner scanner;
    scanner.SetLanguage(scannertest::TableLanguage());
    scanner.Scan("C1\nIF a\n  WHILE b\n    SWITCH c\n    CASE 1\n      BREAK\n    CASE -2\n"
                 "      IF d BREAK ENDIF\n    DEFAULT\n      G\n    ENDS\n    IF e BREAK ENDIF\n  LOOP\n"
                 "ELSEIF f\n  X\nELSEIF g\n  GOSUB1\nELSE\n  S\nENDIF\nGOTO1\nEND",
                 "");
    ASSERT_EQ(scanner.Errors().GetCount(), 0) << scanner.Errors()[0].message;
    const std::string image = scanner.CompiledImage();

    vqxsim::ProgramStore store;
    store.Load(image);
    ASSERT_TRUE(store.Valid()) << store.Problem();
    EXPECT_EQ(store.Length(), scanner.ProgramLength());
    const std::string& motor = store.Body();

    // Each record of the file body, in order, must point at this motor text (and this far into
    // it: an IF that opens an ELSEIF directly jumps to its condition, a SWITCH or CASE past the
    // marker of the next CASE).
    const std::string body = image.substr(27 + 4 * static_cast<size_t>(scanner.LabelCount()));
    const std::vector<std::pair<std::string, size_t>> expected = {
        {"ELSEIF", 4}, {"ELSEIF", 0}, {"CASE", 1}, {"CASE", 1}, {"ENDS", 0}, {"DEFAULT", 0},
        {"ENDIF", 0},  {"ENDS", 0},   {"ENDIF", 0}, {"ELSEIF", 0}, {"WHILE", 0},
        {"ENDIF", 0},  {"ELSEIF", 4}, {"ENDIF", 0}, {"ELSE\n", 0}, {"C1", 0}, {"ENDIF", 0}, {"C1", 0},
    };
    size_t n = 0;
    for (size_t i = body.find('$'); i != std::string::npos; i = body.find('$', i + 1)) {
        size_t hexAt = 2;
        if (body.compare(i, 4, "$C$c") == 0)
            hexAt = 4;
        else if (body.compare(i, 2, "$c") == 0 || body.compare(i, 8, "$DEFAULT") == 0 ||
                 body.compare(i, 5, "$eNDS") == 0)
            continue;
        ASSERT_LT(n, expected.size()) << body.substr(i, 8);
        const auto& [target, offset] = expected[n++];
        const size_t address = HexAt(body, i + hexAt);
        ASSERT_GE(address, offset);
        EXPECT_EQ(motor.compare(address - offset, target.size(), target), 0)
            << "record " << n << " (" << body.substr(i, 8) << ") points at " << address << ": "
            << motor.substr(address - offset, 8);
    }
    EXPECT_EQ(n, expected.size());
    // The label table entry of C1 points at it in the motor's program.
    EXPECT_EQ(motor.compare(HexAt(image, 27 + 4), 2, "C1"), 0);
}
