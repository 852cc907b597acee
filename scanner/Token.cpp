#include "scanner/Token.h"

#include <cstring>
#include <limits>

namespace {

constexpr char kSeparators[] = " \t()[]#,\"=+-/*><!'~&|.";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits to a value that saturates instead of wrapping.
int64_t ParseDigits(std::string_view s)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t v = 0;
    for (char c : s) {
        const int d = c - '0';
        if (v > (kMax - d) / 10)
            return kMax;
        v = v * 10 + d;
    }
    return v;
}

// The suffix rule: a digit after the first character, and everything from the first digit on
// is digits.
bool SuffixOf(std::string_view s, size_t& firstDigit)
{
    size_t i = 0;
    while (i < s.size() && !IsDigit(s[i]))
        ++i;
    if (i == s.size())
        return false;
    for (size_t j = i; j < s.size(); ++j)
        if (!IsDigit(s[j]))
            return false;
    // A digit after the first character exists when the string is longer than 1.
    if (s.size() < 2)
        return false;
    firstDigit = i;
    return true;
}

bool IsDirectiveWord(std::string_view s)
{
    return s == "include" || s == "define" || s == "ifdef" || s == "ifndef" || s == "else" ||
           s == "endif";
}

const CKeyword* KeywordOfArray(const CLanguage& lang, int index)
{
    return static_cast<size_t>(index) < lang.Keywords.size() ? &lang.Keywords[static_cast<size_t>(index)]
                                                             : nullptr;
}

} // namespace

namespace {
// One flag per character value: tokenizing asks this for every character of every line.
struct SeparatorTable {
    bool is[256] = {};
    constexpr SeparatorTable()
    {
        for (const char* p = kSeparators; *p; ++p)
            is[static_cast<unsigned char>(*p)] = true;
    }
};
constexpr SeparatorTable kSeparatorTable;

// At least as many tokens as the line holds: every separator and every word start.
size_t CountTokenBound(const std::string& s)
{
    size_t n = 0;
    bool inWord = false;
    for (char c : s) {
        const bool sep = kSeparatorTable.is[static_cast<unsigned char>(c)];
        n += sep ? (c != ' ' && c != '\t') : !inWord;
        inWord = !sep;
    }
    return n;
}
} // namespace

bool IsSeparator(char c) { return kSeparatorTable.is[static_cast<unsigned char>(c)]; }

bool IsUserVariableName(std::string_view s)
{
    if (s.empty() || s.size() > 3)
        return false;
    if (s[0] < 'a' || s[0] > 'z')
        return false;
    for (char c : s)
        if (c != s[0])
            return false;
    return true;
}

bool IsArrayName(std::string_view s) { return s == "al" || s == "aw" || s == "ab"; }

int ArrayKeywordIndex(std::string_view s)
{
    if (s == "al")
        return 0;
    if (s == "aw")
        return 1;
    if (s == "ab")
        return 2;
    return -1;
}

bool CToken::IsOperator() const
{
    if (cls & (String | Comment))
        return false;
    return text == "+" || text == "-" || text == "*" || text == "/" || text == "<" ||
           text == ">" || text == "&" || text == "|" || text == "<=" || text == ">=" ||
           text == "==" || text == "!=";
}

bool CToken::WellSeparated() const
{
    if (column == 0 || blankBefore)
        return true;
    if (text.empty() || (cls & (String | Comment)))
        return false;
    return std::strchr("()[]#,\"=+-/*><!'~&|", text[0]) != nullptr;
}

void CToken::SetSeparator(std::string_view t, int32_t idx, CLine* ln, int32_t col)
{
    text.assign(t);
    index = idx;
    line = ln;
    column = col;
    cls = 0;
    // "#" as the first token of a line is a directive keyword.
    if (t == "#" && idx == 0)
        cls = Keyword;
}

