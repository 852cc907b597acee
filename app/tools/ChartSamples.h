#pragma once
// The samples of one chart curve: a ring of 32-bit values with running statistics (last, mean,
// lowest, highest). The chart decides where each sample goes (its own ring position), so every
// curve of a chart keeps the same index for the same moment. Slots never written hold kEmpty.
//
// The mean is kept as an exact 64-bit sum over the slots that hold a sample, so that a ring
// loaded from a file or resized while full never takes an empty slot off the sum.

#include <cstdint>
#include <vector>

class ChartSamples {
public:
    static constexpr int32_t kEmpty = INT32_MIN;          // a slot without a sample; never drawn
    static constexpr int32_t kNoMin = 0x7FFFFFFF;         // MinValue before the first sample
    static constexpr int32_t kNoMax = INT32_MIN + 1;      // MaxValue before the first sample
    // The most slots one curve may hold: eight curves of this size stay well inside memory.
    static constexpr int kMaxBufferSize = 1000000;

    // Allocates n slots (0..kMaxBufferSize; anything else gives no buffer) and resets.
    void SetBufferSize(int n);
    // Every slot empty, counters and statistics back to their start.
    void ResetSamples();
    // Stores a sample at ring position `index`; false (nothing stored) when the index is outside
    // the ring.
    bool AddSample(int32_t value, int index);

    // The sample at a ring position; kEmpty outside the ring.
    int32_t At(int index) const;
    // Rebuilds the mean from the slots, and widens the extremes to the samples held (after the
    // ring was read from a file).
    void RecomputeStatistics();
    // Whether the counters fit the ring (a file may say anything).
    bool CountersConsistent() const;

    int BufSize() const { return static_cast<int>(m_values.size()); }
    const std::vector<int32_t>& Values() const { return m_values; }
    std::vector<int32_t>& MutableValues() { return m_values; }
    bool HasExtremes() const { return MinValue != kNoMin || MaxValue != kNoMax; }

    int FirstPos = -1;     // ring index of the oldest sample; -1 while empty
    int NoOfSamples = 0;   // samples held, at most BufSize
    int32_t MinValue = kNoMin;
    int32_t MaxValue = kNoMax;
    double AvrValue = 0;
    int32_t LastValue = 0;

private:
    std::vector<int32_t> m_values;
    int64_t m_sum = 0;     // of the slots that hold a sample
    int m_filled = 0;      // slots that hold a sample
};
