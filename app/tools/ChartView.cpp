#include "app/tools/ChartView.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <utility>

namespace chartview {

namespace {

// Every New takes the next number, program-wide.
int g_chartCounter = 0;

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

void AppendInt(std::string& out, int64_t v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

} // namespace

const std::vector<ToolbarEntry>& Toolbar()
{
    static const std::vector<ToolbarEntry> entries = {
        {ID_NEW_CHART, "New Chart", "Start a new chart", false},
        {ID_OPEN, "Open", "Open a chart file", false},
        {ID_SAVE, "Save", "Save the chart", false},
        {0, nullptr, nullptr, false},
        {ID_ADD_ITEM, "Add Chart Item", "Add a chart item", false},
        {ID_DELETE_ITEM, "Delete Chart Item", "Delete the selected chart item", false},
        {ID_EDIT_ITEM, "Edit Chart Item", "Edit the selected chart item", false},
        {0, nullptr, nullptr, false},
        {ID_CLEAR, "Clear Chart", "Clear the samples", false},
        {ID_START, "Start Sampling", "Start sampling", false},
        {ID_STOP, "Stop Sampling", "Stop sampling", false},
        {ID_MANUAL_UPDATE, "Manual Update", "Take one sample now", false},
        {0, nullptr, nullptr, false},
        {ID_PROPERTIES, "Chart Properties", "Chart properties", false},
        {0, nullptr, nullptr, false},
        {ID_HIGHLIGHT, "Highlight Chart Items", "Highlight the selected chart item", true},
        {0, nullptr, nullptr, false},
        {ID_HGRID, "Horizontal Grid", "Show the horizontal grid", true},
        {ID_VGRID, "Vertical Grid", "Show the vertical grid", true},
    };
    return entries;
}

CommandPicture PictureOf(int id)
{
    static const std::pair<int, CommandPicture> pictures[] = {
        {ID_NEW_CHART, {"document-new", nullptr}},
        {ID_OPEN, {"document-open", nullptr}},
        {ID_SAVE, {"document-save", nullptr}},
        {ID_SAVE_AS, {"document-save-as", nullptr}},
        {ID_ADD_ITEM, {"list-add", nullptr}},
        {ID_DELETE_ITEM, {"list-remove", nullptr}},
        {ID_EDIT_ITEM, {nullptr, "chart-edit-item"}},
        {ID_CLEAR, {"edit-clear", nullptr}},
        {ID_START, {"media-playback-start", nullptr}},
        {ID_STOP, {"media-playback-stop", nullptr}},
        {ID_MANUAL_UPDATE, {"view-refresh", nullptr}},
        {ID_PROPERTIES, {"document-properties", nullptr}},
        {ID_HIGHLIGHT, {nullptr, "chart-highlight"}},
        {ID_HGRID, {nullptr, "grid-horizontal"}},
        {ID_VGRID, {nullptr, "grid-vertical"}},
        {ID_COPY_DATA, {"edit-copy", nullptr}},
        {ID_COPY_IMAGE, {nullptr, "copy-image"}},
    };
    for (const auto& [command, picture] : pictures)
        if (command == id)
            return picture;
    return {nullptr, nullptr};
}

const std::vector<int>& ContextMenu()
{
    static const std::vector<int> ids = {ID_NEW_CHART, ID_OPEN,     ID_SAVE,       ID_SAVE_AS,       0,
                                         ID_ADD_ITEM,  ID_DELETE_ITEM, ID_EDIT_ITEM, 0,                ID_CLEAR,
                                         ID_START,     ID_STOP,     ID_MANUAL_UPDATE, 0,               ID_PROPERTIES,
                                         0,            ID_HIGHLIGHT, ID_HGRID,     ID_VGRID,         0,
                                         ID_COPY_DATA, ID_COPY_IMAGE};
    return ids;
}

const char* CommandText(int id)
{
    switch (id) {
    case ID_SAVE_AS:
        return "Save As...";
    case ID_COPY_DATA:
        return "Copy Data";
    case ID_COPY_IMAGE:
        return "Copy Image";
    default:
        for (const ToolbarEntry& e : Toolbar())
            if (e.id == id)
                return e.text;
        return "";
    }
}

CChartViewForm::CChartViewForm(IChartViewHost& host, WatchMotorFinder find)
    : m_host(host), m_find(std::move(find)), m_doc(std::make_unique<ChartDocument>())
{
}

void CChartViewForm::Start()
{
    m_doc->LoadProfile();
    New();
}

bool CChartViewForm::Enabled(int id, bool contextMenu) const
{
    const bool items = m_doc->ItemCount() > 0;
    switch (id) {
    case ID_NEW_CHART:
    case ID_OPEN:
    case ID_SAVE:
    case ID_MANUAL_UPDATE:
    case ID_PROPERTIES:
        return !m_sampling;
    case ID_DELETE_ITEM:
    case ID_EDIT_ITEM:
        return items;
    case ID_START:
        return !m_sampling && items;
    case ID_STOP:
        return m_sampling;
    case ID_SAVE_AS:
    case ID_COPY_DATA:
    case ID_COPY_IMAGE:
        return !(contextMenu && m_sampling);
    default:
        return true;
    }
}

bool CChartViewForm::Checked(int id) const
{
    switch (id) {
    case ID_HIGHLIGHT:
        return m_highlight;
    case ID_HGRID:
        return m_doc->HGrid;
    case ID_VGRID:
        return m_doc->VGrid;
    default:
        return false;
    }
}

void CChartViewForm::New()
{
    m_filePath.clear();
    m_title = "Chart" + std::to_string(++g_chartCounter);
    m_doc->Items.RemoveAll();
    m_selected = -1;
    m_modified = false;
    Clear();
}

void CChartViewForm::Clear()
{
    m_doc->Clear();
    m_doc->RulerSample = -1;
}

void CChartViewForm::StartSampling()
{
    m_sampling = true;
    m_doc->RulerSample = -1;
}

void CChartViewForm::StopSampling()
{
    m_sampling = false;
}

bool CChartViewForm::SamplingStep(bool timer)
{
    ChartDocument& d = *m_doc;
    if (d.ItemCount() == 0)
        return true;
    const int index = d.Timeline().NextIndex();
    for (CChartItem* item : d.Items) {
        if (!item->ReadValue(m_find)) {
            if (timer)
                m_sampling = false;
            m_host.ShowError("Cannot get value of chart item \"" + item->Item.Caption +
                             "\".\nPolling of chart items stopped.");
            return false;
        }
        item->AddSample(item->ReadSample(), index);
    }
    d.LastSample = index;
    d.TotalTime += d.UpdateTime;
    d.NoOfSamples = std::min(d.NoOfSamples + 1, d.MaxSamples);
    if (!timer) {
        const int visible = std::max(m_picture.visible, 1);
        int left = index - std::min(visible, d.NoOfSamples) + 1;
        if (left < 0)
            left += d.MaxSamples;
        d.LeftSample = left;
    }
    return true;
}

bool CChartViewForm::CanAdd()
{
    if (m_doc->ItemCount() >= ChartDocument::kMaxItems) {
        m_host.ShowError(kTooManyItems);
        return false;
    }
    return true;
}

CChartViewForm::Added CChartViewForm::AddItem(const CChartItem& item)
{
    ChartDocument& d = *m_doc;
    for (const CChartItem* existing : d.Items)
        if (existing->Item.Caption == item.Item.Caption)
            return Added::Duplicate;
    if (d.ItemCount() >= ChartDocument::kMaxItems)
        return Added::Full;
    CChartItem* added = d.Items.AddCopy(item);
    added->Item.ValueText = "N/A";
    added->SetBufferSize(d.MaxSamples);
    m_modified = true;
    return d.ItemCount() >= ChartDocument::kMaxItems ? Added::Full : Added::More;
}

void CChartViewForm::DeleteItem(int row)
{
    if (!m_doc->Item(row)) {
        m_host.ShowError(kSelectItem);
        return;
    }
    if (!m_host.AskYesNo(kAskDelete))
        return;
    m_doc->Items.RemoveAt(row);
    m_selected = -1;
    m_modified = true;
}

CChartItem* CChartViewForm::ItemToEdit(int row)
{
    CChartItem* item = m_doc->Item(row);
    if (!item)
        m_host.ShowError(kSelectItem);
    return item;
}

bool CChartViewForm::Open(const std::string& path)
{
    auto doc = std::make_unique<ChartDocument>();
    const std::string error = doc->Read(path);
    if (!error.empty()) {
        m_host.ShowError(error);
        return false;
    }
    m_doc = std::move(doc);
    m_filePath = path;
    m_title = FileName(path);
    m_selected = -1;
    m_modified = false;
    return true;
}

bool CChartViewForm::Save()
{
    return SaveFile();
}

bool CChartViewForm::SaveAs()
{
    const std::string path = m_host.AskSavePath(m_title);
    if (path.empty())
        return false;
    // The chart takes the new name only once it is written there.
    if (!m_doc->Write(path)) {
        m_host.ShowError(kCannotWrite);
        return false;
    }
    m_filePath = path;
    m_title = FileName(path);
    m_modified = false;
    return true;
}

bool CChartViewForm::SaveFile()
{
    if (m_filePath.empty())
        return SaveAs();
    if (!m_doc->Write(m_filePath)) {
        m_host.ShowError(kCannotWrite);
        return false;
    }
    m_modified = false;
    return true;
}

bool CChartViewForm::CanClose()
{
    if (!m_modified)
        return true;
    if (m_sampling) {
        m_host.ShowError(kStopFirst);
        return false;
    }
    switch (m_host.AskYesNoCancel("Do you want to save the changes to \"" + m_title + "\"?")) {
    case IChartViewHost::kYes:
        // A chart that could not be saved stays open: closing would lose it.
        return SaveFile();
    case IChartViewHost::kNo:
        m_modified = false;
        return true;
    default:
        return false;
    }
}

CChartViewForm::Settings CChartViewForm::CurrentSettings() const
{
    const ChartDocument& d = *m_doc;
    return {d.ChartTitle, d.VerticalAxis, d.VMin, d.VMax, d.UpdateTime, d.MaxSamples};
}

void CChartViewForm::ApplySettings(const Settings& s)
{
    ChartDocument& d = *m_doc;
    d.ChartTitle = s.chartTitle;
    d.VerticalAxis = s.verticalAxis;
    d.VMin = s.vMin;
    d.VMax = s.vMax;
    const bool newTime = s.updateTime != d.UpdateTime;
    const bool newSize = s.bufferSize != d.MaxSamples;
    d.UpdateTime = s.updateTime;
    d.MaxSamples = s.bufferSize;
    const bool resize = newSize || (d.ItemCount() > 0 && d.Item(0)->BufSize() != d.MaxSamples);
    if (resize)
        for (CChartItem* item : d.Items)
            item->SetBufferSize(d.MaxSamples);
    if (resize || newTime)
        Clear();
    d.SaveProfile();
    m_modified = true;
}

void CChartViewForm::ClickPlot(int x)
{
    ChartDocument& d = *m_doc;
    if (m_sampling || d.NoOfSamples <= 0)
        return;
    const ChartTimeline t = d.Timeline();
    const int left = std::max(t.PositionOf(d.LeftSample), 0);
    // The sample drawn nearest to the click; past the newest, the newest.
    const int64_t offset = std::max<int64_t>((static_cast<int64_t>(x) - m_picture.plot.left + 1) / kPixelsPerSample, 0);
    const int64_t position = std::min<int64_t>(left + offset, d.NoOfSamples - 1);
    d.RulerSample = t.RingIndexOf(position);
}

void CChartViewForm::RulerPositionEdited(int64_t position)
{
    ChartDocument& d = *m_doc;
    if (m_sampling || d.NoOfSamples <= 0)
        return;
    const int ring = d.Timeline().RingIndexOf(position);
    d.RulerSample = ring >= 0 ? ring : d.LastSample;
}

void CChartViewForm::RulerTimeEdited(int64_t ms)
{
    ChartDocument& d = *m_doc;
    if (m_sampling || d.NoOfSamples <= 0)
        return;
    const ChartTimeline t = d.Timeline();
    d.RulerSample = t.RingIndexOf(t.PositionAt(ms));
}

int64_t CChartViewForm::RulerPosition() const
{
    return m_doc->Timeline().PositionOf(m_doc->RulerSample);
}

int64_t CChartViewForm::RulerTime() const
{
    const ChartTimeline t = m_doc->Timeline();
    return t.TimeOf(t.PositionOf(m_doc->RulerSample));
}

void CChartViewForm::ScrollBy(Scroll action, int thumb)
{
    ChartDocument& d = *m_doc;
    if (m_sampling || !m_picture.scrollEnabled)
        return;
    const ChartTimeline t = d.Timeline();
    const int64_t visible = m_picture.visible;
    int64_t pos = std::max(t.PositionOf(d.LeftSample), 0);
    switch (action) {
    case Scroll::LineLeft:
        pos -= 10;
        break;
    case Scroll::LineRight:
        pos += 10;
        break;
    case Scroll::PageLeft:
        pos -= visible - 10;
        break;
    case Scroll::PageRight:
        pos += visible - 10;
        break;
    case Scroll::Thumb:
        pos = thumb;
        break;
    }
    pos = std::clamp<int64_t>(pos, 0, std::max<int64_t>(d.NoOfSamples - visible, 0));
    const int ring = t.RingIndexOf(pos);
    if (ring >= 0)
        d.LeftSample = ring;
}

std::vector<ListRow> CChartViewForm::Rows() const
{
    std::vector<ListRow> rows;
    const int ruler = m_doc->RulerSample;
    for (const CChartItem* item : m_doc->Items) {
        const ChartSamples& s = item->Samples;
        ListRow r;
        r.colour = item->Item.SlotIndex;
        r.caption = item->Item.Caption;
        r.last = item->Item.ValueText;
        r.average = std::to_string(static_cast<int64_t>(s.AvrValue));
        r.min = s.MinValue == ChartSamples::kNoMin ? "N/A" : std::to_string(s.MinValue);
        r.max = s.MaxValue == ChartSamples::kNoMax ? "N/A" : std::to_string(s.MaxValue);
        const int32_t v = ruler >= 0 ? s.At(ruler) : ChartSamples::kEmpty;
        r.ruler = v == ChartSamples::kEmpty ? "N/A" : std::to_string(v);
        rows.push_back(std::move(r));
    }
    return rows;
}

chart::Picture CChartViewForm::Redraw(int width, int height, const chart::ITextMetrics& metrics)
{
    ChartDocument& d = *m_doc;
    chart::PictureInput in;
    in.width = width;
    in.height = height;
    in.title = d.ChartTitle;
    in.verticalAxis = d.VerticalAxis;
    in.vMin = d.VMin;
    in.vMax = d.VMax;
    in.timeline = d.Timeline();
    in.leftSample = d.LeftSample;
    in.rulerSample = d.RulerSample;
    in.sampling = m_sampling;
    in.vGrid = d.VGrid;
    in.hGrid = d.HGrid;
    in.highlighted = m_highlight ? m_selected : -1;
    for (const CChartItem* item : d.Items)
        in.curves.push_back({&item->Samples, item->Min, item->Max, item->Color()});
    m_picture = chart::Draw(in, metrics);
    if (!m_picture.placeholder && width > 0 && height > 0)
        d.LeftSample = m_picture.leftSample;
    return m_picture;
}

std::string CChartViewForm::CopyDataText() const
{
    const ChartDocument& d = *m_doc;
    std::string out = "Time";
    for (const CChartItem* item : d.Items)
        out += "\t" + item->Item.Caption;
    out += "\r\n";
    const ChartTimeline t = d.Timeline();
    out.reserve(out.size() + static_cast<size_t>(d.NoOfSamples) * (12 + 12 * static_cast<size_t>(d.ItemCount())));
    for (int p = 0; p < d.NoOfSamples; ++p) {
        AppendInt(out, t.TimeOf(p));
        const int ring = t.RingIndexOf(p);
        for (const CChartItem* item : d.Items) {
            out += '\t';
            AppendInt(out, item->Samples.At(ring));
        }
        out += "\r\n";
    }
    return out;
}

} // namespace chartview
