// The chart view's rules against two simulated motors: sampling into the shared ring, the list,
// the ruler, scrolling, Copy Data, files (and hostile ones), settings, and closing.

#include "app/tools/ChartSettings.h"
#include "app/tools/ChartView.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "tests/app/tools/FixedTextMetrics.h"
#include "tests/common/TempFolder.h"
#include "tests/core/detect/DetectServices.h"
#include "tests/core/ui/TestProfile.h"
#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/motor/Variables.h"
#include "tests/sim/wiring/FakeLineRig.h"

#include <gtest/gtest.h>

#include <deque>
#include <cstring>

using namespace chartview;

namespace {

class RecordingHost : public IChartViewHost {
public:
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        asked.push_back(text);
        return yesNo;
    }
    Answer AskYesNoCancel(const std::string& text) override
    {
        asked.push_back(text);
        if (answers.empty())
            return kCancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::string AskSavePath(const std::string& name) override
    {
        asked.push_back("save " + name);
        return savePath;
    }
    std::vector<std::string> errors, asked;
    std::deque<Answer> answers;
    bool yesNo = true;
    std::string savePath;
};

CChartItem Item(const char* caption, const char* command, int address, int32_t min = 0, int32_t max = 100)
{
    CChartItem item;
    item.SetFields(CWatchItem::kCustom, CWatchItem::kWholeValue, caption, command, min, max);
    item.Item.ChannelIndex = 0;
    item.Item.MotorAddress = address;
    return item;
}

class ChartViewOnTheLine : public ::testing::Test, protected HeadlessDetectServices {
protected:
    void SetUp() override
    {
        vqxsim::MotorProfile p;
        p.firmware = "450";
        p.serial = ('T' << 24) | 500;
        p.channel[0].baud = p.channel[1].baud = 9600;
        p.echo[0] = true;
        static int n = 0;
        const std::string line = "chart-view-" + std::to_string(++n);
        rig = vqxsim::FakeLineRig::Chain(vqxsim::MakeProfiles(2, p, true), line);
        context.Options().ResponseTimeout = 60;
        port = MakeDetectPort(context, line, "Line", 0, COMM_RS232, 9600);
        clock.Advance(std::chrono::seconds(2));
        ASSERT_TRUE(port->OpenPort());
        for (int a = 1; a <= 2; ++a) {
            motors[a - 1].SetPort(port.get());
            motors[a - 1].Address = a;
        }
    }
    WatchMotorFinder Finder()
    {
        return [this](int portIndex, int address) -> CMotor* {
            return portIndex == 0 && address >= 1 && address <= 2 ? &motors[address - 1] : nullptr;
        };
    }
    // The motors' user variable a takes these values before the next step.
    void SetA(int motor, int32_t value)
    {
        rig->WithMotor(static_cast<size_t>(motor), [&](vqxsim::SimMotor& m) {
            m.Vars().Set(*vqxsim::ParseVarRef("a"), value);
            return 0;
        });
    }

    TempFolder folder;
    TestProfile profile;
    platform::ManualClock clock;
    platform::ScopedClock clockScope{clock};
    std::unique_ptr<vqxsim::FakeLineRig> rig;
    std::unique_ptr<CCommPort> port;
    CMotor motors[2];
    RecordingHost host;
};

// Splits the Copy Data text into its lines (without the CR LF).
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

} // namespace

