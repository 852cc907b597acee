// The ring of one chart curve and the chart's position/time arithmetic.

#include "app/tools/ChartSamples.h"
#include "app/tools/ChartTimeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Plain {
    int count = 0;
    double mean = 0;
};
// The statistics recomputed from scratch over the slots that hold a sample.
Plain Recompute(const ChartSamples& s)
{
    Plain p;
    long double sum = 0;
    for (int32_t v : s.Values())
        if (v != ChartSamples::kEmpty) {
            sum += v;
            ++p.count;
        }
    p.mean = p.count ? static_cast<double>(sum / p.count) : 0.0;
    return p;
}

} // namespace

TEST(ChartSamples, ARingOverrunByThreeKeepsTheNewestAndTheirMean)
{
    struct Case {
        int size;
        std::vector<int32_t> values;
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN + 1, INT32_MAX);
    std::vector<int32_t> big(103);
    for (auto& v : big)
        v = any(rng);
    const Case cases[] = {
        {5, {1, 2, 3, 4, 5, 6, 7, 8}},
        {4, {-10, 10, -20, 20, 1000, -1000, 7}},
        {100, big},
    };
    for (const Case& c : cases) {
        ChartSamples s;
        s.SetBufferSize(c.size);
        for (size_t i = 0; i < c.values.size(); ++i)
            ASSERT_TRUE(s.AddSample(c.values[i], static_cast<int>(i % c.size)));
        EXPECT_EQ(s.NoOfSamples, c.size);
        EXPECT_EQ(s.FirstPos, 3);
        EXPECT_EQ(s.LastValue, c.values.back());
        const std::vector<int32_t> last(c.values.end() - c.size, c.values.end());
        long double sum = 0;
        for (int32_t v : last)
            sum += v;
        EXPECT_NEAR(s.AvrValue, static_cast<double>(sum / c.size), 1e-6 * (1 + std::abs(s.AvrValue)));
        // Extremes are those since the reset: overwritten samples still count.
        EXPECT_EQ(s.MinValue, *std::min_element(c.values.begin(), c.values.end()));
        EXPECT_EQ(s.MaxValue, *std::max_element(c.values.begin(), c.values.end()));
        EXPECT_TRUE(s.CountersConsistent());
    }
}

TEST(ChartSamples, ResetAndBoundsLeaveNoSampleAndNoStrayWrite)
{
    ChartSamples s;
    s.SetBufferSize(3);
    EXPECT_FALSE(s.HasExtremes());
    EXPECT_FALSE(s.AddSample(5, 3));
    EXPECT_FALSE(s.AddSample(5, -1));
    EXPECT_EQ(s.NoOfSamples, 0);
    EXPECT_EQ(s.At(-1), ChartSamples::kEmpty);
    EXPECT_EQ(s.At(3), ChartSamples::kEmpty);
    s.AddSample(9, 1);
    EXPECT_TRUE(s.HasExtremes());
    EXPECT_EQ(s.FirstPos, 1);
    // The same slot again replaces the sample: still one held, its mean the new value.
    s.AddSample(3, 1);
    EXPECT_EQ(s.NoOfSamples, 1);
    EXPECT_DOUBLE_EQ(s.AvrValue, 3.0);
    EXPECT_EQ(s.MinValue, 3);
    EXPECT_EQ(s.MaxValue, 9);
    s.ResetSamples();
    EXPECT_FALSE(s.HasExtremes());
    EXPECT_EQ(s.At(1), ChartSamples::kEmpty);
    // Sizes outside 0..cap give no buffer rather than a huge one.
    for (int n : {-1, ChartSamples::kMaxBufferSize + 1, INT32_MAX}) {
        s.SetBufferSize(n);
        EXPECT_EQ(s.BufSize(), 0) << n;
        EXPECT_FALSE(s.AddSample(1, 0));
    }
    s.SetBufferSize(ChartSamples::kMaxBufferSize);
    EXPECT_EQ(s.BufSize(), ChartSamples::kMaxBufferSize);
}

