#pragma once
// CChartViewForm: the rules of the chart view without its widgets. Up to 8 chart items are
// sampled on the view's own timer into one shared ring position per tick; the view draws them
// (ChartPicture), shows a ruler, scrolls when stopped, copies its data as text, and keeps charts in
// ".sch" files. Messages, questions and file dialogs go to an IChartViewHost; the motors are found
// through the finder the window was given.

#include "app/tools/ChartDocument.h"
#include "app/tools/ChartPicture.h"

#include <memory>
#include <string>
#include <vector>

namespace chartview {

// Command ids of the toolbar and the "Chart" context menu.
inline constexpr int ID_NEW_CHART = 33025;
inline constexpr int ID_OPEN = 33016;
inline constexpr int ID_SAVE = 33017;
inline constexpr int ID_SAVE_AS = 33024;
inline constexpr int ID_ADD_ITEM = 33897;
inline constexpr int ID_DELETE_ITEM = 32977;
inline constexpr int ID_EDIT_ITEM = 32978;
inline constexpr int ID_CLEAR = 33906;
inline constexpr int ID_START = 33907;
inline constexpr int ID_STOP = 33908;
inline constexpr int ID_MANUAL_UPDATE = 33909;
inline constexpr int ID_PROPERTIES = 33910;
inline constexpr int ID_HIGHLIGHT = 33013;
inline constexpr int ID_HGRID = 33014;
inline constexpr int ID_VGRID = 33015;
inline constexpr int ID_COPY_DATA = 33027;
inline constexpr int ID_COPY_IMAGE = 33028;

// The window's template; F1 opens its page of the guide.
inline constexpr int kTemplate = 174;
// Control ids of the window.
inline constexpr int IDC_PLOT = 1089;
inline constexpr int IDC_SCROLL = 1118;
inline constexpr int IDC_RULER_SAMPLE = 1140;
inline constexpr int IDC_RULER_SPIN = 1177;
inline constexpr int IDC_RULER_TIME = 1139;
inline constexpr int IDC_LIST = 1003;

struct ToolbarEntry {
    int id;            // 0: separator
    const char* text;
    const char* tip;
    bool check;
};
// The toolbar in order (19 entries with the separators).
const std::vector<ToolbarEntry>& Toolbar();
// The picture of a command of the toolbar or the context menu: the desktop theme's icon of that
// name, else our drawing (res/icons/cmd/<own>.svg).
struct CommandPicture {
    const char* theme;
    const char* own;
};
CommandPicture PictureOf(int id);
// The context menu in order (0: separator).
const std::vector<int>& ContextMenu();
const char* CommandText(int id);

inline constexpr const char* kTooManyItems = "Cannot add more chart items.";
inline constexpr const char* kSelectItem = "Please select an item from the list!";
inline constexpr const char* kAskDelete = "Are you sure you want to delete this chart item?";
inline constexpr const char* kStopFirst = "Please stop sampling before closing Chart View.";
inline constexpr const char* kCannotWrite = "Cannot open the file to write!";
inline constexpr const char* kFileFilter = "VQX Chart Files (*.sch)|*.sch|All Files (*.*)|*.*||";

// One row of the item list.
struct ListRow {
    int colour = 0;        // swatch: the item's slot
    std::string caption, last, average, min, max, ruler;
};

// What the form asks of the window around it.
class IChartViewHost {
public:
    enum Answer { kYes, kNo, kCancel };
    virtual ~IChartViewHost() = default;
    virtual void ShowError(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;                  // warning icon
    virtual Answer AskYesNoCancel(const std::string& text) = 0;          // question icon
    // The save dialog proposing `name`; empty when cancelled.
    virtual std::string AskSavePath(const std::string& name) = 0;
};

class CChartViewForm {
public:
    static constexpr int kPixelsPerSample = 2;

    CChartViewForm(IChartViewHost& host, WatchMotorFinder find);