TEST_F(ChartViewOnTheLine, SamplesTwoMotorsIntoOneRingAndShowsWhatTheyAnswered)
{
    CChartViewForm form(host, Finder());
    form.Start();
    EXPECT_EQ(form.Title().rfind("Chart", 0), 0u);
    EXPECT_EQ(form.WindowText(), "Chart View - " + form.Title());
    EXPECT_FALSE(form.Enabled(ID_START));
    EXPECT_EQ(form.AddItem(Item("A", "Ra", 1)), CChartViewForm::Added::More);
    EXPECT_EQ(form.AddItem(Item("A", "Rb", 2)), CChartViewForm::Added::Duplicate);
    EXPECT_EQ(form.AddItem(Item("B", "Ra", 2, -500, 500)), CChartViewForm::Added::More);
    EXPECT_TRUE(form.Modified());
    CChartViewForm::Settings s = form.CurrentSettings();
    s.bufferSize = 100;
    form.ApplySettings(s);
    ASSERT_EQ(form.Document().Item(1)->BufSize(), 100);

    // 103 steps into a ring of 100: motor 1 answers 7 i, motor 2 answers -i.
    form.StartSampling();
    EXPECT_FALSE(form.Enabled(ID_OPEN));
    EXPECT_TRUE(form.Enabled(ID_STOP));
    EXPECT_FALSE(form.Enabled(ID_COPY_DATA, true));
    for (int i = 0; i < 103; ++i) {
        SetA(0, i * 7);
        SetA(1, -i);
        ASSERT_TRUE(form.SamplingStep(true)) << i << " " << (host.errors.empty() ? "" : host.errors.back());
    }
    form.StopSampling();
    const ChartDocument& d = form.Document();
    EXPECT_EQ(d.NoOfSamples, 100);
    EXPECT_EQ(d.LastSample, 2);
    EXPECT_EQ(d.TotalTime, 10300);
    EXPECT_EQ(d.Item(0)->Samples.FirstPos, 3);

    std::vector<ListRow> rows = form.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].caption, "A");
    EXPECT_EQ(rows[0].colour, 0);
    EXPECT_EQ(rows[1].colour, 1);
    const std::vector<std::string> a = {rows[0].last, rows[0].average, rows[0].min, rows[0].max, rows[0].ruler};
    const std::vector<std::string> b = {rows[1].last, rows[1].average, rows[1].min, rows[1].max, rows[1].ruler};
    EXPECT_EQ(a, (std::vector<std::string>{"714", "367", "0", "714", "N/A"}));
    EXPECT_EQ(b, (std::vector<std::string>{"-102", "-52", "-102", "0", "N/A"}));

    // Copy Data: the oldest sample held first, each line its time and both samples.
    const std::vector<std::string> lines = Lines(form.CopyDataText());
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines[0], "Time\tA\tB");
    for (int k = 0; k < 100; ++k)
        ASSERT_EQ(lines[static_cast<size_t>(k) + 1],
                  std::to_string(300 + 100 * k) + "\t" + std::to_string(7 * (k + 3)) + "\t" + std::to_string(-(k + 3)));

    // The ruler: by position (the oldest), by time (past the end hides it), by a click.
    form.RulerPositionEdited(0);
    EXPECT_EQ(form.Rows()[0].ruler, "21");
    EXPECT_EQ(form.Rows()[1].ruler, "-3");
    EXPECT_EQ(form.RulerTime(), 300);
    form.RulerTimeEdited(10300);
    EXPECT_EQ(form.Document().RulerSample, -1);
    EXPECT_EQ(form.Rows()[0].ruler, "N/A");
    form.RulerTimeEdited(int64_t{1} << 40);
    EXPECT_EQ(form.Document().RulerSample, -1);
    form.RulerTimeEdited(5000);
    EXPECT_EQ(form.RulerPosition(), 47);
    form.RulerPositionEdited(500);
    EXPECT_EQ(form.Rows()[0].ruler, "714");
    const FixedTextMetrics metrics;
    const chart::Picture picture = form.Redraw(448, 340, metrics);
    EXPECT_EQ(form.Document().LeftSample, 3);
    form.ClickPlot(picture.plot.left + 20);
    EXPECT_EQ(form.Rows()[0].ruler, "91");
    form.ClickPlot(100000);
    EXPECT_EQ(form.RulerPosition(), 99);

    // Motor 2 stops answering: the step ends at it, sampling stops and says which item failed;
    // motor 1's item keeps its new sample, the chart's counters stay.
    form.StartSampling();
    EXPECT_EQ(form.Document().RulerSample, -1);
    rig->WithMotor(1, [](vqxsim::SimMotor& m) {
        m.SetAsleep(0, true);
        return 0;
    });
    SetA(0, 5000);
    EXPECT_FALSE(form.SamplingStep(true));
    EXPECT_FALSE(form.Sampling());
    ASSERT_FALSE(host.errors.empty());
    EXPECT_EQ(host.errors.back(), "Cannot get value of chart item \"B\".\nPolling of chart items stopped.");
    EXPECT_EQ(form.Document().LastSample, 2);
    EXPECT_EQ(form.Document().Item(0)->Samples.At(3), 5000);
    EXPECT_EQ(form.Document().Item(0)->Samples.NoOfSamples, 100);

    // It answers again: a manual update takes the step again into the same slot.
    rig->WithMotor(1, [](vqxsim::SimMotor& m) {
        m.SetAsleep(0, false);
        return 0;
    });
    SetA(0, 6000);
    SetA(1, 1);
    EXPECT_TRUE(form.SamplingStep(false));
    EXPECT_EQ(form.Document().LastSample, 3);
    EXPECT_EQ(form.Rows()[0].last, "6000");
    EXPECT_EQ(form.Rows()[1].last, "1");
    EXPECT_EQ(form.Document().Item(0)->Samples.NoOfSamples, 100);

    // An item of a motor the project lacks shows "N/A" and records 0; sampling goes on.
    form.StartSampling();
    EXPECT_EQ(form.AddItem(Item("Gone", "Ra", 7)), CChartViewForm::Added::More);
    SetA(0, 6100);
    EXPECT_TRUE(form.SamplingStep(true));
    EXPECT_TRUE(form.Sampling());
    EXPECT_EQ(form.Rows()[0].last, "6100");
    EXPECT_EQ(form.Rows()[2].last, "N/A");
    EXPECT_EQ(form.Document().Item(2)->Samples.At(form.Document().LastSample), 0);
    form.StopSampling();
    form.DeleteItem(2);

    // Changing only the title keeps the samples; a new update time clears them.
    s = form.CurrentSettings();
    s.chartTitle = "Run";
    form.ApplySettings(s);
    EXPECT_EQ(form.Document().NoOfSamples, 100);
    s.updateTime = 200;
    form.ApplySettings(s);
    EXPECT_EQ(form.Document().NoOfSamples, 0);
    EXPECT_EQ(form.Rows()[0].min, "N/A");
    EXPECT_FALSE(form.CanCopyData());
}

