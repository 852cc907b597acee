#pragma once
// The program memory of a motor: takes a compiled image as it is loaded, checks it the way the
// motor does and keeps the program as the motor holds it, with the coded jump records turned back
// into their keywords.

#include "tests/sim/motor/SimTypes.h"

#include <cstdint>
#include <string>

namespace vqxsim {

class ProgramStore {
public:
    // Takes everything that came between LOAD and the terminator FF FF 20 (terminator removed).
    void Load(const std::string& image);
    void Clear();

    bool Valid() const { return m_valid; }
    // The program text as the motor holds it: keywords in place of the coded records.
    const std::string& Body() const { return m_body; }
    // Byte count and byte sum of that text, which the motor reports in its checksum answer.
    uint32_t Length() const { return uint32_t(m_body.size()); }
    uint32_t Sum() const { return m_sum; }
    const std::string& Image() const { return m_image; }
    const std::string& HeaderVersion() const { return m_version; }
    // Why the last image was refused; empty when it was taken.
    const std::string& Problem() const { return m_problem; }

private:
    std::string m_image;
    std::string m_version;
    std::string m_body;
    std::string m_problem = "empty";
    uint32_t m_sum = 0;
    bool m_valid = false;
};

// The program text a motor keeps for a compiled body: each coded record becomes the keyword it
// stands for, outside string literals; everything else is kept.
std::string DecodeProgramBody(const std::string& body);

} // namespace vqxsim
