// The list of watch items: additions with the duplicate check up to the limit, deletion and moves
// that keep the slots numbered, the poll cursor over disabled items and the failed mark of a pass,
// the close question, and watch files read back by value (bad files change nothing).
#include <gtest/gtest.h>

#include "app/tools/WatchList.h"
#include "core/archive/TagArchive.h"
#include "core/ui/Questions.h"
#include "tests/common/TempFolder.h"

#include <fstream>

namespace {

CWatchItem* NewItem(const std::string& caption, int address = 1, const std::string& command = "RP")
{
    auto* item = new CWatchItem;
    item->Caption = caption;
    item->MotorAddress = address;
    item->Command = command;
    return item;
}

std::vector<std::string> Captions(const tools::CWatchList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.At(i)->SlotIndex, i);
        out.push_back(list.At(i)->Caption);
    }
    return out;
}

} // namespace

TEST(WatchList, AddDuplicateLimitDeleteAndMove)
{
    tools::CWatchList list;
    CWatchItem* first = NewItem("Position");
    CWatchItem* next = list.OnAddWatchItem(first);
    ASSERT_NE(next, nullptr);
    ASSERT_NE(next, first);
    EXPECT_EQ(next->Caption, "Position"); // the dialog goes on from a copy
    EXPECT_EQ(next->SlotIndex, -1);
    EXPECT_TRUE(list.Modified);
    // The same caption again: handed back, not taken.
    EXPECT_EQ(list.OnAddWatchItem(next), next);
    EXPECT_EQ(list.Count(), 1);
    delete next;

    for (int i = 1; i < tools::kMaxWatchItems - 1; ++i) {
        CWatchItem* more = list.OnAddWatchItem(NewItem("Item " + std::to_string(i)));
        ASSERT_NE(more, nullptr) << i;
        delete more;
    }
    EXPECT_EQ(list.Count(), 49);
    // The 50th closes the dialog.
    EXPECT_EQ(list.OnAddWatchItem(NewItem("Last")), nullptr);
    EXPECT_TRUE(list.IsFull());
    CWatchItem* refused = NewItem("Beyond");
    EXPECT_EQ(list.OnAddWatchItem(refused), refused);
    delete refused;

    list.Modified = false;
    ASSERT_TRUE(list.Delete(0));
    EXPECT_TRUE(list.Modified);
    EXPECT_FALSE(list.Delete(49));
    EXPECT_EQ(list.Count(), 49);
    EXPECT_EQ(list.At(0)->Caption, "Item 1");

    while (list.Count() > 3)
        list.Delete(3);
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"Item 1", "Item 2", "Item 3"}));
    EXPECT_FALSE(list.Move(0, true));  // up on the first row
    EXPECT_FALSE(list.Move(2, false)); // down on the last row
    EXPECT_TRUE(list.Move(0, false));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"Item 2", "Item 1", "Item 3"}));
    EXPECT_TRUE(list.Move(2, true));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"Item 2", "Item 3", "Item 1"}));
}

