#include "app/tuning/SampleArray.h"

#include "core/archive/TagArchive.h"

#include <algorithm>
#include <cstdlib>

namespace tuning {

void CSampleArray::SetSize(int32_t n)
{
    n = std::clamp<int32_t>(n, 0, kMaxCapacity);
    m_items.assign(size_t(n), 0);
    m_items.shrink_to_fit();
    Capacity = n;
    Reset();
}

void CSampleArray::Reset()
{
    Count = 0;
    Max = kResetMax;
    MaxIndex = 0;
    Min = kResetMin;
    MinIndex = 0;
    ScaleTop = 0;
    ScaleBottom = 0;
}

bool CSampleArray::Add(int32_t v)
{
    if (Count >= Capacity || size_t(Count) >= m_items.size())
        return false;
    m_items[size_t(Count)] = v;
    if (v > Max) {
        Max = v;
        MaxIndex = Count;
    }
    if (v < Min) {
        Min = v;
        MinIndex = Count;
    }
    ++Count;
    return true;
}

void CSampleArray::Widen()
{
    // A reset array (Max below Min) is treated as holding 0, so the range stays small and sane.
    if (Max < Min) {
        Max = 1;
        Min = -1;
        return;
    }
    if (Max == Min) {
        if (Max < INT32_MAX)
            ++Max;
        if (Min > INT32_MIN)
            --Min;
    }
}

int64_t CSampleArray::GetRange()
{
    Widen();
    return int64_t(Max) - Min;
}

int64_t CSampleArray::GetSymmetricRange()
{
    Widen();
    return 2 * std::max<int64_t>(Max, std::llabs(int64_t(Min)));
}

bool CSampleArray::Serialize(const std::string& name, CTagArchive& ar)
{
    if (!ar.OpenGroup(name))
        return true;
    int32_t count = Count, max = Max, maxIndex = MaxIndex, min = Min, minIndex = MinIndex;
    ar.SerializeInt("NoOfSamples", count, 0);
    ar.SerializeInt("Max", max, 0);
    ar.SerializeInt("MaxIndex", maxIndex, 0);
    ar.SerializeInt("Min", min, 0);
    ar.SerializeInt("MinIndex", minIndex, 0);
    if (ar.IsStoring()) {
        std::vector<uint8_t> data(size_t(Count) * 4);
        for (int32_t i = 0; i < Count; ++i) {
            const uint32_t v = uint32_t(m_items[size_t(i)]);
            for (int b = 0; b < 4; ++b)
                data[size_t(i) * 4 + size_t(b)] = uint8_t(v >> (8 * b));
        }
        ar.SerializeBytes("Data", data);
        ar.CloseGroup();
        return true;
    }
    std::vector<uint8_t> data;
    ar.SerializeBytes("Data", data);
    ar.CloseGroup();
    // The stored count must be what the data holds; the stored extremes are not trusted.
    if (count < 0 || count > kMaxCapacity || data.size() != size_t(count) * 4)
        return false;
    SetSize(count);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t v = 0;
        for (int b = 0; b < 4; ++b)
            v |= uint32_t(data[size_t(i) * 4 + size_t(b)]) << (8 * b);
        Add(int32_t(v));
    }
    return true;
}

} // namespace tuning
