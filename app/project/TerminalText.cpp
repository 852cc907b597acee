#include "app/project/TerminalText.h"

#include "core/settings/Options.h"

#include <algorithm>

TerminalStyle TerminalStyle::FromOptions(const COptions& o)
{
    TerminalStyle s;
    s.pointSize = std::clamp<int>(o.TermFontSize, 4, 72);
    s.background = o.TermBackColor;
    s.sent = o.SentColor;
    s.received = o.ReceivedColor;
    s.message = o.MessageColor;
    return s;
}

platform::rtf::CharFormat TerminalStyle::FormatOf(TermFormat f) const
{
    platform::rtf::CharFormat c;
    c.face = face;
    c.halfPoints = pointSize * 2;
    switch (f) {
    case TermFormat::Echo: c.color = sent; break;
    case TermFormat::Response: c.color = received; break;
    case TermFormat::Message:
        c.color = message;
        c.bold = c.italic = true;
        break;
    }
    return c;
}

void CTerminalTranscript::Append(std::string_view text, TermFormat format)
{
    if (text.empty())
        return;
    if (!m_spans.empty() && m_spans.back().format == format)
        m_spans.back().text += text;
    else
        m_spans.push_back(Span{std::string(text), format});
    m_length += text.size();
    m_caret = m_length;
}

void CTerminalTranscript::RemoveFront(size_t count)
{
    count = std::min(count, m_length);
    m_length -= count;
    while (count > 0 && !m_spans.empty()) {
        Span& s = m_spans.front();
        if (s.text.size() <= count) {
            count -= s.text.size();
            m_spans.pop_front();
        } else {
            s.text.erase(0, count);
            count = 0;
        }
    }
    m_caret = m_caret > m_length ? m_length : m_caret;
}

void CTerminalTranscript::ReplaceFrom(size_t position, std::string_view text, TermFormat format)
{
    position = std::min(position, m_length);
    size_t keep = position;
    std::deque<Span> kept;
    for (Span& s : m_spans) {
        if (keep == 0)
            break;
        if (s.text.size() <= keep) {
            keep -= s.text.size();
            kept.push_back(std::move(s));
        } else {
            kept.push_back(Span{s.text.substr(0, keep), s.format});
            keep = 0;
        }
    }
    m_spans = std::move(kept);
    m_length = position;
    Append(text, format);
    m_caret = m_length;
}

std::string CTerminalTranscript::Text() const
{
    std::string out;
    out.reserve(m_length);
    for (const Span& s : m_spans)
        out += s.text;
    return out;
}

bool CTerminalTranscript::LastLineEmpty() const
{
    for (auto it = m_spans.rbegin(); it != m_spans.rend(); ++it)
        if (!it->text.empty())
            return it->text.back() == '\n';
    return true;
}

std::string CTerminalTranscript::LineBeforeCaret(size_t maxChars) const
{
    const std::string text = Text();
    const size_t caret = std::min(m_caret, text.size());
    if (text.find('\n', caret) == std::string::npos)
        return {}; // the caret is on the last line
    const size_t start = caret == 0 ? 0 : text.rfind('\n', caret - 1);
    const size_t from = start == std::string::npos || caret == 0 ? 0 : start + 1;
    return text.substr(from, std::min(caret - from, maxChars));
}

void CTerminalTranscript::Clear()
{
    m_spans.clear();
    m_length = 0;
    m_caret = 0;
}

std::string CTerminalTranscript::ToRtf(const TerminalStyle& style) const
{
    platform::rtf::Document doc;
    for (const Span& s : m_spans)
        doc.Append(s.text, style.FormatOf(s.format));
    return platform::rtf::Write(doc);
}

void CTerminalTranscript::FromRtf(std::string_view rtf, const TerminalStyle& style)
{
    Clear();
    const platform::rtf::Document doc = platform::rtf::Read(rtf);
    for (const platform::rtf::Run& r : doc.runs) {
        TermFormat f = TermFormat::Response;
        if (r.format.color == style.sent)
            f = TermFormat::Echo;
        else if (r.format.color == style.message && r.format.bold)
            f = TermFormat::Message;
        Append(r.text, f);
    }
}
