#include "app/editor/SourceFile.h"

#include <algorithm>

namespace editor {
namespace {

const char kHex[] = "0123456789abcdef";

std::string Cut(std::string value)
{
    if (value.size() > kMaxPropertyLength)
        value.resize(kMaxPropertyLength);
    return value;
}

// "\r\n" and a lone "\r" end a line as "\n" does; a NUL byte would cut the line in the editor.
std::string NormaliseText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += c == '\0' ? ' ' : c;
        }
    }
    return out;
}

bool StartsWithSkippingBlanks(std::string_view text, std::string_view prefix)
{
    const size_t first = text.find_first_not_of(" \t\n");
    return first != std::string_view::npos && text.substr(first, prefix.size()) == prefix;
}

} // namespace

std::string EscapeProperty(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string InfoGroup(const SourceProperties& p)
{
    return "{\\info{\\subject " + EscapeProperty(p.project) + "}{\\author " + EscapeProperty(p.author) +
           "}{\\keywords " + EscapeProperty(p.version) + "}{\\doccomm " + EscapeProperty(p.comments) + "}}";
}

bool InsertInfoGroup(std::string& rtf, std::string_view group)
{
    const size_t start = rtf.find("{\\colortbl");
    if (start == std::string::npos)
        return false;
    int depth = 0;
    for (size_t i = start; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\') {
            ++i; // the escaped character counts for nothing
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            rtf.insert(i + 1, group);
            return true;
        }
    }
    return false;
}

SourceProperties ReadProperties(std::string_view rtf)
{
    const platform::rtf::Document doc = platform::rtf::Read(rtf);
    return {Cut(doc.Info("subject")), Cut(doc.Info("keywords")), Cut(doc.Info("author")), Cut(doc.Info("doccomm"))};
}

std::string StripStartupBlock(std::string_view text)
{
    if (!StartsWithSkippingBlanks(text, kStartupFirstLine))
        return std::string(text);
    const size_t found = text.find(kStartupEndLine);
    if (found == std::string_view::npos)
        return std::string(text);
    size_t cut = text.find('\n', found);
    if (cut != std::string_view::npos)
        cut = text.find('\n', cut + 1);
    return cut == std::string_view::npos ? std::string() : std::string(text.substr(cut + 1));
}

SourceContent ReadSource(std::string_view bytes)
{
    SourceContent out;
    if (!platform::rtf::IsRtf(bytes)) {
        out.kind = SourceKind::Plain;
        out.text = StripStartupBlock(NormaliseText(bytes));
        return out;
    }
    out.kind = bytes.substr(0, kSourceMarker.size()) == kSourceMarker ? SourceKind::Marked : SourceKind::Rtf;
    const platform::rtf::Document doc = platform::rtf::Read(bytes);
    out.text = NormaliseText(doc.PlainText());
    out.properties = {Cut(doc.Info("subject")), Cut(doc.Info("keywords")), Cut(doc.Info("author")),
                      Cut(doc.Info("doccomm"))};
    return out;
}

std::string WriteSource(const platform::rtf::Document& runs, const SourceProperties& properties)
{
    platform::rtf::Document doc;
    doc.runs = runs.runs; // the information group is ours, written in its place below
    std::string rtf = platform::rtf::Write(doc);
    constexpr std::string_view head = "{\\rtf1";
    if (rtf.compare(0, head.size(), head) == 0)
        rtf.replace(0, head.size(), kSourceMarker);
    InsertInfoGroup(rtf, InfoGroup(properties)); // the writer always writes a colour table
    return rtf;
}

} // namespace editor