TEST_F(ChartViewOnTheLine, AChartFileGivesBackTheSameChart)
{
    CChartViewForm form(host, Finder());
    form.Start();
    form.AddItem(Item("Pos", "Ra", 1, -100, 100));
    form.AddItem(Item("Other", "Ra", 2));
    CChartViewForm::Settings s = form.CurrentSettings();
    s.chartTitle = "Title";
    s.verticalAxis = "Counts";
    s.bufferSize = 150;
    form.ApplySettings(s);
    form.StartSampling();
    for (int i = 0; i < 170; ++i) {
        SetA(0, (i * 37) % 211 - 100);
        SetA(1, i);
        ASSERT_TRUE(form.SamplingStep(true));
    }
    form.StopSampling();
    form.ToggleHGrid();
    form.RulerPositionEdited(40);
    const FixedTextMetrics metrics;
    form.Redraw(300, 300, metrics);
    form.ScrollBy(CChartViewForm::Scroll::LineRight);
    const chart::Picture before = form.Redraw(300, 300, metrics);
    ASSERT_TRUE(before.scrollEnabled);

    // Saving asks for a name (the title is proposed), then keeps it.
    const std::string proposed = form.Title();
    host.savePath = folder.File("run.sch");
    ASSERT_TRUE(form.Save());
    EXPECT_EQ(host.asked.back(), "save " + proposed);
    EXPECT_EQ(form.Title(), "run.sch");
    EXPECT_FALSE(form.Modified());

    RecordingHost otherHost;
    CChartViewForm reopened(otherHost, Finder());
    reopened.Start();
    ASSERT_TRUE(reopened.Open(host.savePath));
    EXPECT_EQ(reopened.Title(), "run.sch");
    EXPECT_EQ(reopened.CopyDataText(), form.CopyDataText());
    const std::vector<ListRow> r1 = form.Rows(), r2 = reopened.Rows();
    ASSERT_EQ(r1.size(), r2.size());
    for (size_t i = 0; i < r1.size(); ++i) {
        EXPECT_EQ(r2[i].caption, r1[i].caption);
        EXPECT_EQ(r2[i].average, r1[i].average);
        EXPECT_EQ(r2[i].min, r1[i].min);
        EXPECT_EQ(r2[i].max, r1[i].max);
        EXPECT_EQ(r2[i].ruler, r1[i].ruler);
        EXPECT_EQ(r2[i].colour, r1[i].colour);
    }
    EXPECT_TRUE(reopened.Checked(ID_HGRID));
    const chart::Picture after = reopened.Redraw(300, 300, metrics);
    EXPECT_EQ(after.ops, before.ops);
    EXPECT_EQ(after.scrollPos, before.scrollPos);
    EXPECT_TRUE(otherHost.errors.empty());

    // A file that is not there, or not a chart: the message, and the chart stays as it was.
    EXPECT_FALSE(reopened.Open(folder.File("missing.sch")));
    EXPECT_EQ(otherHost.errors.back(), "Cannot open the specified file");
    EXPECT_EQ(reopened.Title(), "run.sch");
    EXPECT_EQ(reopened.Document().ItemCount(), 2);
}

