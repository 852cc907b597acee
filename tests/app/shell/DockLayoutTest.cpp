// The dock bars' layout record in a project file: round trip, a file that claims more bars than a
// frame has, positions out of range, missing groups and items.

#include "app/framework/DockLayout.h"
#include "app/shell/DockLayoutArchive.h"
#include "core/archive/TagArchive.h"

#include <gtest/gtest.h>

using fw::DockBarRecord;

namespace {

std::vector<uint8_t> Store(std::vector<DockBarRecord> records, const char* group = "MainFrame")
{
    CTagArchive ar("VQXWSPFILE");
    ar.OpenForWriteMemory();
    shell::SerializeDockLayout(group, ar, records);
    ar.Close();
    return ar.TakeBytes();
}

bool Load(const std::vector<uint8_t>& bytes, std::vector<DockBarRecord>& records, const char* group = "MainFrame")
{
    CTagArchive ar("VQXWSPFILE");
    EXPECT_TRUE(ar.OpenForReadMemory(bytes));
    const bool ok = shell::SerializeDockLayout(group, ar, records);
    ar.Close();
    return ok;
}

DockBarRecord Bar(int32_t showed, uint32_t style, int32_t pos, int32_t seed)
{
    DockBarRecord r;
    r.showed = showed;
    r.style = style;
    r.posInDockArr = pos;
    r.floatingRect = {seed, seed + 1, seed + 300, seed + 200};
    r.dockingRect = {seed * 2, seed * 3, seed * 4, seed * 5};
    return r;
}

} // namespace

TEST(DockLayoutRecord, RoundTripKeepsEveryItemAndComputesWhere2Dock)
{
    std::vector<DockBarRecord> saved{Bar(1, fw::CBRS_ALIGN_BOTTOM, 1, 10), Bar(0, fw::CBRS_ALIGN_LEFT, 2, 20),
                                     Bar(1, fw::CBRS_FLOATING | fw::CBRS_ALIGN_TOP, 0, 30),
                                     Bar(1, fw::CBRS_ALIGN_RIGHT, 1, 40)};
    const auto bytes = Store(saved);
    std::vector<DockBarRecord> loaded(4);
    ASSERT_TRUE(Load(bytes, loaded));
    saved[0].where2Dock = fw::CBRS_ALIGN_BOTTOM;
    saved[1].where2Dock = fw::CBRS_ALIGN_LEFT;
    saved[2].where2Dock = 0;
    saved[3].where2Dock = fw::CBRS_ALIGN_RIGHT;
    EXPECT_EQ(loaded, saved);
}

TEST(DockLayoutRecord, AFileWithMoreBarsThanTheFrameFillsOnlyItsSlots)
{
    std::vector<DockBarRecord> many;
    for (int i = 0; i < 14; ++i)
        many.push_back(Bar(1, fw::CBRS_ALIGN_TOP, i, i));
    const auto bytes = Store(many);
    std::vector<DockBarRecord> four(4);
    ASSERT_TRUE(Load(bytes, four));
    EXPECT_EQ(four[3].floatingRect.left, 3);
    EXPECT_EQ(fw::StoredBarsToRead(14), 10);
    EXPECT_EQ(fw::StoredBarsToRead(-3), 0);
    EXPECT_EQ(fw::StoredBarsToRead(7, 4), 4);
}

TEST(DockLayoutRecord, MissingGroupChangesNothingAndMissingItemsKeepTheirValues)
{
    const auto bytes = Store({Bar(1, fw::CBRS_ALIGN_LEFT, 1, 5)}, "OtherFrame");
    std::vector<DockBarRecord> records{Bar(0, fw::CBRS_ALIGN_BOTTOM, 3, 77)};
    const auto before = records;
    EXPECT_FALSE(Load(bytes, records));
    EXPECT_EQ(records, before);

    // A bar group with only "Showed".
    CTagArchive ar("VQXWSPFILE");
    ar.OpenForWriteMemory();
    ar.OpenGroup("MainFrame");
    ar.OpenGroup("DockDlgs");
    ar.OpenGroup("Arr0");
    int32_t showed = 1;
    ar.SerializeInt("Showed", showed, 0);
    ar.CloseGroup();
    ar.CloseGroup();
    ar.CloseGroup();
    ar.Close();
    ASSERT_TRUE(Load(ar.TakeBytes(), records));
    EXPECT_EQ(records[0].showed, 1);
    EXPECT_EQ(records[0].floatingRect, before[0].floatingRect);
    EXPECT_EQ(records[0].posInDockArr, 3);
}

TEST(DockLayoutRecord, RestoreOrderIsAscendingPositionWithOutOfRangePositionsClamped)
{
    std::vector<DockBarRecord> bars{Bar(1, 0, 2, 0), Bar(1, 0, 25, 0), Bar(1, 0, 0, 0), Bar(1, 0, -4, 0),
                                    Bar(1, 0, 2, 0)};
    // Position 25 would never be restored (the loop covers 0..19): it is clamped to 19, last.
    EXPECT_EQ(fw::DockRestoreOrder(bars), (std::vector<int>{2, 3, 0, 4, 1}));
    EXPECT_EQ(fw::ClampDockPosition(20), 19);
    EXPECT_EQ(fw::SideOf(fw::CBRS_ALIGN_BOTTOM), fw::DockSide::Bottom);
    EXPECT_EQ(fw::SideOf(0), fw::DockSide::Floating);
    EXPECT_EQ(fw::Where2DockOnSave(fw::CBRS_FLOATING | fw::CBRS_ALIGN_LEFT), 0u);
}
