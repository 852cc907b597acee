#pragma once
// What a chart is and what its file keeps: up to 8 items, the common scale, the sample period,
// the ring's size and where the samples are in it, titles and grid switches. ".sch" files are a
// tagged archive of class "VQXChartFile".
//
// A file is checked value by value before it is used: a ring size or sample period out of range
// (the ring size then goes back to 1000, the period to 100 ms),
// an item whose ring differs from the chart's, counters that do not fit the ring, all clear the
// samples concerned (the values the file gives for them are dropped, the layout stays); titles are
// cut to 255 bytes; items beyond 8 are not read.

#include "app/tools/ChartItem.h"
#include "app/tools/ChartTimeline.h"
#include "app/tools/FixedPtrArray.h"

#include <cstdint>
#include <string>

class CTagArchive;

class ChartDocument {
public:
    static constexpr int kMaxItems = 8;
    static constexpr int kMinUpdateTime = 100;
    static constexpr int kMinBufferSize = 100;
    static constexpr int kMaxBufferSize = ChartSamples::kMaxBufferSize;
    static constexpr int kDefaultBufferSize = 1000;
    static constexpr size_t kMaxTitle = 255;
    static constexpr const char* kFileClass = "VQXChartFile";

    // Both directions: "ChartItems" (one "Arr%d" per item), then the chart's values. Loading
    // replaces the items and checks everything read (see above).
    void Serialize(CTagArchive& ar);
    // Reads a file into this (empty) document: empty when it was read, else the reason.
    std::string Read(const std::string& path);
    // Writes the document; false when the file cannot be written (the old one is then intact).
    bool Write(const std::string& path);

    // Counters back to an empty chart; every item's samples cleared.
    void Clear();
    // The four values of the profile section "Chart", checked like a file's.
    void LoadProfile();
    void SaveProfile() const;
    // Takes ranges a file or the profile may break back into the ones the chart works with;
    // true when samples had to be cleared.
    bool Normalise();

    ChartTimeline Timeline() const
    {
        return {MaxSamples, LastSample, NoOfSamples, TotalTime, UpdateTime};
    }
    int ItemCount() const { return Items.Count(); }
    CChartItem* Item(int i) const { return Items.GetAt(i); }

    CFixedPtrArray<CChartItem> Items;
    int32_t VMax = 100;
    int32_t VMin = 0;
    int32_t UpdateTime = 100;
    int32_t MaxSamples = 1000;
    std::string ChartTitle;
    std::string VerticalAxis;
    int32_t LastSample = -1;
    int32_t LeftSample = 0;
    int32_t NoOfSamples = 0;
    int32_t RulerSample = -1;
    int64_t TotalTime = 0;
    bool VGrid = false;
    bool HGrid = false;
};
