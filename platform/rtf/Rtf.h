#pragma once
// Rich text in the RTF file format: the one writer and reader behind terminal files (".trm"),
// analyzer files (".ssf"), rich source files and the compiler's plain-text view of them.
//
// The document model is what our own files hold: runs of text with a character format (font face,
// size, bold, italic, underline, colour), paragraph breaks as "\n" inside the text, and the
// information group ({\info{\title ...}{\author ...}}). Text is kept as 8-bit bytes (Windows-1252),
// as stored texts are everywhere in the suite; the user interface converts at its boundary.
//
// The reader takes any RTF: what it does not know (pictures, style sheets, headers, ignorable
// destinations "\*", unknown control words) is skipped, and hostile input (unbalanced braces,
// absurd numbers, endless nesting, truncation) never crashes, hangs or allocates beyond a small
// multiple of the input. The writer's output reads back to the same runs and information.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::rtf {

// A colour as the settings store it: 0x00BBGGRR.
using ColorRef = uint32_t;
inline constexpr ColorRef MakeColor(int r, int g, int b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
inline constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

struct CharFormat {
    std::string face;                // empty: the document's default font
    int halfPoints = 24;             // font size in half points (RTF's default 12 pt)
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<ColorRef> color;   // none: the automatic (default) colour
    bool operator==(const CharFormat&) const = default;
};

struct Run {
    std::string text; // "\n" is a paragraph break, "\t" a tab
    CharFormat format;
    bool operator==(const Run&) const = default;
};

struct Document {
    std::vector<Run> runs;
    // The information group's entries in file order: ("title", "..."), ("author", "..."), ...
    std::vector<std::pair<std::string, std::string>> info;

    // Appends text in a format, joining it to the last run when the format is the same.
    void Append(std::string_view text, const CharFormat& format);
    // All text of the document.
    std::string PlainText() const;
    // The value of an information entry, empty when absent.
    std::string Info(std::string_view name) const;
    bool operator==(const Document&) const = default;
};

// True when the text begins as an RTF file does ("{\rtf").
bool IsRtf(std::string_view text);

// The RTF file of a document.
std::string Write(const Document& document);

struct ReadOptions {
    // What a paragraph break (\par, \line, "\" before a line end) becomes in the text.
    std::string paragraph = "\n";
};
// The document of an RTF text. Never throws; garbage gives whatever text could be recovered.
Document Read(std::string_view rtf, const ReadOptions& options = {});
// Only the text (faster: no runs are built).
std::string PlainText(std::string_view rtf, const ReadOptions& options = {});

} // namespace platform::rtf
