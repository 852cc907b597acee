// Reading RTF: one pass over the text with a stack of group states. What a group means (text,
// font table, colour table, information entry, skipped destination) is part of its state, so an
// unbalanced or truncated file simply ends where the bytes end.
#include "platform/rtf/Rtf.h"
#include "platform/text/Hex.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace platform::rtf {
namespace {

// Groups nested deeper than this are still counted (their braces balance) but share the state of
// the deepest kept group, so that a file of a million "{" needs no memory for them.
constexpr size_t kMaxKeptDepth = 256;
// Parameters are clamped to this magnitude (RTF's own are 16-bit or small 32-bit values).
constexpr long kMaxParameter = 1000000000L;
// Control words are compared on at most this many letters.
constexpr size_t kMaxWordLength = 32;

// Destination words whose whole group is skipped.
constexpr const char* kSkippedDestinations[] = {
    "author",   "buptim",  "comment", "creatim", "doccomm", "footer",   "footerf",  "footerl",
    "footerr",  "footnote", "ftncn",  "ftnsep",  "ftnsepc", "header",   "headerf",  "headerl",
    "headerr",  "keywords", "object", "operator", "pict",   "printim",  "private1", "revtim",
    "rxe",      "stylesheet", "subject", "tc",   "title",   "txe",      "xe",       "listtable",
    "listoverridetable", "rsidtbl", "generator", "themedata", "colorschememapping", "latentstyles",
    "datastore", "xmlnstbl", "mmathPr", "pgdsctbl", "filetbl", "revtbl", "fldinst",
};

// Single control words that stand for one Windows-1252 character.
struct NamedChar {
    const char* word;
    char byte;
};
constexpr NamedChar kNamedChars[] = {
    {"emdash", '\x97'}, {"endash", '\x96'}, {"bullet", '\x95'},  {"lquote", '\x91'},
    {"rquote", '\x92'}, {"ldblquote", '\x93'}, {"rdblquote", '\x94'}, {"emspace", ' '},
    {"enspace", ' '},   {"qmspace", ' '},
};

bool IsSkippedDestination(std::string_view w)
{
    return std::any_of(std::begin(kSkippedDestinations), std::end(kSkippedDestinations),
                       [&](const char* d) { return w == d; });
}

enum class Dest : uint8_t { Text, Skip, FontTable, ColorTable, Info, InfoEntry };

struct State {
    Dest dest = Dest::Text;
    bool fresh = true; // nothing seen yet in this group (its first word may name a destination)
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color = 0;     // index into the colour table, 0 = automatic
    int ucSkip = 1;    // fallback characters after \uN
    size_t infoEntry = 0;
};

class Parser {
public:
    Parser(std::string_view s, const ReadOptions& options, bool wantRuns)
        : m_s(s), m_options(options), m_wantRuns(wantRuns)
    {
        m_stack.reserve(16);
        m_stack.push_back(State{});
    }

    void Run()
    {
        while (m_i < m_s.size()) {
            const char c = m_s[m_i];
            if (c == '\\') {
                ControlSequence();
                continue;
            }
            ++m_i;
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c != '\r' && c != '\n') {
                Character(c);
            }
        }
        Flush();
    }

    Document TakeDocument() { return std::move(m_doc); }
    std::string TakeText() { return std::move(m_text); }

private:
    State& Top() { return m_stack.back(); }

    void OpenGroup()
    {
        if (m_stack.size() >= kMaxKeptDepth) {
            ++m_unkeptDepth;
            return;
        }
        State s = Top();
        s.fresh = true;
        if (s.dest == Dest::InfoEntry)
            s.dest = Dest::Skip; // a group inside an entry (rare) adds nothing to it
        m_stack.push_back(s);
    }

    void CloseGroup()
    {
        if (m_unkeptDepth > 0) {
            --m_unkeptDepth;
            return;
        }
        if (m_stack.size() <= 1)
            return; // a stray brace after the document
        if (Top().dest == Dest::FontTable)
            EndFontName();
        m_stack.pop_back();
    }

