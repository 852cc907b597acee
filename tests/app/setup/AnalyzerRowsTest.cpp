// What the analyzer window shows of a page: rows in each column format with their kinds and
// widths, the column and filter commands, rows rebuilt under a filter with the selection kept on
// its traffic, the selected text, the send bar's bytes, and the page as RTF that reads back whole.
#include <gtest/gtest.h>

#include "app/setup/AnalyzerRows.h"
#include "app/setup/SendBar.h"
#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/settings/Options.h"

namespace {

void Log(CSdaPage& page, const std::string& bytes, uint32_t flags)
{
    page.Append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), flags);
}

} // namespace

TEST(AnalyzerRows, ColumnsKindsAndWidths)
{
    CSdaPage page;
    Log(page, "1RBe ", SDA_SENT | SDA_FROM_TERMINAL);
    Log(page, "1RBe ", SDA_LOG_ECHO);
    Log(page, "0\r", SDA_RECEIVED);
    Log(page, std::string(25, 'x'), SDA_SENT | SDA_FROM_SENDBAR);
    Log(page, "\x01\xff ", SDA_LOG_ECHO_ERROR);
    page.formats = {1, 3, 0};
    ASSERT_EQ(page.LineCount(), 5);
    // Row 0: the command and its echo on one row.
    const std::vector<sda::RowPiece> row = sda::RenderRow(page, 0);
    ASSERT_GE(row.size(), 5u);
    EXPECT_EQ(row[0].text, ">");
    EXPECT_EQ(row[1].text, "31 52 42 65 20 ");
    EXPECT_EQ(row[1].kind, sda::PieceKind::Sent);
    EXPECT_EQ(row[2].text, "31 52 42 65 20 ");
    EXPECT_EQ(row[2].kind, sda::PieceKind::Echo);
    EXPECT_EQ(sda::RowText(page, 0), ">31 52 42 65 20 31 52 42 65 20 " + std::string(30, ' ') + "| 1RBe\x85" "1RBe\x85" +
                                         std::string(10, ' '));
    EXPECT_EQ(sda::RenderRow(page, 1)[1].kind, sda::PieceKind::Received);
    EXPECT_EQ(sda::RenderRow(page, 2).size(), 1u) << "the send bar's own bytes are in the default colour";
    EXPECT_EQ(sda::RowText(page, 3).substr(0, 16), " 78 78 78 78 78 ") << "the rest of a report continues";
    EXPECT_EQ(sda::RenderRow(page, 4)[1].kind, sda::PieceKind::EchoError);
    for (const auto& formats : {std::array<uint8_t, 3>{1, 0, 0}, std::array<uint8_t, 3>{2, 1, 3},
                                std::array<uint8_t, 3>{3, 0, 2}}) {
        page.formats = formats;
        for (int k = 0; k < page.LineCount(); ++k)
            EXPECT_EQ(static_cast<int>(sda::RowText(page, k).size()), page.ComputeRowWidth()) << k;
    }
    page.formats = {1, 0, 0};
    EXPECT_EQ(page.ComputeRowWidth(), 61);
    page.formats = {2, 0, 0};
    EXPECT_EQ(sda::RowText(page, 1).substr(0, 9), ">048 013 ");

    std::array<uint8_t, 3> f{1, 3, 0};
    const std::pair<int, std::array<uint8_t, 3>> commands[] = {
        {35003, {3, 3, 0}}, {35004, {3, 0, 0}}, {35011, {3, 0, 3}}, {35002, {2, 0, 3}}, {35009, {2, 0, 1}}};
    for (const auto& [id, expected] : commands) {
        EXPECT_TRUE(sda::ApplyColumnCommand(f, id));
        EXPECT_EQ(f, expected) << id;
    }
    EXPECT_FALSE(sda::ApplyColumnCommand(f, 35000));
    EXPECT_FALSE(sda::ApplyColumnCommand(f, 35012));
}