TEST(WatchList, CursorSkipsDisabledItemsAndMarksFailedPasses)
{
    tools::CWatchList list;
    for (int a : {1, 2, 3, 4})
        delete list.OnAddWatchItem(NewItem("M" + std::to_string(a), a));
    list.SetEnabled(1, false);
    list.SetEnabled(2, false);

    // No motor answers here (replies are the watch item's tests): the finder records the order.
    std::vector<int> asked;
    const WatchMotorFinder find = [&](int, int address) -> CMotor* {
        asked.push_back(address);
        return nullptr;
    };

    // Not polling, no items or not allowed: the tick is not claimed.
    EXPECT_FALSE(list.PollStep(find, true).used);
    list.SetPolling(true);
    EXPECT_EQ(list.Indicator(), tools::kLinkWorks);
    EXPECT_FALSE(list.PollStep(find, false).used);
    EXPECT_TRUE(asked.empty());

    // Each step reads one enabled item; the disabled ones are stepped over.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(list.PollStep(find, true).used);
    EXPECT_EQ(asked, (std::vector<int>{1, 4, 1, 4}));
    // Without motors every read failed: the pass is marked, and the mark holds through the next
    // pass's start because that pass failed too.
    EXPECT_TRUE(list.At(0)->Failed);
    EXPECT_EQ(list.Indicator(), tools::kLinkFailed);
    EXPECT_EQ(list.At(0)->UpdateListRow(false).stateImage, CWatchItem::kImageFailed);
    EXPECT_EQ(list.At(1)->UpdateListRow(false).stateImage, CWatchItem::kImageDisabled);

    // All items disabled: still claims the tick, reads nothing.
    list.SetEnabled(0, false);
    list.SetEnabled(3, false);
    asked.clear();
    EXPECT_TRUE(list.PollStep(find, true).used);
    EXPECT_TRUE(asked.empty());

    // Switching a row on clears its text so that the next read redraws it.
    list.At(0)->ValueText = "old";
    EXPECT_TRUE(list.SetEnabled(0, true));
    EXPECT_EQ(list.At(0)->ValueText, "");
    list.SetPolling(false);
    EXPECT_EQ(list.Indicator(), tools::kLinkNotPolling);
    EXPECT_FALSE(list.PollStep(find, true).used);
}

TEST(WatchList, CloseQuestion)
{
    struct Row {
        bool modified;
        int answer;
        bool saves;
        bool closes;
        int asked, saved;
    } rows[] = {
        {false, ui::IDCANCEL, true, true, 0, 0},
        {true, ui::IDYES, true, true, 1, 1},
        {true, ui::IDYES, false, false, 1, 1}, // the save failed or was cancelled: stay open
        {true, ui::IDNO, true, true, 1, 0},
        {true, ui::IDCANCEL, true, false, 1, 0},
    };
    for (const Row& r : rows) {
        tools::CWatchList list;
        list.Modified = r.modified;
        int asked = 0, saved = 0;
        const bool closes = list.CanClose([&] { ++asked; return r.answer; },
                                          [&] { ++saved; return r.saves; });
        EXPECT_EQ(closes, r.closes) << r.answer;
        EXPECT_EQ(asked, r.asked);
        EXPECT_EQ(saved, r.saved);
        EXPECT_EQ(list.Modified, r.modified && !closes);
    }
}

