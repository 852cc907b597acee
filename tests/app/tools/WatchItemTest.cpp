// The watch item against a simulated chain: what a reply shows (bits, hex, texts), how a failing
// motor shows and what reaches the caller, the double-click command, the list row, the file
// fields; and the fixed item array.
#include <gtest/gtest.h>

#include "app/shell/CommError.h"
#include "app/tools/FixedPtrArray.h"
#include "app/tools/WatchItem.h"
#include "core/VQXException.h"
#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/archive/TagArchive.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/settings/Options.h"
#include "platform/clock/Clock.h"
#include "tests/common/HeadlessContext.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/port/FakePort.h"
#include "tests/sim/wiring/FakeLineRig.h"

namespace {

class WatchItemOnChain : public ::testing::Test, protected HeadlessContext {
protected:
    void SetUp() override
    {
        static int n = 0;
        const std::string line = "watchitem-" + std::to_string(++n);
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(2, p, true), line);
        analyzer.SetView(&view);
        context.SetTrafficLog(&analyzer);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        ASSERT_TRUE(port->OpenPort());
        motor = EnterDetectedMotor(*port, 2);
        ASSERT_NE(motor, nullptr);
        find = [this](int portIndex, int address) -> CMotor* {
            return portIndex == 0 ? port->GetMotor(address) : nullptr;
        };
    }
    void SetA(int32_t value) { motor->SendCommand("a=" + std::to_string(value)); }
    std::deque<std::string> Log() { return rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.CommandLog(); }); }

    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    CSerialDataAnalyzer analyzer;
    VisibleView view;
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    CMotor* motor = nullptr;
    WatchMotorFinder find;
};

CWatchItem Item(const char* command, uint32_t watchInfo, const char* caption = "x")
{
    CWatchItem item;
    item.ChannelIndex = 0;
    item.MotorAddress = 2;
    item.Command = command;
    item.WatchInfo = watchInfo;
    item.Caption = caption;
    return item;
}

} // namespace