// A ring taken from a file can be full with empty slots, or hold its oldest sample elsewhere than
// where the next one goes; the mean must still be that of the samples held.
TEST(ChartSamples, ALoadedRingKeepsAnHonestMean)
{
    struct Case {
        const char* what;
        std::vector<int32_t> slots;
        int first, count;
        std::vector<std::pair<int32_t, int>> added; // value, index
    };
    const int32_t E = ChartSamples::kEmpty;
    const Case cases[] = {
        {"full with an empty slot", {1, 2, E, 4, 5}, 0, 5, {{10, 2}, {20, 3}}},
        {"oldest not where the next goes", {1, 2, 3, 4, 5}, 3, 5, {{100, 0}, {-7, 1}}},
        {"part filled", {E, 8, 9, E, E}, 1, 2, {{1, 3}, {2, 4}, {3, 0}, {4, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChartSamples s;
        s.SetBufferSize(static_cast<int>(c.slots.size()));
        s.MutableValues() = c.slots;
        s.FirstPos = c.first;
        s.NoOfSamples = c.count;
        s.RecomputeStatistics();
        EXPECT_DOUBLE_EQ(s.AvrValue, Recompute(s).mean);
        for (auto [v, i] : c.added) {
            s.AddSample(v, i);
            EXPECT_DOUBLE_EQ(s.AvrValue, Recompute(s).mean);
            EXPECT_LE(s.NoOfSamples, s.BufSize());
        }
    }
}

TEST(ChartTimeline, PositionsTimesAndRingIndexesAgreeAndStayInside)
{
    // A ring of 5 that has wrapped: the newest is in slot 1, the oldest in slot 2.
    ChartTimeline t{5, 1, 5, 700, 100};
    struct Row {
        int ring, position;
        int64_t time;
    };
    const Row rows[] = {{2, 0, 200}, {3, 1, 300}, {4, 2, 400}, {0, 3, 500}, {1, 4, 600}};
    for (const Row& r : rows) {
        EXPECT_EQ(t.PositionOf(r.ring), r.position) << r.ring;
        EXPECT_EQ(t.RingIndexOf(r.position), r.ring);
        EXPECT_EQ(t.TimeOf(r.position), r.time);
        EXPECT_EQ(t.PositionAt(r.time), r.position);
    }
    EXPECT_EQ(t.NextIndex(), 2);
    // Outside what the ring holds: -1, never an index outside it.
    for (int64_t p : {int64_t{-1}, int64_t{5}, int64_t{1} << 40})
        EXPECT_EQ(t.RingIndexOf(p), -1) << p;
    for (int r : {-1, 5, INT32_MAX})
        EXPECT_EQ(t.PositionOf(r), -1) << r;
    for (int64_t ms : {int64_t{700}, int64_t{701}, int64_t{100000}, int64_t{100}, int64_t{-1}, INT64_MIN / 2})
        EXPECT_EQ(t.PositionAt(ms), -1) << ms;
    EXPECT_EQ(t.TimeOf(5), -1);

    // Part filled: slots beyond the newest hold no sample of the chart.
    ChartTimeline part{10, 2, 3, 300, 100};
    EXPECT_EQ(part.PositionOf(5), -1);
    EXPECT_EQ(part.PositionOf(0), 0);
    EXPECT_EQ(part.TimeOf(0), 0);
    EXPECT_EQ(part.NextIndex(), 3);
    ChartTimeline empty{10, -1, 0, 0, 100};
    EXPECT_EQ(empty.PositionOf(0), -1);
    EXPECT_EQ(empty.RingIndexOf(0), -1);
    EXPECT_EQ(empty.NextIndex(), 0);
    ChartTimeline noPeriod{10, 2, 3, 300, 0};
    EXPECT_EQ(noPeriod.PositionAt(100), -1);
}
