#include "app/tools/ChartPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace chart {

namespace {

constexpr int kMaxSide = 32767;
constexpr int kPixelsPerSample = 2;

int Clamp(int64_t v, int64_t lo, int64_t hi)
{
    return static_cast<int>(std::clamp(v, lo, hi));
}

// 10 to the power floor(log10(raw)), at least 1.
std::string Decimal(int64_t v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    return buf;
}

} // namespace

int64_t Magnitude(double raw)
{
    if (!(raw >= 1.0))
        return 1;
    int64_t mag = 1;
    while (mag <= INT64_MAX / 10 && static_cast<double>(mag) * 10.0 <= raw)
        mag *= 10;
    return mag;
}

Rgb CurveColor(int index)
{
    static constexpr Rgb kColors[8] = {{255, 0, 0},   {0, 0, 255},   {0, 128, 0},   {255, 255, 255},
                                       {255, 255, 0}, {255, 0, 255}, {0, 255, 255}, {0, 0, 0}};
    return index >= 0 && index < 8 ? kColors[index] : kBlack;
}

int64_t ValueStep(int64_t bottom, int64_t top, int rows)
{
    const int64_t range = std::max<int64_t>(top - bottom, 1);
    if (rows <= 0)
        return range;
    const double raw = static_cast<double>(range) / rows;
    int64_t step = Magnitude(raw);
    const int64_t ratio = static_cast<int64_t>(raw / static_cast<double>(step));
    step *= ratio <= 2 ? 2 : ratio <= 5 ? 5 : 10;
    return std::clamp<int64_t>(step, 1, range);
}

int64_t TimeStep(int64_t span, int64_t labels)
{
    if (labels <= 0 || span <= 0)
        return std::max<int64_t>(span, 1);
    const double raw = static_cast<double>(span) / static_cast<double>(labels);
    int64_t step = Magnitude(raw);
    const int64_t ratio = static_cast<int64_t>(raw / static_cast<double>(step));
    step *= ratio < 2 ? 2 : ratio <= 5 ? 5 : 10;
    return std::max<int64_t>(step, 1);
}

std::string ValueLabel(int64_t value, int64_t bottom, int64_t top)
{
    std::string text = Decimal(value);
    if (bottom == 0 && top == 100 && value == top)
        text += '%';
    return text;
}

int ScaleY(int64_t v, int64_t min, int64_t max, int top, int bottom)
{
    const int64_t range = std::max<int64_t>(max - min, 1);
    const int64_t height = static_cast<int64_t>(bottom) - top;
    // |v - min| < 2^33 and height < 2^16: the product stays far inside 64 bits.
    const int64_t y = bottom - height * (v - min) / range;
    return Clamp(y, std::min(top, bottom), std::max(top, bottom));
}

std::vector<Point> ReduceByColumn(const std::vector<Point>& points)
{
    std::vector<Point> out;
    out.reserve(points.size());
    auto push = [&out](Point p) {
        if (out.empty() || !(out.back() == p))
            out.push_back(p);
    };
    size_t i = 0;
    while (i < points.size()) {
        size_t j = i;
        Point low = points[i], high = points[i];
        while (j < points.size() && points[j].x == points[i].x) {
            if (points[j].y > low.y)
                low = points[j];
            if (points[j].y < high.y)
                high = points[j];
            ++j;
        }
        push(points[i]);
        if (j - i > 1) {
            push(low);
            push(high);
            push(points[j - 1]);
        }
        i = j;
    }
    return out;
}

