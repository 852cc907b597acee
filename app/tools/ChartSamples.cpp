#include "app/tools/ChartSamples.h"

#include <algorithm>

void ChartSamples::SetBufferSize(int n)
{
    if (n < 0 || n > kMaxBufferSize)
        n = 0;
    if (static_cast<int>(m_values.size()) != n) {
        std::vector<int32_t>().swap(m_values);
        m_values.resize(static_cast<size_t>(n));
    }
    ResetSamples();
}

void ChartSamples::ResetSamples()
{
    FirstPos = -1;
    NoOfSamples = 0;
    std::fill(m_values.begin(), m_values.end(), kEmpty);
    AvrValue = 0;
    MinValue = kNoMin;
    MaxValue = kNoMax;
    LastValue = 0;
    m_sum = 0;
    m_filled = 0;
}

bool ChartSamples::AddSample(int32_t value, int index)
{
    const int size = BufSize();
    if (index < 0 || index >= size)
        return false;
    if (FirstPos < 0 || FirstPos >= size)
        FirstPos = index;
    int32_t& slot = m_values[static_cast<size_t>(index)];
    // A slot written again before the ring is full (a sampling step that failed half-way and is
    // taken again) replaces its sample: one more sample is held only when the slot was empty.
    if (NoOfSamples < size) {
        if (slot == kEmpty)
            ++NoOfSamples;
    } else if (index == FirstPos) {
        FirstPos = FirstPos + 1 < size ? FirstPos + 1 : 0;
    }
    if (slot != kEmpty) {
        m_sum -= slot;
        --m_filled;
    }
    if (value != kEmpty) {
        m_sum += value;
        ++m_filled;
    }
    slot = value;
    LastValue = value;
    if (value != kEmpty) {
        MinValue = std::min(MinValue, value);
        MaxValue = std::max(MaxValue, value);
    }
    AvrValue = m_filled > 0 ? static_cast<double>(m_sum) / m_filled : 0.0;
    return true;
}

int32_t ChartSamples::At(int index) const
{
    return index >= 0 && index < BufSize() ? m_values[static_cast<size_t>(index)] : kEmpty;
}

void ChartSamples::RecomputeStatistics()
{
    m_sum = 0;
    m_filled = 0;
    for (int32_t v : m_values) {
        if (v == kEmpty)
            continue;
        m_sum += v;
        ++m_filled;
        MinValue = std::min(MinValue, v);
        MaxValue = std::max(MaxValue, v);
    }
    AvrValue = m_filled > 0 ? static_cast<double>(m_sum) / m_filled : 0.0;
}

bool ChartSamples::CountersConsistent() const
{
    const int size = BufSize();
    if (NoOfSamples < 0 || NoOfSamples > size)
        return false;
    if (NoOfSamples == 0)
        return FirstPos == -1;
    return FirstPos >= 0 && FirstPos < size;
}
