#pragma once
// Where the samples of a chart sit in time. All curves share one ring: LastSample is the ring
// index of the newest sample, NoOfSamples how many the ring holds. A position counts from the
// oldest sample held (0) to the newest (NoOfSamples - 1); every sample is UpdateTime ms after the
// one before, and TotalTime is the time just after the newest.
//
// Every conversion checks its input: a position, ring index or time that lies outside what the
// ring holds gives -1, never an index outside the ring.

#include <cstdint>

struct ChartTimeline {
    int maxSamples = 1000;
    int lastSample = -1;
    int noOfSamples = 0;
    int64_t totalTime = 0;
    int updateTime = 100;

    // Position of a ring index; -1 when that slot holds no sample of the chart.
    int PositionOf(int ringIndex) const;
    // Ring index of a position; -1 at or beyond NoOfSamples and below 0.
    int RingIndexOf(int64_t position) const;
    // Time of a position in ms; -1 when there is no sample there.
    int64_t TimeOf(int64_t position) const;
    // The position sampled at time t (the sample whose period holds t); -1 when none does.
    int64_t PositionAt(int64_t time) const;
    // The ring index after the newest (where the next sample goes).
    int NextIndex() const;
};
