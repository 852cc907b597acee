#include "app/project/gui/TerminalView.h"
#include "app/framework/gui/Text8.h"

#include "core/settings/Options.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {

// Stored and received text is 8-bit; one byte is one character in the widget, so positions of
// the model and of the widget are the same.
using fw::ToQt;

QColor ToColor(platform::rtf::ColorRef c)
{
    return QColor(platform::rtf::RedOf(c), platform::rtf::GreenOf(c), platform::rtf::BlueOf(c));
}

} // namespace

CTerminalTextView::CTerminalTextView(const COptions& options, QWidget* parent) : QTextEdit(parent), m_options(options)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    SetStyle(TerminalStyle::FromOptions(m_options));
}

void CTerminalTextView::SetStyle(const TerminalStyle& style)
{
    m_style = style;
    QPalette p = palette();
    p.setColor(QPalette::Base, ToColor(style.background));
    p.setColor(QPalette::Text, ToColor(style.sent));
    setPalette(p);
    QFont f(QString::fromStdString(style.face));
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(style.pointSize);
    setFont(f);
}

QTextCharFormat CTerminalTextView::CharFormat(TermFormat f) const
{
    const platform::rtf::CharFormat c = m_style.FormatOf(f);
    QTextCharFormat q;
    q.setForeground(ToColor(c.color.value_or(m_style.sent)));
    q.setFontWeight(c.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(c.italic);
    return q;
}

void CTerminalTextView::Append(std::string_view text, TermFormat format)
{
    if (text.empty())
        return;
    m_model.Append(text, format);
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(ToQt(text), CharFormat(format));
    setTextCursor(c);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CTerminalTextView::RemoveFront(size_t count)
{
    m_model.RemoveFront(count);
    QTextCursor c(document());
    c.setPosition(static_cast<int>(std::min<size_t>(count, static_cast<size_t>(document()->characterCount() - 1))),
                  QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void CTerminalTextView::ReplaceFrom(size_t position, std::string_view text, TermFormat format)
{
    m_model.ReplaceFrom(position, text, format);
    QTextCursor c(document());
    c.setPosition(static_cast<int>(std::min<size_t>(position, static_cast<size_t>(document()->characterCount() - 1))));
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    c.insertText(ToQt(text), CharFormat(format));
    setTextCursor(c);
}

std::string CTerminalTextView::LineBeforeCaret(size_t maxChars) const
{
    const QTextCursor c = textCursor();
    if (c.block() == document()->lastBlock())
        return {};
    const QString line = c.block().text().left(c.positionInBlock()).left(static_cast<qsizetype>(maxChars));
    return fw::FromQt(line);
}

void CTerminalTextView::Clear()
{
    m_model.Clear();
    clear();
    SetStyle(TerminalStyle::FromOptions(m_options));
}

void CTerminalTextView::Refresh() { viewport()->update(); }

void CTerminalTextView::Load(const CTerminalTranscript& transcript)
{
    Clear();
    for (const CTerminalTranscript::Span& s : transcript.Spans())
        Append(s.text, s.format);
}
