// The chart's picture by value: scales, labels, plot rectangle, time axis, curves, marker, ruler.

#include "app/tools/ChartPicture.h"

#include <gtest/gtest.h>

#include <random>

using namespace chart;

namespace {

// Fixed-pitch text: labels 7 px a character and 15 high, titles 9 px and 18 high.
class FixedMetrics : public ITextMetrics {
public:
    TextSize Measure(Font font, std::string_view text) const override
    {
        return font == Font::Label ? TextSize{7 * static_cast<int>(text.size()), 15}
                                   : TextSize{9 * static_cast<int>(text.size()), 18};
    }
};

template <class T>
std::vector<T> OpsOf(const Picture& p)
{
    std::vector<T> out;
    for (const Op& op : p.ops)
        if (auto* t = std::get_if<T>(&op))
            out.push_back(*t);
    return out;
}

std::vector<std::string> TextsBelow(const Picture& p, int y)
{
    std::vector<std::string> out;
    for (const TextOp& t : OpsOf<TextOp>(p))
        if (t.at.y >= y)
            out.push_back(t.text);
    return out;
}

std::vector<std::string> TextsLeftOf(const Picture& p, int x)
{
    std::vector<std::string> out;
    for (const TextOp& t : OpsOf<TextOp>(p))
        if (t.at.x < x && !t.rotated)
            out.push_back(t.text);
    return out;
}

// One curve of n samples v(i) at ring slots 0..n-1.
struct Chart {
    ChartSamples samples;
    PictureInput in;
    Chart(int n, int32_t (*v)(int), int w = 448, int h = 340)
    {
        samples.SetBufferSize(1000);
        for (int i = 0; i < n; ++i)
            samples.AddSample(v(i), i);
        in.width = w;
        in.height = h;
        in.timeline = {1000, n - 1, n, static_cast<int64_t>(n) * 100, 100};
        in.curves.push_back({&samples, 0, 100, CurveColor(0)});
    }
};

} // namespace

TEST(ChartScale, StepsFollowTheRoomForLabels)
{
    struct Row {
        int64_t bottom, top;
        int rows;
        int64_t step;
    };
    const Row rows[] = {
        {0, 1000, 10, 200},  {0, 7, 10, 2},     {0, 100, 10, 20},   {0, 100, 5, 20},
        {-50, 50, 4, 20},    {0, 1, 10, 1},     {0, 3, 1, 3},       // never beyond the range
        {0, 0, 10, 1},       {5, 3, 10, 1},     // an empty or upside-down scale is one unit high
        {INT32_MIN, INT32_MAX, 10, 500000000}, {0, 1000, 0, 1000},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ValueStep(r.bottom, r.top, r.rows), r.step) << r.bottom << ".." << r.top << "/" << r.rows;
    // A ratio of exactly 2 doubles on the value axis but takes 5 on the time axis.
    EXPECT_EQ(ValueStep(0, 20000, 10), 2000);
    EXPECT_EQ(TimeStep(20000, 10), 5000);
    EXPECT_EQ(TimeStep(20000, 5), 5000);
    EXPECT_EQ(TimeStep(1000, 100), 20);
    EXPECT_EQ(TimeStep(7000, 1), 10000);
    EXPECT_EQ(ValueLabel(100, 0, 100), "100%");
    EXPECT_EQ(ValueLabel(99, 0, 99), "99");
    EXPECT_EQ(ValueLabel(100, 0, 200), "100");
    EXPECT_EQ(ValueLabel(0, 0, 100), "0");
}

