#include "core/shared/Tips.h"

#include "platform/fs/AtomicFile.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadInt32(std::FILE* f, int32_t& value)
{
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4)
        return false;
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

TipRecord ReadTipRecord(const std::string& path, int32_t k)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return Failure(0);
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        return Failure(0);
    const long size = std::ftell(f.get());
    if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0)
        return Failure(0);

    int32_t n = 0;
    if (!ReadInt32(f.get(), n) || n <= 0)
        return Failure(0);
    if (k < 0 || k >= n)
        k = 0;

    long pos = 4;
    for (int32_t i = 0;; ++i) {
        int32_t length = 0;
        if (!ReadInt32(f.get(), length) || length < 0 || length > size - pos - 4)
            return Failure(n);
        pos += 4;
        if (i == k) {
            TipRecord r;
            r.text.resize(static_cast<size_t>(length));
            if (length > 0 && std::fread(r.text.data(), 1, r.text.size(), f.get()) != r.text.size())
                return Failure(n);
            r.ok = true;
            r.index = k;
            r.count = n;
            return r;
        }
        pos += length;
        if (std::fseek(f.get(), pos, SEEK_SET) != 0)
            return Failure(n);
    }
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
