#include "samples/common/Numbers.h"

#include <limits>

namespace vqxclient {
namespace {

// Reads [blanks][sign]digits from text at i; nullopt without digits or past 19 digits.
std::optional<int64_t> ReadNumber(std::string_view text, size_t& i)
{
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t v = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (++digits > 18)
            return std::nullopt;
        v = v * 10 + (text[i++] - '0');
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
