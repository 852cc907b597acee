#pragma once
// The chart's picture as a list of things to paint, in pixel coordinates of the chart bitmap:
// background, title and axis caption, value scale with labels and horizontal grid, time axis with
// labels and vertical grid, the curves, the newest-sample marker and the ruler. It also fixes the
// plot rectangle, how many samples fit, the first visible sample and the scroll bar. Text sizes
// come from the caller, so the rules are checked without a window; a widget only paints the list.
//
// Scales never divide by an empty range: a scale whose top is not above its bottom is taken as
// one unit high. All pixel arithmetic is 64-bit and clamped into the bitmap.

#include "app/tools/ChartSamples.h"
#include "app/tools/ChartTimeline.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace chart {

enum class Font { Label, Title };   // italic 15 px; bold italic 18 px

struct TextSize {
    int width = 0;
    int height = 0;
};

class ITextMetrics {
public:
    virtual ~ITextMetrics() = default;
    virtual TextSize Measure(Font font, std::string_view text) const = 0;
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBackground{192, 192, 192};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kMarker{255, 0, 0};
inline constexpr Rgb kRuler{0, 128, 0};
// The colour of curve i (0..7).
Rgb CurveColor(int index);

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

// The ops, painted in list order.
struct FillOp {
    Rect rect;      // right and bottom exclusive
    Rgb color;
    bool operator==(const FillOp&) const = default;
};
struct LineOp {
    Point from, to; // both ends drawn
    Rgb color;
    int width = 1;
    bool operator==(const LineOp&) const = default;
};
struct FrameOp {
    Rect rect;      // the outline through these four corners
    Rgb color;
    bool operator==(const FrameOp&) const = default;
};
struct TextOp {
    // Unrotated: the top-left corner of the text box. Rotated (reading upward): the bottom-left
    // corner of the turned box, whose width is the text's height.
    Point at;
    std::string text;
    Font font = Font::Label;
    Rgb color;
    bool rotated = false;
    bool operator==(const TextOp&) const = default;
};
struct PolylineOp {
    std::vector<Point> points;
    Rgb color;
    int width = 1;
    int item = -1;
    bool operator==(const PolylineOp&) const = default;
};
using Op = std::variant<FillOp, LineOp, FrameOp, TextOp, PolylineOp>;

// One curve: its samples, its own scale and colour.
struct Curve {
    const ChartSamples* samples = nullptr;
    int32_t min = 0;
    int32_t max = 100;
    Rgb color;
};

struct PictureInput {
    int width = 0;
    int height = 0;
    std::string title;
    std::string verticalAxis;
    int32_t vMin = 0;
    int32_t vMax = 100;
    ChartTimeline timeline;
    int leftSample = 0;
    int rulerSample = -1;
    bool sampling = false;
    bool vGrid = false;
    bool hGrid = false;
    int highlighted = -1;   // index into curves; -1 none
    std::vector<Curve> curves;
};

struct Picture {
    bool placeholder = false; // no curves: the placeholder stands in for the chart
    std::vector<Op> ops;
    Rect plot;
    int visible = 0;          // samples that fit across the plot
    int leftSample = 0;       // the first visible sample's ring index after this drawing
    bool scrollEnabled = false;
    int scrollMax = 0;
    int scrollPos = 0;
};

// The picture for a bitmap of input.width x input.height (clamped to 0..32767).
Picture Draw(const PictureInput& input, const ITextMetrics& metrics);

// ---- the rules, by value ----
// 10 to the power floor(log10(raw)), at least 1.
int64_t Magnitude(double raw);
// Label step of a value scale from bottom to top with room for `rows` labels.
int64_t ValueStep(int64_t bottom, int64_t top, int rows);
// Tick step (ms) of a time axis of `span` ms with room for `labels` labels.
int64_t TimeStep(int64_t span, int64_t labels);
// "%d" of the label, "%" added to the top one of a scale from exactly 0 to 100.
std::string ValueLabel(int64_t value, int64_t bottom, int64_t top);
// y of value v on a scale [min, max] drawn between top and bottom, truncated and clamped.
int ScaleY(int64_t v, int64_t min, int64_t max, int top, int bottom);
// Points sharing one pixel column reduced to the first, lowest, highest and last of them (in that
// order, repeats dropped): the same strokes, at most four points per column.
std::vector<Point> ReduceByColumn(const std::vector<Point>& points);

} // namespace chart
