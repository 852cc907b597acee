// The sample array's extremes, the tuning chart's scales (the 0..700 example), curves over each
// array's own count, the statistics list, ruler and scroll mapping; the tuning file written and
// read back, its defaults, and files that are refused whole.
#include <gtest/gtest.h>

#include "app/tuning/TuningChart.h"
#include "app/tuning/TuningFile.h"
#include "core/archive/TagArchive.h"
#include "tests/app/tools/FixedTextMetrics.h"
#include "tests/common/TempFolder.h"

#include <fstream>
#include <functional>

namespace {
using namespace tuning;

CSampleArray Samples(std::initializer_list<int32_t> values, int capacity = 0)
{
    CSampleArray a;
    a.SetSize(capacity ? capacity : int(values.size()));
    for (int32_t v : values)
        a.Add(v);
    return a;
}

TEST(SampleArray, ExtremesFirstOccurrenceWideningAndCapacity)
{
    CSampleArray a = Samples({3, 9, -2, 9, -2, 4}, 7);
    EXPECT_EQ(a.Max, 9);
    EXPECT_EQ(a.MaxIndex, 1);
    EXPECT_EQ(a.Min, -2);
    EXPECT_EQ(a.MinIndex, 2);
    EXPECT_TRUE(a.Add(1));
    EXPECT_FALSE(a.Add(100)); // full: refused, nothing changes
    EXPECT_EQ(a.Count, 7);
    EXPECT_EQ(a.Max, 9);

    CSampleArray same = Samples({7, 7, 7});
    EXPECT_EQ(same.GetRange(), 2);
    EXPECT_EQ(same.Max, 8);
    EXPECT_EQ(same.Min, 6);
    // A reset array never overflows its ranges.
    CSampleArray empty;
    EXPECT_EQ(empty.GetRange(), 2);
    EXPECT_EQ(empty.GetSymmetricRange(), 2);
    CSampleArray edge = Samples({INT32_MIN, INT32_MAX});
    EXPECT_EQ(edge.GetRange(), int64_t(UINT32_MAX));
    EXPECT_EQ(edge.GetSymmetricRange(), int64_t(1) << 32);
    CSampleArray neg = Samples({-30, 5});
    EXPECT_EQ(neg.GetSymmetricRange(), 60);
}

TEST(TuningChart, ScalesFollowTheirOwnStepRules)
{
    struct Row {
        std::initializer_list<int32_t> values;
        int nDiv;
        int64_t top, bottom, step;
        int divisions;
    };
    const Row rows[] = {
        {{0, 700}, 10, 800, 0, 100, 8},     // m 7: step 100, 0..700 has 7 steps, widened at the top
        {{0, 250}, 10, 280, 0, 20, 14},     // m 2: step 2 x 10, 0..260 has 13 steps, widened at the top
        {{-400, 100}, 10, 100, -400, 50, 10}, // m 5: step 5 x 10, already even
        {{-700, 0}, 10, 0, -800, 100, 8},   // further from zero below: widened at the bottom
        {{7, 7}, 10, 10, 6, 2, 2},          // widened to 6..8, one step, widened at the top
        {{0, 7}, 1, 20, 0, 10, 2},          // m 7: step 10, wider than the range, then widened
    };
    for (const Row& r : rows) {
        CSampleArray a = Samples(r.values);
        const Scale s = PositionScale(a, r.nDiv);
        SCOPED_TRACE(s.top);
        EXPECT_EQ(s.step, r.step);
        EXPECT_EQ(s.top, r.top);
        EXPECT_EQ(s.bottom, r.bottom);
        EXPECT_EQ(s.divisions, r.divisions);
        EXPECT_EQ(a.ScaleTop, r.top);
    }
    // The error scale: symmetric range / n, m rounded up, shares the n lines.
    CSampleArray e = Samples({-30, 12});
    const Scale es = ErrorScale(e, 8); // 60 / 8 = 7.5: mag 1, m 8 -> 10
    EXPECT_EQ(es.step, 10);
    EXPECT_EQ(es.top, 40);
    EXPECT_EQ(es.bottom, -40);
    CSampleArray small = Samples({-5, 5});
    EXPECT_EQ(ErrorScale(small, 8).step, 2); // 10 / 8 = 1.25 -> m 2 -> 2
}

TEST(TuningChart, PictureCurvesRulerScrollAndList)
{
    FixedTextMetrics metrics;
    CSampleArray pos, err;
    pos.SetSize(1000);
    err.SetSize(1000);
    for (int i = 0; i < 1000; ++i) {
        pos.Add(i);
        if (i < 500)
            err.Add(i % 7 - 3); // a file may carry fewer error samples
    }
    TuningChartInput in{400, 300, 1000, 2000, true, 50, 60, true, false};
    const chart::Picture pic = DrawTuningChart(in, pos, err, metrics);
    ASSERT_GT(pic.plot.right, pic.plot.left);
    const int fit = VisibleSamples(pic.plot);
    EXPECT_EQ(pic.visible, fit);
    EXPECT_TRUE(pic.scrollEnabled);
    EXPECT_EQ(pic.scrollMax, 1000 - fit);
    EXPECT_EQ(pic.leftSample, 50);
    int curves = 0, rulers = 0;
    for (const auto& op : pic.ops) {
        if (auto* line = std::get_if<chart::PolylineOp>(&op)) {
            ++curves;
            for (const auto& p : line->points) {
                EXPECT_GE(p.y, pic.plot.top);
                EXPECT_LE(p.y, pic.plot.bottom);
            }
            if (line->color == kErrorColor) { // only the error samples that exist
                EXPECT_LE(line->points.back().x, pic.plot.left + (500 - 50) * (pic.plot.right - pic.plot.left) / fit);
            }
        }
        if (auto* line = std::get_if<chart::LineOp>(&op); line && line->color == chart::kRuler) {
            ++rulers;
            EXPECT_EQ(line->from.x, pic.plot.left + (pic.plot.right - pic.plot.left) * 10 / fit);
        }
    }
    EXPECT_EQ(curves, 2);
    EXPECT_EQ(rulers, 1);
    // Nothing to draw: no samples, no room.
    EXPECT_TRUE(DrawTuningChart({400, 300, 0, 2000}, pos, err, metrics).ops.empty());
    EXPECT_EQ(DrawTuningChart({400, 10, 10, 2000}, pos, err, metrics).ops.size(), 1u);

    const auto rows = StatisticsRows(pos, err, 1000, 2000, true, 600);
    EXPECT_EQ(rows[0], (StatisticsRow{"0", "0", "999", "1998", "600"}));
    EXPECT_EQ(rows[1], (StatisticsRow{"-3", "0", "3", "12", "N/A"})); // ruler beyond the errors
    EXPECT_EQ(StatisticsRows(pos, err, 1000, 2000, false, 5)[1], (StatisticsRow{"N/A", "N/A", "N/A", "N/A", "N/A"}));
    EXPECT_EQ(StatisticsRows(pos, err, 0, 2000, true, 5)[0][0], "N/A");

    EXPECT_EQ(SampleAtX(pic.plot.left, pic.plot.top, pic.plot, fit, 50), 50);
    EXPECT_EQ(SampleAtX(pic.plot.left - 1, pic.plot.top, pic.plot, fit, 50), -1);
    EXPECT_EQ(SampleTime(250, 2000, 1000), 500);
    EXPECT_EQ(SampleAtTime(500, 2000, 1000), 250);
    EXPECT_EQ(SampleAtTime(500, 0, 1000), 0);
    EXPECT_EQ(ScrollOffset(ScrollAction::LineLeft, 0, 5, 1000, 100), 0);
    EXPECT_EQ(ScrollOffset(ScrollAction::PageRight, 0, 5, 1000, 100), 95);
    EXPECT_EQ(ScrollOffset(ScrollAction::Thumb, 5000, 5, 1000, 100), 900);
    EXPECT_EQ(ScrollOffset(ScrollAction::LineRight, 0, 0, 50, 100), 0);
}

TEST(TuningFile, RoundTripDefaultsAndPollErrorOff)
{
    TempFolder dir;
    TuningFileContent c;
    c.channel = 1;
    c.address = 3;
    c.settings.mode = 3;
    c.settings.positionOffset = -300;
    c.settings.moveProgram = "/home/u/move.tqx";
    c.settings.returnToStart = true;
    c.grid.vertical = false;
    c.gains = Gains{1, 2, 3, 4, 5, 6, 7, -8};
    c.position = Samples({5, -7, 12});
    c.posError = Samples({1, 2});
    ASSERT_TRUE(WriteTuningFile(dir / "a.stf", c));
    TuningFileRead r = ReadTuningFile(dir / "a.stf");
    ASSERT_TRUE(r.content) << r.error;
    EXPECT_EQ(r.content->channel, 1);
    EXPECT_EQ(r.content->address, 3);
    EXPECT_EQ(r.content->settings, c.settings);
    EXPECT_EQ(r.content->grid, c.grid);
    EXPECT_EQ(r.content->gains, c.gains);
    EXPECT_EQ(r.content->position.Items(), c.position.Items());
    EXPECT_EQ(r.content->position.MinIndex, 1);
    EXPECT_EQ(r.content->posError.Count, 2);

    // PollError off: no "PosError" group is written, and reading leaves it out.
    c.settings.pollError = false;
    ASSERT_TRUE(WriteTuningFile(dir / "b.stf", c));
    CTagArchive ar(kTuningFileClass);
    ASSERT_TRUE(ar.OpenForRead(dir / "b.stf"));
    EXPECT_FALSE(ar.OpenGroup("PosError"));
    r = ReadTuningFile(dir / "b.stf");
    ASSERT_TRUE(r.content);
    EXPECT_FALSE(r.content->hasPosError);

    // A file with nothing but the class: the table's defaults (Speed 100000), no gains, no samples.
    {
        CTagArchive w(kTuningFileClass);
        ASSERT_TRUE(w.OpenForWrite(dir / "empty.stf"));
        ASSERT_TRUE(w.Close());
    }
    r = ReadTuningFile(dir / "empty.stf");
    ASSERT_TRUE(r.content);
    EXPECT_EQ(r.content->settings, TuningSettings{});
    EXPECT_EQ(r.content->settings.speed, 100000);
    EXPECT_EQ(r.content->address, 1);
    EXPECT_FALSE(r.content->gains);
    EXPECT_FALSE(r.content->hasPosition);
}

TEST(TuningFile, HostileFilesAreRefusedWhole)
{
    TempFolder dir;
    auto write = [&](const std::string& name, const std::function<void(CTagArchive&)>& body) {
        CTagArchive w(kTuningFileClass);
        EXPECT_TRUE(w.OpenForWrite(dir / name));
        body(w);
        EXPECT_TRUE(w.Close());
        return dir / name;
    };
    auto samples = [](int32_t count, size_t bytes) {
        return [count, bytes](CTagArchive& w) {
            w.OpenGroup("Position");
            int32_t n = count;
            w.SerializeInt("NoOfSamples", n, 0);
            std::vector<uint8_t> data(bytes, 0x11);
            w.SerializeBytes("Data", data);
            w.CloseGroup();
        };
    };
    auto info = [](int32_t mode, int32_t time) {
        return [mode, time](CTagArchive& w) {
            w.OpenGroup("TuningInfo");
            int32_t m = mode, t = time;
            w.SerializeInt("TotalTime", t, 0);
            w.SerializeInt("TuningMode", m, 0);
            w.CloseGroup();
        };
    };
    const std::pair<std::string, std::string> cases[] = {
        {write("count-big.stf", samples(1000000, 8)), "sample count"},
        {write("count-negative.stf", samples(-1, 0)), "sample count"},
        {write("count-huge.stf", samples(INT32_MAX, 4)), "sample count"},
        {write("mode.stf", info(7, 1000)), "tuning mode"},
        {write("time.stf", info(1, 0)), "tuning time"},
    };
    for (const auto& [path, says] : cases) {
        const TuningFileRead r = ReadTuningFile(path);
        EXPECT_FALSE(r.content) << path;
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
    }
    std::ofstream(dir / "garbage.stf") << "not an archive at all";
    EXPECT_EQ(ReadTuningFile(dir / "garbage.stf").error, kCannotOpen);
    EXPECT_EQ(ReadTuningFile(dir / "missing.stf").error, kCannotOpen);
    const TuningFileContent nothing;
    EXPECT_FALSE(WriteTuningFile(dir / "no/such/folder/x.stf", nothing));
}

} // namespace
