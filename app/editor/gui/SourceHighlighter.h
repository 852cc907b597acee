#pragma once
// Highlights a source document line by line as it changes: Qt calls it for the lines an edit
// touched only, so typing never waits for the rest of the text. The formats are the settings'
// colours; the language is the one the view loaded for its source.

#include "app/editor/Highlight.h"
#include "scanner/Language.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <functional>
#include <memory>

class CSourceHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit CSourceHighlighter(QTextDocument* document);

    void SetLanguage(std::shared_ptr<const CLanguage> language);
    const CLanguage* Language() const { return m_language.get(); }
    void SetStyle(const editor::EditorStyle& style);
    const editor::EditorStyle& Style() const { return m_style; }
    // While held, a new language or style waits for RehighlightAll instead of re-highlighting.
    void Hold(bool held) { m_held = held; }
    // Highlights every line, calling `step` with the line's number after each.
    void RehighlightAll(const std::function<void(int line)>& step);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::shared_ptr<const CLanguage> m_language;
    editor::EditorStyle m_style;
    QTextCharFormat m_formats[5];
    bool m_held = false;
};
