#include "samples/common/Numbers.h"

#include <limits>

namespace vqxclient {
namespace {

// Reads [blanks][sign]digits from text at i; nullopt without digits. Any number of digits is
// read (leading zeros are no overflow); a value beyond 64 bits saturates, as the C library's
// conversions do, so that the callers' range checks refuse it.
std::optional<int64_t> ReadNumber(std::string_view text, size_t& i)
{
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t v = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++digits;
        const int d = text[i++] - '0';
        v = v > (kMax - d) / 10 ? kMax : v * 10 + d;
    }
    if (digits == 0)
        return std::nullopt;
    return negative ? -v : v;
}

} // namespace

std::optional<int32_t> ParseInt32(std::string_view text)
{
    size_t i = 0;
    auto v = ReadNumber(text, i);
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (!v || i != text.size() || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(*v);
}

std::optional<int64_t> LeadingInteger(std::string_view reply)
{
    size_t i = 0;
    return ReadNumber(reply, i);
}

} // namespace vqxclient