TEST(AnalyzerRows, FiltersRebuildRowsAndKeepTheSelection)
{
    const uint32_t all = 0xFFFFFFFF;
    const std::tuple<uint32_t, int, uint32_t> table[] = {
        {all, 35100, all & ~(0x4u | 0x100 | 0x200 | 0x400)},
        {all & ~(0x4u | 0x100 | 0x200 | 0x400), 35104, all & ~(0x200u | 0x400)},
        {all & ~(0x4u | 0x100 | 0x200 | 0x400), 35100, all},
        {all, 35101, all & ~0x1u},
        {all, 35102, all & ~0x2u},
        {all, 35103, all & ~0x400u},
        {all & ~0x4u, 35105, all & ~0x200u},
        {all, 35150, all},
    };
    for (const auto& [mask, id, expected] : table)
        EXPECT_EQ(sda::FilterAfterCommand(mask, id), expected) << id;

    CSdaPage page;
    for (int i = 0; i < 6; ++i) {
        Log(page, "cmd" + std::to_string(i) + " ", SDA_SENT | (i % 2 ? SDA_FROM_PROGRAM : SDA_FROM_TERMINAL));
        Log(page, 'r' + std::to_string(i) + '\r', SDA_RECEIVED);
    }
    ASSERT_EQ(page.LineCount(), 12);
    // The selection on the reply of command 3, then received bytes are hidden.
    page.selStartLine = page.selEndLine = (page.FirstLine() + 7) % SDA_RING;
    page.filter = sda::FilterAfterCommand(page.filter, 35101);
    sda::RebuildRows(page);
    EXPECT_EQ(page.LineCount(), 6);
    EXPECT_EQ(SdaDistance(page.FirstLine(), page.selStartLine), 4) << "the first shown entry after the hidden one";
    EXPECT_EQ(sda::RowText(page, 4).substr(0, 15), ">63 6D 64 34 20");
    // Tx by VQX off: the program's commands go too; at the last row the selection stays last.
    page.selStartLine = page.selEndLine = page.LastLine();
    page.filter = sda::FilterAfterCommand(page.filter, 35103);
    sda::RebuildRows(page);
    EXPECT_EQ(page.LineCount(), 3);
    EXPECT_EQ(page.selStartLine, page.LastLine());
    page.filter = 0xFFFFFFFF;
    sda::RebuildRows(page);
    EXPECT_EQ(page.LineCount(), 12);

    // Selected text: start column of the first row to the end column of the last.
    page.formats = {3, 0, 0};
    page.selStartLine = page.FirstLine();
    page.selStartColumn = 1;
    page.selEndLine = (page.FirstLine() + 1) % SDA_RING;
    page.selEndColumn = 3;
    EXPECT_EQ(sda::SelectedText(page), "cmd0\x85" + std::string(15, ' ') + "\r\n>r0");
    page.selEndLine = page.selStartLine;
    page.selEndColumn = 1;
    EXPECT_EQ(sda::SelectedText(page), "");

    // The page as RTF reads back to the same runs.
    const sda::Look look = sda::LookFrom(COptions());
    const platform::rtf::Document doc = sda::PageDocument(page, look);
    EXPECT_EQ(platform::rtf::Read(platform::rtf::Write(doc)).runs, doc.runs);
    EXPECT_EQ(doc.PlainText().substr(0, 6), ">cmd0\x85");
}

// The send bar as a user types into it: what it shows (with the cursor as "|"), and the bytes.
TEST(AnalyzerRows, SendBarTypesBytesAsTheFormatSays)
{
    using B = std::vector<uint8_t>;
    using K = sda::CSendBar::Key;
    struct Step {
        const char* typed; // characters; '<' Backspace, '>' Delete, '[' Home, ']' End, '{' Left, '}' Right
        int format;
        const char* shown;
        B bytes;
    };
    const Step table[] = {
        // Two digits make a hexadecimal byte; the first shows at once and the cursor stays on it.
        {"6", 0, "|06 ", B{0x06}},
        {"613d37", 0, "61 3D 37 |", B{0x61, 0x3D, 0x37}},
        // A blank ends a byte typed half; what is no hex digit is refused.
        {"4 1g", 0, "04 |01 ", B{0x04, 0x01}},
        {"4 1 ", 0, "04 01 |", B{0x04, 0x01}},
        // Decimal: three digits, never beyond 255 (the digit that would overflow is refused).
        {"255", 1, "255 |", B{255}},
        {"300", 1, "|030 ", B{30}},
        {"30 9", 1, "030 |009 ", B{30, 9}},
        {"1x2", 1, "|012 ", B{12}},
        // Characters: each one a byte; a blank is a character too; controls show as 0xD7.
        {"RP 1", 2, "RP 1|", B{'R', 'P', ' ', '1'}},
        {"\x01" "A", 2, "\xD7" "A|", B{0x01, 'A'}},
        // Editing: Backspace before the cursor, Delete at it, Home/End/Left/Right between bytes.
        {"112233<", 0, "11 22 |", B{0x11, 0x22}},
        {"112233[>", 0, "|22 33 ", B{0x22, 0x33}},
        {"1122{33", 0, "11 33 |22 ", B{0x11, 0x33, 0x22}},
        {"1122[}33]44", 0, "11 33 22 44 |", B{0x11, 0x33, 0x22, 0x44}},
        // A key while a byte is half typed ends it first: Backspace deletes the half-typed byte.
        {"11 2<", 0, "11 |", B{0x11}},
        {"[{<>", 0, "|", B{}},
    };
    for (const Step& step : table) {
        sda::CSendBar bar;
        bar.SetFormat(step.format);
        for (const char* c = step.typed; *c; ++c) {
            switch (*c) {
            case '<': bar.Press(K::Backspace); break;
            case '>': bar.Press(K::Delete); break;
            case '[': bar.Press(K::Home); break;
            case ']': bar.Press(K::End); break;
            case '{': bar.Press(K::Left); break;
            case '}': bar.Press(K::Right); break;
            default: bar.Type(*c);
            }
        }
        std::string shown = bar.Text();
        shown.insert(static_cast<size_t>(bar.CursorColumn()), 1, '|');
        EXPECT_EQ(shown, step.shown) << step.typed;
        EXPECT_EQ(bar.Bytes(), step.bytes) << step.typed;
    }

    // The same bytes in each format; a click puts the cursor on the field under it.
    sda::CSendBar bar;
    for (char c : std::string("ff0a"))
        bar.Type(c);
    bar.SetFormat(1);
    EXPECT_EQ(bar.Text(), "255 010 ");
    bar.ClickAt(5);
    EXPECT_EQ(bar.Cursor(), 1);
    bar.SetFormat(2);
    EXPECT_EQ(bar.Text(), "\xD7\xD7");
    bar.ClickAt(99);
    EXPECT_EQ(bar.Cursor(), 2);
    // Enter sends with the terminator; the bar is empty afterwards.
    EXPECT_EQ(bar.TakeForSending(true), (B{0xFF, 0x0A, 0x20}));
    EXPECT_TRUE(bar.Bytes().empty());
    EXPECT_EQ(bar.Cursor(), 0);
    EXPECT_EQ(bar.TakeForSending(false), B{});
}