    // Window creation: the profile's values, then a new chart.
    void Start();
    std::string WindowText() const { return "Chart View - " + m_title; }
    const std::string& Title() const { return m_title; }
    const std::string& FilePath() const { return m_filePath; }

    bool Enabled(int id, bool contextMenu = false) const;
    bool Checked(int id) const;
    // Controls that only work while stopped (scroll bar, ruler fields).
    bool RulerEnabled() const { return !m_sampling; }

    // ---- commands ----
    void New();
    void Clear();
    void StartSampling();
    void StopSampling();
    void ToggleHighlight() { m_highlight = !m_highlight; }
    void ToggleHGrid() { m_doc->HGrid = !m_doc->HGrid; }
    void ToggleVGrid() { m_doc->VGrid = !m_doc->VGrid; }
    // One sampling step (timer: while sampling with items; Manual Update: while stopped). False
    // when a read failed: sampling stops and the item is named to the user; the items read before
    // it keep their new sample.
    bool SamplingStep(bool timer);
    // Add Chart Item: false (and the message) when 8 items are there.
    bool CanAdd();
    // The item dialog hands over an item: one with the caption of an item already there is refused;
    // otherwise a copy is added, sized to the ring, and the answer says whether more may follow.
    enum class Added { Duplicate, More, Full };
    Added AddItem(const CChartItem& item);
    // Delete Chart Item on a list row (asks first).
    void DeleteItem(int row);
    // The item Edit Chart Item works on, or null after the message.
    CChartItem* ItemToEdit(int row);
    void ItemEdited() { m_modified = true; }

    // ---- files ----
    // Open on a path the user chose (after CanClose): false when it could not be read (message
    // shown, chart unchanged).
    bool Open(const std::string& path);
    bool Save();
    bool SaveAs();
    bool SaveFile();
    // May the window close (asks to save; refuses while sampling).
    bool CanClose();
    bool Modified() const { return m_modified; }
    void ClearModified() { m_modified = false; }

    // ---- settings ----
    struct Settings {
        std::string chartTitle, verticalAxis;
        int32_t vMin = 0, vMax = 100, updateTime = 100, bufferSize = 1000;
    };
    Settings CurrentSettings() const;
    // Applies settings the dialog has accepted: a new buffer size or update time clears the chart.
    void ApplySettings(const Settings& s);

    // ---- ruler and scroll ----
    void ClickPlot(int x);
    void RulerPositionEdited(int64_t position);
    void RulerTimeEdited(int64_t ms);
    // The fields' texts: the ruler's position and time ("" without a ruler).
    int64_t RulerPosition() const;
    int64_t RulerTime() const;
    enum class Scroll { LineLeft, LineRight, PageLeft, PageRight, Thumb };
    void ScrollBy(Scroll action, int thumb = 0);

    // ---- what the window shows ----
    std::vector<ListRow> Rows() const;
    void SelectRow(int row) { m_selected = row; }
    int SelectedRow() const { return m_selected; }
    // Draws the chart for a plot of this size; the view's first sample, plot and scroll state
    // follow the picture.
    chart::Picture Redraw(int width, int height, const chart::ITextMetrics& metrics);
    const chart::Picture& LastPicture() const { return m_picture; }
    // The Copy Data table.
    std::string CopyDataText() const;
    bool CanCopyData() const { return m_doc->NoOfSamples > 0 && m_doc->ItemCount() > 0; }

    bool Sampling() const { return m_sampling; }
    const ChartDocument& Document() const { return *m_doc; }
    ChartDocument& Document() { return *m_doc; }
    int UpdateTime() const { return m_doc->UpdateTime; }

private:
    IChartViewHost& m_host;
    WatchMotorFinder m_find;
    std::unique_ptr<ChartDocument> m_doc;
    std::string m_filePath;
    std::string m_title;
    bool m_sampling = false;
    bool m_modified = false;
    bool m_highlight = false;
    int m_selected = -1;
    chart::Picture m_picture;
};

} // namespace chartview
