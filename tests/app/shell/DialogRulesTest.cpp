// Rules of the shared dialogs without their windows: the option box's size rules, the page
// selector's layout and two-phase OK, the start dialog's answers and Set Motor Address's list.

#include "app/shell/DialogGeometry.h"
#include "app/shell/PageSelector.h"
#include "app/shell/SmallForms.h"

#include <gtest/gtest.h>

using shell::Box;

TEST(OptionBoxGeometry, SizesToTheMeasuredTextWithTheMinimums)
{
    struct Row {
        bool icon;
        Box measured;
        int width, height, textLeft;
    } rows[] = {
        {true, {0, 0, 100, 14}, 320 + 65, 30 + 110, 50},  // short text: minimum width and height
        {false, {0, 0, 100, 14}, 320 + 25, 14 + 110, 10}, // no icon: no minimum height
        {true, {0, 0, 398, 200}, 398 + 65, 200 + 110, 50},
    };
    for (const Row& r : rows) {
        int wrapAsked = 0;
        const auto g = shell::LayoutOptionBox(r.icon, [&](int wrap) {
            wrapAsked = wrap;
            return r.measured;
        });
        EXPECT_EQ(wrapAsked, 400);
        EXPECT_EQ(g.width, r.width);
        EXPECT_EQ(g.height, r.height);
        EXPECT_EQ(g.text.x, r.textLeft);
        const int bottom = g.text.Bottom();
        EXPECT_EQ(g.check, (Box{10, bottom + 10, g.width - 20, 20}));
        EXPECT_EQ(g.buttons[0], (Box{10, bottom + 35, 100, 25}));
        EXPECT_EQ(g.buttons[1], (Box{(g.width - 100) / 2, bottom + 35, 100, 25}));
        EXPECT_EQ(g.buttons[2], (Box{g.width - 115, bottom + 35, 100, 25}));
    }
}

TEST(PageDlgGeometry, TabAndListStyles)
{
    auto tab = shell::LayoutPageDlg(false, 5, 5);
    EXPECT_EQ(tab.area, (Box{10, 35, 11, 36})) << "at least 11 x 36";
    EXPECT_EQ(tab.height, 36 + 120);
    // Tiny pages: the dialog is as wide as its button row, and no two buttons overlap.
    EXPECT_EQ(tab.width, 390 + 30);
    EXPECT_GT(tab.ok.x, tab.restoreDefaults.Right());
    EXPECT_GT(tab.cancel.x, tab.ok.Right());
    EXPECT_LE(tab.help.Right(), tab.width - 20);
    // A list whose longest name needs more than 140 widens the list and moves the pages.
    auto wide = shell::LayoutPageDlg(true, 300, 200, 175);
    EXPECT_EQ(wide.selector, (Box{10, 10, 175, 230}));
    EXPECT_EQ(wide.area, (Box{195, 10, 300, 200}));
    EXPECT_EQ(wide.width, 390 + 175 + 40);
    auto list = shell::LayoutPageDlg(true, 300, 200);
    EXPECT_EQ(list.area, (Box{160, 10, 300, 200}));
    EXPECT_EQ(list.selector, (Box{10, 10, 140, 230}));
    EXPECT_EQ(list.width, 390 + 140 + 40);
    EXPECT_EQ(list.height, 285);
    EXPECT_EQ(list.ok.Right(), 550 - 180);
    EXPECT_EQ(list.cancel.Right(), 550 - 90);
    EXPECT_EQ(list.help.Right(), 550);
    EXPECT_EQ(list.restoreDefaults, (Box{160, 225, 120, 25}));
}

namespace {

struct Page : shell::ISelectorPage {
    bool valid = true, leave = true;
    int applied = 0, restored = 0;
    bool CanLeavePage() override { return leave; }
    bool Validate() override { return valid; }
    void Apply() override { ++applied; }
    void RestoreDefaults() override { ++restored; }
};

} // namespace

TEST(PageSelector, ValidateAllThenApplyAndTheLeaveVeto)
{
    shell::PageSelector s;
    Page pages[10];
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(s.AddPage(&pages[i]), i + 1);
    EXPECT_EQ(s.AddPage(&pages[9]), -1);
    s.Start();
    EXPECT_EQ(s.Current(), 1);
    pages[3].valid = false;
    pages[6].valid = false;
    auto r = s.Ok();
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(r.invalidPage, 4);
    EXPECT_EQ(s.Current(), 4);
    for (auto& p : pages)
        EXPECT_EQ(p.applied, 0);
    pages[3].leave = false;
    EXPECT_FALSE(s.Select(2));
    EXPECT_EQ(s.Current(), 4);
    EXPECT_TRUE(s.Select(4)) << "the shown page needs no leave";
    pages[3].leave = true;
    pages[3].valid = true;
    pages[6].valid = true;
    s.RestoreDefaults();
    EXPECT_TRUE(s.Ok().ended);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(pages[i].applied, 1);
        EXPECT_EQ(pages[i].restored, 1);
    }
}

TEST(SmallForms, StartAnswersAboutTextAndReaddressList)
{
    EXPECT_EQ(shell::StartDlgResult(1419, 3), 100);
    EXPECT_EQ(shell::StartDlgResult(1420, -1), 101);
    EXPECT_EQ(shell::StartDlgResult(1421, -1), 102);
    EXPECT_EQ(shell::StartDlgResult(1418, 2), 2);
    EXPECT_FALSE(shell::StartDlgResult(1418, -1).has_value());
    EXPECT_EQ(shell::AboutText("2.1 (beta)"), "Tessaraxon Interface\n2.1 (beta)");
    EXPECT_EQ(shell::VersionText("2.1", "beta"), "2.1 (beta)");
    EXPECT_EQ(shell::VersionText("2.1", ""), "2.1");

    // Motors at 1, 2 and 4; the one at 2 re-addressed on a port of 5 addresses.
    const auto c = shell::ReaddressAddresses({1, 4}, 2, 5);
    EXPECT_EQ(c.addresses, (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(c.selected, 0);
    EXPECT_EQ(shell::ReaddressText("Motor2-Line", ('B' << 24) | 12, 2),
              "Motor Name: Motor2-Line\nSerial Number:B12\nCurrent Address:2");
    EXPECT_EQ(shell::ReaddressText("M", 0, 1), "Motor Name: M\nSerial Number:N/A\nCurrent Address:1");
}