TEST_F(WatchItemOnChain, WhatARepliedValueShows)
{
    struct Row {
        const char* what;
        int32_t a;
        uint32_t watchInfo;
        const char* caption;
        bool hex;
        const char* shown;
    } rows[] = {
        {"one bit set shows Text1", 8192, 0x0D0D000D, "x", false, "On"},
        {"one bit clear shows Text0", 8191, 0x0D0D000D, "x", false, "Off"},
        {"bits 4..7 of 240", 240, 0x07040000, "x", false, "15"},
        {"bits 4..7 of 240 in hex", 240, 0x07040000, "x", true, "0xF"},
        {"last below first: empty mask", 240, 0x04070000, "x", false, "0"},
        {"bit 31 of a negative value", -1, 0x1F1F0000, "x", false, "On"},
        {"bits 0..31 of -12 in decimal", -12, 0x1F000000, "x", false, "-12"},
        {"whole value", 4000, 0xFFFF0000, "x", false, "4000"},
        {"whole value in hex", -12, 0xFFFF0003, "x", true, "0xFFFFFFF4"},
        {"the status caption is never hex", -12, 0xFFFF0000, "@STATUS@", true, "-12"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SetA(r.a);
        CWatchItem item = Item("Ra", r.watchInfo, r.caption);
        std::string text;
        EXPECT_TRUE(item.ReadValue(text, false, r.hex, find));
        EXPECT_EQ(text, r.shown);
        EXPECT_EQ(item.ValueText, r.shown);
        EXPECT_FALSE(item.Failed);
        // The same reply again is no change.
        EXPECT_FALSE(item.ReadValue(text, false, r.hex, find));
    }
    // Polling stays out of the analyzer unless the user wants to see it; then it is tagged as the
    // program's own traffic. The switch is back on afterwards.
    CWatchItem item = Item("Ra", 0xFFFF0000);
    std::string text;
    const int before = analyzer.Page(0).EntryCount();
    item.ReadValue(text, false, false, find);
    EXPECT_EQ(analyzer.Page(0).EntryCount(), before);
    EXPECT_TRUE(analyzer.IsLogging());
    context.Options().IncludePolling = true;
    item.ValueText.clear();
    item.ReadValue(text, false, false, find);
    ASSERT_GT(analyzer.Page(0).EntryCount(), before);
    for (int k = before; k < analyzer.Page(0).EntryCount(); ++k)
        EXPECT_NE(analyzer.Page(0).EntryAt(k).flags & SDA_FROM_PROGRAM, 0u) << k;
    context.Options().IncludePolling = false;
}

TEST(WatchItemText, HexOnlyForPlainIntegers)
{
    struct Row {
        const char* in;
        const char* caption;
        const char* out;
    } rows[] = {
        {"-12", "x", "0xFFFFFFF4"}, {"12.5", "x", "12.5"}, {"", "x", "0x0"},      {"--", "x", "0x0"},
        {"255", "x", "0xFF"},       {"N/A", "x", "N/A"},   {"255", "@STATUS@", "255"},
        {"4294967295", "x", "0xFFFFFFFF"},
    };
    for (const Row& r : rows) {
        CWatchItem item;
        item.Caption = r.caption;
        std::string text = r.in;
        item.FormatStatusHex(text);
        EXPECT_EQ(text, r.out) << r.in;
    }
}

TEST_F(WatchItemOnChain, AFailingMotorToleratedOrHandedToTheCaller)
{
    SetA(5);
    CWatchItem whole = Item("Ra", 0xFFFF0000);
    CWatchItem bits = Item("Ra", 0x00000000); // bit 0
    bits.TextNA = "gone";
    std::string text;
    ASSERT_TRUE(whole.ReadValue(text, false, false, find));
    ASSERT_TRUE(bits.ReadValue(text, false, false, find));
    ASSERT_EQ(bits.ValueText, "On");

    rig->WithMotor(1, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });

    // Errors tolerated: the item shows "N/A" (or its TextNA) and nothing is thrown.
    context.Options().NoPollingOnError = false;
    EXPECT_TRUE(whole.ReadValue(text, false, false, find));
    EXPECT_EQ(text, "N/A");
    EXPECT_TRUE(whole.Failed);
    EXPECT_TRUE(bits.ReadValue(text, false, false, find));
    EXPECT_EQ(text, "gone");
    EXPECT_EQ(info.ErrorCount(), 0);

    // Errors stop polling: the exception reaches the caller, the row says why, the information
    // view got the line, the analyzer is switched on again and the tag is cleared.
    context.Options().NoPollingOnError = true;
    whole.Failed = false;
    try {
        whole.ReadValue(text, false, false, find);
        ADD_FAILURE() << "no exception";
    } catch (const CVQXException& e) {
        EXPECT_EQ(e.GetCode(), CVQXException::NoResponse);
        EXPECT_TRUE(commerror::IsCommLoss(e.GetCode()));
    }
    EXPECT_TRUE(whole.Failed);
    EXPECT_EQ(whole.ValueText, "N/A (No response received!)");
    EXPECT_EQ(info.ErrorCount(), 1);
    EXPECT_GE(info.ShowCount(), 1);
    EXPECT_TRUE(analyzer.IsLogging());
    EXPECT_THROW(bits.ReadValue(text, false, false, find), CVQXException);
    EXPECT_EQ(bits.ValueText, "gone");

    // Back again: a change from failed to read forces the redraw even for an equal text.
    rig->WithMotor(1, [](vqxsim::SimMotor& m) { m.knobs.mute = false; });
    bits.ValueText = "On";
    EXPECT_TRUE(bits.ReadValue(text, false, false, find));
    EXPECT_EQ(text, "On");
    EXPECT_FALSE(bits.Failed);
}

TEST_F(WatchItemOnChain, NothingSentForDisabledMissingOrUnsafeItems)
{
    const size_t before = Log().size();
    std::string text = "keep";
    CWatchItem disabled = Item("Ra", 0xFFFF0000);
    disabled.Enabled = false;
    EXPECT_FALSE(disabled.ReadValue(text, false, false, find));
    EXPECT_EQ(text, "keep");

    CWatchItem elsewhere = Item("Ra", 0xFFFF0000);
    elsewhere.MotorAddress = 9; // no such motor
    EXPECT_TRUE(elsewhere.ReadValue(text, false, false, find));
    EXPECT_EQ(text, "N/A");
    EXPECT_TRUE(elsewhere.Failed);

    for (const char* bad : {"RP\rG", "R\xC3\xA9", "RP\x81"}) {
        CWatchItem unsafe = Item(bad, 0xFFFF0000);
        unsafe.ReadValue(text, false, false, find);
        EXPECT_EQ(text, "N/A");
        EXPECT_FALSE(unsafe.Problem().empty());
    }
    EXPECT_EQ(Log().size(), before);
}

