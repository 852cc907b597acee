#pragma once
// What the analyzer window shows of a page, without widgets: one display row rendered as coloured
// pieces in up to three columns, the column and filter commands, rebuilding the rows under a new
// filter with the selection kept on the same traffic, the selected text for Copy, and the page as
// an RTF document for ".ssf" files.

#include "platform/rtf/Rtf.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class COptions;
class CSdaPage;

namespace sda {

// The five kinds of row pieces, each with its own colour.
enum class PieceKind { Default, Received, Echo, EchoError, Sent };
PieceKind KindOf(uint32_t flags);

struct RowPiece {
    std::string text; // 8-bit; 0x85 stands for a byte shown as a mark
    PieceKind kind = PieceKind::Default;
};
// Row k of the page (0 = oldest shown), in its columns, without the line end.
std::vector<RowPiece> RenderRow(const CSdaPage& page, int k);
std::string RowText(const CSdaPage& page, int k);

// Commands 35001-35011: the column formats; false for another id.
bool ApplyColumnCommand(std::array<uint8_t, 3>& formats, int id);
// Commands 35100-35105: the filter mask after the command; the mask unchanged for another id.
uint32_t FilterAfterCommand(uint32_t mask, int id);
// Places every kept entry again under the page's filter; the selection stays on the same traffic
// (the last row when it was there, else the row of the first shown entry at or after the one it
// started on), collapsed there.
void RebuildRows(CSdaPage& page);

// The selected text: from the start column of the first row to the end column of the last, rows
// separated by "\r\n". Empty when nothing is selected.
std::string SelectedText(const CSdaPage& page);

// Colours of the pieces (0x00BBGGRR) and the font, from the settings.
struct Look {
    std::array<platform::rtf::ColorRef, 5> colors{};
    platform::rtf::ColorRef background = 0;
    int fontPoints = 10;
};
Look LookFrom(const COptions& options);
// All rows of the page with their colours, each ended by a line end (".ssf").
platform::rtf::Document PageDocument(const CSdaPage& page, const Look& look);
// The selected span (as SelectedText) with the colours of its pieces, rows as paragraphs.
platform::rtf::Document SelectedDocument(const CSdaPage& page, const Look& look);

} // namespace sda

class CSerialDataAnalyzer;
class CTagArchive;

namespace sda {
// The analyzer's state in the project ("CurTab", "InFormat", and per port in "SDADBs" the column
// formats "ColFormat" and the filter "Filter"). Loading or storing a page empties it first. What
// a file holds is bounded: at most 30 pages and 3 formats, formats 0-3 with the first column
// never off, "InFormat" 0-2, and a page without "Filter" shows everything.
void SerializeAnalyzerState(const std::string& group, CTagArchive& ar, CSerialDataAnalyzer& analyzer,
                            int32_t& inFormat, int pageCount);
} // namespace sda
