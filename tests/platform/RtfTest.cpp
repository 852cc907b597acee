// The RTF writer and reader: our own files read back exactly, foreign RTF gives its text and
// formats, and hostile input never crashes or runs away.
#include <gtest/gtest.h>

#include "platform/rtf/Rtf.h"

#include <random>

using namespace platform::rtf;

namespace {

CharFormat Format(std::string face, int half, bool bold, bool italic, std::optional<ColorRef> color)
{
    CharFormat f;
    f.face = std::move(face);
    f.halfPoints = half;
    f.bold = bold;
    f.italic = italic;
    f.color = color;
    return f;
}

} // namespace

TEST(Rtf, TerminalTranscriptRoundTripsWithEveryFormat)
{
    Document doc;
    const CharFormat sent = Format("Courier New", 20, false, false, MakeColor(255, 255, 255));
    const CharFormat received = Format("Courier New", 20, false, false, MakeColor(0x80, 0xFF, 0xFF));
    const CharFormat message = Format("Courier New", 20, true, true, MakeColor(0xFF, 0xFF, 0));
    doc.Append("1RP           ", sent);
    doc.Append("4000\n", received);
    doc.Append("\n  No response received!\n", message);
    doc.Append("PRINT(\"{x}\\\")\t;\xe9\x80\x01", Format("Arial", 36, false, false, std::nullopt));
    CharFormat underlined;
    underlined.underline = true;
    doc.Append(" default font\n", underlined);
    doc.info = {{"title", "Com3 {1}"}, {"author", "VQX\\x\ttab"}, {"doccomm", "two\nlines"}};

    const std::string rtf = Write(doc);
    EXPECT_TRUE(IsRtf(rtf));
    const Document back = Read(rtf);
    ASSERT_EQ(back.runs.size(), doc.runs.size());
    for (size_t i = 0; i < doc.runs.size(); ++i) {
        EXPECT_EQ(back.runs[i].text, doc.runs[i].text) << i;
        EXPECT_EQ(back.runs[i].format, doc.runs[i].format) << i;
    }
    EXPECT_EQ(back.info, doc.info);
    EXPECT_EQ(back.Info("title"), "Com3 {1}");
    EXPECT_EQ(back, doc);
    // The text alone, with paragraphs in the compiler's form.
    ReadOptions crlf;
    crlf.paragraph = "\r\n";
    EXPECT_EQ(PlainText(rtf, crlf).substr(0, 26), "1RP           4000\r\n\r\n  No");
    // Writing what was read gives the same file.
    EXPECT_EQ(Write(back), rtf);
}

TEST(Rtf, ForeignRtfGivesItsTextFontsAndColours)
{
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}"
        "{\\f1\\fswiss\\fprq2{\\*\\panose 020b0604020202020204}Arial;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\stylesheet{\\s0 Normal;}}{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
        "\\pard\\sa200\\sl276\\slmult1\\f0\\fs20\\lang9 plain \\cf1\\b red bold\\b0\\cf0  back "
        "{\\f1\\fs28\\i\\cf2 blue{\\pict\\wmetafile8 0102ff}}\\par\r\n"
        "\\ldblquote q\\rdblquote\\emdash\\u8364?\\u-4064?\\bin3 {{{end\\line x}";
    const Document d = Read(rtf);
    ASSERT_EQ(d.runs.size(), 5u);
    EXPECT_EQ(d.runs[0].text, "plain ");
    EXPECT_EQ(d.runs[0].format.face, "Courier New");
    EXPECT_EQ(d.runs[0].format.halfPoints, 20);
    EXPECT_EQ(d.runs[1].text, "red bold");
    EXPECT_TRUE(d.runs[1].format.bold);
    EXPECT_EQ(d.runs[1].format.color, MakeColor(255, 0, 0));
    EXPECT_EQ(d.runs[2].text, " back ");
    EXPECT_EQ(d.runs[3].text, "blue");
    EXPECT_EQ(d.runs[3].format.face, "Arial");
    EXPECT_EQ(d.runs[3].format.halfPoints, 28);
    EXPECT_TRUE(d.runs[3].format.italic);
    EXPECT_EQ(d.runs[3].format.color, MakeColor(0, 0, 255));
    // After the group the paragraph text is back in the outer format.
    EXPECT_EQ(d.runs[4].format, d.runs[2].format);
    EXPECT_EQ(PlainText(rtf), "plain red bold back blue\n\x93q\x94\x97??end\nx");
}

TEST(Rtf, HostileInputNeverCrashesOrRunsAway)
{
    const std::string cases[] = {
        "",   "{",  "}",  "\\",  "{\\rtf",  "{\\rtf1\\",  "{\\rtf1\\'",  "{\\rtf1\\'4",  "{\\rtf1\\u",
        "{\\rtf1\\u-", "{\\rtf1}}}}}G",  "{\\rtf1{\\fonttbl{\\f99999999999999 X;}}\\f99999999999999 a}",
        "{\\rtf1{\\colortbl;\\red-5\\green999\\blue3;}\\cf1 a\\cf-3 b\\cf100000 c}",
        "{\\rtf1\\fs-5 a\\fs999999999999 b\\uc99999 \\u65 xyz}",  "{\\rtf1\\bin999999999 abc}",
        "{\\rtf1\\bin-3 abc}",  "{\\rtf1{\\info{\\title {{{x}}}}{\\author",
    };
    for (const std::string& s : cases) {
        const Document d = Read(s);
        EXPECT_LE(d.PlainText().size(), s.size()) << s;
        EXPECT_LE(PlainText(s).size(), s.size()) << s;
    }
    // A million opening braces: bounded memory, the text after them is still read.
    std::string deep = "{\\rtf1 " + std::string(1000000, '{') + "\\b deep" + std::string(1000000, '}') + " out}";
    const Document d = Read(deep);
    EXPECT_EQ(d.PlainText(), "deep out");
    // Random bytes with a sprinkling of RTF syntax.
    std::mt19937 rng(13);
    const char alphabet[] = "{}\\'*abfinrtuxl0123456789- ;\x80\xff";
    for (int round = 0; round < 200; ++round) {
        std::string s = "{\\rtf1";
        const int n = static_cast<int>(rng() % 400);
        for (int i = 0; i < n; ++i)
            s += alphabet[rng() % (sizeof alphabet - 1)];
        const Document r = Read(s);
        EXPECT_LE(r.PlainText().size(), s.size());
        (void)Write(r); // and what was read can be written
    }
}
