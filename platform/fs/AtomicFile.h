#pragma once
// Atomic replacement of a file: the new content goes to a temporary file in the same folder, which
// is flushed to disk (fsync) and then renamed over the target, and the folder is flushed too. A
// reader (or a crash at any moment) sees either the whole old file or the whole new one, never a
// torn mix. A temporary file left by a crash is named ".<file name>.tmp<random>" and is harmless.

#include "platform/fs/ReadFile.h" // ReadWholeFile, the reading side

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter(); // abandons an uncommitted temporary file (the target stays as it was)
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file beside `path`; false when the folder does not allow it, or when
    // `path` is a file that may not be written (no write permission bit, or none for this user)
    // (errno set).
    bool Begin(const std::string& path);
    // Appends bytes to the temporary file; false on a write error (the commit then fails too).
    bool Write(const void* data, size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // fsync, give the file the target's permissions (or 0666 less the umask for a new file),
    // rename it over the target, fsync the folder. False on any failure: the target is unchanged.
    bool Commit();
    // Removes the temporary file; the target is unchanged.
    void Abort();

    bool IsOpen() const { return m_fd >= 0; }
    const std::string& TempPath() const { return m_tempPath; }

private:
    int m_fd = -1;
    bool m_failed = false;
    std::string m_path;
    std::string m_tempPath;
};

// One-shot form: writes `size` bytes to `path` atomically.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);

// Flushes the folder that holds `path` (after a rename in it). Best effort.
void SyncParentFolder(const std::string& path);

// Creates a folder and its missing parents (like mkdir -p). True when it exists afterwards.
bool MakeFolders(const std::string& folder);

} // namespace platform
