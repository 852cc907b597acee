#include "app/tuning/TuningChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tuning {
namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }
int32_t Clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
std::string Decimal(int64_t v) { return std::to_string(v); }

// 10, 5 or 2 times the magnitude: 5 from m = 3 on, 10 above 5 (the value scales' steps).
int64_t Stepped(int64_t mag, int64_t m) { return mag * (m > 5 ? 10 : m > 2 ? 5 : 2); }

} // namespace

Scale PositionScale(CSampleArray& position, int nDiv)
{
    Scale s;
    const int64_t range = position.GetRange();
    if (nDiv <= 0 || range <= 0)
        return s;
    // m truncated, and the step not limited to the range: a chart with few rows gets a coarse
    // whole step rather than an uneven one.
    const double step0 = double(range) / nDiv;
    const int64_t mag = chart::Magnitude(step0);
    s.step = Stepped(mag, int64_t(step0 / double(mag)));
    s.top = CeilDiv(position.Max, s.step) * s.step;
    s.bottom = FloorDiv(position.Min, s.step) * s.step;
    int64_t n = (s.top - s.bottom) / s.step;
    if (n % 2) {
        // The middle grid line stays a whole step: widen on the side further from zero.
        if (s.top > std::llabs(s.bottom))
            s.top += s.step;
        else
            s.bottom -= s.step;
        ++n;
    }
    s.divisions = int(std::min<int64_t>(n, 1000));
    position.ScaleTop = Clamp32(s.top);
    position.ScaleBottom = Clamp32(s.bottom);
    return s;
}

Scale ErrorScale(CSampleArray& posError, int divisions)
{
    Scale s;
    if (divisions <= 0)
        return s;
    const double step0 = double(posError.GetSymmetricRange()) / divisions;
    const int64_t mag = chart::Magnitude(step0);
    s.step = Stepped(mag, int64_t(std::ceil(step0 / double(mag))));
    s.divisions = divisions;
    s.top = s.step * divisions / 2;
    s.bottom = -s.top;
    posError.ScaleTop = Clamp32(s.top);
    posError.ScaleBottom = Clamp32(s.bottom);
    return s;
}

