#include "platform/fs/ReadFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

template <class Bytes>
ReadStatus ReadInto(const std::string& path, Bytes& out, size_t maxSize)
{
    out.clear();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return ReadStatus::CannotOpen;
    struct stat st {};
    ReadStatus status = ReadStatus::Ok;
    if (::fstat(fd, &st) != 0)
        status = ReadStatus::ReadError;
    else if (!S_ISREG(st.st_mode))
        status = ReadStatus::NotAFile;
    else if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize)
        status = ReadStatus::TooLarge;
    if (status != ReadStatus::Ok) {
        ::close(fd);
        return status;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, reinterpret_cast<char*>(out.data()) + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = ReadStatus::ReadError;
            break;
        }
        if (n == 0)
            break; // the file shrank while we read it: keep what is there
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (status != ReadStatus::Ok) {
        out.clear();
        return status;
    }
    out.resize(got);
    return ReadStatus::Ok;
}

} // namespace

ReadStatus ReadRegularFile(const std::string& path, std::string& out, size_t maxSize)
{
    return ReadInto(path, out, maxSize);
}

ReadStatus ReadRegularFile(const std::string& path, std::vector<uint8_t>& out, size_t maxSize)
{
    return ReadInto(path, out, maxSize);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace platform