Picture Draw(const PictureInput& in, const ITextMetrics& metrics)
{
    Picture pic;
    const int W = Clamp(in.width, 0, kMaxSide);
    const int H = Clamp(in.height, 0, kMaxSide);
    pic.leftSample = in.leftSample;
    if (W == 0 || H == 0)
        return pic;
    if (in.curves.empty()) {
        pic.placeholder = true;
        pic.ops.push_back(FillOp{{0, 0, W, H}, kBackground});
        return pic;
    }

    const ChartTimeline& tl = in.timeline;
    const int updateTime = std::max(tl.updateTime, 1);
    const Curve* hi = in.highlighted >= 0 && in.highlighted < static_cast<int>(in.curves.size())
                          ? &in.curves[static_cast<size_t>(in.highlighted)]
                          : nullptr;

    // ---- background and axes ----
    pic.ops.push_back(FillOp{{0, 0, W, H}, kBackground});
    const int th = std::max(metrics.Measure(Font::Label, "100").height, 1);
    int64_t topMargin = 2 * th + 10;
    if (!in.title.empty()) {
        const TextSize s = metrics.Measure(Font::Title, in.title);
        pic.ops.push_back(TextOp{{Clamp((W - s.width) / 2, 0, W), 5}, in.title, Font::Title, kBlack, false});
        topMargin += s.height;
    }
    int axisHeight = 0;
    if (!in.verticalAxis.empty()) {
        const TextSize s = metrics.Measure(Font::Title, in.verticalAxis);
        axisHeight = s.height;
        pic.ops.push_back(TextOp{{5, Clamp((static_cast<int64_t>(H) + s.width) / 2, 0, H)}, in.verticalAxis,
                                 Font::Title, kBlack, true});
    }
    const Rgb textColor = hi ? hi->color : kBlack;
    const int64_t scaleBottom = hi ? hi->min : in.vMin;
    const int64_t scaleTop = std::max<int64_t>(hi ? hi->max : in.vMax, scaleBottom + 1);

    std::vector<int64_t> labels;
    const int64_t rows = (H - topMargin) / (2 * th);
    int widest = 0;
    if (rows > 0) {
        const int64_t step = ValueStep(scaleBottom, scaleTop, static_cast<int>(std::min<int64_t>(rows, INT32_MAX)));
        for (int64_t v = scaleBottom; v <= scaleTop; v += step) {
            labels.push_back(v);
            widest = std::max(widest, metrics.Measure(Font::Label, ValueLabel(v, scaleBottom, scaleTop)).width);
        }
    }
    Rect plot;
    plot.left = Clamp(static_cast<int64_t>(widest) + axisHeight + 10, 0, W);
    plot.top = Clamp(topMargin - th - 5, 0, H);
    plot.right = Clamp(static_cast<int64_t>(W) - 10, plot.left, W);
    plot.bottom = Clamp(static_cast<int64_t>(H) - th - 5, plot.top, H);
    pic.plot = plot;
    pic.ops.push_back(FrameOp{plot, kBlack});

    for (int64_t v : labels) {
        const int y = ScaleY(v, scaleBottom, scaleTop, plot.top, plot.bottom);
        const std::string text = ValueLabel(v, scaleBottom, scaleTop);
        const int w = metrics.Measure(Font::Label, text).width;
        pic.ops.push_back(TextOp{{Clamp(static_cast<int64_t>(plot.left) - 6 - w, 0, W), Clamp(y - th, 0, H)}, text,
                                 Font::Label, textColor, false});
        pic.ops.push_back(LineOp{{Clamp(plot.left - 5, 0, W), y}, {in.hGrid ? plot.right : plot.left, y}, kBlack, 1});
    }

    // ---- what is visible ----
    const int64_t plotWidth = static_cast<int64_t>(plot.right) - plot.left;
    const int visible = static_cast<int>(plotWidth / kPixelsPerSample);
    pic.visible = visible;
    const int n = std::max(tl.noOfSamples, 0);
    if (in.sampling) {
        int64_t left = static_cast<int64_t>(tl.lastSample) - std::min(visible, n) + 1;
        if (left < 0)
            left += tl.maxSamples;
        pic.leftSample = Clamp(left, 0, std::max(tl.maxSamples - 1, 0));
    } else if (n > visible) {
        pic.scrollEnabled = true;
        pic.scrollMax = n - visible;
        int pos = tl.PositionOf(in.leftSample);
        pos = std::clamp(pos < 0 ? 0 : pos, 0, pic.scrollMax);
        pic.scrollPos = pos;
        pic.leftSample = tl.RingIndexOf(pos);
    } else {
        // The oldest sample at the left edge (ring index 0 until the ring has wrapped).
        const int first = tl.RingIndexOf(0);
        pic.leftSample = first >= 0 ? first : 0;
    }
    int pos = tl.PositionOf(pic.leftSample);
    if (pos < 0)
        pos = 0;

    // ---- time axis ----
    {
        const int64_t span = plotWidth * updateTime / kPixelsPerSample;
        const int64_t w = std::max(metrics.Measure(Font::Label, Decimal(std::max(span, tl.totalTime))).width, 1);
        const int64_t count = plotWidth / (2 * w);
        if (count > 0) {
            const int64_t step = TimeStep(span, count);
            const int64_t start = std::max<int64_t>(tl.TimeOf(pos), 0);
            int64_t tick = (start + step - 1) / step * step;
            // Ticks are at least one pixel apart, so the plot's width bounds the loop.
            for (int64_t guard = 0; guard <= plotWidth; ++guard, tick += step) {
                const int64_t x = plot.left + (tick - start) * kPixelsPerSample / updateTime;
                if (x >= plot.right)
                    break;
                const int xi = static_cast<int>(x);
                pic.ops.push_back(
                    LineOp{{xi, Clamp(static_cast<int64_t>(plot.bottom) + 5, 0, H)}, {xi, in.vGrid ? plot.top : plot.bottom}, kBlack, 1});
                const std::string text = Decimal(tick);
                const int tw = metrics.Measure(Font::Label, text).width;
                const int tx = xi + tw > plot.right ? plot.right - tw : xi;
                pic.ops.push_back(TextOp{{Clamp(tx, 0, W), Clamp(static_cast<int64_t>(plot.bottom) + 5, 0, H)}, text,
                                         Font::Label, textColor, false});
            }
        }
    }

    // ---- newest-sample marker ----
    const int lastPos = tl.PositionOf(tl.lastSample);
    if (lastPos >= 0) {
        const int64_t x = plot.left + static_cast<int64_t>(kPixelsPerSample) * (lastPos - pos);
        if (x >= plot.left && x <= plot.right)
            pic.ops.push_back(FillOp{{static_cast<int>(x), plot.top, static_cast<int>(std::min<int64_t>(x + 2, W)), plot.bottom}, kMarker});
    }

    // ---- curves ----
    const int count = std::max(0, std::min(visible, n - pos));
    for (size_t c = 0; c < in.curves.size(); ++c) {
        const Curve& curve = in.curves[c];
        if (!curve.samples)
            continue;
        std::vector<Point> points;
        points.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int32_t v = curve.samples->At(tl.RingIndexOf(static_cast<int64_t>(pos) + i));
            if (v == ChartSamples::kEmpty)
                continue;
            points.push_back({plot.left + kPixelsPerSample * i, ScaleY(v, curve.min, curve.max, plot.top, plot.bottom)});
        }
        if (points.empty())
            continue;
        pic.ops.push_back(PolylineOp{ReduceByColumn(points), curve.color, &curve == hi ? 3 : 1, static_cast<int>(c)});
    }

    // ---- ruler ----
    if (in.rulerSample >= 0) {
        const int rulerPos = tl.PositionOf(in.rulerSample);
        if (rulerPos >= 0) {
            const int64_t x = plot.left + static_cast<int64_t>(kPixelsPerSample) * (rulerPos - pos);
            if (x > plot.left && x < plot.right)
                pic.ops.push_back(LineOp{{static_cast<int>(x), plot.top}, {static_cast<int>(x), plot.bottom}, kRuler, 1});
        }
    }
    return pic;
}

} // namespace chart
