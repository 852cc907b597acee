#pragma once
// The rich text of one terminal pane: a read-only QTextEdit that shows the runs of the pane's
// transcript in their colours. The transcript stays the model (and what ".trm" files are written
// from); the widget follows every change.

#include "app/project/TerminalText.h"

#include <QTextEdit>

class CTerminalTextView : public QTextEdit, public ITerminalText {
    Q_OBJECT
public:
    // `options`: the terminal colours and font it is drawn with (read again on Clear).
    explicit CTerminalTextView(const COptions& options, QWidget* parent = nullptr);

    // The colours, font and size (after the options changed: Clear applies them).
    void SetStyle(const TerminalStyle& style);
    const TerminalStyle& Style() const { return m_style; }
    const CTerminalTranscript& Transcript() const { return m_model; }
    // Shows a whole transcript (a ".trm" file read back).
    void Load(const CTerminalTranscript& transcript);

    // ITerminalText
    void Append(std::string_view text, TermFormat format) override;
    size_t Length() const override { return m_model.Length(); }
    void RemoveFront(size_t count) override;
    void ReplaceFrom(size_t position, std::string_view text, TermFormat format) override;
    std::string LineBeforeCaret(size_t maxChars) const override;
    bool LastLineEmpty() const override { return m_model.LastLineEmpty(); }
    void Clear() override;
    void Refresh() override;

private:
    QTextCharFormat CharFormat(TermFormat f) const;

    CTerminalTranscript m_model;
    const COptions& m_options;
    TerminalStyle m_style;
};
