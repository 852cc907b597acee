#pragma once
// Reading a file named by a program, a setting, a motor or another file: only a regular file is
// read (a FIFO, a device or a folder under that name is refused without blocking), and its size
// is checked against a limit before a byte is read, so no name can make a reader hang or
// allocate without bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class ReadStatus {
    Ok,
    CannotOpen, // missing, no permission
    NotAFile,   // a folder, FIFO, socket or device
    TooLarge,   // larger than the limit
    ReadError,  // an I/O error while reading
};

// Reads the whole regular file at `path` of at most maxSize bytes into out (cleared unless Ok).
// A file that shrinks while it is read gives what was there; one that grows gives the size it had.
ReadStatus ReadRegularFile(const std::string& path, std::string& out, size_t maxSize);
ReadStatus ReadRegularFile(const std::string& path, std::vector<uint8_t>& out, size_t maxSize);

// The same as a yes/no answer.
inline bool ReadWholeFile(const std::string& path, std::string& out, size_t maxSize)
{
    return ReadRegularFile(path, out, maxSize) == ReadStatus::Ok;
}

// Whether `path` names a regular file (following symbolic links); never blocks.
bool IsRegularFile(const std::string& path);

} // namespace platform
