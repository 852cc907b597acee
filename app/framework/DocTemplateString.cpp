#include "app/framework/DocTemplateString.h"

#include <cctype>
#include <vector>

namespace fw {
namespace {

std::vector<std::string> Split(std::string_view text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(sep, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

bool EndsWithNoCase(std::string_view s, std::string_view tail)
{
    if (tail.empty() || s.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) !=
            std::tolower(static_cast<unsigned char>(tail[i])))
            return false;
    return true;
}

std::string Patterns(std::string_view pattern)
{
    std::string p(pattern);
    for (char& c : p)
        if (c == ';')
            c = ' ';
    return p;
}

} // namespace

DocTemplateString ParseDocTemplateString(std::string_view text)
{
    const auto f = Split(text, '\n');
    auto at = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
    return {at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
}

std::string DialogFilter(std::string_view pipeFilter)
{
    std::string out;
    const auto parts = Split(pipeFilter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& name = parts[i];
        if (name.empty())
            break;
        if (!out.empty())
            out += ";;";
        const std::string patterns = Patterns(parts[i + 1]);
        if (name.find('(') != std::string::npos && name.back() == ')')
            out += name;
        else
            out += name + " (" + patterns + ")";
    }
    return out;
}

std::string DialogFilter(const DocTemplateString& doc)
{
    if (doc.filterName.empty())
        return {};
    return DialogFilter(doc.filterName + "|*" + doc.filterExt + "||");
}

bool MatchesExtension(const DocTemplateString& doc, std::string_view path)
{
    return EndsWithNoCase(path, doc.filterExt);
}

} // namespace fw
