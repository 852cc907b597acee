#include "platform/fs/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
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
    // The rename would replace a file the user may not write (or made read-only) without asking:
    // refuse it as opening it for writing would be refused. No write bit at all counts as
    // read-only for root too.
    struct stat st {};
    const bool replacing = ::stat(target.c_str(), &st) == 0;
    if (replacing && S_ISREG(st.st_mode) &&
        ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
        errno = EACCES;
        return false;
    }
    const std::string folder = FolderOf(target);
    const std::string prefix = (target.find('/') == std::string::npos)
                                   ? "." + target + ".tmp"
                                   : (folder == "/" ? std::string() : folder) + "/." + BaseOf(target) + ".tmp";
    // A new file is created with 0666 so that the kernel applies the umask: reading the umask
    // would mean setting it, which races with every other thread that creates a file. A
    // replacement starts private and takes the target's permissions at the commit.
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<uint64_t> counter{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t bits = (static_cast<uint64_t>(entropy()) << 32) ^ entropy() ^ counter.fetch_add(1);
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i, bits /= 62)
            candidate += kLetters[bits % 62];
        int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
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
        // A replaced file keeps its permissions; a new one has 0666 less the umask already.
        struct stat st {};
        if (::stat(m_path.c_str(), &st) == 0)
            ::fchmod(m_fd, st.st_mode & 07777);
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

} // namespace platform
