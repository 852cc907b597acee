// Plain text from a rich-text source file.
#include "scanner/Scanner.h"
#include "platform/text/Hex.h"

#include <cctype>
#include <cstring>

namespace {

// Destination words whose whole group is skipped.
const char* const kDestinations[] = {
    "author",   "buptim",  "colortbl", "comment", "creatim", "doccomm", "fonttbl",  "footer",
    "footerf",  "footerl", "footerr",  "footnote", "ftncn",  "ftnsep",  "ftnsepc",  "header",
    "headerf",  "headerl", "headerr",  "info",    "keywords", "operator", "pict",   "printim",
    "private1", "revtim",  "rxe",      "stylesheet", "subject", "tc",    "title",    "txe",
    "xe",
};

bool IsDestination(const std::string& w)
{
    for (const char* d : kDestinations)
        if (w == d)
            return true;
    return false;
}

// Skips from `i` (inside a group) to just after the brace that closes that group, respecting
// nested groups and escaped braces. Never runs past the end.
size_t SkipGroup(std::string_view s, size_t i)
{
    int depth = 1;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\\') {
            i += 2; // an escaped character, or the first letter of a control word
            continue;
        }
        if (c == '{')
            ++depth;
        else if (c == '}' && --depth == 0)
            return i + 1;
        ++i;
    }
    return s.size();
}

} // namespace

std::string CScanner::PlainText(std::string_view text)
{
    if (text.substr(0, 5) == "{\\rtf")
        return StripRtf(text);
    return std::string(text);
}

std::string CScanner::StripRtf(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    int skipAfterUnicode = 0; // fallback characters still to drop after \uN
    int unicodeSkip = 1;      // \ucN
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size()) {
                ++i;
                continue;
            }
            const char n = s[i + 1];
            if (n == '*') {
                // An ignorable destination: skip the group it stands in, nested groups included.
                i = SkipGroup(s, i + 2);
                continue;
            }
            if (n == '\\' || n == '{' || n == '}') {
                if (skipAfterUnicode > 0)
                    --skipAfterUnicode;
                else
                    out += n;
                i += 2;
                continue;
            }
            if (n == '\'') {
                // \'hh: the byte of two hex digits.
                const int hi = i + 2 < s.size() ? platform::HexDigit(s[i + 2]) : -1;
                const int lo = i + 3 < s.size() ? platform::HexDigit(s[i + 3]) : -1;
                if (skipAfterUnicode > 0)
                    --skipAfterUnicode;
                else if (hi >= 0 && lo >= 0)
                    out += static_cast<char>(hi * 16 + lo);
                i += (hi >= 0 ? 1 : 0) + (lo >= 0 && hi >= 0 ? 1 : 0) + 2;
                continue;
            }
            if (!std::isalpha(static_cast<unsigned char>(n))) {
                // Other control symbols: "\~" is a blank, "\_" a hyphen, the rest nothing.
                if (n == '~')
                    out += ' ';
                else if (n == '_')
                    out += '-';
                else if (n == '\r' || n == '\n')
                    out += "\r\n"; // "\" before a line end is a paragraph
                i += 2;
                continue;
            }
            // A control word: at most 51 letters, an optional "-" and digits, one blank.
            size_t j = i + 1;
            std::string word;
            // All letters belong to the word; only the first 51 are compared.
            while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) {
                if (word.size() < 51)
                    word += s[j];
                ++j;
            }
            bool hasNumber = false;
            bool negative = false;
            long number = 0;
            if (j < s.size() && s[j] == '-') {
                negative = true;
                ++j;
            }
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
                hasNumber = true;
                if (number < 100000000)
                    number = number * 10 + (s[j] - '0');
                ++j;
            }
            if (negative)
                number = -number;
            if (j < s.size() && s[j] == ' ')
                ++j;
            i = j;
            if (word == "tab") {
                out += '\t';
            } else if (word == "par" || word == "line") {
                out += "\r\n";
            } else if (word == "uc" && hasNumber) {
                unicodeSkip = number < 0 ? 0 : static_cast<int>(number);
            } else if (word == "u" && hasNumber) {
                if (number < 0)
                    number += 65536;
                out += (number >= 0 && number < 256) ? static_cast<char>(number) : '?';
                skipAfterUnicode = unicodeSkip;
            } else if (IsDestination(word)) {
                i = SkipGroup(s, i);
            }
            continue;
        }
        ++i;
        if (c == '{' || c == '}' || c == '\r' || c == '\n')
            continue;
        if (skipAfterUnicode > 0) {
            --skipAfterUnicode;
            continue;
        }
        out += c;
    }
    return out;
}
