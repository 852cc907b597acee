#pragma once
// The text of a terminal pane as the pane's rules see it: appended runs in three formats (what the
// user sent, what the motors answered, the program's own messages). CTerminalTranscript keeps it
// in memory; the pane's window shows the same runs, and ".trm" files are written from them.

#include "platform/rtf/Rtf.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

class COptions;

enum class TermFormat : uint8_t { Echo, Response, Message };

class ITerminalText {
public:
    virtual ~ITerminalText() = default;
    // Appends at the end (the caret follows).
    virtual void Append(std::string_view text, TermFormat format) = 0;
    virtual size_t Length() const = 0;
    // Deletes the first `count` characters.
    virtual void RemoveFront(size_t count) = 0;
    // Replaces everything from `position` to the end.
    virtual void ReplaceFrom(size_t position, std::string_view text, TermFormat format) = 0;
    // The text of the caret's line from its start up to the caret, at most maxChars, when the
    // caret is not on the last line; empty otherwise.
    virtual std::string LineBeforeCaret(size_t maxChars) const = 0;
    // The last line is empty (the text ends with a line break, or is empty).
    virtual bool LastLineEmpty() const = 0;
    virtual void Clear() = 0;
    // The pane is repainted at once (and pending window events handled).
    virtual void Refresh() {}
};

// The terminal's colours, font and size from the settings.
struct TerminalStyle {
    std::string face = "Courier New";
    int pointSize = 10;
    platform::rtf::ColorRef background = 0xD70909;
    platform::rtf::ColorRef sent = 0xFFFFFF;
    platform::rtf::ColorRef received = 0xFFFF80;
    platform::rtf::ColorRef message = 0x00FFFF;
    // The style of the current settings ("Terminal" section).
    static TerminalStyle FromOptions(const COptions& options);
    platform::rtf::CharFormat FormatOf(TermFormat f) const;
};

class CTerminalTranscript : public ITerminalText {
public:
    struct Span {
        std::string text;
        TermFormat format;
    };

    void Append(std::string_view text, TermFormat format) override;
    size_t Length() const override { return m_length; }
    void RemoveFront(size_t count) override;
    void ReplaceFrom(size_t position, std::string_view text, TermFormat format) override;
    std::string LineBeforeCaret(size_t maxChars) const override;
    void Clear() override;

    // The caret, as a position in the text (at the end unless a test or the window moved it).
    void SetCaret(size_t position) { m_caret = position; }
    const std::deque<Span>& Spans() const { return m_spans; }
    std::string Text() const;
    bool LastLineEmpty() const override;

    // The transcript as an RTF document, and back (".trm" files).
    std::string ToRtf(const TerminalStyle& style) const;
    // Runs coloured as the style's sent, received or message colour take that format; anything
    // else counts as received text.
    void FromRtf(std::string_view rtf, const TerminalStyle& style);

private:
    std::deque<Span> m_spans;
    size_t m_length = 0;
    size_t m_caret = 0;
};
