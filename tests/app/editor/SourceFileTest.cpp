// The source file format: marker, colour table, information group and its escaping, the reading
// of our files, of other RTF, of plain text (with the start-up block) and of hostile bytes.
#include "app/editor/SourceFile.h"

#include <gtest/gtest.h>

using namespace editor;

namespace {

platform::rtf::Document TwoLines()
{
    platform::rtf::Document d;
    platform::rtf::CharFormat plain{"Courier New", 20, false, false, false, 0x000000};
    platform::rtf::CharFormat flow{"Courier New", 20, true, false, false, 0xB316C9};
    d.Append("a=1\n", plain);
    d.Append("C5", flow);
    d.Append(" b=2\tc", plain);
    return d;
}

} // namespace

TEST(SourceFile, WrittenFilesReadBackWithTheirPropertiesEscaped)
{
    struct Case {
        SourceProperties props;
        const char* inFile; // what the comments entry holds in the file
    };
    const Case cases[] = {
        {{"Conveyor", "450", "A. Smith", "plain"}, "{\\doccomm plain}"},
        {{"P{1}", "462", "back\\slash", "{braces} and \\"}, "{\\doccomm \\{braces\\} and \\\\}"},
        {{"", "", "", "caf\xe9 \x80 5\xb0" "C"}, "{\\doccomm caf\\'e9 \\'80 5\\'b0C}"},
        {{}, "{\\doccomm }"},
    };
    for (const Case& c : cases) {
        const std::string file = WriteSource(TwoLines(), c.props);
        EXPECT_EQ(file.substr(0, 20), kSourceMarker);
        // The information group follows the colour table's closing brace directly.
        const size_t table = file.find("{\\colortbl");
        ASSERT_NE(table, std::string::npos);
        const size_t info = file.find("{\\info{\\subject ");
        ASSERT_NE(info, std::string::npos);
        EXPECT_EQ(file[info - 1], '}');
        EXPECT_LT(table, info);
        EXPECT_NE(file.find(c.inFile), std::string::npos) << file;

        const SourceContent back = ReadSource(file);
        EXPECT_EQ(back.kind, SourceKind::Marked);
        EXPECT_EQ(back.text, "a=1\nC5 b=2\tc");
        EXPECT_EQ(back.properties, c.props);
        // Written again, byte for byte.
        EXPECT_EQ(WriteSource(TwoLines(), back.properties), file);
    }
}

TEST(SourceFile, InfoGroupGoesAfterTheColourTableOrNowhere)
{
    std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Courier;}}{\\colortbl ;\\red1\\green2\\blue3;{\\*\\x \\}}}X}";
    ASSERT_TRUE(InsertInfoGroup(rtf, "{\\info}"));
    EXPECT_EQ(rtf, "{\\rtf1{\\fonttbl{\\f0 Courier;}}{\\colortbl ;\\red1\\green2\\blue3;{\\*\\x \\}}}{\\info}X}");
    std::string without = "{\\rtf1 no table}";
    EXPECT_FALSE(InsertInfoGroup(without, "{\\info}"));
    EXPECT_EQ(without, "{\\rtf1 no table}");
    EXPECT_EQ(InfoGroup({"p", "v", "a", "c"}), "{\\info{\\subject p}{\\author a}{\\keywords v}{\\doccomm c}}");
    EXPECT_EQ(EscapeProperty("x{y}\\z\n\xff"), "x\\{y\\}\\\\z\\'0a\\'ff");
}

TEST(SourceFile, OtherFilesAndBadInput)
{
    // Rich text of another writer: read, not marked, properties from its information group.
    const std::string foreign = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\info{\\author Bob}{\\keywords 440}}"
                                "\\pard\\plain\\f0 END\\par\r\nC1\\line a=1}";
    SourceContent c = ReadSource(foreign);
    EXPECT_EQ(c.kind, SourceKind::Rtf);
    EXPECT_EQ(c.text, "END\nC1\na=1");
    EXPECT_EQ(c.properties.author, "Bob");
    EXPECT_EQ(c.properties.version, "440");

    // A comment of 1500 characters keeps 999.
    SourceProperties longProps;
    longProps.comments = std::string(1500, 'x');
    c = ReadSource(WriteSource(TwoLines(), longProps));
    EXPECT_EQ(c.properties.comments, std::string(999, 'x'));

    // Plain text: line ends of every kind; NUL bytes shown as blanks; other bytes kept.
    c = ReadSource(std::string("a=1\r\nb=2\rc=3\nEND\x01\0\xfe", 19));
    EXPECT_EQ(c.kind, SourceKind::Plain);
    EXPECT_EQ(c.text, std::string("a=1\nb=2\nc=3\nEND\x01 \xfe"));

    // Broken, truncated, unbalanced and binary RTF never throw and keep what text they can.
    const std::string hostile[] = {
        std::string(kSourceMarker) + "{\\colortbl ;", "{\\rtf1 }}}}} a=1 {{{{", "{\\rtf1\\u99999999999 x\\'zz",
        std::string("{\\rtf1 ") + std::string(200000, '{') + "deep", std::string("{\\rtf1\0\xff\x80\\bin5 ab", 14)};
    for (const std::string& h : hostile)
        EXPECT_NO_THROW(ReadSource(h));
    EXPECT_NE(ReadSource("{\\rtf1 }}}}} a=1 {{{{").text.find("a=1"), std::string::npos);
}

TEST(SourceFile, StartupBlockIsStrippedOnlyAtTheStart)
{
    const std::string block = "GOTO _ONRUN\nGOSUB _ONPOWER\nGOTO _ONRUN\n_ONPOWER:\nRETURN\n"
                              "IF 0 PRINT(\"END_OF_INIT\") ENDIF\n_ONRUN:\n";
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {block + "a=1\nEND\n", "a=1\nEND\n"},
        {"\n  " + block + "END", "END"},
        {block, ""},
        // The marker line inside a user's program is the user's: nothing is deleted (it used to
        // delete everything above it).
        {"a=1\nIF 0 PRINT(\"END_OF_INIT\") ENDIF\nb=2\nEND\n", "a=1\nIF 0 PRINT(\"END_OF_INIT\") ENDIF\nb=2\nEND\n"},
        {"GOTO _ONRUN\nno marker\n", "GOTO _ONRUN\nno marker\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripStartupBlock(c.in), c.out) << c.in;
        EXPECT_EQ(ReadSource(c.in).text, c.out);
    }
}
