#pragma once
// The analyzer's send bar as a byte editor: the bytes to send and a cursor between them, typed in
// hexadecimal, decimal or characters. A digit starts a new byte at the cursor and further digits
// complete it (two in hexadecimal, three in decimal, never beyond 255); a blank or any cursor key
// ends a partly typed byte. What cannot be a byte in the current format is refused as it is typed,
// so the bar only ever holds bytes that can be sent.

#include <cstdint>
#include <string>
#include <vector>

namespace sda {

class CSendBar {
public:
    enum Format { Hex = 0, Dec = 1, Chars = 2 };
    enum class Key { Backspace, Delete, Home, End, Left, Right };

    // One typed character (8-bit); false when it is refused in this format.
    bool Type(char c);
    void Press(Key key);
    // Switching the format keeps the bytes and ends a partly typed byte.
    void SetFormat(int format);
    int GetFormat() const { return m_format; }

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    // What is sent (the bytes, plus the command terminator 0x20 for Enter); the bar is empty after.
    std::vector<uint8_t> TakeForSending(bool appendTerminator);
    void Clear();

    // The bar's text: "%02X ", "%03d " or the character per byte (a byte of 0x80 or more or a
    // control character as 0xD7). 8-bit.
    std::string Text() const;
    // The cursor as a byte index and as a column of Text().
    int Cursor() const { return m_cursor; }
    int CursorColumn() const { return m_cursor * FieldWidth(); }
    // A click at a column of Text() puts the cursor on that byte's field.
    void ClickAt(int column);

private:
    int FieldWidth() const { return m_format == Hex ? 3 : m_format == Dec ? 4 : 1; }
    void EndPartial();

    std::vector<uint8_t> m_bytes;
    int m_cursor = 0;
    int m_format = Hex;
    int m_digits = 0; // digits typed into the byte at the cursor (0: none being typed)
};

} // namespace sda