namespace {

// A chart file written value by value, so that any value can be wrong.
struct RawChart {
    int items = 1;
    std::string command = "Ra";
    int32_t itemBuf = 100, firstPos = 0, itemCount = 3;
    int32_t itemMin = 0, itemMax = 100;
    int32_t values = 100 * 4; // bytes
    uint32_t updateTime = 100;
    int32_t maxSamples = 100, last = 2, left = 0, count = 3, ruler = 1, total = 300;
    std::string title = "T";
    const char* fileClass = "VQXChartFile";
    bool withWatchType = true;

    bool Write(const std::string& path) const
    {
        CTagArchive ar(fileClass);
        if (!ar.OpenForWrite(path))
            return false;
        ar.OpenGroup("ChartItems");
        for (int i = 0; i < items; ++i) {
            ar.OpenGroup(CTagArchive::ArrName(i));
            ar.OpenGroup("WatchItem");
            int32_t ch = 0, addr = 1;
            uint8_t type = CWatchItem::kCustom;
            uint32_t info = CWatchItem::kWholeValue;
            std::string cmd = command, caption = 'I' + std::to_string(i);
            ar.SerializeInt("ChannelIndex", ch, 0);
            ar.SerializeInt("MotorAddress", addr, 0);
            if (withWatchType)
                ar.SerializeByte("WatchType", type, 0);
            ar.SerializeDword("WatchInfo", info, 0);
            ar.SerializeString("Command", cmd, "");
            ar.SerializeString("Caption", caption, "");
            ar.CloseGroup();
            int32_t v[] = {itemBuf, firstPos, itemCount, itemMin, itemMax, 1, 3};
            const char* names[] = {"BufSize", "FirstPos", "NoOfSamples", "Min", "Max", "MinValue", "MaxValue"};
            for (int k = 0; k < 7; ++k)
                ar.SerializeLong(names[k], v[k], 0);
            double avr = 2;
            int32_t lastValue = 3;
            ar.SerializeDouble("AvrValue", avr, 0);
            ar.SerializeLong("LastValue", lastValue, 0);
            std::vector<uint8_t> bytes(static_cast<size_t>(std::max(values, 0)), 0x80);
            for (size_t k = 0; k + 3 < bytes.size(); k += 4) {
                const int32_t sample = k / 4 < 3 ? static_cast<int32_t>(k / 4) + 1 : INT32_MIN;
                std::memcpy(&bytes[k], &sample, 4);
            }
            ar.SerializeBytes("Values", bytes);
            ar.CloseGroup();
        }
        ar.CloseGroup();
        uint32_t vMax = 100, vMin = 0, update = updateTime;
        int32_t ms = maxSamples, l = last, lf = left, n = count, r = ruler, t = total;
        std::string ti = title, axis;
        bool grid = true;
        ar.SerializeDword("VMax", vMax, 0);
        ar.SerializeDword("VMin", vMin, 0);
        ar.SerializeDword("UpdateTime", update, 0);
        ar.SerializeLong("MaxSamples", ms, 0);
        ar.SerializeString("ChartTitle", ti, "");
        ar.SerializeString("VerticalAxis", axis, "");
        ar.SerializeLong("LastSample", l, 0);
        ar.SerializeLong("LeftSample", lf, 0);
        ar.SerializeLong("NoOfSamples", n, 0);
        ar.SerializeLong("RulerSample", r, 0);
        ar.SerializeLong("TotalTime", t, 0);
        ar.SerializeBool("VGrid", grid, false);
        ar.SerializeBool("HGrid", grid, false);
        return ar.Close();
    }
};

} // namespace

