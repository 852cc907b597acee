#include "core/shared/SharedFunctions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

// ---- Text lines ------------------------------------------------------------------------------

TEST(SharedFunctions, GetTextLinePicksTheLineOrNothing)
{
    EXPECT_EQ(GetTextLine("a\nb\nc", 2), "c");
    EXPECT_EQ(GetTextLine("a\nb\nc", 3), "");
    EXPECT_EQ(GetTextLine("a\nb\nc", 0), "a");
    EXPECT_EQ(GetTextLine("a\n\nc", 1), "");
    EXPECT_EQ(GetTextLine("a\nb\n", 2), "");
    EXPECT_EQ(GetTextLine("", 0), "");
    EXPECT_EQ(GetTextLine("a", -1), "");
    std::string s = "first\nsecond\nthird";
    GetTextLine(s, 1);
    EXPECT_EQ(s, "second");
}

TEST(SharedFunctions, HelpTopicIsTheThirdLine)
{
    EXPECT_EQ(HelpTopicOf("Detect motors\nDetect\nVQXUsersGuide\\Detect.htm"), "VQXUsersGuide\\Detect.htm");
    EXPECT_EQ(HelpTopicOf("Detect motors\nDetect"), "");
    EXPECT_EQ(HelpTopicPath("/opt/help/VQX.chm", "VQXUsersGuide\\Options\\Editor.htm"),
              "/opt/help/VQX.chm::/VQXUsersGuide\\Options\\Editor.htm");
    EXPECT_EQ(HelpTopicPath("VQX.chm", "::/ChangeIP/XP/changeIPXP.htm"), "VQX.chm::/ChangeIP/XP/changeIPXP.htm");
}

// ---- Paths -----------------------------------------------------------------------------------

TEST(SharedFunctions, FileAndFolderParts)
{
    EXPECT_EQ(GetFileNamePart("c:\\x\\y.tqs"), "y.tqs");
    EXPECT_EQ(GetFileNamePart("/home/u/y.tqs"), "y.tqs");
    EXPECT_EQ(GetFileNamePart("y.tqs"), "y.tqs");
    EXPECT_EQ(GetFileNamePart("c:\\x\\"), "");
    EXPECT_EQ(GetFolderPart("c:\\x\\y.tqs"), "c:\\x");
    EXPECT_EQ(GetFolderPart("/home/u/y.tqs"), "/home/u");
    EXPECT_EQ(GetFolderPart("y.tqs"), "y.tqs");      // no separator: unchanged
    EXPECT_EQ(GetFolderPart("\\y.tqs"), "\\y.tqs");  // separator first: unchanged
    EXPECT_EQ(GetFolderPart("/y.tqs"), "/y.tqs");
    EXPECT_EQ(GetFolderPart("c:\\x/y.tqs"), "c:\\x"); // mixed separators
}

TEST(SharedFunctions, CompiledFileNameEdgeCases)
{
    EXPECT_EQ(GetCompiledFileName("x.TQC"), "x.scx");
    EXPECT_EQ(GetCompiledFileName("dir.old\\prog"), "dir.old\\prog.tqx");
    EXPECT_EQ(GetCompiledFileName(".profile"), ".profile.tqx");
    EXPECT_EQ(GetCompiledFileName("c:\\p\\motor.tqs"), "c:\\p\\motor.tqx");
    EXPECT_EQ(GetCompiledFileName("/p/cal.tqc"), "/p/cal.scx");
    EXPECT_EQ(GetCompiledFileName("/p.d/a.b.tqs"), "/p.d/a.b.tqx");
    EXPECT_EQ(GetCompiledFileName("tqc"), "tqc.tqx");
    EXPECT_EQ(GetCompiledFileName(""), ".tqx");
}

TEST(SharedFunctions, CombinePathClimbsOneLevelPerDotDot)
{
    EXPECT_EQ(CombinePath("..\\..\\a", "c:\\x\\y\\z"), "c:\\x\\a");
    EXPECT_EQ(CombinePath("a\\b.tqs", "c:\\x"), "c:\\x\\a\\b.tqs");
    EXPECT_EQ(CombinePath("../../a", "/x/y/z"), "/x/a");
    EXPECT_EQ(CombinePath("..\\prog\\m.tqs", "/home/u/proj"), "/home/u/prog/m.tqs");
    EXPECT_EQ(CombinePath("../../../../a", "/x/y"), "/x/a"); // cannot climb above the first level
    EXPECT_EQ(CombinePath("a", "proj"), "proj/a");
}

