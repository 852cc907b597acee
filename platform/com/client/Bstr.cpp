// BSTR: [byte length, 32-bit][UTF-16 text][zero]. The caller sees the pointer to the text.
#include "vqxcom/Com.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Largest text a BSTR may hold, so that the byte length and the allocation never overflow.
constexpr size_t kMaxBytes = size_t(std::numeric_limits<int32_t>::max()) - 16;

BSTR AllocBytes(const void* data, size_t bytes)
{
    if (bytes > kMaxBytes)
        return nullptr;
    auto* block = static_cast<uint8_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR) + 1));
    if (!block)
        return nullptr;
    const uint32_t len = static_cast<uint32_t>(bytes);
    std::memcpy(block, &len, sizeof len);
    uint8_t* text = block + sizeof(uint32_t);
    if (data)
        std::memcpy(text, data, bytes);
    else
        std::memset(text, 0, bytes);
    // Two zero bytes after the text (three for an odd byte length) end it as a wide string.
    text[bytes] = 0;
    text[bytes + 1] = 0;
    if (bytes % 2)
        text[bytes + 2] = 0;
    return reinterpret_cast<BSTR>(text);
}

uint8_t* BlockOf(BSTR s) { return reinterpret_cast<uint8_t*>(s) - sizeof(uint32_t); }

size_t WideLength(LPCOLESTR s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

} // namespace

BSTR SysAllocString(LPCOLESTR psz)
{
    if (!psz)
        return nullptr;
    return AllocBytes(psz, WideLength(psz) * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch)
{
    if (size_t(cch) > kMaxBytes / sizeof(OLECHAR))
        return nullptr;
    return AllocBytes(pch, size_t(cch) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) { return AllocBytes(psz, len); }

int SysReAllocString(BSTR* pbstr, LPCOLESTR psz)
{
    if (!pbstr)
        return FALSE;
    BSTR fresh = SysAllocString(psz);
    if (psz && !fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstr)
{
    if (bstr)
        std::free(BlockOf(bstr));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr)
        return 0;
    uint32_t len;
    std::memcpy(&len, BlockOf(bstr), sizeof len);
    return len;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

namespace vqxcom {

BSTR BstrFromBytes(std::string_view bytes)
{
    BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(std::min(bytes.size(), kMaxBytes / 2)));
    if (!s)
        return nullptr;
    for (size_t i = 0; i < bytes.size(); ++i)
        s[i] = static_cast<OLECHAR>(static_cast<unsigned char>(bytes[i]));
    return s;
}

std::string BytesFromBstr(BSTR bstr)
{
    const UINT n = SysStringLen(bstr);
    std::string out(n, '\0');
    for (UINT i = 0; i < n; ++i)
        out[i] = bstr[i] <= 0xFF ? static_cast<char>(static_cast<unsigned char>(bstr[i])) : '?';
    return out;
}

} // namespace vqxcom
