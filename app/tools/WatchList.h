#pragma once
// The list of watch items of a monitor window (and of the motor view's monitor page): up to 50
// items, added with a duplicate check, deleted, moved, switched on and off, polled one enabled item
// per step with a cursor that survives between steps, marked when a pass had a failure, stored in
// watch files. No widgets: the window shows rows from CWatchItem::UpdateListRow.

#include "app/tools/FixedPtrArray.h"
#include "app/tools/WatchItem.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CTagArchive;

namespace tools {

inline constexpr int kMaxWatchItems = 50;
inline constexpr const char* kWatchFileClass = "VQXWatchFile";
inline constexpr const char* kWatchItemsGroup = "WatchItems";

// The link indicator of a polling tool.
inline constexpr int kLinkNotPolling = -1;
inline constexpr int kLinkFailed = 0;
inline constexpr int kLinkWorks = 1;

// A read that lost communication: which motor, and why.
struct WatchReadError {
    int32_t code = 0;
    std::string message;
    int portIndex = 0;
    int address = 0;
};

struct WatchPollResult {
    bool used = false;                 // the step claimed the tick
    int changedRow = -1;               // the row whose text changed; -1 none
    std::optional<WatchReadError> error; // the read threw: polling was switched off
};

class CWatchList {
public:
    int Count() const { return m_items.Count(); }
    CWatchItem* At(int row) const { return m_items.GetAt(row); }
    bool IsFull() const { return Count() >= kMaxWatchItems; }

    bool Modified = false;
    bool Hex = false;

    // ---- editing ----
    // The answer to the item dialog's addition: `item` itself when an item of the same caption is
    // there (the dialog says so and keeps it), null when the list is full after taking it (the
    // dialog closes), else a new copy to go on from (the dialog stays open). The list takes
    // `item` over unless it is returned.
    CWatchItem* OnAddWatchItem(CWatchItem* item);
    // Deletes the item at row; the following ones move up.
    bool Delete(int row);
    // Exchanges row with the one above (up) or below; false at the ends.
    bool Move(int row, bool up);
    // The row's check box: Enabled follows; switched on, the next read redraws the row.
    bool SetEnabled(int row, bool enabled);
    void Clear();

    // ---- polling ----
    bool Polling() const { return m_polling; }
    int NextIndex() const { return m_next; }
    bool PassFailed() const { return m_passFailed; }
    int Indicator() const { return m_indicator; }
    // On: every row is rewritten by its next read. Off: the indicator says "not polling".
    void SetPolling(bool on);
    // One tick: reads the next enabled item from the cursor on. Claims the tick whenever it polls,
    // also when every item is disabled. A read that throws switches polling off and is returned.
    WatchPollResult PollStep(const WatchMotorFinder& find, bool pollingAllowed, bool scaled = false);
    // Reads every enabled item once (the Refresh button); stops at the first error, which is
    // returned. `changed` gets the rows whose text changed.
    std::optional<WatchReadError> Refresh(const WatchMotorFinder& find, std::vector<int>& changed, bool scaled = false);
    // After an error answered "communication is back": polling again from the item that failed.
    void ResumeAt(int row);

    // ---- files ----
    // Reads a watch file. On any failure the list is left as it was and the reason returned
    // ("" on success). withHex reads the file-level "Hex" (monitor files).
    std::string Load(const std::string& path, bool withHex);
    // Writes it atomically; false when it could not be written.
    bool Save(const std::string& path, bool withHex);
    // The items as group "WatchItems" of an open archive (both directions); loading refuses (with
    // the reason) a file whose items cannot be used, leaving the list alone.
    std::string SerializeItems(CTagArchive& ar);

    // Whether the window may close: true when unmodified; otherwise asks `ask` (Yes/No/Cancel
    // answer, ui::IDYES...), Yes saves through `save` (false keeps the window).
    bool CanClose(const std::function<int()>& ask, const std::function<bool()>& save);

private:
    CFixedPtrArray<CWatchItem, kMaxWatchItems> m_items;
    bool m_polling = false;
    int m_next = 0;
    bool m_passFailed = false;
    int m_indicator = kLinkNotPolling;
};

} // namespace tools