TEST(ChartFile, EveryValueReadIsCheckedAndInconsistentSamplesCleared)
{
    TestProfile profile;
    TempFolder folder;
    struct Case {
        const char* what;
        void (*change)(RawChart&);
        bool opens;
        int samples;         // the chart's NoOfSamples afterwards
        int itemSamples;     // the first item's
        int32_t maxSamples;
        int32_t updateTime;
        int ruler;
    };
    const Case cases[] = {
        {"sound", [](RawChart&) {}, true, 3, 3, 100, 100, 1},
        {"update time 0", [](RawChart& c) { c.updateTime = 0; }, true, 0, 0, 100, 100, -1},
        {"update time 2^32-1", [](RawChart& c) { c.updateTime = 0xFFFFFFFF; }, true, 0, 0, 100, 100, -1},
        {"ring of 2^31-1", [](RawChart& c) { c.maxSamples = INT32_MAX; }, true, 0, 0, 1000, 100, -1},
        {"ring of 0", [](RawChart& c) { c.maxSamples = 0; }, true, 0, 0, 1000, 100, -1},
        {"item ring differs", [](RawChart& c) { c.itemBuf = 5; c.values = 20; }, true, 3, 0, 100, 100, 1},
        {"item ring of 2^31-1", [](RawChart& c) { c.itemBuf = INT32_MAX; }, true, 3, 0, 100, 100, 1},
        {"negative count", [](RawChart& c) { c.count = -4; }, true, 0, 0, 100, 100, -1},
        {"newest beyond the ring", [](RawChart& c) { c.last = 100; }, true, 0, 0, 100, 100, -1},
        {"more samples than time", [](RawChart& c) { c.total = 100; }, true, 0, 0, 100, 100, -1},
        {"ruler beyond the ring", [](RawChart& c) { c.ruler = 1 << 30; }, true, 3, 3, 100, 100, -1},
        {"ruler on no sample", [](RawChart& c) { c.ruler = 50; }, true, 3, 3, 100, 100, -1},
        {"left beyond the ring", [](RawChart& c) { c.left = -7; }, true, 3, 3, 100, 100, 1},
        {"item counters beyond its ring", [](RawChart& c) { c.itemCount = 101; }, true, 3, 0, 100, 100, 1},
        {"item oldest outside", [](RawChart& c) { c.firstPos = 100; }, true, 3, 0, 100, 100, 1},
        {"samples of another size", [](RawChart& c) { c.values = 396; }, true, 3, 3, 100, 100, 1},
        {"huge title", [](RawChart& c) { c.title.assign(1 << 20, 'x'); }, true, 3, 3, 100, 100, 1},
        {"twenty items", [](RawChart& c) { c.items = 20; }, true, 3, 3, 100, 100, 1},
        {"empty scale", [](RawChart& c) { c.itemMin = c.itemMax = 0; }, true, 3, 3, 100, 100, 1},
        {"no item kind", [](RawChart& c) { c.withWatchType = false; }, true, 3, 3, 100, 100, 1},
        {"a command with an address byte", [](RawChart& c) { c.command = "R\xE1"; }, false, 0, 0, 0, 0, 0},
        {"a monitor file", [](RawChart& c) { c.fileClass = "VQXWatchFile"; }, false, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawChart raw;
        c.change(raw);
        const std::string path = folder.File("hostile.sch");
        ASSERT_TRUE(raw.Write(path));
        RecordingHost host;
        CChartViewForm form(host, {});
        form.Start();
        const std::string title = form.Title();
        ASSERT_EQ(form.Open(path), c.opens);
        const ChartDocument& d = form.Document();
        if (!c.opens) {
            EXPECT_EQ(host.errors.size(), 1u);
            EXPECT_EQ(host.errors[0].rfind("Cannot open the specified file", 0), 0u);
            EXPECT_EQ(form.Title(), title);
            EXPECT_EQ(d.ItemCount(), 0);
            continue;
        }
        EXPECT_TRUE(host.errors.empty());
        EXPECT_EQ(d.NoOfSamples, c.samples);
        EXPECT_EQ(d.Item(0)->Samples.NoOfSamples, c.itemSamples);
        EXPECT_EQ(d.MaxSamples, c.maxSamples);
        EXPECT_EQ(d.UpdateTime, c.updateTime);
        EXPECT_EQ(d.RulerSample, c.ruler);
        EXPECT_LE(d.ItemCount(), 8);
        EXPECT_LE(d.ChartTitle.size(), 255u);
        EXPECT_GE(d.LeftSample, 0);
        EXPECT_LT(d.LeftSample, d.MaxSamples);
        for (const CChartItem* item : d.Items) {
            EXPECT_EQ(item->BufSize(), d.MaxSamples);
            EXPECT_TRUE(item->Samples.CountersConsistent());
        }
        // Whatever the file said, the chart can be drawn, listed, copied and scrolled.
        const FixedTextMetrics metrics;
        form.Redraw(300, 200, metrics);
        form.ScrollBy(CChartViewForm::Scroll::PageRight);
        form.ClickPlot(1000);
        EXPECT_EQ(form.Rows().size(), static_cast<size_t>(d.ItemCount()));
        EXPECT_EQ(Lines(form.CopyDataText()).size(), static_cast<size_t>(d.NoOfSamples) + 1);
    }
}

TEST(ChartViewRules, ButtonsItemsSettingsAndClosing)
{
    TestProfile profile;
    TempFolder folder;
    RecordingHost host;
    CChartViewForm form(host, {});
    form.Start();
    const std::string first = form.Title();
    form.New();
    EXPECT_EQ(form.Title(), "Chart" + std::to_string(std::stoi(first.substr(5)) + 1));

    // Eight items at most; deleting the first gives the others the colours of their new places.
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(form.CanAdd());
        EXPECT_EQ(form.AddItem(Item(std::to_string(i).c_str(), "RP", 1)),
                  i < 7 ? CChartViewForm::Added::More : CChartViewForm::Added::Full);
    }
    EXPECT_FALSE(form.CanAdd());
    EXPECT_EQ(host.errors.back(), "Cannot add more chart items.");
    form.DeleteItem(-1);
    EXPECT_EQ(host.errors.back(), "Please select an item from the list!");
    host.yesNo = false;
    form.DeleteItem(0);
    EXPECT_EQ(form.Document().ItemCount(), 8);
    host.yesNo = true;
    form.DeleteItem(0);
    EXPECT_EQ(host.asked.back(), "Are you sure you want to delete this chart item?");
    ASSERT_EQ(form.Document().ItemCount(), 7);
    EXPECT_EQ(form.Rows()[0].caption, "1");
    EXPECT_EQ(form.Rows()[0].colour, 0);
    EXPECT_EQ(form.Document().Item(1)->Color(), chart::CurveColor(1));
    EXPECT_EQ(form.ItemToEdit(9), nullptr);

    // Buttons: stopped with items / sampling.
    struct Row {
        int id;
        bool stopped, sampling, samplingMenu;
    };
    const Row rows[] = {
        {ID_NEW_CHART, true, false, false},   {ID_OPEN, true, false, false},
        {ID_SAVE, true, false, false},        {ID_SAVE_AS, true, true, false},
        {ID_ADD_ITEM, true, true, true},      {ID_DELETE_ITEM, true, true, true},
        {ID_EDIT_ITEM, true, true, true},     {ID_CLEAR, true, true, true},
        {ID_START, true, false, false},       {ID_STOP, false, true, true},
        {ID_MANUAL_UPDATE, true, false, false}, {ID_PROPERTIES, true, false, false},
        {ID_HIGHLIGHT, true, true, true},     {ID_COPY_DATA, true, true, false},
        {ID_COPY_IMAGE, true, true, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(form.Enabled(r.id), r.stopped) << r.id;
        form.StartSampling();
        EXPECT_EQ(form.Enabled(r.id), r.sampling) << r.id;
        EXPECT_EQ(form.Enabled(r.id, true), r.samplingMenu) << r.id;
        form.StopSampling();
    }
    form.ToggleHighlight();
    form.ToggleVGrid();
    EXPECT_TRUE(form.Checked(ID_HIGHLIGHT));
    EXPECT_TRUE(form.Checked(ID_VGRID));
    EXPECT_FALSE(form.Checked(ID_HGRID));

    // Closing: refused while sampling, Cancel keeps it, Yes on a file that cannot be written keeps
    // it open (closing would lose the chart), No discards.
    form.StartSampling();
    EXPECT_FALSE(form.CanClose());
    EXPECT_EQ(host.errors.back(), "Please stop sampling before closing Chart View.");
    form.StopSampling();
    host.answers = {IChartViewHost::kCancel};
    EXPECT_FALSE(form.CanClose());
    EXPECT_EQ(host.asked.back(), "Do you want to save the changes to \"" + form.Title() + "\"?");
    host.answers = {IChartViewHost::kYes};
    host.savePath = folder.File("no such folder/x.sch");
    EXPECT_FALSE(form.CanClose());
    EXPECT_EQ(host.errors.back(), "Cannot open the file to write!");
    EXPECT_TRUE(form.Modified());
    EXPECT_TRUE(form.FilePath().empty());
    host.answers = {IChartViewHost::kNo};
    EXPECT_TRUE(form.CanClose());
    EXPECT_TRUE(form.CanClose());

    // The settings dialog's checks, in order, with the field that gets the focus.
    using namespace chartsettings;
    struct Check {
        Fields f;
        const char* message;
        int focus;
    };
    const Check checks[] = {
        {{"t", "v", "0", "100", "100", "1000"}, nullptr, 0},
        {{"t", "v", "5", "5", "100", "1000"}, kMinBelowMax, IDC_MINIMUM},
        {{"t", "v", "9", "-9", "50", "10"}, kMinBelowMax, IDC_MINIMUM},
        {{"t", "v", "0", "7", "99", "1000"}, kUpdateTooShort, IDC_UPDATE_TIME},
        {{"t", "v", "0", "7", "abc", "1000"}, kUpdateTooShort, IDC_UPDATE_TIME},
        {{"t", "v", "0", "7", "100", "0"}, kBufferTooSmall, IDC_BUFFER_SIZE},
        {{"t", "v", "0", "7", "100", "2147483648"}, kBufferTooLarge, IDC_BUFFER_SIZE},
        {{"t", "v", "0", "7", "100", "1000001"}, kBufferTooLarge, IDC_BUFFER_SIZE},
        {{"t", "v", "-2147483649", "7", "100", "1000000"}, nullptr, 0},
    };
    for (const Check& c : checks) {
        const chartsettings::Check got = CheckOk(c.f);
        EXPECT_EQ(got.ok, c.message == nullptr) << c.f.maximum;
        EXPECT_EQ(got.message, c.message ? c.message : "");
        EXPECT_EQ(got.focus, c.focus);
    }
    EXPECT_EQ(CheckOk(checks[8].f).settings.vMin, INT32_MIN);
    EXPECT_EQ(FieldsOf(CheckOk(checks[0].f).settings).bufferSize, "1000");

    // Applied settings reach the profile, and the next chart view starts with them.
    CChartViewForm::Settings s = form.CurrentSettings();
    s.updateTime = 250;
    s.bufferSize = 500;
    form.ApplySettings(s);
    for (const CChartItem* item : form.Document().Items)
        EXPECT_EQ(item->BufSize(), 500);
    CChartViewForm next(host, {});
    next.Start();
    EXPECT_EQ(next.UpdateTime(), 250);
    EXPECT_EQ(next.Document().MaxSamples, 500);
}