chart::Picture DrawTuningChart(const TuningChartInput& in, CSampleArray& position, CSampleArray& posError,
                               const chart::ITextMetrics& metrics)
{
    using namespace chart;
    Picture pic;
    const int width = std::clamp(in.width, 0, 32767), height = std::clamp(in.height, 0, 32767);
    if (width <= 0 || height <= 0 || in.count <= 0)
        return pic;
    pic.ops.push_back(FillOp{{0, 0, width, height}, kBackground});
    const int labelH = std::max(1, metrics.Measure(Font::Label, "100").height);
    const int nDiv = (height - 20) / (labelH + 10);
    const Scale ps = PositionScale(position, nDiv);
    if (ps.divisions <= 0)
        return pic;
    const int n = ps.divisions;
    const Scale es = in.pollError ? ErrorScale(posError, n) : Scale{};

    int posWidth = 0, errWidth = 0;
    for (int i = 0; i <= n; ++i) {
        posWidth = std::max(posWidth, metrics.Measure(Font::Label, Decimal(ps.bottom + i * ps.step)).width);
        if (in.pollError)
            errWidth = std::max(errWidth, metrics.Measure(Font::Label, Decimal(es.bottom + i * es.step)).width);
    }
    Rect plot{posWidth + 10, labelH, width - errWidth - 10, height - labelH - 5};
    if (plot.right <= plot.left + 1 || plot.bottom <= plot.top)
        return pic;
    pic.plot = plot;
    pic.ops.push_back(FrameOp{plot, kBlack});

    for (int i = 0; i <= n; ++i) {
        const int64_t v = ps.bottom + i * ps.step;
        const int y = ScaleY(v, ps.bottom, ps.top, plot.top, plot.bottom);
        const std::string label = Decimal(v);
        const TextSize size = metrics.Measure(Font::Label, label);
        pic.ops.push_back(TextOp{{plot.left - 5 - size.width, y - size.height / 2}, label, Font::Label, kPositionColor});
        if (in.pollError) {
            const std::string e = Decimal(es.bottom + i * es.step);
            pic.ops.push_back(TextOp{{plot.right + 5, y - size.height / 2}, e, Font::Label, kErrorColor});
        }
        if (in.hGrid) {
            pic.ops.push_back(LineOp{{plot.left - 5, y}, {in.pollError ? plot.right + 5 : plot.right, y}, kBlack});
        } else {
            pic.ops.push_back(LineOp{{plot.left - 5, y}, {plot.left, y}, kBlack});
            if (in.pollError)
                pic.ops.push_back(LineOp{{plot.right, y}, {plot.right + 5, y}, kBlack});
        }
    }

    // Time axis over the visible samples.
    const int plotWidth = plot.right - plot.left;
    const int fit = VisibleSamples(plot);
    int visible = in.count;
    int offset = 0;
    if (fit > 0 && fit < in.count) {
        visible = fit;
        pic.scrollEnabled = true;
        pic.scrollMax = in.count - fit;
        offset = std::clamp(in.offset, 0, pic.scrollMax);
        pic.scrollPos = offset;
    }
    pic.visible = visible;
    pic.leftSample = offset;
    const int64_t shown = pic.scrollEnabled ? int64_t(fit) * in.tuningTime / in.count : in.tuningTime;
    const int64_t start = int64_t(offset) * in.tuningTime / in.count;
    const int64_t labels = plotWidth / (metrics.Measure(Font::Label, Decimal(in.tuningTime)).width + 50);
    if (shown > 0) {
        const int64_t step = TimeStep(shown, labels);
        for (int64_t t = CeilDiv(start, step) * step; t <= start + shown; t += step) {
            const int x = int(plot.left + int64_t(plotWidth) * (t - start) / shown);
            pic.ops.push_back(LineOp{{x, in.vGrid ? plot.top : plot.bottom}, {x, plot.bottom + 5}, kBlack});
            const std::string label = Decimal(t);
            const TextSize size = metrics.Measure(Font::Label, label);
            pic.ops.push_back(TextOp{{std::min(x - size.width / 2, width - size.width), plot.bottom + 5}, label,
                                     Font::Label, kBlack});
        }
    }

    auto curve = [&](const CSampleArray& a, int64_t top, int64_t bottom, Rgb color) {
        PolylineOp line{{}, color};
        for (int i = 0; i < visible && offset + i < a.Count; ++i) {
            const int x = int(plot.left + int64_t(i) * plotWidth / visible);
            line.points.push_back({x, ScaleY(a.At(offset + i), bottom, top, plot.top, plot.bottom)});
        }
        line.points = ReduceByColumn(line.points);
        if (!line.points.empty())
            pic.ops.push_back(std::move(line));
    };
    curve(position, ps.top, ps.bottom, kPositionColor);
    if (in.pollError)
        curve(posError, es.top, es.bottom, kErrorColor);
    if (in.ruler >= offset && in.ruler < offset + visible) {
        const int x = int(plot.left + int64_t(plotWidth) * (in.ruler - offset) / visible);
        pic.ops.push_back(LineOp{{x, plot.top}, {x, plot.bottom}, kRuler});
    }
    return pic;
}

int64_t SampleTime(int64_t index, int tuningTime, int count) { return count > 0 ? index * tuningTime / count : 0; }
int64_t SampleAtTime(int64_t time, int tuningTime, int count) { return tuningTime > 0 ? time * count / tuningTime : 0; }

int SampleAtX(int x, int y, const chart::Rect& plot, int visible, int offset)
{
    if (x < plot.left || x > plot.right || y < plot.top || y > plot.bottom || plot.right <= plot.left)
        return -1;
    return int(int64_t(x - plot.left) * visible / (plot.right - plot.left)) + offset;
}

int ScrollOffset(ScrollAction action, int thumb, int offset, int count, int visible)
{
    int64_t o = offset;
    switch (action) {
    case ScrollAction::LineLeft: o -= 10; break;
    case ScrollAction::LineRight: o += 10; break;
    case ScrollAction::PageLeft: o += 10 - visible; break;
    case ScrollAction::PageRight: o += visible - 10; break;
    case ScrollAction::Thumb: o = thumb; break;
    }
    o = std::min<int64_t>(o, int64_t(count) - visible);
    return int(std::max<int64_t>(o, 0));
}

std::array<StatisticsRow, 2> StatisticsRows(const CSampleArray& position, const CSampleArray& posError, int count,
                                            int tuningTime, bool pollError, int ruler)
{
    std::array<StatisticsRow, 2> rows;
    for (auto& r : rows)
        r.fill("N/A");
    auto fill = [&](StatisticsRow& r, const CSampleArray& a) {
        if (a.Count <= 0)
            return;
        r[0] = Decimal(a.Min);
        r[1] = Decimal(SampleTime(a.MinIndex, tuningTime, count));
        r[2] = Decimal(a.Max);
        r[3] = Decimal(SampleTime(a.MaxIndex, tuningTime, count));
        if (ruler >= 0 && ruler < count && ruler < a.Count)
            r[4] = Decimal(a.At(ruler));
    };
    if (count <= 0)
        return rows;
    fill(rows[0], position);
    if (pollError)
        fill(rows[1], posError);
    return rows;
}

} // namespace tuning
