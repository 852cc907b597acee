// The watch item dialog's rules: the lists per kind and motor family, Bits parsing and the
// WatchInfo it gives, which controls are enabled, the edited flags, and what OK writes or refuses.
#include <gtest/gtest.h>

#include "app/tools/WatchItemForm.h"
#include "app/tools/WatchList.h"

using tools::CWatchItemForm;
using tools::MotorFamily;
using tools::WatchTarget;
namespace dlg = tools::watchdlg;

namespace {

WatchTarget Motor(int address, bool v5, bool v46 = true)
{
    WatchTarget t;
    t.present = true;
    t.portIndex = 0;
    t.address = address;
    t.name = "Motor" + std::to_string(address);
    t.version = v5 ? "510" : "450";
    t.family = {v5, v46};
    return t;
}

} // namespace

TEST(WatchItemForm, ListsByKindAndFamily)
{
    struct Row {
        int kind;
        MotorFamily family;
        size_t count;
        int row;
        const char* caption;
        const char* command;
        uint32_t watchInfo;
    } rows[] = {
        {1, {}, 6, 0, "Position", "RP", 0xFFFF0000},
        {1, {}, 6, 5, "Mode", "RMODE", 0xFFFF0005},
        {2, {false, false}, 16, 6, "Overheat Occurred", "RW", 0x06060006},
        {2, {false, true}, 16, 6, "Overheat Occurred(Bh)", "RW", 0x06060006},
        {2, {true, true}, 16, 8, "Input 0 Asserted(I0)", "RW", 0x08080008},
        {2, {false, true}, 16, 8, "Hardware Index Input Asserted(Bx)", "RW", 0x08080008},
        {2, {true, true}, 16, 15, "Drive Enable Input 7 Asserted(I7)", "RW", 0x0F0F000F},
        {3, {false, true}, 7, 6, "DI G", "z=UGI Rz", 6},
        {3, {true, true}, 10, 9, "Output 2", "RO2", 9},
        {100, {}, 0, -1, "", "", 0},
    };
    for (const Row& r : rows) {
        const auto& list = tools::PredefinedEntries(r.kind, r.family);
        ASSERT_EQ(list.size(), r.count) << r.kind;
        if (r.row < 0)
            continue;
        const auto& e = list[static_cast<size_t>(r.row)];
        EXPECT_EQ(e.caption, r.caption);
        EXPECT_EQ(e.command, r.command);
        EXPECT_EQ(e.watchInfo, r.watchInfo) << r.caption;
    }
    const auto& status = tools::PredefinedEntries(2, {});
    EXPECT_EQ(status[7].turnOn, "OFF");
    EXPECT_EQ(status[13].turnOff, "Zs");
    EXPECT_EQ(status[0].text1, "One Icon");
    const auto& io = tools::PredefinedEntries(3, {true, true});
    EXPECT_EQ(io[7].turnOn, "O0=1");
    EXPECT_EQ(io[7].turnOff, "O0=0");
    EXPECT_EQ(io[0].text0, "Black LED");
    EXPECT_EQ(tools::TextChoices().size(), 8u + 23u);
}

