// Motion files: reading (fields, comments, empty fields, extrapolated times, line breaks), the
// checks with their messages and line numbers, and hostile files.
#include "synmove/MotionFile.h"

#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <random>

using namespace synmove;

namespace {

class MotionFile : public ::testing::Test {
protected:
    std::string Write(const std::string& content)
    {
        const std::string path = folder / ('m' + std::to_string(++count) + ".syn");
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // The message ReadMotionFile throws for this content ("" when it reads).
    std::string ReadError(const std::string& content)
    {
        try {
            ReadMotionFile(Write(content), table);
        } catch (const CSynmoveException& e) {
            return e.Text();
        }
        return "";
    }
    std::string ValidateError(const MotorMap& map = {1, 2, 3, 4, 5, 6})
    {
        try {
            ValidateMotion(map, table);
        } catch (const CSynmoveException& e) {
            return e.Text();
        }
        return "";
    }

    TempFolder folder;
    int count = 0;
    MotionTable table;
};

TEST_F(MotionFile, ReadsOneToSixAxesWithCommentsEmptyFieldsAndExtrapolatedTimes)
{
    for (int axes = 1; axes <= 6; ++axes) {
        const char* lineBreak = axes % 2 ? "\r\n" : "\n";
        std::string text = std::string("* header of a file with ") + std::to_string(axes) + " axes" + lineBreak;
        // Line 2: first record; line 3: column 1 empty (kept from line 2); line 4 no time; line 5
        // an empty time field; line 6 a comment; line 7 a new time step.
        const auto row = [&](int base, bool firstEmpty, const std::string& time, bool withTimeField) {
            std::string r;
            for (int c = 0; c < axes; ++c)
                r += (c == 0 && firstEmpty ? std::string() : std::to_string(base * (c + 1) * (c % 2 ? -1 : 1))) + "\t";
            if (!withTimeField)
                r.pop_back();
            return r + time + lineBreak;
        };
        text += row(0, false, "0", true);
        text += row(100, true, "64", true);
        text += row(200, false, "", false);
        text += row(300, false, "", true);
        text += std::string("*comment") + lineBreak;
        text += row(400, false, "320", true);
        ASSERT_EQ(ReadError(text), "") << axes;
        ASSERT_EQ(table.columns, axes);
        ASSERT_EQ(table.Count(), 5u);
        const int times[] = {0, 64, 128, 192, 320};
        const int lines[] = {2, 3, 4, 5, 7};
        for (size_t r = 0; r < 5; ++r) {
            EXPECT_EQ(table.records[r].time, times[r]) << axes << " record " << r;
            EXPECT_EQ(table.records[r].line, lines[r]) << axes << " record " << r;
        }
        EXPECT_EQ(table.Position(1, 0), 0) << "an empty field keeps the column's previous position";
        EXPECT_EQ(table.Position(2, 0), 200);
        if (axes > 1) {
            EXPECT_EQ(table.Position(4, 1), -800);
        }
        EXPECT_EQ(ValidateError(), "") << axes;
    }
}

TEST_F(MotionFile, TheFormatsOwnExample)
{
    ASSERT_EQ(ReadError("* two motors\n0\t0\t0\n100\t-50\t64\n\t-100\t128\n200\t-150\n"), "");
    ASSERT_EQ(table.Count(), 4u);
    const int expected[4][4] = {{0, 0, 0, 2}, {100, -50, 64, 3}, {100, -100, 128, 4}, {200, -150, 192, 5}};
    for (size_t r = 0; r < 4; ++r) {
        EXPECT_EQ(table.Position(r, 0), expected[r][0]);
        EXPECT_EQ(table.Position(r, 1), expected[r][1]);
        EXPECT_EQ(table.records[r].time, expected[r][2]);
        EXPECT_EQ(table.records[r].line, expected[r][3]);
    }
    // Leading zeros are read however many there are.
    ASSERT_EQ(ReadError("0\t0\n-000000000000000000000000100\t0000000000000000000064\n"), "");
    EXPECT_EQ(table.Position(1, 0), -100);
    EXPECT_EQ(table.records[1].time, 64);
}

TEST_F(MotionFile, BadFilesAreRefusedWithTheirLine)
{
    const struct {
        std::string content;
        std::string message;
    } cases[] = {
        {"0\t0\t\n", "Too few records in line 1!"},                       // first line, empty time
        {"*c\n0\t0\t0\n100\t100\n", "Too few records in line 3!"},        // second line, no time
        {"0\t0\t0\n1\t2\t3\t64\n", "Too many fields in line 2!"},         // would write past the record
        {"0\t0\t0\n5\n", "Too few fields in line 2!"},                    // would leave a position unset
        {"0\t0\t0\n0\t0\t64\n\n", "Too few fields in line 3!"},           // a blank line is a data line
        {"0\n", "Too few fields in line 1!"},                             // no position column
        {std::string(300, '1') + "\t0\n", "Line 1 is too long!"},         // not split into records
        {"0\tabc\t0\n", "Invalid number in line 1!"},                     // not read as 0
        {"0\t12x\t0\n", "Invalid number in line 1!"},
        {"0\t2147483648\t0\n", "Invalid number in line 1!"},              // beyond 32 bits
        {"0\t-99999999999999999999999\t0\n", "Invalid number in line 1!"}, // beyond 64 bits
        {"0\t0\t0\n0\t0\t2147483000\n0\t0\n", "Invalid time delta in line 3!"}, // extrapolation overflows
        {std::string("\x00\x01\xff\t\x7f\n", 6), "Invalid number in line 1!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadError(c.content), c.message) << c.content.substr(0, 40);
    EXPECT_EQ(ReadError("*only comments\n*\n"), "");
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(ReadError(""), "");
    EXPECT_EQ(ValidateError(), "The file has fewer than two records!");

    // A long comment is skipped whole, and a failure keeps the records read before it.
    EXPECT_EQ(ReadError('*' + std::string(5000, 'c') + "\n0\t0\n0\t64\nx\t128\n"), "Invalid number in line 4!");
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.positions.size(), 2u);

    try {
        ReadMotionFile(folder / "missing.syn", table);
        ADD_FAILURE() << "a missing file was read";
    } catch (const CSynmoveException& e) {
        EXPECT_EQ(e.Text(), "Cannot open the file!");
    }
    try {
        ReadMotionFile(folder.Path(), table);
        ADD_FAILURE() << "a folder was read";
    } catch (const CSynmoveException& e) {
        EXPECT_EQ(e.Text(), "Cannot open the file!");
    }
}

TEST_F(MotionFile, ValidationChecksTheMapThenEveryStepIn64Bits)
{
    ASSERT_EQ(ReadError("0\t0\n100\t64\n"), "");
    const struct {
        MotorMap map;
        std::string message;
    } maps[] = {
        {{1, 2, 7, 4, 5, 6}, "Invalid motor address!(7)"}, // tested even when the file has one column
        {{0, 2, 3, 4, 5, 6}, "Invalid motor address!(0)"},
        {{1, 2, 3, 4, 5, -3}, "Invalid motor address!(-3)"},
        {{1, 2, 1, 4, 5, 6}, "Duplicate motor address!(1 and 3)"},
        {{6, 5, 4, 3, 2, 1}, ""},
    };
    for (const auto& m : maps)
        EXPECT_EQ(ValidateError(m.map), m.message);

    ASSERT_EQ(ReadError("0\t0\n"), "");
    EXPECT_EQ(ValidateError({1, 2, 7, 4, 5, 6}), "Invalid motor address!(7)") << "the map is checked first";
    EXPECT_EQ(ValidateError(), "The file has fewer than two records!");

    const struct {
        std::string content;
        std::string message;
    } tables[] = {
        {"0\t0\t0\n8388608\t-8388608\t32\n", ""},                                        // exactly 2^23
        {"*\n0\t0\t0\n0\t8388609\t32\n", "Invalid position delta in line 2!"},
        {"-2147483648\t0\n2147483647\t64\n", "Invalid position delta in line 1!"}, // wraps to -1 in 32 bits
        {"0\t0\n0\t32768\n", ""},
        {"*\n*\n0\t0\n0\t64\n0\t65600\n", "Invalid time delta in line 4!"},              // 65536
        {"0\t0\n0\t0\n", "Invalid time delta in line 1!"},
        {"0\t64\n0\t0\n", "Invalid time delta in line 1!"},
        {"0\t0\n0\t48\n", "Invalid time delta in line 1!"},
        {"0\t16\n0\t32\n", "Invalid time delta in line 1!"},
        {"0\t2147483600\n0\t-2147483632\n", "Invalid time delta in line 1!"},           // wraps to 64 in 32 bits
        {"0\t2147479552\n0\t2147479584\n", "Invalid time delta in line 2!"},            // no room for the closing slots
    };
    for (const auto& t : tables) {
        ASSERT_EQ(ReadError(t.content), "") << t.content;
        EXPECT_EQ(ValidateError(), t.message) << t.content;
    }
}

TEST_F(MotionFile, HostileFilesAreRefusedWithoutReadingThemWhole)
{
    // Ten million lines: refused at the record limit, long before the end.
    {
        std::string text = "0\t0\n0\t64\n";
        std::ofstream out(folder / "long.syn", std::ios::binary);
        out << text;
        std::string lines;
        for (int i = 0; i < (1 << 19); ++i)
            lines += "0\n";
        for (int i = 0; i < 10'000'000 / (1 << 19) + 1; ++i)
            out << lines;
    }
    try {
        ReadMotionFile(folder / "long.syn", table);
        ADD_FAILURE() << "ten million lines were read";
    } catch (const CSynmoveException& e) {
        EXPECT_EQ(e.Text(), "The file has more than 1048576 records!");
    }
    EXPECT_EQ(table.Count(), kMaxRecords);

    // Ten thousand columns: a line far beyond the limit.
    std::string wide;
    for (int c = 0; c < 10'000; ++c)
        wide += "1\t";
    EXPECT_EQ(ReadError(wide + "0\n"), "Line 1 is too long!");

    // Random binary data, with and without line breaks.
    std::mt19937 random(7);
    std::string binary(1 << 20, '\0');
    for (char& c : binary)
        c = char(random());
    EXPECT_NE(ReadError(binary), "");
    std::string noBreaks = binary;
    for (char& c : noBreaks)
        if (c == '\n')
            c = ' ';
    noBreaks[0] = 'x'; // not a comment
    EXPECT_EQ(ReadError(noBreaks), "Line 1 is too long!");
}

} // namespace
