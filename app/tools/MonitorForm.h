#pragma once
// The monitor window without widgets ("Monitor View"): its file name and title, the commands of
// its toolbar, buttons and context menu with their enable rules, the poll step the main frame
// calls, the answer to a lost motor, Refresh, and the close question. The window (gui/) shows the
// list and hands the user's commands here; what needs a dialog comes through IMonitorHost.

#include "app/tools/WatchList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace commerror {
class ICommErrorHandler;
}
namespace ui {
class IQuestions;
}

namespace tools {

namespace monitor {
// Commands (toolbar, context menu "WatchDlg", keys).
inline constexpr int ID_WATCH_NEW = 33132, ID_WATCH_OPEN = 33131, ID_WATCH_SAVE = 32959, ID_WATCH_SAVE_AS = 32964;
inline constexpr int ID_WATCH_ADD = 32956, ID_WATCH_DELETE = 32957, ID_WATCH_EDIT = 32958;
inline constexpr int ID_WATCH_MOVE_UP = 32960, ID_WATCH_MOVE_DOWN = 32961, ID_WATCH_POLL = 32963, ID_WATCH_HEX = 32967;
// The window's template; F1 opens its page of the guide.
inline constexpr int kTemplate = 195;
// Controls.
inline constexpr int kList = 1036, kPollButton = 1168, kStopButton = 1169, kRefreshButton = 1351, kHexCheck = 1067;
inline constexpr int kIndicator = 1355;
inline constexpr const char* kWindowTitle = "Monitor View";
inline constexpr const char* kFileFilter = "VQX Monitor Files (*.mon)|*.mon|All Files (*.*)|*.*||";
inline constexpr const char* kDefaultExt = "mon";
inline constexpr const char* kOpenTitle = "Open Monitor File";
inline constexpr const char* kTipHex = "Display values in hexadecimal format";
inline constexpr const char* kTipPoll = "Start Polling motors";
inline constexpr const char* kTipStop = "Stop Polling motors";
inline constexpr const char* kTipRefresh = "Read the information and update the list";
inline constexpr const char* kFull = "Cannot add more Monitor Items.";
inline constexpr const char* kNoSelection = "Please select an item from the list!";
inline constexpr const char* kAskDelete = "Are you sure you want to delete this Monitor Item?";
inline constexpr const char* kCannotWrite = "Cannot open the file to write!";
inline constexpr int kMinWidth = 200, kMinHeight = 300, kListHeightLess = 55;
} // namespace monitor

// What the window does for the form.
class IMonitorHost {
public:
    virtual ~IMonitorHost() = default;
    // The open-file dialog ("Open Monitor File"); none when cancelled.
    virtual std::optional<std::string> AskOpenPath() = 0;
    // The save-file dialog proposing `proposed`, with the overwrite prompt; none when cancelled.
    virtual std::optional<std::string> AskSavePath(const std::string& proposed) = 0;
    // Runs the watch item dialog on `item`. Add mode (SlotIndex below 0): the dialog takes the
    // pending item over, hands each finished one to AddWatchItem and deletes the one it still
    // holds when it closes. True when it ended with OK.
    virtual bool RunItemDialog(CWatchItem* item) = 0;
    // The list must be filled again (items added, deleted, moved, loaded).
    virtual void ListChanged() = 0;
    // One row's value changed.
    virtual void RowChanged(int row) = 0;
    // Title, buttons, indicator or hex check changed.
    virtual void StateChanged() = 0;
};

// What the form needs of the program, passed in by whoever opens the window.
struct MonitorServices {
    WatchMotorFinder find;                           // the motor at (port index, address)
    std::function<bool()> pollingAllowed;            // the program-wide switch; none: allowed
    commerror::ICommErrorHandler* commError = nullptr; // the main frame's recovery
    ui::IQuestions* questions = nullptr;             // message boxes
    std::function<std::pair<int, int>()> currentMotor; // the terminal's port index and address; {-1,-1} none
};

class CMonitorForm {
public:
    CMonitorForm(int slotIndex, MonitorServices services, IMonitorHost& host);
    ~CMonitorForm();

    int SlotIndex() const { return m_slot; }
    const std::string& FilePath() const { return m_filePath; }
    const std::string& Title() const { return m_title; }
    CWatchList& List() { return m_list; }
    const CWatchList& List() const { return m_list; }

    // A new window starts with New (next "Monitor%d"); a window for a file opens it first.
    void StartNew();
    // Reads `path` into the window; false (and the window as it was, its name included) when the
    // file cannot be used, after telling the user why: in a message box, or in `problem` when one
    // is given (a window reopened with its project reports to the information view).
    bool OpenFile(const std::string& path, std::string* problem = nullptr);

    // ---- commands ----
    // Runs a command with the selected row (-1 none). Returns the row to select afterwards, or -1.
    int OnCommand(int id, int selectedRow);
    bool IsCommandEnabled(int id, int selectedRow) const;
    bool IsCommandChecked(int id) const;
    // The list's double-click: on no row Add, on a row's icon Toggle, elsewhere Edit.
    void OnDoubleClick(int row, bool onValueIcon);
    // A row's check box.
    void OnRowChecked(int row, bool checked);
    // The item dialog's addition (the answer goes back to the dialog).
    CWatchItem* AddWatchItem(CWatchItem* item);
    // The list shown anew (after New, Open, Add, Edit, Delete, a move or a loaded template): every
    // enabled row starts with an empty value, which the next read fills in.
    void RefillList();

    // ---- polling ----
    void SetPolling(bool on);
    bool Polling() const { return m_list.Polling(); }
    // One tick of the main frame's cycle; true when the window used it.
    bool PollStep();
    // Reads every enabled item once. As Poll, it first opens the closed ports of the items'
    // motors; a port that cannot be opened is reported (why, in a message box) and nothing is
    // read.
    void Refresh();
    int Indicator() const { return m_list.Indicator(); }
    // How many communication-error requests this window made (what the user was asked).
    int CommErrorRequests() const { return m_requests; }

    // ---- closing ----
    bool CanClose();
    bool Save();
    bool SaveAs();

    static int NextMonitorNumber();

private:
    void Message(const std::string& text, uint32_t style);
    // Opens the closed ports of the enabled items' motors; false once one cannot be opened,
    // after telling the user why.
    bool OpenItemPorts();
    void AfterReadError(const WatchReadError& error, bool resume);

    int m_slot;
    MonitorServices m_services;
    IMonitorHost& m_host;
    std::string m_filePath;
    std::string m_title;
    CWatchList m_list;
    int m_requests = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace tools