TEST_F(WatchItemOnChain, DoubleClickSendsTurnOnUnlessShowingText1)
{
    CWatchItem item = Item("RO0", 0x00000007);
    item.Text0 = "Black LED";
    item.Text1 = "Green LED";
    item.TurnOn = "a=11";
    item.TurnOff = "a=22";
    item.Failed = false;
    struct Row {
        const char* shown;
        int32_t a;
    } rows[] = {{"Green LED", 22}, {"Black LED", 11}, {"green led", 11}, {"", 11}};
    for (const Row& r : rows) {
        item.ValueText = r.shown;
        SetA(0);
        EXPECT_EQ(item.Toggle(find), "");
        EXPECT_EQ(rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Var("a"); }), r.a) << r.shown;
    }
    // Nothing for a failed item, an empty command or a closed port; refused for unsafe text.
    SetA(0);
    item.ValueText = "";
    item.Failed = true;
    EXPECT_EQ(item.Toggle(find), "");
    item.Failed = false;
    item.TurnOn = "";
    EXPECT_EQ(item.Toggle(find), "");
    item.TurnOn = "a=3\x90";
    EXPECT_NE(item.Toggle(find), "");
    EXPECT_EQ(rig->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Var("a"); }), 0);
}

TEST(WatchItemRow, StateImageLedIconsAndModeNames)
{
    struct Row {
        bool enabled, failed, marked;
        const char* command;
        const char* value;
        WatchRowState expect;
        const char* valueAfter;
    } rows[] = {
        {true, false, false, "RP", "4000", {0, "4000", -1}, "4000"},
        {true, true, false, "RP", "N/A", {1, "N/A", -1}, "N/A"},
        {false, true, false, "RP", "", {2, "", -1}, ""},
        {true, false, true, "RP", "1", {3, "1", -1}, "1"},
        {true, false, false, "RW", "Green LED", {0, "", 12}, "Green LED"},
        {true, false, false, "RW", "one icon", {0, "", 30}, "one icon"},
        {true, false, false, "RW", "Black LED", {0, "", 8}, "Black LED"},
        {true, false, false, "RMODE", "P", {0, "ABSOLUTE", -1}, "ABSOLUTE"},
        {true, false, false, "RMODE", "D", {0, "DRIVE DISABLED", -1}, "DRIVE DISABLED"},
        {true, false, false, "RMODE", "Q", {0, "Q", -1}, "Q"},
        {true, false, false, "RMODE", "Red LED", {0, "Red LED", -1}, "Red LED"},
    };
    for (const Row& r : rows) {
        CWatchItem item;
        item.Enabled = r.enabled;
        item.Failed = r.failed;
        item.Command = r.command;
        item.ValueText = r.value;
        EXPECT_EQ(item.UpdateListRow(r.marked), r.expect) << r.command << " " << r.value;
        EXPECT_EQ(item.ValueText, r.valueAfter);
    }
    EXPECT_EQ(CWatchItem::LedIndex("gray box"), 20);
    EXPECT_EQ(CWatchItem::LedIndex("Gray Box "), -1);
}

