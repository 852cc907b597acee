#include "app/editor/Highlight.h"

#include <algorithm>

#include "scanner/Language.h"
#include "scanner/Token.h"

namespace editor {

std::vector<HighlightRun> HighlightLine(std::string_view line, const CLanguage& language)
{
    CLine tokens;
    tokens.text = std::string(line.substr(0, kMaxHighlightedColumns));
    tokens.GetTokens(language);
    std::vector<HighlightRun> runs;
    for (const CToken& t : tokens.tokens) {
        HighlightFormat f = HighlightFormat::Plain;
        if (t.Kind() & (CToken::Keyword | CToken::KeywordReport)) {
            f = HighlightFormat::Keyword;
            if (t.keyword && (t.keyword->Flags & CKeyword::LabelColour))
                f = t.text == "C" ? HighlightFormat::Plain : HighlightFormat::Label;
            else if (t.keyword && (t.keyword->Flags & CKeyword::FlowColour))
                f = HighlightFormat::Flow;
        } else if ((t.cls & CToken::Comment) || t.text == "'") {
            f = HighlightFormat::Comment;
        } else if (t.cls == 0 && !t.text.empty() && t.text.back() == ':') {
            f = HighlightFormat::Label;
        }
        if (f == HighlightFormat::Plain || t.column >= static_cast<int>(tokens.text.size()))
            continue;
        const int length = std::min<int>(static_cast<int>(t.text.size()), static_cast<int>(tokens.text.size()) - t.column);
        runs.push_back({t.column, length, f});
    }
    return runs;
}

platform::rtf::CharFormat FormatOf(HighlightFormat format, const EditorStyle& style)
{
    platform::rtf::CharFormat f;
    f.face = "Courier New";
    f.halfPoints = style.fontSize * 2;
    switch (format) {
    case HighlightFormat::Plain: f.color = style.normal; break;
    case HighlightFormat::Keyword: f.color = style.keyword; break;
    case HighlightFormat::Label: f.color = style.flow; f.bold = true; break;
    case HighlightFormat::Flow: f.color = style.flow; break;
    case HighlightFormat::Comment: f.color = style.comment; break;
    }
    return f;
}

platform::rtf::Document HighlightedDocument(std::string_view text, const CLanguage& language, const EditorStyle& style)
{
    platform::rtf::Document doc;
    const platform::rtf::CharFormat plain = FormatOf(HighlightFormat::Plain, style);
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        size_t at = 0;
        for (const HighlightRun& r : HighlightLine(line, language)) {
            doc.Append(line.substr(at, static_cast<size_t>(r.start) - at), plain);
            doc.Append(line.substr(static_cast<size_t>(r.start), static_cast<size_t>(r.length)), FormatOf(r.format, style));
            at = static_cast<size_t>(r.start + r.length);
        }
        doc.Append(line.substr(at), plain);
        if (end == text.size())
            break;
        doc.Append("\n", plain);
        pos = end + 1;
    }
    return doc;
}

int TabStopTwips(int tabSize, int tabSizePoint, bool wholeTextHighlighted)
{
    const int characters = std::clamp(tabSize, 1, 10) * 120;
    if (!wholeTextHighlighted || tabSizePoint < 1 || tabSizePoint > 14400)
        return characters;
    return tabSizePoint;
}

} // namespace editor
