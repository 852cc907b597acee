#include "core/transfer/PrivateTemp.h"

#include "core/VQXException.h"

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

std::string PrivateTempFile(const std::string& name) { return PrivateTempFolder() + "/" + name; }

} // namespace transfer
