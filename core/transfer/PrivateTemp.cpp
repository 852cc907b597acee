#include "core/transfer/PrivateTemp.h"

#include "core/VQXException.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace transfer {

std::string PrivateTempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string folder = (base && *base ? std::string(base) : std::string("/tmp")) + "/vqx-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw CVQXException(CVQXException::CannotWriteFile, "Cannot open the file to write! (" + folder + ")");
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0)
        throw CVQXException(CVQXException::CannotWriteFile, "Cannot open the file to write! (" + folder + ")");
    return folder;
}

std::string PrivateTempFile(const std::string& name)
{
    // Two programs of the suite (or two threads) may upload at once: each call gets its own file,
    // keeping the extension, since readers judge a program file by it.
    static std::atomic<unsigned> counter{0};
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    return PrivateTempFolder() + "/" + stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ext;
}

} // namespace transfer
