#include "app/tools/ChartTimeline.h"

int ChartTimeline::PositionOf(int ringIndex) const
{
    if (ringIndex < 0 || ringIndex >= maxSamples || noOfSamples <= 0 || lastSample < 0)
        return -1;
    int64_t d = static_cast<int64_t>(lastSample) - ringIndex;
    if (d < 0)
        d += maxSamples;
    const int64_t p = noOfSamples - d - 1;
    return p >= 0 ? static_cast<int>(p) : -1;
}

int ChartTimeline::RingIndexOf(int64_t position) const
{
    if (position < 0 || position >= noOfSamples || lastSample < 0 || maxSamples <= 0)
        return -1;
    int64_t r = position + lastSample - noOfSamples + 1;
    if (r < 0)
        r += maxSamples;
    return r >= 0 && r < maxSamples ? static_cast<int>(r) : -1;
}

int64_t ChartTimeline::TimeOf(int64_t position) const
{
    if (position < 0 || position >= noOfSamples)
        return -1;
    return totalTime - (noOfSamples - position) * static_cast<int64_t>(updateTime);
}

int64_t ChartTimeline::PositionAt(int64_t time) const
{
    const int64_t before = totalTime - time;
    if (before < 0 || updateTime <= 0)
        return -1;
    const int64_t p = noOfSamples - before / updateTime;
    return p >= 0 && p < noOfSamples ? p : -1;
}

int ChartTimeline::NextIndex() const
{
    const int next = lastSample + 1;
    return next >= maxSamples || next < 0 ? 0 : next;
}
