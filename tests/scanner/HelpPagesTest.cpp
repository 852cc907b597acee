// The parts of the user guide made from the language table: texts made safe for HTML, one anchored
// entry per named keyword (the first of a name only), and the staging of a guide folder with its
// keyword-index template filled.

#include "scanner/HelpPages.h"
#include "scanner/LanguageTable.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

CLanguageTable Table()
{
    CLanguageTable t;
    std::string error;
    const std::string text = "%Version 400\n"
                             "<al> var ST 7=22 - \"a\"\n<aw> var ST 9=19 - \"b\"\n<ab> var ST 13=14 - \"c\"\n"
                             "RP cmd - - - \"Report the position\"\n"
                             "V var SR =22 - \"Speed <counts/s> & more\"\n"
                             "RP cmd - - - \"second RP\"\n"
                             "LOAD cmd - - host \"Host only\"\n";
    EXPECT_TRUE(ParseLanguageTable(text, t, error)) << error;
    return t;
}

} // namespace

TEST(HelpPages, HtmlTextEscapesMarkupAndReadsTheUpperHalfAsWindows1252)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a<b>&\"c\"", "a&lt;b&gt;&amp;&quot;c&quot;"},
        {"Tessaraxon\x99", "Tessaraxon&#8482;"},
        {"\xE9t\xE9", "&#233;t&#233;"},
        {"\x80", "&#8364;"},
        {std::string("x\x01y", 3), "x y"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(HtmlText(in), out) << in;
}

TEST(HelpPages, ReferenceAndIndexHaveOneAnchorPerNamedKeyword)
{
    const CLanguageTable t = Table();
    const std::string page = LanguageReferencePage(t);
    EXPECT_EQ(Count(page, "<tr id=\"RP\">"), 1u) << "a name is one anchor";
    EXPECT_EQ(Count(page, "<tr id="), 3u) << "the unnamed array rows have no entry";
    EXPECT_NE(page.find("Speed &lt;counts/s&gt; &amp; more"), std::string::npos);
    EXPECT_NE(page.find("can be set, can be reported (RV)"), std::string::npos);
    EXPECT_NE(page.find("host only"), std::string::npos);
    EXPECT_EQ(page.find("second RP"), std::string::npos);
    const std::string index = KeywordIndexItems(t);
    EXPECT_EQ(index, "<li id=\"RP\"><a href=\"ProgrammersGuide/Language.htm#RP\">RP</a></li>\n"
                     "<li id=\"V\"><a href=\"ProgrammersGuide/Language.htm#V\">V</a></li>\n"
                     "<li id=\"LOAD\"><a href=\"ProgrammersGuide/Language.htm#LOAD\">LOAD</a></li>\n");
}

TEST(HelpPages, StagingCopiesThePagesFillsTheTemplateAndAddsTheReference)
{
    TempFolder dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir / "src/Sub");
    std::ofstream(dir / "src/index.htm.in") << "<ul>\n<!--KEYWORD INDEX-->\n</ul>\n";
    std::ofstream(dir / "src/Sub/page.htm") << "<p>page</p>\n";
    std::ofstream(dir / "src/CMakeLists.txt") << "# the build's\n";
    std::string error;
    ASSERT_TRUE(StageHelpPages(Table(), dir / "src", dir / "out", error)) << error;
    EXPECT_EQ(Read(dir / "out/Sub/page.htm"), "<p>page</p>\n");
    EXPECT_FALSE(fs::exists(dir / "out/index.htm.in"));
    EXPECT_FALSE(fs::exists(dir / "out/CMakeLists.txt"));
    const std::string index = Read(dir / "out/index.htm");
    EXPECT_EQ(index.find("<!--KEYWORD INDEX-->"), std::string::npos);
    EXPECT_NE(index.find("<li id=\"LOAD\">"), std::string::npos);
    EXPECT_NE(Read(dir / "out/ProgrammersGuide/Language.htm").find("<tr id=\"V\">"), std::string::npos);

    // A guide folder that is not there, and an output that cannot be written, are told.
    EXPECT_FALSE(StageHelpPages(Table(), dir / "nothing", dir / "out2", error));
    EXPECT_NE(error.find("nothing"), std::string::npos);
    std::ofstream(dir / "blocked") << "a file where the folder should be";
    EXPECT_FALSE(StageHelpPages(Table(), dir / "src", dir / "blocked", error));
}
