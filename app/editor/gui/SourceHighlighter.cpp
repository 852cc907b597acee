#include "app/editor/gui/SourceHighlighter.h"

#include "app/framework/gui/Text8.h"

#include <QTextBlock>
#include <QTextDocument>

namespace {

QColor ColorOf(platform::rtf::ColorRef c)
{
    return QColor(platform::rtf::RedOf(c), platform::rtf::GreenOf(c), platform::rtf::BlueOf(c));
}

} // namespace

CSourceHighlighter::CSourceHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    SetStyle(m_style);
}

void CSourceHighlighter::SetLanguage(std::shared_ptr<const CLanguage> language)
{
    m_language = std::move(language);
    if (!m_held)
        rehighlight();
}

void CSourceHighlighter::SetStyle(const editor::EditorStyle& style)
{
    m_style = style;
    using editor::HighlightFormat;
    for (HighlightFormat f : {HighlightFormat::Plain, HighlightFormat::Keyword, HighlightFormat::Label,
                              HighlightFormat::Flow, HighlightFormat::Comment}) {
        const platform::rtf::CharFormat cf = editor::FormatOf(f, style);
        QTextCharFormat& q = m_formats[static_cast<int>(f)];
        q = QTextCharFormat();
        q.setForeground(ColorOf(*cf.color));
        q.setFontWeight(cf.bold ? QFont::Bold : QFont::Normal);
    }
    if (m_language && !m_held)
        rehighlight();
}

void CSourceHighlighter::RehighlightAll(const std::function<void(int line)>& step)
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        rehighlightBlock(block);
        step(block.blockNumber());
    }
}

void CSourceHighlighter::highlightBlock(const QString& text)
{
    if (!m_language)
        return;
    const std::string line = fw::FromQt(text.left(editor::kMaxHighlightedColumns));
    for (const editor::HighlightRun& r : editor::HighlightLine(line, *m_language))
        setFormat(r.start, r.length, m_formats[static_cast<int>(r.format)]);
}
