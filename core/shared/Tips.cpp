#include "core/shared/Tips.h"

#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"

namespace {

// A tips file larger than this is not one.
constexpr size_t kMaxTipsFile = 16u << 20;

bool ReadInt32(std::string_view bytes, size_t pos, int32_t& value)
{
    if (bytes.size() < 4 || pos > bytes.size() - 4)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
    value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                 (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    return true;
}

void AppendInt32(std::string& out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(v >> (8 * i));
}

TipRecord Failure(int32_t count)
{
    TipRecord r;
    r.text = kTipsReadError;
    r.count = count;
    return r;
}

} // namespace

TipRecord ParseTipRecord(std::string_view file, int32_t k)
{
    int32_t n = 0;
    if (!ReadInt32(file, 0, n) || n <= 0)
        return Failure(0);
    if (k < 0 || k >= n)
        k = 0;
    size_t pos = 4;
    for (int32_t i = 0;; ++i) {
        int32_t length = 0;
        if (!ReadInt32(file, pos, length) || length < 0 || static_cast<size_t>(length) > file.size() - pos - 4)
            return Failure(n);
        pos += 4;
        if (i == k) {
            TipRecord r;
            r.text.assign(file.substr(pos, static_cast<size_t>(length)));
            r.ok = true;
            r.index = k;
            r.count = n;
            return r;
        }
        pos += static_cast<size_t>(length);
    }
}

TipRecord ReadTipRecord(const std::string& path, int32_t k)
{
    std::string file;
    if (!platform::ReadWholeFile(path, file, kMaxTipsFile))
        return Failure(0);
    return ParseTipRecord(file, k);
}

bool WriteTipsFile(const std::string& path, const std::vector<std::string>& tips)
{
    // Replaced whole or not at all, like every stored file.
    std::string bytes;
    AppendInt32(bytes, static_cast<int32_t>(tips.size()));
    for (const auto& tip : tips) {
        AppendInt32(bytes, static_cast<int32_t>(tip.size()));
        bytes += tip;
    }
    return platform::WriteFileAtomically(path, bytes.data(), bytes.size());
}
