#pragma once
// The tips file "Tips.dat" of the tip of the day: binary, little-endian: a 32-bit
// signed count N, then N records, each a 32-bit length L followed by L bytes of text (no
// terminator). The dialog itself comes with the application shell; this is its reader, the
// profile bookkeeping around it, and the writer the build uses to make the file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kTipsFileName = "Tips.dat";
// Shown as the tip when the file is missing, empty or unreadable.
inline constexpr const char* kTipsReadError = "Error reading Tips database.";

struct TipRecord {
    bool ok = false;
    std::string text;     // the tip as read; kTipsReadError when !ok
    int32_t index = 0;    // the record read (after wrapping)
    int32_t count = 0;    // N of the file (0 when the header could not be read)
};

// Reads record k of the tips file at path. k at or beyond N wraps to 0, and so does a negative k
// (never a backwards seek). Every length is checked against what is left of the file, so a
// truncated or hostile file gives !ok, never a huge allocation. Tips longer than 1023 bytes are
// returned whole, not cut.
// The file must be a regular file of at most 16 MiB.
TipRecord ReadTipRecord(const std::string& path, int32_t k);
// The same on the file's bytes.
TipRecord ParseTipRecord(std::string_view file, int32_t k);

// Writes a tips file, replacing an old one whole (atomically); false when it cannot be written,
// and the old file is then unchanged.
bool WriteTipsFile(const std::string& path, const std::vector<std::string>& tips);
