#include "tests/sim/motor/ProgramStore.h"

#include <cctype>

namespace vqxsim {
namespace {

bool IsHex(const std::string& s, size_t at, size_t n)
{
    if (at + n > s.size())
        return false;
    for (size_t i = at; i < at + n; ++i)
        if (!std::isxdigit(uint8_t(s[i])))
            return false;
    return true;
}

uint32_t Hex(const std::string& s, size_t at, size_t n) { return uint32_t(std::stoul(s.substr(at, n), nullptr, 16)); }

// One coded record: the marker after '$', whether 4 hex digits follow it, what must follow them, and
// the keyword the motor keeps. ELSEIF, with two addresses, is matched on its own.
struct Record {
    const char* lead;   // text after '$' before the address
    bool address;       // 4 hex digits follow the lead
    const char* tail;   // text after the address
    const char* keyword;
};

constexpr Record kRecords[] = {
    {"I", true, "", "IF "},
    {"E", true, "E", "ELSE"},
    {"S", true, "TCH", "SWITCH"},
    {"C$c", true, "", "CASE"},
    {"DEFAULT", false, "", "DEFAULT"},
    {"X", true, "AK", "BREAK"},
    {"eNDS", false, "", "ENDS"},
    {"W", true, "LE", "WHILE"},
    {"L", true, "P", "LOOP"},
    {"B", true, "O", "GOTO"},
    {"G", true, "UB", "GOSUB"},
};

bool Matches(const std::string& s, size_t at, const std::string& text)
{
    return s.compare(at, text.size(), text) == 0;
}

// Length of the record at s[at] (which is '$') and its keyword; 0 when none matches.
size_t MatchRecord(const std::string& s, size_t at, std::string& keyword)
{
    const size_t start = at + 1;
    // ELSEIF: "$A" hhhh "E$I" hhhh
    if (Matches(s, start, "A") && IsHex(s, start + 1, 4) && Matches(s, start + 5, "E$I") && IsHex(s, start + 8, 4)) {
        keyword = "ELSEIF ";
        return 1 + 12;
    }
    for (const Record& r : kRecords) {
        std::string lead(r.lead), tail(r.tail);
        size_t p = start;
        if (!Matches(s, p, lead))
            continue;
        p += lead.size();
        if (r.address) {
            if (!IsHex(s, p, 4))
                continue;
            p += 4;
        }
        if (!Matches(s, p, tail))
            continue;
        p += tail.size();
        keyword = r.keyword;
        return p - at;
    }
    return 0;
}

} // namespace

std::string DecodeProgramBody(const std::string& body)
{
    std::string out;
    out.reserve(body.size());
    bool inString = false;
    for (size_t i = 0; i < body.size();) {
        char c = body[i];
        if (c == '"')
            inString = !inString;
        else if (c == '\n')
            inString = false;
        if (c == '$' && !inString) {
            std::string keyword;
            if (size_t n = MatchRecord(body, i, keyword)) {
                out += keyword;
                i += n;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

void ProgramStore::Clear()
{
    *this = ProgramStore();
}

void ProgramStore::Load(const std::string& image)
{
    m_image = image;
    m_valid = false;
    m_version.clear();
    m_body.clear();
    m_sum = 0;
    // Header: "$", version (3), "0", checksum (6), length (6), label sum (6), label count (4).
    if (image.size() < 27 || image[0] != '$' || image[4] != '0' || !IsHex(image, 5, 22)) {
        m_problem = "header";
        for (char c : image)
            m_sum += uint8_t(c);
        m_body = image;
        return;
    }
    m_version = image.substr(1, 3);
    const uint32_t checksum = Hex(image, 5, 6);
    const uint32_t length = Hex(image, 11, 6);
    const uint32_t labelSum = Hex(image, 17, 6);
    const uint32_t count = Hex(image, 23, 4);
    const size_t bodyAt = 27 + size_t(count) * 4;
    if (bodyAt > image.size() || !IsHex(image, 27, size_t(count) * 4)) {
        m_problem = "label table";
        return;
    }
    uint32_t labels = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t entry = Hex(image, 27 + 4 * i, 4);
        labels += (entry & 0xFF) + (entry >> 8);
    }
    m_body = DecodeProgramBody(image.substr(bodyAt));
    for (char c : m_body)
        m_sum += uint8_t(c);
    if (labels != labelSum)
        m_problem = "label sum";
    else if (m_body.size() != length)
        m_problem = "length";
    else if ((m_sum & 0xFFFFFF) != checksum)
        m_problem = "checksum";
    else {
        m_problem.clear();
        m_valid = true;
    }
}

} // namespace vqxsim
