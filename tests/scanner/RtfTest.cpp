// Plain text from RTF source files.
#include <gtest/gtest.h>

#include "scanner/Scanner.h"

TEST(Rtf, PlainTextIsKept)
{
    EXPECT_EQ(CScanner::PlainText("G\r\n{x}\\par"), "G\r\n{x}\\par");
}

TEST(Rtf, OurOwnFileFormat)
{
    const std::string rtf =
        "{\\rtf1\\korvessanfile{\\fonttbl{\\f0\\fmodern Courier New;}}{\\colortbl ;\\red0\\green0\\blue255;}"
        "{\\info{\\subject Prog}{\\author Me}{\\keywords k}{\\doccomm {nested} c}}"
        "\\pard\\tx480\\tx960\\f0\\fs20 \\cf1\\b IF\\cf0\\b0  a>1\\par\r\n\\tab G\\par\r\n"
        "PRINT(\"\\{x\\}\\\\\")\\par\r\nEND\\par\r\n}";
    EXPECT_EQ(CScanner::StripRtf(rtf), "IF a>1\r\n\tG\r\nPRINT(\"{x}\\\")\r\nEND\r\n");
}

TEST(Rtf, NestedIgnorableDestinationSkippedToItsBrace)
{
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1{\\*\\generator Riched20 {inner} 10.0;}G\\par}"), "G\r\n");
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1{\\*\\x {a{b}c} \\} d}X}"), "X");
}

TEST(Rtf, LineIsALineEnd)
{
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1 G\\line X\\par}"), "G\r\nX\r\n");
}

TEST(Rtf, ControlSymbolsAndHexBytes)
{
    // Two characters are skipped only after \' (they are the byte's hex digits).
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1 a\\~b\\-c\\_d\\'e9f}"), "a bc-d\xe9" "f");
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1\\uc1 x\\u233?y\\u8364?z}"), "x\xe9y?z");
    EXPECT_EQ(CScanner::StripRtf("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs20 END\\par}"),
              "END\r\n");
}

TEST(Rtf, BrokenRtfNeverRunsAway)
{
    for (const char* s : {"{\\rtf", "{\\rtf1\\", "{\\rtf1{\\*", "{\\rtf1{\\fonttbl{{{", "{\\rtf1\\'", "{\\rtf1\\'4",
                          "{\\rtf1\\u", "{\\rtf1\\u-", "{\\rtf1}}}}}G", "{\\rtf1\\par\\par\\"}) {
        const std::string out = CScanner::StripRtf(s);
        EXPECT_LE(out.size(), 8u) << s;
    }
    std::string words = "{\\rtf1\\";
    words += std::string(500, 'a');
    words += " G}";
    EXPECT_EQ(CScanner::StripRtf(words), "G");
}