TEST(WatchList, FileRoundTripAndBadFiles)
{
    TempFolder folder;
    const std::string path = (folder / "two.mon");
    tools::CWatchList list;
    CWatchItem* a = NewItem("Motor 2 Position", 2, "RP");
    CWatchItem* b = NewItem("Motor 2 Trajectory In Progress(Bt)", 2, "RW");
    b->WatchType = CWatchItem::kStatusBit;
    b->WatchInfo = 0x00000000;
    b->Text0 = "Zero Icon";
    b->Text1 = "One Icon";
    b->ChannelIndex = 1;
    delete list.OnAddWatchItem(a);
    delete list.OnAddWatchItem(b);
    list.SetEnabled(1, false);
    list.Hex = true;
    ASSERT_TRUE(list.Save(path, true));
    EXPECT_FALSE(list.Modified);

    tools::CWatchList back;
    ASSERT_EQ(back.Load(path, true), "");
    ASSERT_EQ(back.Count(), 2);
    EXPECT_TRUE(back.Hex);
    for (int i = 0; i < 2; ++i) {
        const CWatchItem& x = *list.At(i);
        const CWatchItem& y = *back.At(i);
        EXPECT_EQ(y.SlotIndex, i);
        EXPECT_EQ(std::tie(x.ChannelIndex, x.MotorAddress, x.WatchType, x.WatchInfo, x.Command, x.Caption, x.Text0,
                           x.Text1, x.TextNA, x.TurnOn, x.TurnOff, x.Enabled),
                  std::tie(y.ChannelIndex, y.MotorAddress, y.WatchType, y.WatchInfo, y.Command, y.Caption, y.Text0,
                           y.Text1, y.TextNA, y.TurnOn, y.TurnOff, y.Enabled));
    }
    // A template (no Hex value) leaves Hex as the reader has it.
    back.Hex = false;
    ASSERT_EQ(back.Load(path, false), "");
    EXPECT_FALSE(back.Hex);

    // Bad files: each refused with a reason, the list unchanged.
    auto write = [&](const std::string& name, const std::function<void(CTagArchive&)>& body,
                     const char* cls = tools::kWatchFileClass) {
        const std::string p = (folder / name);
        CTagArchive ar(cls);
        EXPECT_TRUE(ar.OpenForWrite(p));
        body(ar);
        EXPECT_TRUE(ar.Close());
        return p;
    };
    auto items = [](int n, const std::function<void(CWatchItem&)>& spoil) {
        return [n, spoil](CTagArchive& ar) {
            ar.OpenGroup(tools::kWatchItemsGroup);
            for (int i = 0; i < n; ++i) {
                CWatchItem item;
                item.Caption = 'C' + std::to_string(i);
                item.Command = "RP";
                if (i == n - 1)
                    spoil(item);
                item.Serialize(CTagArchive::ArrName(i), ar);
            }
            ar.CloseGroup();
        };
    };
    const std::string garbage = (folder / "garbage.mon");
    std::ofstream(garbage) << "not an archive at all";
    struct Bad {
        const char* what;
        std::string path;
    } bad[] = {
        {"missing", (folder / "none.mon")},
        {"garbage", garbage},
        {"other class", write("chart.mon", items(1, [](CWatchItem&) {}), "VQXChartFile")},
        {"megabyte caption", write("long.mon", items(2, [](CWatchItem& i) { i.Caption.assign(3u << 20, 'x'); }))},
        {"control bytes", write("ctl.mon", items(2, [](CWatchItem& i) { i.Command = "RP\r1G"; }))},
        {"address byte", write("addr.mon", items(2, [](CWatchItem& i) { i.TurnOn = "\x81OFF"; }))},
    };
    for (const Bad& x : bad) {
        SCOPED_TRACE(x.what);
        EXPECT_NE(back.Load(x.path, true), "");
        EXPECT_EQ(back.Count(), 2);
        EXPECT_EQ(back.At(0)->Caption, "Motor 2 Position");
        EXPECT_FALSE(back.Hex);
    }
    // Values left out, as other writers do: each reads as its file default, the item is kept.
    const std::string sparse = write("sparse.mon", [](CTagArchive& ar) {
        ar.OpenGroup(tools::kWatchItemsGroup);
        ar.OpenGroup(CTagArchive::ArrName(0));
        std::string caption = "Status Word", command = "RW";
        ar.SerializeString("Caption", caption, "");
        ar.SerializeString("Command", command, "");
        ar.CloseGroup();
        ar.CloseGroup();
    });
    ASSERT_EQ(back.Load(sparse, true), "");
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.At(0)->Caption, "Status Word");
    EXPECT_EQ(back.At(0)->WatchType, 0);
    EXPECT_EQ(back.At(0)->WatchInfo, 0u);
    EXPECT_EQ(back.At(0)->MotorAddress, 0);
    EXPECT_TRUE(back.At(0)->Enabled);
    EXPECT_FALSE(back.Hex);

    // More items than the limit: the first 50 are read.
    const std::string many = write("many.mon", items(80, [](CWatchItem&) {}));
    ASSERT_EQ(back.Load(many, true), "");
    EXPECT_EQ(back.Count(), tools::kMaxWatchItems);
    EXPECT_EQ(back.At(49)->Caption, "C49");

    // A file that cannot be written: false, nothing else changes.
    list.Modified = true;
    EXPECT_FALSE(list.Save((folder / "no-such-dir/x.mon"), true));
    EXPECT_TRUE(list.Modified);
}
