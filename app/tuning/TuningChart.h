#pragma once
// The tuning chart as a display list (painted by the tools' chart painter): the position scale
// stepped from the samples' range, the error scale sharing its grid lines, the time axis, the two
// curves (each over its own count), the ruler; and the statistics list, the ruler and scroll
// mapping. All pixel arithmetic is 64-bit and every divisor is guarded.
#include "app/tools/ChartPicture.h"
#include "app/tuning/SampleArray.h"

#include <array>
#include <string>

namespace tuning {

inline constexpr chart::Rgb kPositionColor{0, 0, 255};
inline constexpr chart::Rgb kErrorColor{255, 0, 0};

struct TuningChartInput {
    int width = 0;
    int height = 0;
    int count = 0;          // the run's sample count
    int tuningTime = 0;     // ms
    bool pollError = false;
    int offset = 0;         // first visible sample
    int ruler = -1;
    bool hGrid = true;
    bool vGrid = true;
};

struct Scale {
    int64_t top = 0;
    int64_t bottom = 0;
    int64_t step = 0;
    int divisions = 0;
};
// The position scale for nDiv divisions (stores the widened extremes); none when nDiv <= 0.
Scale PositionScale(CSampleArray& position, int nDiv);
// The error scale over the same n divisions, symmetric about 0.
Scale ErrorScale(CSampleArray& posError, int divisions);

// The chart; nothing but the background when there is nothing to draw. Stores each array's
// ScaleTop/ScaleBottom.
chart::Picture DrawTuningChart(const TuningChartInput& in, CSampleArray& position, CSampleArray& posError,
                               const chart::ITextMetrics& metrics);

// Samples that fit across a plot: one per two pixels.
inline int VisibleSamples(const chart::Rect& plot) { return std::max(0, (plot.right - plot.left) / 2); }

// The statistics list: rows "Position", "Pos. Error"; columns Min., Min Time, Max., Max Time, Ruler.
inline constexpr const char* kListColumns[6] = {"Parameter", "Min.", "Min Time", "Max.", "Max Time", "Ruler"};
inline constexpr const char* kListRows[2] = {"Position", "Pos. Error"};
using StatisticsRow = std::array<std::string, 5>;
std::array<StatisticsRow, 2> StatisticsRows(const CSampleArray& position, const CSampleArray& posError, int count,
                                            int tuningTime, bool pollError, int ruler);

// Time of sample i (ms) and the sample at a time; 0 when count or time is 0.
int64_t SampleTime(int64_t index, int tuningTime, int count);
int64_t SampleAtTime(int64_t time, int tuningTime, int count);
// The sample under a click at x, or -1 outside the plot.
int SampleAtX(int x, int y, const chart::Rect& plot, int visible, int offset);

enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, Thumb };
// The new scroll offset, clamped to 0..count - V'.
int ScrollOffset(ScrollAction action, int thumb, int offset, int count, int visible);

} // namespace tuning