TEST(WatchItemForm, BitsParsing)
{
    struct Row {
        const char* text;
        std::optional<uint32_t> info;
        const char* back;
    } rows[] = {
        {"3", 0x03030000, "3"},      {"4-7", 0x07040000, "4-7"}, {"7-4", 0x07070000, "7"},
        {"0", 0x00000000, "0"},      {" 2 - 5 ", 0x05020000, "2-5"}, {"31", 0x1F1F0000, "31"},
        {"32", std::nullopt, ""},    {"", std::nullopt, ""},     {"abc", std::nullopt, ""},
        {"4-", std::nullopt, ""},    {"-4", std::nullopt, ""},   {"1-2-3", std::nullopt, ""},
        {"0004", std::nullopt, ""},  {"5x", std::nullopt, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(tools::ParseBits(r.text), r.info) << r.text;
        if (r.info) {
            EXPECT_EQ(tools::BitsText(*r.info), r.back);
        }
    }
}

TEST(WatchItemForm, AddingAStatusBitWithTheTargetMotor)
{
    CWatchItem* item = new CWatchItem; // pending, add mode
    CWatchItemForm form(*item, true, false);
    form.Start(Motor(2, true));
    EXPECT_TRUE(form.AddMode());
    EXPECT_EQ(form.Title(), "Add new Monitor Item");
    EXPECT_EQ(form.OkText(), "Add");
    EXPECT_EQ(form.CancelText(), "Close");
    EXPECT_EQ(form.caption, "Motor2 Position");
    EXPECT_EQ(form.pollCommand, "RP");
    CWatchItemForm::Enables en = form.Enabled();
    EXPECT_TRUE(en.motorButton);
    EXPECT_FALSE(en.texts); // a whole value has no texts
    EXPECT_FALSE(en.pollCommand);

    form.SetKind(CWatchItem::kStatusBit);
    form.SelectRow(7);
    EXPECT_EQ(form.caption, "Motor2 Motor Off(Bo)");
    EXPECT_EQ(form.bits, "7");
    EXPECT_TRUE(form.bitMask);
    EXPECT_EQ(form.turnOn, "OFF");
    EXPECT_TRUE(form.Enabled().texts);

    // The user's own 1 text stays when another row is chosen.
    form.text1 = "Red LED";
    form.Edited(CWatchItemForm::Text1);
    form.SelectRow(0);
    EXPECT_EQ(form.text1, "Red LED");
    EXPECT_EQ(form.text0, "Zero Icon");
    EXPECT_EQ(form.turnOn, "");

    // A motor of the older family renames the status bits and keeps the row.
    form.SelectRow(8);
    form.ChooseMotor(Motor(3, false, false));
    EXPECT_EQ(form.SelectedRow(), 8);
    EXPECT_EQ(form.caption, "Motor3 Hardware Index Input Asserted(Bx)");

    ASSERT_EQ(form.Ok(), "");
    EXPECT_EQ(item->WatchType, CWatchItem::kStatusBit);
    EXPECT_EQ(item->WatchInfo, 0x08080008u);
    EXPECT_EQ(item->Command, "RW");
    EXPECT_EQ(item->MotorAddress, 3);
    EXPECT_EQ(item->Text1, "Red LED");

    // Handed to a list: taken, and the dialog goes on from a copy; the same caption again is a
    // duplicate; the list's last free slot closes the dialog.
    tools::CWatchList list;
    auto out = form.AfterAdd(list.OnAddWatchItem(item));
    EXPECT_FALSE(out.close);
    EXPECT_NE(&form.Item(), item);
    out = form.AfterAdd(list.OnAddWatchItem(&form.Item()));
    EXPECT_EQ(out.warning, dlg::kDuplicate);
    EXPECT_EQ(list.Count(), 1);
    delete &form.Item();
}

TEST(WatchItemForm, PropertiesKeepTheUsersTexts)
{
    CWatchItem item;
    item.SlotIndex = 0;
    item.WatchType = CWatchItem::kStandard;
    item.WatchInfo = 0xFFFF0002;
    item.Command = "RV";
    item.Caption = "Speed of the belt";
    CWatchItemForm form(item, false, false);
    form.Start(Motor(1, false));
    EXPECT_EQ(form.Title(), "Monitor Item Properties");
    EXPECT_EQ(form.SelectedRow(), 2);
    EXPECT_FALSE(form.Enabled().motorButton);
    form.SelectRow(0);
    EXPECT_EQ(form.pollCommand, "RP");
    EXPECT_EQ(form.caption, "Speed of the belt");
    ASSERT_EQ(form.Ok(), "");
    EXPECT_EQ(item.Command, "RP");
    EXPECT_EQ(item.WatchInfo, 0xFFFF0000u);
    EXPECT_EQ(item.MotorAddress, 1); // unchanged: the motor could not be changed
}

TEST(WatchItemForm, CustomItemsAndRefusals)
{
    struct Row {
        const char* what;
        bool chart;
        std::function<void(CWatchItemForm&)> act;
        std::string message;
        uint32_t watchInfo;
    } rows[] = {
        {"custom whole value", false, [](CWatchItemForm& f) { f.pollCommand = "Raa"; }, "", 0xFFFF0000},
        {"custom bits", false,
         [](CWatchItemForm& f) {
             f.pollCommand = "RW";
             f.SetBitMask(true);
             f.SetBits("4-7");
         },
         "", 0x07040000},
        {"garbage bits", false,
         [](CWatchItemForm& f) {
             f.pollCommand = "RW";
             f.SetBitMask(true);
             f.SetBits("4-x");
         },
         dlg::kBadBits, 0},
        {"blank caption", false, [](CWatchItemForm& f) { f.caption = " \t "; }, dlg::kNoCaption, 0},
        {"control byte in the poll command", false, [](CWatchItemForm& f) { f.pollCommand = "RP\r"; }, "x", 0},
        {"UTF-8 in the poll command", false, [](CWatchItemForm& f) { f.pollCommand = "R\xC3\xA4"; }, "x", 0},
        {"address byte in a send command", false, [](CWatchItemForm& f) { f.turnOn = "\x80" "END"; }, "x", 0},
        {"empty poll command", false, [](CWatchItemForm& f) { f.pollCommand = ""; }, "x", 0},
        {"chart min = max", true,
         [](CWatchItemForm& f) {
             f.minimum = 0;
             f.maximum = 0;
         },
         dlg::kBadScale, 0},
        {"chart min > max", true,
         [](CWatchItemForm& f) {
             f.minimum = 10;
             f.maximum = -10;
         },
         dlg::kBadScale, 0},
        {"chart range", true,
         [](CWatchItemForm& f) {
             f.minimum = -10;
             f.maximum = 10;
         },
         "", 0xFFFF0000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CWatchItem item;
        item.Command = "Ra";
        CWatchItemForm form(item, true, r.chart);
        form.Start(Motor(1, true));
        form.SetKind(CWatchItem::kCustom);
        EXPECT_TRUE(form.Enabled().pollCommand);
        EXPECT_FALSE(form.Enabled().list);
        EXPECT_EQ(form.pollCommand, "Ra");
        EXPECT_EQ(form.caption, ""); // emptied for a custom item
        form.caption = "Custom";
        form.Edited(CWatchItemForm::Caption);
        r.act(form);
        const std::string message = form.Ok();
        if (r.message.empty()) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(item.WatchInfo, r.watchInfo);
            EXPECT_EQ(item.WatchType, CWatchItem::kCustom);
        } else {
            if (r.message != "x") {
                EXPECT_EQ(message, r.message);
            }
            EXPECT_NE(message, "");
            EXPECT_EQ(item.Command, "Ra"); // a refusal writes nothing
        }
    }
    // The "Mode" entry has no range: a chart item made from it needs one typed in.
    CWatchItem mode;
    CWatchItemForm chart(mode, true, true);
    chart.Start(Motor(1, true));
    chart.SelectRow(5);
    EXPECT_EQ(chart.Ok(), dlg::kBadScale);
    chart.maximum = 20;
    chart.Edited(CWatchItemForm::Maximum);
    EXPECT_EQ(chart.Ok(), "");
    // No motor chosen where one may be chosen; no row of a predefined kind.
    CWatchItem lone;
    CWatchItemForm noMotor(lone, true, false);
    noMotor.Start(WatchTarget{});
    EXPECT_EQ(noMotor.Ok(), dlg::kNoMotor);
    noMotor.ChooseMotor(Motor(1, false));
    noMotor.SelectRow(-1);
    EXPECT_EQ(noMotor.Ok(), dlg::kNoRow);
}

TEST(WatchItemPlacement, BesideTheParentElseAgainstTheEdgeWithMoreRoom)
{
    const tools::ScreenRect screen{0, 0, 1600, 1000};
    struct Case {
        tools::ScreenRect parent;
        int width;
        int x;
    };
    const Case cases[] = {
        {{100, 50, 600, 500}, 400, 610},     // room on the right (1000 - 20): right of it, 10 apart
        {{100, 50, 1180, 500}, 400, 1190},   // 420 - 20 right, 100 - 20 left: too little both sides
        {{700, 50, 1190, 500}, 400, 290},    // 410 - 20 right is too little: left of it, 10 apart
        {{250, 50, 1250, 500}, 400, 1190},   // no room either side: the right edge, more room there
        {{300, 50, 1300, 500}, 400, 10},     // as much room on both sides: the left edge
        {{250, 50, 1500, 500}, 400, 10},     // more room on the left: 10 from the left edge
        {{-300, 0, 200, 400}, 1500, 90},     // wider than the room anywhere: against the right edge
    };
    for (const Case& c : cases)
        EXPECT_EQ(tools::PlaceBesideParent(c.parent, c.width, screen), c.x) << c.parent.left << ".." << c.parent.right;
}

TEST(WatchItemForm, EachModeOpensItsOwnHelpPage)
{
    struct Case {
        bool chart;
        bool add;
        const char* topic;
    };
    for (const Case& c : {Case{false, true, "NewMonitorItem"}, Case{false, false, "MonitorItemProperties"},
                          Case{true, true, "NewChartItem"}, Case{true, false, "ChartItemProperties"}}) {
        CWatchItem item;
        item.SlotIndex = c.add ? -1 : 0;
        tools::CWatchItemForm form(item, true, c.chart, 0, 100);
        EXPECT_EQ(form.HelpTopic(), std::string("::/VQXUsersGuide\\Dialogs\\") + c.topic + ".htm");
    }
}
