#pragma once
// One curve of the chart view: a watch item that says what to read, the curve's own vertical
// scale, and the ring of its samples with their statistics. Chart files keep each item as a group
// "WatchItem" plus the ring and its counters.

#include "app/tools/ChartPicture.h"
#include "app/tools/ChartSamples.h"
#include "app/tools/WatchItem.h"

#include <cstdint>
#include <string>

class CTagArchive;

class CChartItem {
public:
    CChartItem();
    virtual ~CChartItem() = default;

    // Fills an entry of the item dialog's predefined lists.
    void SetFields(uint8_t watchType, uint32_t watchInfo, const std::string& caption, const std::string& command,
                   int32_t min, int32_t max, const std::string& text0 = "Off", const std::string& text1 = "On",
                   const std::string& turnOn = {}, const std::string& turnOff = {});
    // The watch item and the scale; never the samples.
    void Copy(const CChartItem& other);
    // The array's slot, which also picks the curve's colour.
    void AssignSlot(int index) { Item.AssignSlot(index); }
    chart::Rgb Color() const { return chart::CurveColor(Item.SlotIndex); }

    void SetBufferSize(int n) { Samples.SetBufferSize(n); }
    void ResetSamples() { Samples.ResetSamples(); }
    bool AddSample(int32_t value, int index) { return Samples.AddSample(value, index); }
    int BufSize() const { return Samples.BufSize(); }

    // One read of the item's command: true with the reply (or its bits) in Item.ValueText; false
    // when there is no such motor, its port is closed, the command may not be sent, or the motor did
    // not answer. No message: the chart view says what failed.
    bool ReadValue(const WatchMotorFinder& find);
    // The value of the last read as a sample (the reply's leading integer).
    int32_t ReadSample() const;

    // Both directions. Loading trusts nothing: a ring size outside 0..kMaxBufferSize gives no
    // ring, counters that do not fit the ring clear the samples, and the statistics are rebuilt
    // from the samples held.
    void Serialize(const std::string& group, CTagArchive& ar);

    CWatchItem Item;
    int32_t Min = 0;
    int32_t Max = 100;
    ChartSamples Samples;
};