TEST(ChartPicture, AxesPlotRectangleAndTheTwentySecondSpan)
{
    Chart c(300, [](int i) { return static_cast<int32_t>(i % 101); });
    c.in.hGrid = true;
    const Picture p = Draw(c.in, FixedMetrics());
    ASSERT_FALSE(p.placeholder);
    // Labels "0".."100%" every 20 (10 rows of 30 px); the widest is 4 characters.
    EXPECT_EQ(TextsLeftOf(p, p.plot.left),
              (std::vector<std::string>{"0", "20", "40", "60", "80", "100%"}));
    EXPECT_EQ(p.plot, (Rect{38, 20, 438, 320}));
    // 400 px at two per sample and 100 ms each: 20000 ms across, ticks every 5000 ms.
    EXPECT_EQ(p.visible, 200);
    const std::vector<std::string> times = TextsBelow(p, p.plot.bottom + 1);
    EXPECT_EQ(times, (std::vector<std::string>{"0", "5000", "10000", "15000"}));
    // 300 samples, 200 visible: scrolling, and the view starts where LeftSample (0) is.
    EXPECT_TRUE(p.scrollEnabled);
    EXPECT_EQ(p.scrollMax, 100);
    EXPECT_EQ(p.scrollPos, 0);
    // Grid lines across the plot for each value label, 5 px outside the left edge.
    int across = 0;
    for (const LineOp& l : OpsOf<LineOp>(p))
        across += l.from.y == l.to.y && l.from.x == p.plot.left - 5 && l.to.x == p.plot.right;
    EXPECT_EQ(across, 6);
}

TEST(ChartPicture, CurvesFollowTheirSamplesAndStayInsideThePlot)
{
    // Samples 0, 50, 100, 150 (above Max), an empty one, -20 (below Min), 25.
    static const int32_t vals[] = {0, 50, 100, 150, ChartSamples::kEmpty, -20, 25};
    Chart c(7, [](int i) { return vals[i]; });
    const Picture p = Draw(c.in, FixedMetrics());
    const auto curves = OpsOf<PolylineOp>(p);
    ASSERT_EQ(curves.size(), 1u);
    const Rect r = p.plot;
    const int l = r.left, b = r.bottom, t = r.top;
    const std::vector<Point> want = {
        {l, b}, {l + 2, b - (b - t) / 2}, {l + 4, t}, {l + 6, t}, {l + 10, b}, {l + 12, b - (b - t) / 4}};
    EXPECT_EQ(curves[0].points, want);
    EXPECT_EQ(curves[0].color, CurveColor(0));
    EXPECT_EQ(curves[0].width, 1);
    // Not scrolling: everything fits, the oldest sample at the left edge.
    EXPECT_FALSE(p.scrollEnabled);
    EXPECT_EQ(p.leftSample, 0);
    // The newest-sample marker stands on the last point.
    const auto fills = OpsOf<FillOp>(p);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[1].rect, (Rect{l + 12, t, l + 14, b}));
    EXPECT_EQ(fills[1].color, kMarker);
}

TEST(ChartPicture, RulerHighlightSamplingAndWrappedRing)
{
    // A ring of 50 that has taken 80 samples: slot 29 is the newest, slot 30 the oldest.
    ChartSamples s;
    s.SetBufferSize(50);
    for (int i = 0; i < 80; ++i)
        s.AddSample(i, i % 50);
    PictureInput in;
    in.width = 448;
    in.height = 340;
    in.timeline = {50, 29, 50, 8000, 100};
    in.curves.push_back({&s, 0, 0, CurveColor(2)}); // Min = Max: drawn, never divided by zero
    in.curves.push_back({&s, 30, 80, CurveColor(1)});
    in.highlighted = 0;
    in.rulerSample = 29; // the newest
    const Picture p = Draw(in, FixedMetrics());
    EXPECT_EQ(p.leftSample, 30);
    const auto curves = OpsOf<PolylineOp>(p);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].width, 3);
    EXPECT_EQ(curves[1].width, 1);
    EXPECT_EQ(curves[1].points.front(), (Point{p.plot.left, ScaleY(30, 30, 80, p.plot.top, p.plot.bottom)}));
    EXPECT_EQ(curves[1].points.back().x, p.plot.left + 2 * 49);
    // The highlighted item's scale (0..1 after the guard) and colour take over the labels.
    const auto labels = TextsLeftOf(p, p.plot.left);
    EXPECT_EQ(labels, (std::vector<std::string>{"0", "1"}));
    for (const TextOp& t : OpsOf<TextOp>(p))
        EXPECT_EQ(t.color, CurveColor(2)) << t.text;
    // The ruler on the newest sample sits on the red marker.
    const auto fills = OpsOf<FillOp>(p);
    const auto lines = OpsOf<LineOp>(p);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().color, kRuler);
    EXPECT_EQ(lines.back().from.x, fills.back().rect.left);
    // A ruler beyond the ring, or before the view, draws nothing and reads nothing.
    for (int ruler : {50, 1 << 30}) {
        in.rulerSample = ruler;
        EXPECT_NE(OpsOf<LineOp>(Draw(in, FixedMetrics())).back().color, kRuler) << ruler;
    }
    // While sampling, the newest sample is at the right edge of a narrow chart.
    in.width = 100;
    in.sampling = true;
    const Picture narrow = Draw(in, FixedMetrics());
    EXPECT_EQ(narrow.visible, (narrow.plot.right - narrow.plot.left) / 2);
    EXPECT_EQ(narrow.leftSample, (29 - narrow.visible + 1 + 50) % 50);
    EXPECT_FALSE(narrow.scrollEnabled);
}

