#pragma once
// The host's bytes as a motor's receiver splits them: a byte with the top bit set is an address
// byte (0x80 + address) and starts a new command; a blank ends a command, and so does a carriage
// return for a motor that takes one. Written from the wire protocol; shared by the in-process
// motor doubles of the tests.

#include <cstdint>
#include <string>

class CCommandReader {
public:
    enum class Got { Nothing, Address, Command };

    explicit CCommandReader(bool carriageReturnEnds = false) : m_crEnds(carriageReturnEnds) {}

    // Takes one byte; says whether it was an address byte or ended a command (empty commands are
    // not reported).
    Got Take(uint8_t b)
    {
        if (b >= 0x80) {
            m_address = b - 0x80;
            m_text.clear();
            return Got::Address;
        }
        if (b != ' ' && !(m_crEnds && b == '\r')) {
            m_text += static_cast<char>(b);
            return Got::Nothing;
        }
        m_command = m_text;
        m_text.clear();
        return m_command.empty() ? Got::Nothing : Got::Command;
    }
    // The address of the last address byte, -1 before any.
    int Address() const { return m_address; }
    // The command the last Got::Command ended.
    const std::string& Command() const { return m_command; }

private:
    bool m_crEnds;
    int m_address = -1;
    std::string m_text;
    std::string m_command;
};
