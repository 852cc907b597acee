// GUID text form and class identifiers by text or ProgID.
#include "vqxcom/Com.h"

#include "platform/text/Hex.h"

#include <cstdio>

namespace vqxcom {

std::string GuidToString(const GUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

namespace {
// Reads n hex digits at text[pos]; false on a non-digit.
bool ReadHex(std::string_view text, size_t pos, int n, uint64_t& out)
{
    out = 0;
    for (int i = 0; i < n; ++i) {
        const int v = platform::HexDigit(text[pos + i]);
        if (v < 0)
            return false;
        out = out * 16 + unsigned(v);
    }
    return true;
}
} // namespace

bool GuidFromString(std::string_view t, GUID& guid)
{
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' || t[19] != '-' ||
        t[24] != '-')
        return false;
    uint64_t v;
    GUID g{};
    if (!ReadHex(t, 1, 8, v))
        return false;
    g.Data1 = uint32_t(v);
    if (!ReadHex(t, 10, 4, v))
        return false;
    g.Data2 = uint16_t(v);
    if (!ReadHex(t, 15, 4, v))
        return false;
    g.Data3 = uint16_t(v);
    const size_t at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(t, at[i], 2, v))
            return false;
        g.Data4[i] = uint8_t(v);
    }
    guid = g;
    return true;
}

} // namespace vqxcom
