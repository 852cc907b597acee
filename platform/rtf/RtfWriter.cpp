// Writing RTF: a font table and a colour table built from the runs, the information group, and
// each run with its whole format restated, so that every run reads back exactly as written.
#include "platform/rtf/Rtf.h"

#include <algorithm>
#include <cctype>

namespace platform::rtf {
namespace {

const char kHex[] = "0123456789abcdef";

// Text bytes as RTF: the three special characters escaped, tabs and paragraphs as words, control
// characters and bytes above 0x7F as \'hh. `paragraphs` false keeps line ends as \'0a (inside
// information entries, where a \par would end nothing).
void AppendEscaped(std::string& out, std::string_view text, bool paragraphs)
{
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c == '\n' && paragraphs) {
            out += "\\par\r\n";
        } else if (c == '\t' && paragraphs) {
            out += "\\tab ";
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

bool IsWord(std::string_view name)
{
    return !name.empty() && name.size() <= 32 &&
           std::all_of(name.begin(), name.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

} // namespace

void Document::Append(std::string_view text, const CharFormat& format)
{
    if (text.empty())
        return;
    if (!runs.empty() && runs.back().format == format)
        runs.back().text += text;
    else
        runs.push_back(Run{std::string(text), format});
}

std::string Document::PlainText() const
{
    std::string out;
    for (const Run& r : runs)
        out += r.text;
    return out;
}

std::string Document::Info(std::string_view name) const
{
    for (const auto& [key, value] : info)
        if (key == name)
            return value;
    return {};
}

std::string Write(const Document& document)
{
    std::vector<std::string> fonts;
    std::vector<ColorRef> colors;
    for (const Run& r : document.runs) {
        if (!r.format.face.empty() && std::find(fonts.begin(), fonts.end(), r.format.face) == fonts.end())
            fonts.push_back(r.format.face);
        if (r.format.color && std::find(colors.begin(), colors.end(), *r.format.color) == colors.end())
            colors.push_back(*r.format.color);
    }

    std::string out;
    out.reserve(document.PlainText().size() * 11 / 10 + 256);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    if (fonts.empty())
        out += "{\\f0\\fmodern Courier New;}";
    for (size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil ";
        std::string face;
        AppendEscaped(face, fonts[i], false);
        std::replace(face.begin(), face.end(), ';', ' '); // ";" ends a font name
        out += face + ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (ColorRef c : colors)
        out += "\\red" + std::to_string(RedOf(c)) + "\\green" + std::to_string(GreenOf(c)) + "\\blue" +
               std::to_string(BlueOf(c)) + ";";
    out += "}\r\n";
    bool infoOpen = false;
    for (const auto& [name, value] : document.info) {
        if (!IsWord(name))
            continue;
        if (!infoOpen) {
            out += "{\\info";
            infoOpen = true;
        }
        out += "{\\" + name + " ";
        AppendEscaped(out, value, false);
        out += "}";
    }
    if (infoOpen)
        out += "}\r\n";
    out += "\\viewkind4\\uc1\\pard";
    for (const Run& r : document.runs) {
        const CharFormat& f = r.format;
        out += "\\plain";
        if (!f.face.empty())
            out += "\\f" + std::to_string(std::find(fonts.begin(), fonts.end(), f.face) - fonts.begin());
        out += "\\fs" + std::to_string(std::clamp(f.halfPoints, 1, 3276));
        if (f.bold)
            out += "\\b";
        if (f.italic)
            out += "\\i";
        if (f.underline)
            out += "\\ul";
        if (f.color)
            out += "\\cf" + std::to_string(std::find(colors.begin(), colors.end(), *f.color) - colors.begin() + 1);
        out += ' ';
        AppendEscaped(out, r.text, true);
    }
    out += "}\r\n";
    return out;
}

} // namespace platform::rtf
