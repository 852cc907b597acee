#include "core/analyzer/SerialDataAnalyzer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct View : IAnalyzerView {
    bool visible = true;
    int appended = 0;
    bool IsVisible() const override { return visible; }
    void PageAppended(int, int, bool) override { ++appended; }
};

class AnalyzerTest : public ::testing::Test {
protected:
    void SetUp() override { sda->SetView(&view); }
    void Log(int page, uint32_t flags, const std::string& bytes)
    {
        sda->LogData(page, flags, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::string LineText(const CSdaPage& p, int k)
    {
        const CSdaLine& line = p.LineAt(k);
        std::string out;
        int offset = line.startOffset;
        for (int i = 0; i < line.entryCount; ++i) {
            const CSdaEntry& e = p.EntrySlot(line.entries[i]);
            out.append(reinterpret_cast<const char*>(e.data) + offset, e.length - offset);
            offset = 0;
        }
        out.resize(std::min<size_t>(out.size(), line.length));
        return out;
    }
    std::unique_ptr<CSerialDataAnalyzer> sda = std::make_unique<CSerialDataAnalyzer>();
    View view;
};

} // namespace

TEST(SdaRing, ForwardAndBackStopAtTheirLimit)
{
    EXPECT_EQ(SdaDistance(10, 20), 10);
    EXPECT_EQ(SdaDistance(4990, 5), 15);
    EXPECT_EQ(SdaForward(4998, -1, 3), 1);
    EXPECT_EQ(SdaForward(10, 12, 5), 12);
    EXPECT_EQ(SdaForward(10, 12, 1), 11);
    EXPECT_EQ(SdaBack(1, -1, 3), 4998);
    EXPECT_EQ(SdaBack(1, 4999, 5), 4999);
    EXPECT_EQ(SdaBack(10, 2, 3), 7);
}

TEST_F(AnalyzerTest, LongWritesSplitIntoEntriesAndRows)
{
    Log(0, SDA_SENT, std::string(45, 'a'));
    const CSdaPage& p = sda->Page(0);
    ASSERT_EQ(p.EntryCount(), 3);
    EXPECT_EQ(p.EntryAt(0).length, 20);
    EXPECT_EQ(p.EntryAt(1).length, 20);
    EXPECT_EQ(p.EntryAt(2).length, 5);
    EXPECT_EQ(p.EntryAt(0).flags, uint32_t(SDA_SENT));
    EXPECT_EQ(p.EntryAt(1).flags, uint32_t(SDA_SENT | SDA_CONTINUES));
    EXPECT_EQ(p.LineCount(), 3);
    EXPECT_EQ(view.appended, 1);
}

TEST_F(AnalyzerTest, ContinuedEntryRunsOverIntoTheNextRow)
{
    Log(0, SDA_SENT, "ABCDEFGHIJKLMNO");           // 15 bytes
    sda->SetPageFlags(0, SDA_CONTINUES, true);
    Log(0, SDA_LOG_ECHO, "abcdefghijkl");           // 12 bytes
    const CSdaPage& p = sda->Page(0);
    ASSERT_EQ(p.LineCount(), 2);
    EXPECT_EQ(p.LineAt(0).length, 20);
    EXPECT_EQ(LineText(p, 0), "ABCDEFGHIJKLMNOabcde");
    EXPECT_EQ(p.LineAt(1).startOffset, 5);
    EXPECT_EQ(p.LineAt(1).length, 7);
    EXPECT_EQ(LineText(p, 1), "fghijkl");
}

TEST_F(AnalyzerTest, RingsKeepTheNewestFiveThousand)
{
    for (int i = 0; i < 6000; ++i)
        Log(1, SDA_RECEIVED, std::string(1, char('0' + i % 10)));
    const CSdaPage& p = sda->Page(1);
    EXPECT_EQ(p.EntryCount(), SDA_RING);
    EXPECT_EQ(p.LineCount(), SDA_RING);
    EXPECT_EQ(p.EntryAt(0).data[0], '0'); // entry 1000 is the oldest left
    EXPECT_EQ(LineText(p, 0), "0");
    EXPECT_EQ(p.selStartLine, p.LastLine());

    // Rows shared by several entries lose exactly the dropped entry's bytes.
    sda->SetPageFlags(2, SDA_CONTINUES, true);
    for (int i = 0; i < 5003; ++i)
        Log(2, SDA_SENT, "abcdefg"); // 7 bytes each, continuing rows of 20
    const CSdaPage& q = sda->Page(2);
    EXPECT_EQ(q.EntryCount(), SDA_RING);
    long shown = 0;
    for (int k = 0; k < q.LineCount(); ++k) {
        EXPECT_LE(q.LineAt(k).length, SDA_LINE_BYTES);
        shown += q.LineAt(k).length;
    }
    EXPECT_EQ(shown, 7L * SDA_RING);
}

TEST_F(AnalyzerTest, FilteredEntriesAreKeptButNotShown)
{
    CSdaPage& p = sda->Page(0);
    p.filter = ~uint32_t(SDA_FROM_TERMINAL);
    sda->SetPageFlags(0, SDA_FROM_TERMINAL, true);
    Log(0, SDA_SENT, "typed");
    sda->SetPageFlags(0, SDA_FROM_TERMINAL, false);
    Log(0, SDA_SENT, "program");
    ASSERT_EQ(p.EntryCount(), 2);
    EXPECT_EQ(p.EntryAt(0).line, -1);
    EXPECT_EQ(p.EntryAt(0).flags, uint32_t(SDA_SENT | SDA_FROM_TERMINAL));
    EXPECT_EQ(p.LineCount(), 1);
    EXPECT_EQ(LineText(p, 0), "program");
}

TEST_F(AnalyzerTest, TextIsSplitAfterEveryCarriageReturn)
{
    sda->LogText(0, "12\r34", 5);
    sda->LogText(0, "5\r", 2);
    const CSdaPage& p = sda->Page(0);
    ASSERT_EQ(p.LineCount(), 2);
    EXPECT_EQ(LineText(p, 0), "12\r");
    EXPECT_EQ(LineText(p, 1), "345\r");
    EXPECT_EQ(p.EntryAt(2).flags, uint32_t(SDA_RECEIVED | SDA_CONTINUES));
    EXPECT_EQ(p.tagWord & SDA_CONTINUES, 0u);
}

TEST_F(AnalyzerTest, NothingIsRecordedOutsideThePagesOrUnseen)
{
    Log(30, SDA_SENT, "x");
    Log(-1, SDA_SENT, "x");
    view.visible = false;
    Log(0, SDA_SENT, "x");
    view.visible = true;
    sda->EnableLogging(false);
    Log(0, SDA_SENT, "x");
    sda->EnableLogging(true);
    sda->SetView(nullptr);
    Log(0, SDA_SENT, "x");
    for (int page = 0; page < SDA_PAGES; ++page)
        EXPECT_EQ(sda->Page(page).EntryCount(), 0);

    sda->SetPageFlags(-1, SDA_FROM_PROGRAM, true);
    for (int page = 0; page < SDA_PAGES; ++page)
        EXPECT_EQ(sda->Page(page).tagWord, uint32_t(SDA_FROM_PROGRAM));
    sda->SetPageFlags(7, SDA_FROM_PROGRAM, false);
    EXPECT_EQ(sda->Page(7).tagWord, 0u);
}

TEST_F(AnalyzerTest, RowWidthFollowsTheColumnFormats)
{
    CSdaPage& p = sda->Page(0);
    EXPECT_EQ(p.ComputeRowWidth(), 1 + 60 + 2 + 20);
    p.formats = {2, 1, 3};
    EXPECT_EQ(p.ComputeRowWidth(), 1 + 80 + 2 + 60 + 2 + 20);
    Log(0, SDA_SENT, "abc");
    p.Reset();
    EXPECT_EQ(p.EntryCount(), 0);
    EXPECT_EQ(p.LineCount(), 0);
}
