#include "scanner/HelpPages.h"

#include "scanner/LanguageTable.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexMarker = "<!--KEYWORD INDEX-->";

const char* KindText(uint32_t kind)
{
    switch (kind) {
    case kKindVar: return "variable";
    case kKindCmd: return "command";
    case kKindFunc: return "function";
    case kKindCmd1: return "command with an operand";
    case kKindCmdN: return "command with operands";
    case kKindPrint: return "print command";
    case kKindList: return "list";
    default: return "keyword";
    }
}

// The rows that have a name, first of each name only: a name is one anchor.
template <class F>
void ForEachNamed(const CLanguageTable& table, F f)
{
    std::set<std::string> seen;
    for (const CLanguageRow& row : table.rows)
        if (!row.name.empty() && seen.insert(row.name).second)
            f(row);
}

bool ReadAll(const fs::path& file, std::string& text)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool WriteAll(const fs::path& file, const std::string& text, std::string& error)
{
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

} // namespace

std::string HtmlText(const std::string& bytes)
{
    // Windows-1252 0x80..0x9F; the rest of the upper half is Latin-1.
    static const unsigned short k1252[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
                                             0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c >= 0x80)
                out += "&#" + std::to_string(c < 0xA0 ? k1252[c - 0x80] : c) + ";";
            else if (c < 0x20 && c != '\n' && c != '\t')
                out += ' ';
            else
                out += static_cast<char>(c);
        }
    }
    return out;
}

std::string LanguageReferencePage(const CLanguageTable& table)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Language reference</title>\n"
                       "<link rel=\"stylesheet\" href=\"../style.css\"></head>\n<body>\n"
                       "<p class=\"nav\"><a href=\"../index.htm\">Contents</a> | <a href=\"index.htm\">Programmer's "
                       "Guide</a></p>\n<h1>Language reference</h1>\n<p>The keywords of the motor language (version " +
                       HtmlText(table.version) +
                       "), in the order of the language file. Made from the language table the compiler uses.</p>\n"
                       "<table class=\"keywords\">\n<tr><th>Keyword</th><th>Kind</th><th>Description</th></tr>\n";
    ForEachNamed(table, [&](const CLanguageRow& row) {
        std::string kind = KindText(row.kind);
        if (row.cls & kClassSet)
            kind += ", can be set";
        if (row.cls & kClassReport)
            kind += ", can be reported (R" + HtmlText(row.name) + ")";
        if (row.host)
            kind += ", host only";
        page += "<tr id=\"" + HtmlText(row.name) + "\"><td><code>" + HtmlText(row.name) + "</code></td><td>" + kind +
                "</td><td>" + HtmlText(row.help) + "</td></tr>\n";
    });
    page += "</table>\n</body></html>\n";
    return page;
}

std::string KeywordIndexItems(const CLanguageTable& table)
{
    std::string items;
    ForEachNamed(table, [&](const CLanguageRow& row) {
        const std::string name = HtmlText(row.name);
        items += "<li id=\"" + name + "\"><a href=\"ProgrammersGuide/Language.htm#" + name + "\">" + name + "</a></li>\n";
    });
    return items;
}

bool StageHelpPages(const CLanguageTable& table, const std::string& source, const std::string& output,
                    std::string& error)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(source, ec), end;
    if (ec) {
        error = "cannot read " + source;
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            error = "cannot read " + source;
            return false;
        }
        // Pages, their style and pictures; the build's own files stay behind.
        const std::string ext = it->path().extension().string();
        if (!it->is_regular_file() || (ext != ".htm" && ext != ".in" && ext != ".css" && ext != ".png" && ext != ".svg"))
            continue;
        fs::path target = fs::path(output) / fs::relative(it->path(), source);
        std::string text;
        if (!ReadAll(it->path(), text)) {
            error = "cannot read " + it->path().string();
            return false;
        }
        if (target.extension() == ".in") {
            target.replace_extension();
            if (const size_t at = text.find(kIndexMarker); at != std::string::npos)
                text.replace(at, std::string(kIndexMarker).size(), KeywordIndexItems(table));
        }
        if (!WriteAll(target, text, error))
            return false;
    }
    return WriteAll(fs::path(output) / "ProgrammersGuide" / "Language.htm", LanguageReferencePage(table), error);
}
