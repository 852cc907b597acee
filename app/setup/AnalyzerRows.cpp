#include "app/setup/AnalyzerRows.h"

#include "core/analyzer/SerialDataAnalyzer.h"
#include "core/settings/Options.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace sda {

namespace {

constexpr char kMark = '\x85';

void AppendByte(std::string& out, uint8_t b, uint8_t format)
{
    char text[8];
    switch (format) {
    case 1: std::snprintf(text, sizeof text, "%02X ", b); out += text; break;
    case 2: std::snprintf(text, sizeof text, "%03d ", b); out += text; break;
    default: out += b >= 0x80 || b <= 0x20 || b == 0x7F ? kMark : static_cast<char>(b); break;
    }
}

int BytesWidth(uint8_t format) { return format == 1 ? 3 : format == 2 ? 4 : 1; }

void Append(std::vector<RowPiece>& pieces, std::string text, PieceKind kind)
{
    if (!pieces.empty() && pieces.back().kind == kind)
        pieces.back().text += text;
    else
        pieces.push_back({std::move(text), kind});
}

} // namespace

PieceKind KindOf(uint32_t flags)
{
    if (flags & SDA_ECHO_ERROR)
        return PieceKind::EchoError;
    if (flags & SDA_RECEIVED)
        return PieceKind::Received;
    if (flags & SDA_ECHO)
        return PieceKind::Echo;
    if ((flags & SDA_SENT) && !(flags & SDA_FROM_SENDBAR))
        return PieceKind::Sent;
    return PieceKind::Default;
}

std::vector<RowPiece> RenderRow(const CSdaPage& page, int k)
{
    std::vector<RowPiece> pieces;
    if (k < 0 || k >= page.LineCount())
        return pieces;
    const CSdaLine& line = page.LineAt(k);
    const bool startsReport =
        line.entryCount > 0 && line.startOffset == 0 && !(page.EntrySlot(line.entries[0]).flags & SDA_CONTINUES);
    for (size_t c = 0; c < page.formats.size(); ++c) {
        const uint8_t format = page.formats[c];
        if (format == 0)
            continue;
        Append(pieces, c == 0 ? (startsReport ? ">" : " ") : "| ", PieceKind::Default);
        int shown = 0;
        for (int e = 0; e < line.entryCount && shown < line.length; ++e) {
            const CSdaEntry& entry = page.EntrySlot(line.entries[e]);
            const int from = e == 0 ? line.startOffset : 0;
            const int n = std::min(entry.length - from, line.length - shown);
            std::string text;
            for (int i = 0; i < n; ++i)
                AppendByte(text, entry.data[from + i], format);
            shown += std::max(n, 0);
            Append(pieces, std::move(text), KindOf(entry.flags));
        }
        // Every row of a column is as wide as a full one.
        Append(pieces, std::string(static_cast<size_t>((SDA_LINE_BYTES - shown) * BytesWidth(format)), ' '),
               PieceKind::Default);
    }
    return pieces;
}

std::string RowText(const CSdaPage& page, int k)
{
    std::string text;
    for (const RowPiece& p : RenderRow(page, k))
        text += p.text;
    return text;
}

bool ApplyColumnCommand(std::array<uint8_t, 3>& formats, int id)
{
    if (id < 35001 || id > 35011)
        return false;
    formats[static_cast<size_t>((id - 35000) / 4)] = static_cast<uint8_t>(id & 3);
    return true;
}

uint32_t FilterAfterCommand(uint32_t mask, int id)
{
    constexpr uint32_t kSources = SDA_FROM_TERMINAL | SDA_FROM_SENDBAR | SDA_FROM_PROGRAM;
    switch (id) {
    case 35100: return (mask & SDA_SENT) ? mask & ~(SDA_SENT | kSources) : mask | SDA_SENT | kSources;
    case 35101: return mask ^ SDA_RECEIVED;
    case 35102: return mask ^ SDA_ECHO;
    case 35103: return (mask ^ SDA_FROM_PROGRAM) | SDA_SENT;
    case 35104: return (mask ^ SDA_FROM_TERMINAL) | SDA_SENT;
    case 35105: return (mask ^ SDA_FROM_SENDBAR) | SDA_SENT;
    default: return mask;
    }
}

void RebuildRows(CSdaPage& page)
{
    // The traffic the selection is on, by entry number.
    const bool atEnd = page.LineCount() == 0 || page.selStartLine == page.LastLine();
    int fromEntry = -1;
    if (!atEnd) {
        for (int k = 0; k < page.LineCount(); ++k) {
            const CSdaLine& line = page.LineAt(k);
            if ((page.FirstLine() + k) % SDA_RING == page.selStartLine && line.entryCount > 0) {
                fromEntry = page.EntrySlot(line.entries[0]).index;
                break;
            }
        }
    }
    page.RebuildLines();
    int target = page.LastLine();
    if (!atEnd && fromEntry >= 0) {
        for (int e = 0; e < page.EntryCount(); ++e) {
            const CSdaEntry& entry = page.EntryAt(e);
            if (entry.index >= fromEntry && entry.line >= 0) {
                target = entry.line;
                break;
            }
        }
    }
    if (page.LineCount() == 0)
        target = 0;
    page.selStartLine = page.selEndLine = target;
    page.selStartColumn = page.selEndColumn = 0;
}

