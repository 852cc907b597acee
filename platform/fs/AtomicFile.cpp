#include "platform/fs/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Begin(const std::string& path)
{
    Abort();
    m_failed = false;
    m_path = path;
    // Replace the file a symbolic link points to, not the link itself.
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            m_path = real;
            std::free(real);
        }
    }
    const std::string& target = m_path;
    if (target.empty() || target.back() == '/') {
        errno = EISDIR;
        return false;
    }
    const std::string folder = FolderOf(target);
    std::string buffer = (target.find('/') == std::string::npos)
                             ? "." + target + ".tmpXXXXXX"
                             : (folder == "/" ? std::string() : folder) + "/." + BaseOf(target) + ".tmpXXXXXX";
    int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_tempPath = buffer;
    return true;
}

bool AtomicFileWriter::Write(const void* data, size_t size)
{
    if (m_fd < 0 || m_failed)
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFileWriter::Commit()
{
    if (m_fd < 0)
        return false;
    bool ok = !m_failed;
    if (ok && ::fsync(m_fd) != 0)
        ok = false;
    if (ok) {
        struct stat st {};
        mode_t mode;
        if (::stat(m_path.c_str(), &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(m_fd, mode);
    }
    if (::close(m_fd) != 0)
        ok = false;
    m_fd = -1;
    if (ok && ::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        ok = false;
    if (!ok) {
        int saved = errno;
        ::unlink(m_tempPath.c_str());
        errno = saved;
    } else {
        SyncParentFolder(m_path);
    }
    m_tempPath.clear();
    return ok;
}

void AtomicFileWriter::Abort()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size)
{
    AtomicFileWriter writer;
    if (!writer.Begin(path))
        return false;
    if (!writer.Write(data, size))
        return false;
    return writer.Commit();
}

void SyncParentFolder(const std::string& path)
{
    int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const size_t slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    if (slash != std::string::npos && slash > 0)
        MakeFolders(folder.substr(0, slash));
    if (::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST)
        return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return false;
}

bool ReadWholeFile(const std::string& path, std::string& out, size_t maxSize)
{
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<unsigned long long>(st.st_size) > maxSize) {
        ::close(fd);
        return false;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break; // the file shrank while we read it: keep what is there
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    ::close(fd);
    return true;
}

} // namespace platform
