#pragma once
// One watch item: what to read from one motor (port index, address, report command, which bits of
// the reply) and how to show the answer (texts, LED icons, hex). The monitor window, the motor
// view's monitor page and every chart item keep their entries as these. No widgets here: a list
// row is described by RowState and drawn by the window.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CMotor;
class CTagArchive;

// The motor an item means, by the port's index in the project and the motor's address; null when
// there is none. Passed in by the window that reads the item.
using WatchMotorFinder = std::function<CMotor*(int portIndex, int address)>;

// What a list row shows for an item.
struct WatchRowState {
    int stateImage = 0;   // 0 read, 1 failed, 2 disabled, 3 marked
    std::string text;     // column 1's text (empty when an icon is shown)
    int iconImage = -1;   // column 1's image in the state/LED strip; -1 none
    bool operator==(const WatchRowState&) const = default;
};

class CWatchItem {
public:
    // WatchType values.
    static constexpr uint8_t kStandard = 1;
    static constexpr uint8_t kStatusBit = 2;
    static constexpr uint8_t kDigitalIO = 3;
    static constexpr uint8_t kCustom = 100;
    static constexpr uint32_t kWholeValue = 0xFFFF0000u;
    // Written into ValueText so that the next comparison sees a change.
    static constexpr const char* kForceRedraw = "!@#";
    // Written into ValueText by a chart item so that the item dialog knows what it edits.
    static constexpr const char* kChartMarker = "ChartItem";
    // Longest text an item keeps from a file or a reply (the reply buffer's size).
    static constexpr size_t kMaxText = 255;

    // State images of the strip.
    static constexpr int kImageRead = 0;
    static constexpr int kImageFailed = 1;
    static constexpr int kImageDisabled = 2;
    static constexpr int kImageMarked = 3;
    static constexpr int kFirstLedImage = 8;
    static constexpr int kLedCount = 23;

    int SlotIndex = -1;
    int ChannelIndex = 0;
    int MotorAddress = 1;
    uint8_t WatchType = kStandard;
    uint32_t WatchInfo = kWholeValue;
    std::string Command;
    std::string Caption;
    std::string ValueText;
    std::string Text0 = "Off";
    std::string Text1 = "On";
    std::string TextNA = "N/A";
    std::string TurnOn;
    std::string TurnOff;
    bool Failed = true;
    bool Enabled = true;

    // Copies every field but SlotIndex.
    void Copy(const CWatchItem& other);
    void AssignSlot(int index) { SlotIndex = index; }

    bool IsBitRange() const { return WatchInfo < kWholeValue; }
    int FirstBit() const { return static_cast<int>((WatchInfo >> 16) & 0xFF); }
    int LastBit() const { return static_cast<int>((WatchInfo >> 24) & 0xFF); }
    bool IsOneBit() const { return IsBitRange() && (FirstBit() % 32) == (LastBit() % 32); }
    // The row of the item dialog's predefined list.
    int ListRow() const { return static_cast<int>(WatchInfo & 0xFFFF); }
    // The value shown for a reply of a bit-range item: (value AND mask) >> first, the mask covering
    // first..last (mod 32; empty when last is below first).
    static uint32_t ExtractBits(int32_t value, uint32_t watchInfo);

    // Both directions through the archive, as group `group`.
    void Serialize(const std::string& group, CTagArchive& ar);
    // Why an item read from a file cannot be used (empty: it can): texts too long, commands a motor
    // must not get. Any kind is kept (a missing one reads as 0): it only picks the item dialog's list.
    std::string Problem() const;

    // Reads the item from its motor. Returns true when the shown text changed; `text` gets the new
    // value text. With the option to stop polling on errors, a communication failure marks the
    // item failed, adds the error to the information view and is rethrown; the caller stops
    // polling and makes the communication-error request by (ChannelIndex, MotorAddress).
    bool ReadValue(std::string& text, bool scaled, bool hex, const WatchMotorFinder& find);
    // Rewrites a plain integer text as "0x%X" unless the caption is "@STATUS@".
    void FormatStatusHex(std::string& text) const;
    // The command a double-click sends: TurnOn unless the shown text is Text1, then TurnOff.
    const std::string& ToggleCommand() const { return ValueText == Text1 ? TurnOff : TurnOn; }
    // The double-click action: sends ToggleCommand to the motor. Returns the error to show, empty
    // when it was sent or there was nothing to do.
    std::string Toggle(const WatchMotorFinder& find);
    // What the item's list row shows. "RMODE" replaces ValueText by the mode's name.
    WatchRowState UpdateListRow(bool marked);

    // The index (0..22) of a LED name, case-insensitive; -1 when the text is no LED name.
    static int LedIndex(std::string_view text);
    static const char* LedName(int index);
    // "ABSOLUTE" for "P" and so on; null for anything else.
    static const char* ModeName(std::string_view letter);
};