namespace {

// The pieces of the selected span, from the start column of the first row to the end column of
// the last; `rowEnd` is called between rows. Nothing when nothing is selected.
void ForSelectedPieces(const CSdaPage& page, const std::function<void(const RowPiece&)>& piece,
                       const std::function<void()>& rowEnd)
{
    if (page.LineCount() == 0 ||
        (page.selStartLine == page.selEndLine && page.selStartColumn == page.selEndColumn))
        return;
    auto position = [&](int ring) { return SdaDistance(page.FirstLine(), ring); };
    int a = position(page.selStartLine), ac = page.selStartColumn;
    int b = position(page.selEndLine), bc = page.selEndColumn;
    if (a > b || (a == b && ac > bc)) {
        std::swap(a, b);
        std::swap(ac, bc);
    }
    for (int k = a; k <= b && k < page.LineCount(); ++k) {
        if (k != a)
            rowEnd();
        const size_t from = k == a ? static_cast<size_t>(std::max(ac, 0)) : 0;
        const size_t to = k == b ? static_cast<size_t>(std::max(bc, 0)) : std::string::npos;
        size_t column = 0;
        for (const RowPiece& p : RenderRow(page, k)) {
            const size_t begin = std::max(from, column), end = std::min(to, column + p.text.size());
            if (end > begin)
                piece({p.text.substr(begin - column, end - begin), p.kind});
            column += p.text.size();
        }
    }
}

} // namespace

std::string SelectedText(const CSdaPage& page)
{
    std::string out;
    ForSelectedPieces(page, [&out](const RowPiece& p) { out += p.text; }, [&out] { out += "\r\n"; });
    return out;
}

platform::rtf::Document SelectedDocument(const CSdaPage& page, const Look& look)
{
    platform::rtf::Document doc;
    platform::rtf::CharFormat format;
    format.face = "Courier New";
    format.halfPoints = look.fontPoints * 2;
    ForSelectedPieces(
        page,
        [&](const RowPiece& p) {
            format.color = look.colors[static_cast<size_t>(p.kind)];
            doc.Append(p.text, format);
        },
        [&] {
            format.color = look.colors[0];
            doc.Append("\n", format);
        });
    return doc;
}

Look LookFrom(const COptions& o)
{
    Look look;
    look.colors = {o.SDAColor, o.RxColor, o.EchoColor, platform::rtf::MakeColor(255, 0, 0), o.TxColor};
    look.background = o.IOTermBackColor;
    look.fontPoints = o.IOTermFontSize;
    return look;
}

platform::rtf::Document PageDocument(const CSdaPage& page, const Look& look)
{
    platform::rtf::Document doc;
    platform::rtf::CharFormat format;
    format.face = "Courier New";
    format.halfPoints = look.fontPoints * 2;
    for (int k = 0; k < page.LineCount(); ++k) {
        for (const RowPiece& piece : RenderRow(page, k)) {
            format.color = look.colors[static_cast<size_t>(piece.kind)];
            doc.Append(piece.text, format);
        }
        format.color = look.colors[0];
        doc.Append("\n", format);
    }
    return doc;
}

} // namespace sda

#include "core/archive/TagArchive.h"

namespace sda {

void SerializeAnalyzerState(const std::string& group, CTagArchive& ar, CSerialDataAnalyzer& analyzer,
                            int32_t& inFormat, int pageCount)
{
    CTagGroup g(ar, group);
    if (!g)
        return;
    auto lock = analyzer.Lock();
    int32_t tab = analyzer.shownPage;
    ar.SerializeInt("CurTab", tab, -1);
    ar.SerializeInt("InFormat", inFormat, 0);
    const int count = std::clamp(pageCount, 0, SDA_PAGES);
    ar.SerializeList("SDADBs", count, SDA_PAGES, [&](int i, const std::string& arr) {
        // Pages beyond the project's ports are left alone.
        if (i >= count)
            return;
        CTagGroup pageGroup(ar, arr);
        if (!pageGroup)
            return;
        CSdaPage& page = analyzer.Page(i);
        page.Reset();
        std::array<uint8_t, 3> formats = page.formats;
        ar.SerializeValueList("ColFormat", formats.data(), 3, 3, uint8_t{0});
        int32_t filter = static_cast<int32_t>(page.filter);
        ar.SerializeInt("Filter", filter, -1);
        if (ar.IsLoading()) {
            for (uint8_t& f : formats)
                f = f > 3 ? 0 : f;
            if (formats[0] == 0)
                formats[0] = 1;
            page.formats = formats;
            page.filter = static_cast<uint32_t>(filter);
            page.charsPerRow = page.ComputeRowWidth();
        }
    });
    if (ar.IsLoading()) {
        if (inFormat < 0 || inFormat > 2)
            inFormat = 0;
        analyzer.shownPage = tab >= 0 && tab < count ? tab : (count > 0 ? 0 : -1);
    }
}

} // namespace sda
