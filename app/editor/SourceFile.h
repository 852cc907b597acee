#pragma once
// The program source file (".tqs", ".tqc"): RTF that starts with the 20-byte marker
// "{\rtf1\korvessanfile" and carries, right after its colour table, the information group with the
// four properties of the source; or plain text. Reading any of them gives the text (lines ended by
// "\n") and the properties; writing gives the marked RTF of highlighted runs.
//
// Properties are kept unescaped in memory; the escaping of "\", "{", "}" and of bytes outside
// printable ASCII lives here, in the file format, and nowhere else.

#include "platform/rtf/Rtf.h"

#include <string>
#include <string_view>

namespace editor {

inline constexpr std::string_view kSourceMarker = "{\\rtf1\\korvessanfile";
// A property keeps at most this many characters when read.
inline constexpr size_t kMaxPropertyLength = 999;
// The line of the start-up code after which the user's own program begins.
inline constexpr std::string_view kStartupEndLine = "IF 0 PRINT(\"END_OF_INIT\") ENDIF";
inline constexpr std::string_view kStartupFirstLine = "GOTO _ONRUN";

struct SourceProperties {
    std::string project;  // \subject
    std::string version;  // \keywords: the language version of the source
    std::string author;   // \author
    std::string comments; // \doccomm
    bool operator==(const SourceProperties&) const = default;
};

enum class SourceKind {
    Plain,  // no "{\rtf": read as text (the start-up block removed)
    Rtf,    // RTF without the marker: highlighted anew after loading
    Marked, // our own file
};

struct SourceContent {
    SourceKind kind = SourceKind::Plain;
    std::string text; // 8-bit bytes; "\n" ends a line
    SourceProperties properties;
};

// Reads a file's bytes. Never throws; broken RTF gives what text could be recovered, binary bytes
// stay as they are (NUL bytes become blanks, so that the editor shows the rest of the line).
SourceContent ReadSource(std::string_view bytes);

// The marked RTF file of a text in runs (each run's format as highlighted) with the properties.
std::string WriteSource(const platform::rtf::Document& runs, const SourceProperties& properties);

// ---- the pieces, for the tests ----
// A property as it is stored between the braces of its entry.
std::string EscapeProperty(std::string_view value);
// "{\info{\subject %s}{\author %s}{\keywords %s}{\doccomm %s}}" with the escaped properties.
std::string InfoGroup(const SourceProperties& properties);
// Puts the group right after the closing brace of the first "{\colortbl" group (its own escapes
// and nested groups counted). Without a colour table the text comes back unchanged and false.
bool InsertInfoGroup(std::string& rtf, std::string_view group);
// The properties of an RTF text's information group (missing ones empty, each cut to 999).
SourceProperties ReadProperties(std::string_view rtf);
// Removes the start-up block that the compiler adds and an upload brings back: only when the text
// starts with it ("GOTO _ONRUN"), everything up to the line after kStartupEndLine.
std::string StripStartupBlock(std::string_view text);

} // namespace editor
