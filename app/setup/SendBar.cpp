#include "app/setup/SendBar.h"

#include <algorithm>
#include <cstdio>

namespace sda {

namespace {

int DigitValue(char c, int format)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (format == CSendBar::Hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (format == CSendBar::Hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void CSendBar::EndPartial()
{
    if (m_digits > 0) {
        m_digits = 0;
        ++m_cursor;
    }
}

bool CSendBar::Type(char c)
{
    if (m_format == Chars) {
        m_bytes.insert(m_bytes.begin() + m_cursor, static_cast<uint8_t>(c));
        ++m_cursor;
        return true;
    }
    if (c == ' ') {
        EndPartial();
        return true;
    }
    const int digit = DigitValue(c, m_format);
    if (digit < 0)
        return false;
    const int base = m_format == Hex ? 16 : 10;
    const int maxDigits = m_format == Hex ? 2 : 3;
    if (m_digits == 0) {
        m_bytes.insert(m_bytes.begin() + m_cursor, static_cast<uint8_t>(digit));
        m_digits = 1;
    } else {
        const int value = m_bytes[static_cast<size_t>(m_cursor)] * base + digit;
        if (value > 255)
            return false; // "300" is no byte: the digit is refused, the byte stays as typed
        m_bytes[static_cast<size_t>(m_cursor)] = static_cast<uint8_t>(value);
        ++m_digits;
    }
    if (m_digits >= maxDigits)
        EndPartial();
    return true;
}

void CSendBar::Press(Key key)
{
    EndPartial();
    const int size = static_cast<int>(m_bytes.size());
    switch (key) {
    case Key::Backspace:
        if (m_cursor > 0) {
            m_bytes.erase(m_bytes.begin() + m_cursor - 1);
            --m_cursor;
        }
        break;
    case Key::Delete:
        if (m_cursor < size)
            m_bytes.erase(m_bytes.begin() + m_cursor);
        break;
    case Key::Home: m_cursor = 0; break;
    case Key::End: m_cursor = size; break;
    case Key::Left: m_cursor = std::max(m_cursor - 1, 0); break;
    case Key::Right: m_cursor = std::min(m_cursor + 1, size); break;
    }
}

void CSendBar::SetFormat(int format)
{
    EndPartial();
    m_format = std::clamp(format, 0, 2);
}

std::vector<uint8_t> CSendBar::TakeForSending(bool appendTerminator)
{
    std::vector<uint8_t> out = std::move(m_bytes);
    if (appendTerminator)
        out.push_back(0x20);
    Clear();
    return out;
}

void CSendBar::Clear()
{
    m_bytes.clear();
    m_cursor = 0;
    m_digits = 0;
}

std::string CSendBar::Text() const
{
    std::string out;
    char field[8];
    for (uint8_t b : m_bytes) {
        if (m_format == Hex) {
            std::snprintf(field, sizeof field, "%02X ", b);
            out += field;
        } else if (m_format == Dec) {
            std::snprintf(field, sizeof field, "%03d ", b);
            out += field;
        } else {
            out += b >= 0x80 || b < 0x20 || b == 0x7F ? '\xD7' : static_cast<char>(b);
        }
    }
    return out;
}

void CSendBar::ClickAt(int column)
{
    EndPartial();
    m_cursor = std::clamp(column / FieldWidth(), 0, static_cast<int>(m_bytes.size()));
}

} // namespace sda