    // ---- control words and symbols ----
    void ControlSequence()
    {
        if (m_i + 1 >= m_s.size()) {
            m_i = m_s.size();
            return;
        }
        const char n = m_s[m_i + 1];
        if (n == '*') {
            m_i += 2;
            Top().dest = Dest::Skip;
            return;
        }
        if (n == '\\' || n == '{' || n == '}') {
            m_i += 2;
            Character(n);
            return;
        }
        if (n == '\'') {
            const int hi = m_i + 2 < m_s.size() ? platform::HexDigit(m_s[m_i + 2]) : -1;
            const int lo = hi >= 0 && m_i + 3 < m_s.size() ? platform::HexDigit(m_s[m_i + 3]) : -1;
            m_i += 2 + (hi >= 0 ? 1 : 0) + (lo >= 0 ? 1 : 0);
            if (hi >= 0 && lo >= 0)
                Character(static_cast<char>(hi * 16 + lo));
            return;
        }
        if (!std::isalpha(static_cast<unsigned char>(n))) {
            m_i += 2;
            if (n == '~')
                Character(' ');
            else if (n == '_')
                Character('-');
            else if (n == '\r' || n == '\n')
                Paragraph();
            return;
        }
        // A control word: letters, an optional "-" and digits, and one blank as delimiter.
        size_t j = m_i + 1;
        std::string word;
        while (j < m_s.size() && std::isalpha(static_cast<unsigned char>(m_s[j]))) {
            if (word.size() < kMaxWordLength)
                word += m_s[j];
            ++j;
        }
        bool hasNumber = false;
        bool negative = false;
        long number = 0;
        if (j < m_s.size() && m_s[j] == '-') {
            negative = true;
            ++j;
        }
        while (j < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[j]))) {
            hasNumber = true;
            if (number < kMaxParameter)
                number = number * 10 + (m_s[j] - '0');
            ++j;
        }
        if (negative)
            number = -number;
        if (j < m_s.size() && m_s[j] == ' ')
            ++j;
        m_i = j;
        Word(word, hasNumber, number);
    }

    void Word(const std::string& w, bool hasNumber, long n)
    {
        State& s = Top();
        const bool fresh = s.fresh;
        s.fresh = false;
        if (w == "bin") {
            // Binary data of n bytes follows: skipped whole, never read as RTF.
            const size_t count = hasNumber && n > 0 ? static_cast<size_t>(n) : 0;
            m_i += std::min(count, m_s.size() - m_i);
            return;
        }
        switch (s.dest) {
        case Dest::Skip:
        case Dest::InfoEntry:
            if (s.dest == Dest::InfoEntry)
                TextWord(w, hasNumber, n);
            return;
        case Dest::FontTable:
            if (w == "f" && hasNumber) {
                EndFontName();
                m_fontIndex = static_cast<int>(n);
            } else if (IsSkippedDestination(w)) {
                s.dest = Dest::Skip;
            }
            return;
        case Dest::ColorTable:
            if (hasNumber && (w == "red" || w == "green" || w == "blue")) {
                const int v = static_cast<int>(std::clamp<long>(n, 0, 255));
                (w == "red" ? m_red : w == "green" ? m_green : m_blue) = v;
                m_colorSet = true;
            }
            return;
        case Dest::Info:
            if (fresh) {
                s.dest = Dest::InfoEntry;
                s.infoEntry = m_doc.info.size();
                if (m_wantRuns)
                    m_doc.info.emplace_back(w, std::string());
            }
            return;
        case Dest::Text:
            break;
        }
        if (w == "fonttbl") {
            s.dest = Dest::FontTable;
            m_fontIndex = -1;
            m_fontName.clear();
        } else if (w == "colortbl") {
            s.dest = Dest::ColorTable;
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
        } else if (w == "info") {
            s.dest = Dest::Info;
        } else if (IsSkippedDestination(w)) {
            s.dest = Dest::Skip;
        } else {
            TextWord(w, hasNumber, n);
        }
    }

    // Words that act on the text and its format.
    void TextWord(const std::string& w, bool hasNumber, long n)
    {
        State& s = Top();
        const bool on = !hasNumber || n != 0;
        if (w == "par" || w == "line") {
            Paragraph();
        } else if (w == "tab") {
            Character('\t');
        } else if (w == "plain") {
            s.font = -1;
            s.halfPoints = 24;
            s.bold = s.italic = s.underline = false;
            s.color = 0;
        } else if (w == "b") {
            s.bold = on;
        } else if (w == "i") {
            s.italic = on;
        } else if (w == "ul") {
            s.underline = on;
        } else if (w == "ulnone") {
            s.underline = false;
        } else if (w == "f" && hasNumber) {
            s.font = static_cast<int>(n);
        } else if (w == "fs" && hasNumber) {
            s.halfPoints = n > 0 ? static_cast<int>(std::min<long>(n, 3276)) : 24;
        } else if (w == "cf" && hasNumber) {
            s.color = static_cast<int>(std::max<long>(n, 0));
        } else if (w == "uc" && hasNumber) {
            s.ucSkip = static_cast<int>(std::clamp<long>(n, 0, 16));
        } else if (w == "u" && hasNumber) {
            long code = n < 0 ? n + 65536 : n;
            Character(code >= 0 && code < 256 ? static_cast<char>(code) : '?');
            m_skipFallback = s.ucSkip;
        } else {
            for (const NamedChar& nc : kNamedChars)
                if (w == nc.word) {
                    Character(nc.byte);
                    break;
                }
        }
    }

    // ---- text ----
    void Paragraph()
    {
        State& s = Top();
        s.fresh = false;
        if (s.dest == Dest::Text) {
            for (char c : m_options.paragraph)
                Emit(c);
        } else if (s.dest == Dest::InfoEntry && m_wantRuns && s.infoEntry < m_doc.info.size()) {
            m_doc.info[s.infoEntry].second += m_options.paragraph;
        }
    }

    void Character(char c)
    {
        State& s = Top();
        s.fresh = false;
        if (m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        switch (s.dest) {
        case Dest::Text:
            Emit(c);
            return;
        case Dest::FontTable:
            if (c == ';')
                EndFontName();
            else if (m_fontName.size() < 256)
                m_fontName += c;
            return;
        case Dest::ColorTable:
            if (c == ';') {
                m_colors.push_back(m_colorSet ? std::optional<ColorRef>(MakeColor(m_red, m_green, m_blue))
                                              : std::nullopt);
                m_red = m_green = m_blue = 0;
                m_colorSet = false;
            }
            return;
        case Dest::InfoEntry:
            if (m_wantRuns && s.infoEntry < m_doc.info.size())
                m_doc.info[s.infoEntry].second += c;
            return;
        case Dest::Info:
        case Dest::Skip:
            return;
        }
    }

    void EndFontName()
    {
        if (m_fontIndex >= 0) {
            std::string name = m_fontName;
            while (!name.empty() && name.back() == ' ')
                name.pop_back();
            while (!name.empty() && name.front() == ' ')
                name.erase(0, 1);
            if (!name.empty() && m_fonts.size() < 4096)
                m_fonts[m_fontIndex] = name;
        }
        m_fontName.clear();
        m_fontIndex = -1;
    }

    void Emit(char c)
    {
        if (!m_wantRuns) {
            m_text += c;
            return;
        }
        const State& s = Top();
        const Key key{s.font, s.halfPoints, s.bold, s.italic, s.underline, s.color};
        if (!(key == m_pendingKey) && !m_pending.empty())
            Flush();
        m_pendingKey = key;
        m_pending += c;
    }

    void Flush()
    {
        if (!m_wantRuns || m_pending.empty())
            return;
        CharFormat f;
        if (auto it = m_fonts.find(m_pendingKey.font); it != m_fonts.end())
            f.face = it->second;
        f.halfPoints = m_pendingKey.halfPoints;
        f.bold = m_pendingKey.bold;
        f.italic = m_pendingKey.italic;
        f.underline = m_pendingKey.underline;
        if (m_pendingKey.color > 0 && static_cast<size_t>(m_pendingKey.color) < m_colors.size())
            f.color = m_colors[static_cast<size_t>(m_pendingKey.color)];
        m_doc.Append(m_pending, f);
        m_pending.clear();
    }

    struct Key {
        int font = -1;
        int halfPoints = 24;
        bool bold = false, italic = false, underline = false;
        int color = 0;
        bool operator==(const Key&) const = default;
    };

    std::string_view m_s;
    const ReadOptions& m_options;
    bool m_wantRuns;
    size_t m_i = 0;
    std::vector<State> m_stack;
    size_t m_unkeptDepth = 0;
    int m_skipFallback = 0;

    std::map<int, std::string> m_fonts;
    int m_fontIndex = -1;
    std::string m_fontName;
    std::vector<std::optional<ColorRef>> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    Document m_doc;
    std::string m_text;
    std::string m_pending;
    Key m_pendingKey;
};

} // namespace

bool IsRtf(std::string_view text) { return text.substr(0, 5) == "{\\rtf"; }

Document Read(std::string_view rtf, const ReadOptions& options)
{
    Parser p(rtf, options, true);
    p.Run();
    return p.TakeDocument();
}

std::string PlainText(std::string_view rtf, const ReadOptions& options)
{
    Parser p(rtf, options, false);
    p.Run();
    return p.TakeText();
}

} // namespace platform::rtf
