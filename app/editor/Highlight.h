#pragma once
// Syntax highlighting of program sources by the compiler's own tokenizer: one line into runs of
// the five editor formats, and a whole text into the runs the source file stores.

#include "platform/rtf/Rtf.h"

#include <cstdint>
#include <string_view>
#include <vector>

class CLanguage;

namespace editor {

enum class HighlightFormat : uint8_t { Plain, Keyword, Label, Flow, Comment };

struct HighlightRun {
    int start = 0;  // byte offset in the line
    int length = 0;
    HighlightFormat format = HighlightFormat::Plain;
    bool operator==(const HighlightRun&) const = default;
};

// Only the first 256 characters of a line are highlighted.
inline constexpr int kMaxHighlightedColumns = 256;

// The runs of the line's tokens that are not plain, in order. Keywords and their report forms
// take the keyword format, or the label format when the keyword has the label flag (plain for the
// bare "C"), or the flow format when it has the flow flag; comments the comment format; a word
// ending in ":" the label format.
std::vector<HighlightRun> HighlightLine(std::string_view line, const CLanguage& language);

// The editor's colours and font, as the settings give them.
struct EditorStyle {
    platform::rtf::ColorRef normal = 0x000000;
    platform::rtf::ColorRef keyword = 0xFF0000;
    platform::rtf::ColorRef flow = 0xB316C9;
    platform::rtf::ColorRef comment = 0x008000;
    int fontSize = 10; // points
};
platform::rtf::CharFormat FormatOf(HighlightFormat format, const EditorStyle& style);

// The distance between tab stops in twips: `tabSize` characters of 120 twips for a view just made,
// the width the options page measured (`tabSizePoint`) once the whole text has been highlighted.
// A measured width outside 1 twip to 10 inches (a damaged profile) falls back to the characters.
int TabStopTwips(int tabSize, int tabSizePoint, bool wholeTextHighlighted);

// The whole text ("\n" between lines) as highlighted runs, for storing.
platform::rtf::Document HighlightedDocument(std::string_view text, const CLanguage& language, const EditorStyle& style);

} // namespace editor
