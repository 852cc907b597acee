#pragma once
// The watch item dialog without widgets: the predefined entries per kind and motor family, the
// controls' values, which of them are enabled, the edited flags that keep a user's texts when
// another row is chosen, the Bits parser, and what OK writes into the item. The window (gui/) only
// mirrors these values into its controls and reports the user's changes back.

#include "app/tools/WatchItem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tools {

// Control ids and texts of the dialog.
namespace watchdlg {
inline constexpr int kMotorName = 1122, kMotorVersion = 1015, kMotorButton = 1123, kCaption = 1001;
inline constexpr int kKindStandard = 1059, kKindStatus = 1061, kKindIO = 1063, kKindCustom = 1062;
inline constexpr int kList = 1026, kPollCommand = 1000, kBitMask = 1065, kBits = 1066;
inline constexpr int kText0 = 1100, kText1 = 1101, kTextNA = 1102, kTurnOn = 1191, kTurnOff = 1192;
inline constexpr int kMinimum = 1090, kMaximum = 1091;
inline constexpr const char* kNoCaption = "Please enter a caption for this item!";
inline constexpr const char* kNoMotor = "Please select a target motor.";
inline constexpr const char* kNoRow = "Please select an item from the list.";
inline constexpr const char* kDuplicate = "The selected item is already present and won't be added again";
inline constexpr const char* kBadBits = "Please enter the bits as one bit number from 0 to 31, or a range such as 4-7.";
inline constexpr const char* kBadScale = "The Maximum must be greater than the Minimum.";
inline constexpr const char* kHelpNewChartItem = "::/VQXUsersGuide\\Dialogs\\NewChartItem.htm";
inline constexpr const char* kHelpChartItemProperties = "::/VQXUsersGuide\\Dialogs\\ChartItemProperties.htm";
inline constexpr const char* kHelpNewMonitorItem = "::/VQXUsersGuide\\Dialogs\\NewMonitorItem.htm";
inline constexpr const char* kHelpMonitorItemProperties = "::/VQXUsersGuide\\Dialogs\\MonitorItemProperties.htm";
} // namespace watchdlg

// One predefined entry of the dialog's lists.
struct WatchEntry {
    std::string caption;
    std::string command;
    uint32_t watchInfo = CWatchItem::kWholeValue;
    int32_t min = 0;
    int32_t max = 0;
    std::string text0 = "Off";
    std::string text1 = "On";
    std::string turnOn;
    std::string turnOff;
};

// The motor family that selects the lists.
struct MotorFamily {
    bool version5 = false;
    bool version46Plus = false;
};

// The list of a kind (1, 2, 3; custom has none) for a motor family.
const std::vector<WatchEntry>& PredefinedEntries(int kind, MotorFamily family);
// The texts each of the three text boxes offers.
const std::vector<std::string>& TextChoices();

// Bits parsing: "n" is one bit, "a-b" the range (a at or above b gives bit a alone); numbers are
// taken mod 256 into the WatchInfo bytes. None for text that is not such a number or range, or
// names a bit above 31.
std::optional<uint32_t> ParseBits(const std::string& text);
// "n" for one bit, "a-b" for a range.
std::string BitsText(uint32_t watchInfo);

// The target motor as the dialog shows it.
struct WatchTarget {
    bool present = false;
    int portIndex = 0;
    int address = 0;
    std::string name;
    std::string version;
    MotorFamily family;
};

// Where the dialog goes beside its parent window (x only: it keeps its vertical position). Screen
// coordinates, right and bottom exclusive.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// Right of the parent with a 10-pixel gap when it fits with 20 to spare, else left of it the same
// way, else against the edge of the screen (10 pixels in) on the side with more room.
int PlaceBesideParent(const ScreenRect& parent, int width, const ScreenRect& screen);

class CWatchItemForm {
public:
    enum Field { Caption, Text0, Text1, TextNA, TurnOn, TurnOff, Minimum, Maximum, kFieldCount };

    // `item` is edited in place on OK (properties) or is the pending item (add mode: SlotIndex
    // below 0). Chart mode shows the scale; minimum/maximum are the chart item's.
    CWatchItemForm(CWatchItem& item, bool allowMotorChange, bool chart, int32_t minimum = 0, int32_t maximum = 0);

    // ---- what the window shows ----
    bool AddMode() const { return m_addMode; }
    bool Chart() const { return m_chart; }
    std::string Title() const;
    // The help page of this mode (chart or monitor, add or properties).
    std::string HelpTopic() const;
    std::string OkText() const { return m_addMode ? "Add" : "OK"; }
    std::string CancelText() const { return m_addMode ? "Close" : "Cancel"; }
    int Kind() const { return m_kind; }
    const std::vector<WatchEntry>& Entries() const;
    int SelectedRow() const { return m_row; }
    const WatchTarget& Target() const { return m_target; }
    bool AllowMotorChange() const { return m_allowMotorChange; }

    // Control values.
    std::string caption, pollCommand, bits = "0", text0, text1, textNA, turnOn, turnOff;
    bool bitMask = false;
    int32_t minimum = 0, maximum = 0;

    struct Enables {
        bool list = true, pollCommand = false, bitMask = false, bits = false, texts = false, scale = false;
        bool motorButton = false;
        bool operator==(const Enables&) const = default;
    };
    Enables Enabled() const { return m_enables; }

    // ---- what the user does ----
    // Start: the target motor found for the item, the kind's list, the item's row and texts.
    void Start(const WatchTarget& target);
    void SetKind(int kind);
    void SelectRow(int row);
    void SetBitMask(bool on);
    void SetBits(const std::string& text);
    // The user typed into a field: it is no longer overwritten by a row choice.
    void Edited(Field field) { m_edited[field] = true; }
    bool IsEdited(Field field) const { return m_edited[field]; }
    // The motor button chose another target.
    void ChooseMotor(const WatchTarget& target);

    // OK: checks the values and writes the item. Returns the message to show (error icon), empty
    // when the item was written.
    std::string Ok();
    // After an addition handed to the window: the answer (see CWatchList::OnAddWatchItem). Returns
    // the message to show (warning) for a duplicate, and whether the dialog closes; any other item
    // becomes the one edited next (the form then edits `*next`).
    struct AddOutcome {
        bool close = false;
        std::string warning;
    };
    AddOutcome AfterAdd(CWatchItem* answer);
    CWatchItem& Item() const { return *m_item; }

private:
    void FillList();
    void UpdateFields();
    void LoadFromItem();

    CWatchItem* m_item;
    bool m_allowMotorChange;
    bool m_chart;
    bool m_addMode;
    int m_kind = CWatchItem::kStandard;
    int m_row = -1;
    bool m_edited[kFieldCount] = {};
    bool m_updating = false;
    WatchTarget m_target;
    Enables m_enables;
};

} // namespace tools

class CMotor;
namespace tools {
// The dialog's view of a motor (none: not present).
WatchTarget TargetOf(CMotor* motor);
} // namespace tools
