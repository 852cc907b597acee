#include "core/transfer/ProgramImage.h"

#include <cctype>
#include <cstdio>

namespace transfer {
namespace {

bool IsHex(const std::string& s, size_t at, size_t n)
{
    if (at + n > s.size())
        return false;
    for (size_t i = at; i < at + n; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

uint32_t Hex(const std::string& s, size_t at, size_t n)
{
    uint32_t v = 0;
    for (size_t i = at; i < at + n; ++i) {
        const char c = s[i];
        v = v * 16 + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                                                                                      : std::tolower(c) - 'a' + 10);
    }
    return v;
}

std::string HexText(uint32_t value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

constexpr size_t kHeaderSize = 27;

// One coded record of a compiled body: text after '$', whether a 4-hex-digit address follows,
// the text after it, and the keyword the motor keeps in its place (same room).
struct CodedRecord {
    const char* lead;
    bool address;
    const char* tail;
    const char* keyword;
};
constexpr CodedRecord kCodedRecords[] = {
    {"I", true, "", "IF "},       {"E", true, "E", "ELSE"},     {"S", true, "TCH", "SWITCH"},
    {"C$c", true, "", "CASE"},    {"DEFAULT", false, "", "DEFAULT"}, {"X", true, "AK", "BREAK"},
    {"eNDS", false, "", "ENDS"},  {"W", true, "LE", "WHILE"},   {"L", true, "P", "LOOP"},
    {"B", true, "O", "GOTO"},     {"G", true, "UB", "GOSUB"},
};

bool At(const std::string& s, size_t at, const std::string& text) { return s.compare(at, text.size(), text) == 0; }

// Length of the coded record starting with the '$' at s[at], 0 when there is none.
size_t MatchRecord(const std::string& s, size_t at, std::string& keyword)
{
    const size_t p0 = at + 1;
    if (At(s, p0, "A") && IsHex(s, p0 + 1, 4) && At(s, p0 + 5, "E$I") && IsHex(s, p0 + 8, 4)) {
        keyword = "ELSEIF ";
        return 13;
    }
    for (const CodedRecord& r : kCodedRecords) {
        size_t p = p0;
        if (!At(s, p, r.lead))
            continue;
        p += std::char_traits<char>::length(r.lead);
        if (r.address) {
            if (!IsHex(s, p, 4))
                continue;
            p += 4;
        }
        if (!At(s, p, r.tail))
            continue;
        p += std::char_traits<char>::length(r.tail);
        keyword = r.keyword;
        return p - at;
    }
    return 0;
}

} // namespace

std::optional<uint32_t> HeaderChecksum(const std::string& image)
{
    if (image.empty() || image[0] != '$' || !IsHex(image, 5, 6))
        return std::nullopt;
    return Hex(image, 5, 6);
}

bool IsChecksumReply(const std::string& reply, bool acceptBroken)
{
    if (reply.size() != 15 || reply[6] != ' ' || reply[13] != ' ')
        return false;
    if (reply[14] != 'P' && !(acceptBroken && reply[14] == 'F'))
        return false;
    return IsHex(reply, 0, 6) && IsHex(reply, 7, 6);
}

uint32_t ReplyChecksum(const std::string& reply) { return reply.size() >= 13 ? Hex(reply, 7, 6) : 0; }

std::string HeaderVersionFor(const std::string& firmware)
{
    if (StartsWith(firmware, "462"))
        return "462";
    if (StartsWith(firmware, "461"))
        return "461";
    if (StartsWith(firmware, "46"))
        return "463";
    if (StartsWith(firmware, "5"))
        return "500";
    return "400";
}

std::string BuildImage(const std::string& headerVersion, const std::vector<uint16_t>& labels, const std::string& body)
{
    uint32_t sum = 0;
    for (char c : body)
        sum += static_cast<uint8_t>(c);
    uint32_t labelSum = 0;
    std::string table;
    for (uint16_t label : labels) {
        labelSum += (label & 0xFFu) + (label >> 8);
        table += HexText(label, 4);
    }
    std::string image = "$";
    image.append(headerVersion, 0, 3);
    image += '0';
    image += HexText(sum & 0xFFFFFF, 6);
    image += HexText(static_cast<uint32_t>(body.size()), 6);
    image += HexText(labelSum, 6);
    image += HexText(static_cast<uint32_t>(labels.size()), 4);
    image += table;
    image += body;
    return image;
}

// The 5 series keeps eight label entries, unused ones FFFF; the others four, unused ones 0.
static std::vector<uint16_t> EmptyLabels(const std::string& version)
{
    return version[0] == '5' ? std::vector<uint16_t>(8, 0xFFFF) : std::vector<uint16_t>(4, 0);
}

std::string FixedEndImage(const std::string& firmware)
{
    const std::string version = HeaderVersionFor(firmware);
    return BuildImage(version, EmptyLabels(version), "END\n");
}

std::string ProbeImage(const std::string& firmware, bool printProbe)
{
    const std::string version = HeaderVersionFor(firmware);
    if (printProbe)
        return BuildImage(version, EmptyLabels(version), "PRINT1(\"a=a\",#13)\nEND\n");
    return BuildImage(version, EmptyLabels(version), "a=a END\n");
}

std::string DecodeCodedRecords(const std::string& body)
{
    std::string out;
    out.reserve(body.size());
    bool inString = false;
    for (size_t i = 0; i < body.size();) {
        const char c = body[i];
        if (c == '"')
            inString = !inString;
        else if (c == '\n')
            inString = false;
        std::string keyword;
        if (c == '$' && !inString) {
            if (const size_t n = MatchRecord(body, i, keyword)) {
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

std::string CRunOnKeywordSpacer::Next(char c)
{
    const bool separator = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    std::string out;
    if (!m_inString && !separator && (m_word == "WHILE" || m_word == "SWITCH")) {
        out += ' ';
        m_word.clear();
        m_tracking = true;
    }
    out += c;
    if (c == '"') {
        m_inString = !m_inString;
        m_word.clear();
        m_tracking = false;
    } else if (c == '\n') {
        m_inString = false;
    }
    if (m_inString || c == '"')
        return out;
    if (separator) {
        m_word.clear();
        m_tracking = true;
    } else if (m_tracking) {
        m_word += c;
        if (m_word.size() > 6) {
            m_word.clear();
            m_tracking = false;
        }
    }
    return out;
}

std::string SpaceRunOnKeywords(const std::string& text)
{
    CRunOnKeywordSpacer spacer;
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += spacer.Next(c);
    return out;
}

bool UploadMatchesImage(const std::string& uploaded, const std::string& image)
{
    if (image.size() < kHeaderSize || image[0] != '$' || !IsHex(image, 5, 22))
        return false;
    const size_t bodyAt = kHeaderSize + 4 * static_cast<size_t>(Hex(image, 23, 4));
    if (bodyAt > image.size())
        return false;
    std::string text;
    text.reserve(uploaded.size());
    for (size_t i = 0; i < uploaded.size(); ++i)
        if (!(uploaded[i] == '\r' && i + 1 < uploaded.size() && uploaded[i + 1] == '\n'))
            text += uploaded[i];
    // A raw upload keeps the motor's text; a text upload has its run-on keywords spaced.
    const std::string motorText = DecodeCodedRecords(image.substr(bodyAt));
    return text == motorText || text == SpaceRunOnKeywords(motorText);
}

} // namespace transfer