#include "core/archive/TagArchive.h"
#include "tests/common/TempFolder.h"

TEST(AnalyzerRows, ProjectStateRoundTripsAndHostileValuesAreBounded)
{
    TempFolder dir;
    const std::string file = dir / "sda.bin";
    CSerialDataAnalyzer analyzer;
    analyzer.Page(1).formats = {2, 0, 3};
    analyzer.Page(1).filter = 0xFFFFFFFE;
    analyzer.shownPage = 1;
    int32_t inFormat = 2;
    {
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForWrite(file));
        sda::SerializeAnalyzerState("SDAView", ar, analyzer, inFormat, 2);
        ASSERT_TRUE(ar.Close());
    }
    CSerialDataAnalyzer loaded;
    Log(loaded.Page(1), "old traffic ", SDA_SENT);
    int32_t in = 0;
    {
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForRead(file));
        sda::SerializeAnalyzerState("SDAView", ar, loaded, in, 2);
    }
    EXPECT_EQ(loaded.Page(1).formats, (std::array<uint8_t, 3>{2, 0, 3}));
    EXPECT_EQ(loaded.Page(1).filter, 0xFFFFFFFEu);
    EXPECT_EQ(loaded.Page(1).LineCount(), 0) << "loading empties the page";
    EXPECT_EQ(loaded.shownPage, 1);
    EXPECT_EQ(in, 2);

    // A hostile file: formats beyond 3, the first column off, no filter, InFormat 7, 40 pages.
    {
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForWrite(file));
        {
            CTagGroup g(ar, "SDAView");
            int32_t tab = 35, bad = 7;
            ar.SerializeInt("CurTab", tab, -1);
            ar.SerializeInt("InFormat", bad, 0);
            ar.SerializeList("SDADBs", 40, 40, [&](int, const std::string& arr) {
                CTagGroup page(ar, arr);
                uint8_t formats[5] = {0, 9, 2, 1, 1};
                ar.SerializeValueList("ColFormat", formats, 5, 5, uint8_t{0});
            });
        }
        ASSERT_TRUE(ar.Close());
    }
    CSerialDataAnalyzer hostile;
    {
        CTagArchive ar("VQXWSPFILE");
        ASSERT_TRUE(ar.OpenForRead(file));
        sda::SerializeAnalyzerState("SDAView", ar, hostile, in, 3);
    }
    EXPECT_EQ(hostile.Page(0).formats, (std::array<uint8_t, 3>{1, 0, 2}));
    EXPECT_EQ(hostile.Page(0).filter, 0xFFFFFFFFu) << "no filter stored: everything shows";
    EXPECT_EQ(in, 0);
    EXPECT_EQ(hostile.shownPage, 0);
    EXPECT_EQ(hostile.Page(29).formats, (std::array<uint8_t, 3>{1, 3, 0})) << "pages beyond the project's untouched";
}
