#pragma once
// The tuner's sample buffer: a fixed capacity of 32-bit samples that keeps its largest and
// smallest value with the index of their first occurrence, and the scale the chart last chose.
// Add refuses a sample beyond the capacity (returns false) instead of writing past the end.
#include <cstdint>
#include <string>
#include <vector>

class CTagArchive;

namespace tuning {

class CSampleArray {
public:
    static constexpr int32_t kResetMax = INT32_MIN;
    static constexpr int32_t kResetMin = INT32_MAX;
    // The largest array a file may bring (samples); larger counts are taken as absent.
    static constexpr int32_t kMaxCapacity = 16 * 1024 * 1024;

    CSampleArray() { Reset(); }

    // Frees the items, makes room for n (negative: none) and resets.
    void SetSize(int32_t n);
    void Reset();
    // False when the array is full.
    bool Add(int32_t v);

    // Widens Max/Min by one each way when they are equal (stored); the range Max - Min in 64 bits.
    int64_t GetRange();
    // The same widening; 2 x the greater of Max and |Min|.
    int64_t GetSymmetricRange();

    // Group `name` with NoOfSamples, Max, MaxIndex, Min, MinIndex and Data. Loading checks the
    // count against the data's size and the limit: a group that does not agree is taken as absent
    // (the array keeps what it held) and answers false; the extremes are worked out again from
    // the data. An absent group changes nothing and answers true.
    bool Serialize(const std::string& name, CTagArchive& ar);

    int32_t At(int32_t i) const { return i >= 0 && i < Count ? m_items[size_t(i)] : 0; }
    // The samples stored (Count of them).
    std::vector<int32_t> Items() const { return {m_items.begin(), m_items.begin() + Count}; }

    int32_t Max = kResetMax;
    int32_t MaxIndex = 0;
    int32_t Min = kResetMin;
    int32_t MinIndex = 0;
    int32_t ScaleTop = 0;
    int32_t ScaleBottom = 0;
    int32_t Capacity = 0;
    int32_t Count = 0;

private:
    void Widen();
    std::vector<int32_t> m_items;
};

} // namespace tuning