// ---- Dates -----------------------------------------------------------------------------------

namespace {
class UtcZone {
public:
    UtcZone()
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    ~UtcZone()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};
} // namespace

TEST(SharedFunctions, FormatSystemTimeInLocalTime)
{
    UtcZone utc;
    SystemTime t;
    t.wYear = 2004;
    t.wMonth = 2;
    t.wDay = 29;
    t.wHour = 13;
    t.wMinute = 5;
    t.wSecond = 9;
    EXPECT_EQ(FormatSystemTime(t), "02/29/2004 13:05:09");

    setenv("TZ", "XYZ-2", 1); // two hours east of UTC
    tzset();
    t.wHour = 23;
    EXPECT_EQ(FormatSystemTime(t), "03/01/2004 01:05:09");
}

TEST(SharedFunctions, FormatSystemTimeNotAvailable)
{
    UtcZone utc;
    EXPECT_EQ(FormatSystemTime(SystemTime{}), "N/A"); // year 0
    SystemTime t{2003, 2, 0, 29, 0, 0, 0, 0};         // no 29 February in 2003
    EXPECT_EQ(FormatSystemTime(t), "N/A");
    t = SystemTime{2003, 13, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(FormatSystemTime(t), "N/A");
    t = SystemTime{2003, 1, 0, 1, 24, 0, 0, 0};
    EXPECT_EQ(FormatSystemTime(t), "N/A");
}

TEST(SharedFunctions, PackedDates)
{
    EXPECT_EQ(FormatPackedDate(PackDate(2003, 7, 4)), "07/04/2003");
    EXPECT_EQ(FormatPackedDate(0), "N/A");
    EXPECT_EQ(FormatPackedDate(PackDate(2003, 0, 0)), "N/A"); // low 16 bits 0: no date
    EXPECT_EQ(FormatPackedDate(PackDate(0, 1, 2)), "01/02/0000");
    EXPECT_EQ(PackDate(2003, 7, 4), 0x07D30704u);
}

// ---- Serial numbers --------------------------------------------------------------------------

TEST(SharedFunctions, FormatSerialNumber)
{
    EXPECT_EQ(FormatSerialNumber(0x4200000C), "B12");
    EXPECT_EQ(FormatSerialNumber(0x41FFFFFF), "A16777215");
    EXPECT_EQ(FormatSerialNumber(0), "N/A");
    EXPECT_EQ(FormatSerialNumber(0xFFFFFFFF), "N/A");
    EXPECT_EQ(FormatSerialNumber(0x0000000C), "N/A"); // top byte 0 is not printable
    EXPECT_EQ(FormatSerialNumber(0x1F00000C), "N/A");
    EXPECT_EQ(FormatSerialNumber(0x8000000C), "N/A");
}

TEST(SharedFunctions, ParseSerialNumber)
{
    EXPECT_EQ(ParseSerialNumber("B12"), 0x4200000Cu);
    EXPECT_EQ(ParseSerialNumber("A16777215"), 0x41FFFFFFu);
    EXPECT_EQ(ParseSerialNumber("A0"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber("A16777216"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber("A99999999999999999999"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber("N/A"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber("A"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber(""), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber("A-5"), 0xFFFFFFFFu); // a lax number reading would take -5
    EXPECT_EQ(ParseSerialNumber("A12x"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseSerialNumber(std::string("\x01" "12")), 0xFFFFFFFFu);
    for (uint32_t serial : {0x4200000Cu, 0x5A000001u, 0x41FFFFFFu})
        EXPECT_EQ(ParseSerialNumber(FormatSerialNumber(serial)), serial);
}

// ---- Status bits -----------------------------------------------------------------------------

TEST(SharedFunctions, StatusBitTexts)
{
    EXPECT_EQ(GetStatusBitText(0, false, false), "Trajectory In Progress");
    EXPECT_EQ(GetStatusBitText(5, false, false), "Excessive Position Error");
    EXPECT_EQ(GetStatusBitText(5, true, false), "Excessive Position Error Occurred");
    EXPECT_EQ(GetStatusBitText(5, false, true), "Excessive Position Error Occurred");
    EXPECT_EQ(GetStatusBitText(8, true, false), "Input 0 Asserted");
    EXPECT_EQ(GetStatusBitText(8, false, true), "Hardware Index Input Asserted");
    EXPECT_EQ(GetStatusBitText(11, true, false), "Physical Brake Engaged");
    EXPECT_EQ(GetStatusBitText(11, false, false), "User Math Overflow Occurred");
    EXPECT_EQ(GetStatusBitText(12, true, false), "Torque Brake Engaged");
    EXPECT_EQ(GetStatusBitText(12, false, false), "User Array Index Range Error Occurred");
    EXPECT_EQ(GetStatusBitText(14, true, false), "At Slew Velocity");
    EXPECT_EQ(GetStatusBitText(14, false, false), "Over Current State Occurred");
    EXPECT_EQ(GetStatusBitText(15, true, false), "Drive Enable Input 7 Asserted");
    EXPECT_EQ(GetStatusBitText(15, false, false), "User Program Checksum Error");
    EXPECT_EQ(GetStatusBitText(16, true, false), "Drive Fault Occurred");
    EXPECT_EQ(GetStatusBitText(16, false, false), "Calibration Fault Occurred");
    EXPECT_EQ(GetStatusBitText(17, false, false), "Position<Negative Soft Limit");
    EXPECT_EQ(GetStatusBitText(22, false, false), "Position>Positive Soft Domain Occurred");
    EXPECT_EQ(GetStatusBitText(23, true, true), "");
    EXPECT_EQ(GetStatusBitText(-1, true, true), "");
    for (int bit = 0; bit <= 22; ++bit)
        EXPECT_FALSE(GetStatusBitText(bit, false, false).empty()) << bit;
}

// ---- Numbers in dialogs ----------------------------------------------------------------------

TEST(SharedFunctions, FormatDoubleTrims)
{
    EXPECT_EQ(FormatDouble(2.5, 3, true), "2.5");
    EXPECT_EQ(FormatDouble(2.0, 3, true), "2");
    EXPECT_EQ(FormatDouble(2.5, 3, false), "2.500");
    EXPECT_EQ(FormatDouble(100.0, 0, true), "100"); // no decimals: zeros before the point stay
    EXPECT_EQ(FormatDouble(-0.25, 1, false), "-0.2");
    EXPECT_EQ(FormatDouble(1.0, -3, true), "1");
    EXPECT_EQ(FormatDouble(1e300, 2, true).size(), 301u);
}

TEST(SharedFunctions, DlgTextComparesOn48Characters)
{
    const std::string a(48, 'x');
    EXPECT_FALSE(DlgTextDiffers(a + "1", a + "2"));
    EXPECT_TRUE(DlgTextDiffers("2.5", "2"));
    EXPECT_FALSE(DlgTextDiffers("2", "2"));
}

TEST(SharedFunctions, ParseDoubleLikeAtof)
{
    EXPECT_DOUBLE_EQ(ParseDouble("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(ParseDouble("  -1.25e2"), -125.0);
    EXPECT_DOUBLE_EQ(ParseDouble("12abc"), 12.0);
    EXPECT_DOUBLE_EQ(ParseDouble("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ParseDouble(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseDouble("1,5"), 1.0);
}

TEST(SharedFunctions, ErrorTexts)
{
    EXPECT_FALSE(GetErrorText(ENOENT).empty());
    errno = EACCES;
    EXPECT_EQ(GetLastErrorText(), GetErrorText(EACCES));
}

// ---- Dotted quad -----------------------------------------------------------------------------

TEST(SharedFunctions, ParseIPAddress)
{
    std::array<uint8_t, 4> out{};
    EXPECT_TRUE(ParseIPAddress("1.2.3.4", &out));
    EXPECT_EQ(out, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_TRUE(ParseIPAddress("255.255.255.255"));
    EXPECT_TRUE(ParseIPAddress("010.0.0.1", &out));
    EXPECT_EQ(out[0], 10);
    for (const char* bad : {"256.1.1.1", "1.2.3", "1..2.3", ".1.2.3", "1.2.3.4.", "1.2.3.4.5", "", "1.2.3.256",
                            "1.2.3.a", "1.2.3.4 ", "99999999999.1.1.1"})
        EXPECT_FALSE(ParseIPAddress(bad)) << bad;
}
