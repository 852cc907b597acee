// Highlighting lines into runs with the shipped language file, and the runs a text is stored as.
#include "app/editor/Highlight.h"

#include "scanner/Scanner.h"

#include <gtest/gtest.h>

using namespace editor;
using F = HighlightFormat;

namespace {

const CLanguage& Shipped()
{
    static CScanner scanner;
    static const bool loaded = scanner.LoadLanguageFile("");
    EXPECT_TRUE(loaded) << "Default.sld in the program folder";
    return scanner.Language();
}

} // namespace

TEST(Highlight, LinesIntoRunsWithTheShippedLanguage)
{
    struct Case {
        const char* line;
        std::vector<HighlightRun> runs;
    };
    const Case cases[] = {
        {"a=100 b=a+2", {}},                                              // variables and numbers: plain
        {"V=1000 A=50 G", {{0, 1, F::Keyword}, {7, 1, F::Keyword}, {12, 1, F::Keyword}}},
        {"  IF a>3 GOSUB5 ENDIF", {{2, 2, F::Flow}, {9, 6, F::Flow}, {16, 5, F::Flow}}},
        {"C5 ' the loop", {{0, 2, F::Label}, {3, 10, F::Comment}}},       // a label and a comment
        {"C", {}},                                                        // the bare label word
        {"start: WHILE 1", {{0, 6, F::Label}, {7, 5, F::Flow}}},          // a symbolic label
        {"PRINT(\"IF END\",#13)", {{0, 5, F::Keyword}}},                  // a string is not a keyword
        {"'", {{0, 1, F::Comment}}},
        {"RP", {{0, 2, F::Keyword}}},                                     // the report form of P
    };
    for (const Case& c : cases)
        EXPECT_EQ(HighlightLine(c.line, Shipped()), c.runs) << c.line;

    // Only the first 256 characters are looked at.
    const std::string longLine = std::string(253, ' ') + "END END";
    const auto runs = HighlightLine(longLine, Shipped());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], (HighlightRun{253, 3, F::Flow}));
}

TEST(Highlight, StoredRunsCoverTheTextInTheSettingsColours)
{
    EditorStyle style;
    style.keyword = 0x0000FF;
    style.fontSize = 12;
    const platform::rtf::Document doc = HighlightedDocument("C1 G\n\n' x\nEND", Shipped(), style);
    EXPECT_EQ(doc.PlainText(), "C1 G\n\n' x\nEND");
    ASSERT_GE(doc.runs.size(), 5u);
    EXPECT_EQ(doc.runs[0].text, "C1");
    EXPECT_TRUE(doc.runs[0].format.bold);
    EXPECT_EQ(doc.runs[0].format.color, style.flow);
    EXPECT_EQ(doc.runs[2].text, "G");
    EXPECT_EQ(doc.runs[2].format.color, style.keyword);
    for (const auto& r : doc.runs) {
        EXPECT_EQ(r.format.face, "Courier New");
        EXPECT_EQ(r.format.halfPoints, 24);
    }
    EXPECT_EQ(doc.runs.back().text, "END");
    EXPECT_EQ(doc.runs.back().format.color, style.flow);
}

// Tab stops: characters of 120 twips until the whole text is highlighted, then the width the
// options page measured; a measured width no page could give falls back to the characters.
TEST(Highlight, TabStopTwips)
{
    const struct {
        int tabSize, tabSizePoint;
        bool whole;
        int twips;
    } table[] = {
        {4, 960, false, 480}, {4, 960, true, 960}, {1, 75, true, 75},     {3, 0, true, 360},
        {3, -5, true, 360},   {3, 14401, true, 360}, {0, 960, false, 120}, {99, 960, false, 1200},
    };
    for (const auto& row : table)
        EXPECT_EQ(editor::TabStopTwips(row.tabSize, row.tabSizePoint, row.whole), row.twips)
            << row.tabSize << " " << row.tabSizePoint << " " << row.whole;
}