void CToken::Set(std::string_view t, int32_t idx, CLine* ln, int32_t col, const CLanguage& lang,
                 bool afterHash)
{
    text.assign(t);
    index = idx;
    line = ln;
    column = col;
    cls = 0;
    keyword = nullptr;
    value = 0;
    size_t firstDigit = 0;
    hasSuffix = SuffixOf(t, firstDigit);
    std::string_view stem = hasSuffix ? t.substr(0, firstDigit) : t;
    if (hasSuffix)
        value = ParseDigits(t.substr(firstDigit));

    // 2. Keyword.
    if (const CKeyword* k = lang.Find(t)) {
        cls = Keyword;
        keyword = k;
        return;
    }
    if (hasSuffix && !stem.empty()) {
        const CKeyword* k = lang.Find(stem);
        if (k && (k->Type == CKeyword::Joined || k->Type == CKeyword::JoinedAndOperands)) {
            cls = Keyword;
            keyword = k;
            return;
        }
    }
    if (afterHash && IsDirectiveWord(t)) {
        cls = Keyword;
        return;
    }
    // 3. User variable; 4. array.
    if (IsUserVariableName(t)) {
        cls = UserVariable;
        keyword = KeywordOfArray(lang, 0);
        return;
    }
    if (IsArrayName(t)) {
        cls = Array;
        keyword = KeywordOfArray(lang, ArrayKeywordIndex(t));
        return;
    }
    // 5. Number.
    if (!t.empty() && firstDigit == 0 && hasSuffix) {
        cls = Number;
        return;
    }
    if (t.size() == 1 && IsDigit(t[0])) {
        cls = Number;
        value = t[0] - '0';
        return;
    }
    // 6. Report forms.
    if (t.size() >= 2 && t[0] == 'R') {
        std::string_view rest = t.substr(1);
        if (IsUserVariableName(rest)) {
            cls = VariableReport;
            keyword = KeywordOfArray(lang, 0);
            return;
        }
        if (IsArrayName(rest)) {
            cls = ArrayReport;
            keyword = KeywordOfArray(lang, ArrayKeywordIndex(rest));
            return;
        }
        const CKeyword* k = lang.Find(rest);
        if (!k && hasSuffix && firstDigit > 1) {
            const CKeyword* s = lang.Find(t.substr(1, firstDigit - 1));
            if (s && (s->Type == CKeyword::Joined || s->Type == CKeyword::JoinedAndOperands))
                k = s;
        }
        if (k && (k->Flags & CKeyword::Report)) {
            cls = KeywordReport;
            keyword = k;
            return;
        }
    }
    // 7. Indexed name.
    if (hasSuffix && !stem.empty()) {
        if (IsUserVariableName(stem)) {
            cls = Indexed;
            keyword = KeywordOfArray(lang, 0);
            return;
        }
        const CKeyword* k = lang.Find(stem);
        if (k && (k->Flags & CKeyword::Settable)) {
            cls = Indexed;
            keyword = k;
            return;
        }
    }
}

size_t CLine::TokenBound() const { return CountTokenBound(text) + 1; }

void CLine::GetTokens(const CLanguage& lang)
{
    tokens.clear();
    // One allocation per line instead of one per doubling (a string token may add one more).
    tokens.reserve(TokenBound());
    const std::string& s = text;
    const size_t n = s.size();
    size_t i = 0;
    auto blankAt = [&](size_t pos) { return pos > 0 && (s[pos - 1] == ' ' || s[pos - 1] == '\t'); };
    auto push = [&](size_t pos) -> CToken& {
        tokens.emplace_back();
        CToken& t = tokens.back();
        t.blankBefore = blankAt(pos);
        return t;
    };
    const int32_t ind = indent;
    auto col = [&](size_t pos) { return static_cast<int32_t>(pos) + ind; };
    while (i < n) {
        const char c = s[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (!IsSeparator(c)) {
            size_t j = i;
            while (j < n && !IsSeparator(s[j]))
                ++j;
            const bool afterHash = tokens.size() == 1 && tokens[0].text == "#";
            CToken& t = push(i);
            t.Set(std::string_view(s).substr(i, j - i), static_cast<int32_t>(tokens.size() - 1),
                  this, col(i), lang, afterHash);
            i = j;
            continue;
        }
        if (c == '\'') {
            CToken& t = push(i);
            t.text = s.substr(i);
            t.cls = CToken::Comment;
            t.index = static_cast<int32_t>(tokens.size() - 1);
            t.line = this;
            t.column = col(i);
            break;
        }
        if (c == '"') {
            CToken& open = push(i);
            open.SetSeparator("\"", static_cast<int32_t>(tokens.size() - 1), this, col(i));
            const size_t start = i + 1;
            const size_t close = s.find('"', start);
            CToken& str = push(start);
            str.text = s.substr(start, close == std::string::npos ? std::string::npos : close - start);
            str.cls = CToken::String;
            str.index = static_cast<int32_t>(tokens.size() - 1);
            str.line = this;
            str.column = col(start);
            if (close == std::string::npos) {
                str.unterminated = true;
                break;
            }
            CToken& closing = push(close);
            closing.SetSeparator("\"", static_cast<int32_t>(tokens.size() - 1), this, col(close));
            i = close + 1;
            continue;
        }
        size_t len = 1;
        if ((c == '!' || c == '<' || c == '=' || c == '>') && i + 1 < n && s[i + 1] == '=')
            len = 2;
        CToken& t = push(i);
        t.SetSeparator(std::string_view(s).substr(i, len), static_cast<int32_t>(tokens.size() - 1),
                       this, col(i));
        // A separator that is a keyword of its own ("!") is that keyword.
        if (t.cls == 0 && !t.IsOperator())
            if (const CKeyword* k = lang.Find(t.text)) {
                t.cls = CToken::Keyword;
                t.keyword = k;
            }
        i += len;
    }
    // Re-point the line links: the vector may have moved while it grew.
    for (CToken& t : tokens)
        t.line = this;
}