TEST(WatchItemFile, RoundTripDefaultsAndRefusals)
{
    CWatchItem out;
    out.ChannelIndex = 3;
    out.MotorAddress = 7;
    out.WatchType = CWatchItem::kStatusBit;
    out.WatchInfo = 0x05050005;
    out.Command = "RW";
    out.Caption = "Motor 7 Excessive Position Error(Be)";
    out.Text0 = "Zero Icon";
    out.Text1 = "One Icon";
    out.TextNA = "?";
    out.TurnOn = "OFF";
    out.TurnOff = "Zs";
    out.Enabled = false;
    out.ValueText = "not stored";

    CTagArchive w("VQXWatchFile");
    w.OpenForWriteMemory();
    out.Serialize("Arr0", w);
    w.OpenGroup("Empty");
    w.CloseGroup();
    ASSERT_TRUE(w.Close());
    const std::vector<uint8_t> bytes = w.TakeBytes();

    CTagArchive r("VQXWatchFile");
    ASSERT_TRUE(r.OpenForReadMemory(bytes));
    CWatchItem in;
    in.SlotIndex = 4;
    in.Serialize("Arr0", r);
    EXPECT_EQ(in.ChannelIndex, 3);
    EXPECT_EQ(in.WatchInfo, 0x05050005u);
    EXPECT_EQ(in.Caption, out.Caption);
    EXPECT_EQ(in.TurnOff, "Zs");
    EXPECT_FALSE(in.Enabled);
    EXPECT_EQ(in.ValueText, "?"); // TextNA after loading
    EXPECT_EQ(in.SlotIndex, 4);
    EXPECT_EQ(in.Problem(), "");

    // A group without values loads the file defaults, not the construction defaults.
    CWatchItem empty;
    empty.Serialize("Empty", r);
    EXPECT_EQ(empty.MotorAddress, 0);
    EXPECT_EQ(empty.WatchType, 0);
    EXPECT_EQ(empty.WatchInfo, 0u);
    EXPECT_EQ(empty.Text0, "");
    EXPECT_EQ(empty.TextNA, "N/A");
    EXPECT_TRUE(empty.Enabled);
    EXPECT_EQ(empty.Problem(), ""); // files that leave values out are read with these defaults
    // An absent group leaves the item alone.
    CWatchItem untouched;
    untouched.Serialize("Arr9", r);
    EXPECT_EQ(untouched.MotorAddress, 1);

    struct Bad {
        const char* what;
        std::function<void(CWatchItem&)> spoil;
    } bad[] = {
        {"address", [](CWatchItem& i) { i.MotorAddress = -1; }},
        {"long caption", [](CWatchItem& i) { i.Caption.assign(2u << 20, 'c'); }},
        {"control byte in a command", [](CWatchItem& i) { i.TurnOn = "OFF\x01"; }},
        {"high byte in a command", [](CWatchItem& i) { i.Command = "R\xF0"; }},
    };
    for (const Bad& b : bad) {
        CWatchItem item = out;
        b.spoil(item);
        EXPECT_NE(item.Problem(), "") << b.what;
    }
}

namespace {
struct Counted {
    static inline int alive = 0;
    int slot = -1;
    int value = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
    void AssignSlot(int i) { slot = i; }
    void Copy(const Counted& o) { value = o.value; }
};
} // namespace

TEST(FixedPtrArray, SlotsBoundsRemovalAndOwnership)
{
    {
        CFixedPtrArray<Counted, 5> a;
        for (int i = 0; i < 4; ++i) {
            auto* c = new Counted;
            c->value = 10 + i;
            a.Add(c);
        }
        EXPECT_EQ(a.Count(), 4);
        EXPECT_EQ(a.GetAt(3)->slot, 3);
        EXPECT_EQ(a.GetAt(4), nullptr);
        EXPECT_EQ(a.GetAt(-1), nullptr);
        a.RemoveAt(1);
        ASSERT_EQ(a.Count(), 3);
        EXPECT_EQ(Counted::alive, 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(a.GetAt(i)->slot, i);
        EXPECT_EQ(a.GetAt(1)->value, 12);
        a.Swap(0, 2);
        EXPECT_EQ(a.GetAt(0)->value, 13);
        EXPECT_EQ(a.GetAt(0)->slot, 0);
        EXPECT_EQ(a.GetAt(2)->slot, 2);
        Counted* copy = a.AddCopy(*a.GetAt(0));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->value, 13);
        EXPECT_EQ(copy->slot, 3);
        a.AddCopy(*copy);
        EXPECT_TRUE(a.IsFull());
        EXPECT_EQ(Counted::alive, 5);
        a.RemoveAll();
        EXPECT_EQ(a.Count(), 0);
        EXPECT_EQ(Counted::alive, 0);
    }
    {
        Counted kept;
        CFixedPtrArray<Counted, 5> borrowed(true);
        borrowed.Add(&kept);
        EXPECT_EQ(kept.slot, -1); // a borrowed array does not renumber what it does not own
        borrowed.RemoveAll();
        EXPECT_EQ(borrowed.Count(), 1);
        EXPECT_EQ(Counted::alive, 1);
        borrowed.RemoveAt(0);
        EXPECT_EQ(Counted::alive, 1);
    }
    EXPECT_EQ(Counted::alive, 0);
}
