#include "app/tools/ChartItem.h"

#include "app/tools/CommandText.h"
#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <bit>
#include <cstdlib>

static_assert(std::endian::native == std::endian::little, "chart files keep their samples little-endian");

CChartItem::CChartItem()
{
    Item.ValueText = CWatchItem::kChartMarker;
}

void CChartItem::SetFields(uint8_t watchType, uint32_t watchInfo, const std::string& caption,
                           const std::string& command, int32_t min, int32_t max, const std::string& text0,
                           const std::string& text1, const std::string& turnOn, const std::string& turnOff)
{
    Item.WatchType = watchType;
    Item.WatchInfo = watchInfo;
    Item.Caption = caption;
    Item.Command = command;
    Min = min;
    Max = max;
    Item.Text0 = text0;
    Item.Text1 = text1;
    Item.TurnOn = turnOn;
    Item.TurnOff = turnOff;
}

void CChartItem::Copy(const CChartItem& other)
{
    Item.Copy(other.Item);
    Min = other.Min;
    Max = other.Max;
}

bool CChartItem::ReadValue(const WatchMotorFinder& find)
{
    CMotor* motor = find ? find(Item.ChannelIndex, Item.MotorAddress) : nullptr;
    // An item whose motor is not in the project shows "N/A" and records 0: the chart goes on
    // with its other items.
    std::string reply = "N/A";
    if (motor) {
        if (!motor->GetPort() || !motor->GetPort()->isOpen)
            return false;
        if (Item.Command.empty() || !tools::IsSendableText(Item.Command))
            return false;
        try {
            tools::PollTrafficScope traffic(*motor);
            reply = motor->SendAndReceive(Item.Command);
        } catch (const CVQXException&) {
            return false;
        } catch (const std::exception&) {
            return false;
        }
    }
    if (reply.size() > CWatchItem::kMaxText)
        reply.resize(CWatchItem::kMaxText);
    Item.ValueText = reply;
    if (Item.IsBitRange())
        Item.ValueText = std::to_string(static_cast<int32_t>(
            CWatchItem::ExtractBits(static_cast<int32_t>(std::strtoll(reply.c_str(), nullptr, 10)), Item.WatchInfo)));
    return true;
}

int32_t CChartItem::ReadSample() const
{
    return static_cast<int32_t>(std::strtoll(Item.ValueText.c_str(), nullptr, 10));
}

void CChartItem::Serialize(const std::string& group, CTagArchive& ar)
{
    if (!ar.OpenGroup(group))
        return;
    Item.Serialize("WatchItem", ar);
    int32_t bufSize = Samples.BufSize();
    ar.SerializeLong("BufSize", bufSize, 0);
    if (ar.IsLoading())
        Samples.SetBufferSize(bufSize); // sizes outside 0..kMaxBufferSize give no ring
    ar.SerializeLong("FirstPos", Samples.FirstPos, 0);
    ar.SerializeLong("NoOfSamples", Samples.NoOfSamples, 0);
    ar.SerializeLong("Min", Min, 0);
    ar.SerializeLong("Max", Max, 0);
    ar.SerializeLong("MinValue", Samples.MinValue, 0);
    ar.SerializeLong("MaxValue", Samples.MaxValue, 0);
    ar.SerializeDouble("AvrValue", Samples.AvrValue, 0);
    ar.SerializeLong("LastValue", Samples.LastValue, 0);
    std::vector<int32_t>& values = Samples.MutableValues();
    ar.SerializeBuffer("Values", values.data(), static_cast<uint32_t>(values.size() * sizeof(int32_t)));
    if (ar.IsLoading()) {
        if (!Samples.CountersConsistent())
            Samples.ResetSamples();
        else
            Samples.RecomputeStatistics();
    }
    Item.ValueText = std::to_string(Samples.LastValue);
    ar.CloseGroup();
}