TEST(ChartPicture, TitleAxisCaptionPlaceholderAndDegenerateSizes)
{
    Chart c(3, [](int i) { return static_cast<int32_t>(i); });
    c.in.title = "Run";
    c.in.verticalAxis = "counts";
    const Picture p = Draw(c.in, FixedMetrics());
    const auto texts = OpsOf<TextOp>(p);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Run");
    EXPECT_EQ(texts[0].at, (Point{(448 - 27) / 2, 5}));
    EXPECT_TRUE(texts[1].rotated);
    EXPECT_EQ(texts[1].at, (Point{5, (340 + 54) / 2}));
    // The caption's height widens the left margin; the title's height lowers the plot.
    EXPECT_EQ(p.plot.left, 28 + 18 + 10);
    EXPECT_EQ(p.plot.top, 20 + 18);

    PictureInput none;
    none.width = 200;
    none.height = 100;
    EXPECT_TRUE(Draw(none, FixedMetrics()).placeholder);
    for (auto [w, h] : {std::pair{0, 100}, {100, 0}, {-5, -5}}) {
        c.in.width = w;
        c.in.height = h;
        EXPECT_TRUE(Draw(c.in, FixedMetrics()).ops.empty());
    }
    // Too small for any label or sample: a picture, no crash.
    c.in.width = 12;
    c.in.height = 12;
    const Picture tiny = Draw(c.in, FixedMetrics());
    EXPECT_EQ(tiny.visible, 0);
    EXPECT_TRUE(OpsOf<PolylineOp>(tiny).empty());
    // An absurd size is clamped, not trusted.
    c.in.width = INT32_MAX;
    c.in.height = INT32_MAX;
    EXPECT_EQ(Draw(c.in, FixedMetrics()).plot.right, 32767 - 10);
}

TEST(ChartPicture, ColumnReductionKeepsEveryStroke)
{
    EXPECT_EQ(ReduceByColumn({{0, 5}, {0, 9}, {0, 1}, {0, 4}, {1, 3}}),
              (std::vector<Point>{{0, 5}, {0, 9}, {0, 1}, {0, 4}, {1, 3}}));
    EXPECT_EQ(ReduceByColumn({{0, 5}, {0, 5}, {2, 1}}), (std::vector<Point>{{0, 5}, {2, 1}}));
    std::mt19937 rng(3);
    std::vector<Point> dense;
    for (int i = 0; i < 5000; ++i)
        dense.push_back({i / 50, static_cast<int>(rng() % 300)});
    const auto reduced = ReduceByColumn(dense);
    EXPECT_LE(reduced.size(), 4u * 100);
    // Per column: the same first and last point and the same vertical extent.
    for (int x = 0; x < 100; ++x) {
        int lo = INT32_MAX, hi = INT32_MIN, rlo = INT32_MAX, rhi = INT32_MIN;
        for (const Point& q : dense)
            if (q.x == x)
                lo = std::min(lo, q.y), hi = std::max(hi, q.y);
        std::vector<Point> col;
        for (const Point& q : reduced)
            if (q.x == x)
                rlo = std::min(rlo, q.y), rhi = std::max(rhi, q.y), col.push_back(q);
        EXPECT_EQ(lo, rlo);
        EXPECT_EQ(hi, rhi);
        EXPECT_EQ(col.front(), dense[static_cast<size_t>(x) * 50]);
        EXPECT_EQ(col.back(), dense[static_cast<size_t>(x) * 50 + 49]);
    }
}
