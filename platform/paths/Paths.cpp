#include "platform/paths/Paths.h"

#include "platform/fs/AtomicFile.h"

#include <climits>
#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VQX_INSTALL_PREFIX
#define VQX_INSTALL_PREFIX "/usr/local"
#endif
#ifndef VQX_STAGING_DIR
#define VQX_STAGING_DIR ""
#endif

std::string g_strAppFolder;

namespace platform {

namespace {

std::mutex g_folderMutex;

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder()
{
    std::string home = Env("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()))
        if (pw->pw_dir)
            return pw->pw_dir;
    return "/tmp";
}

std::string StripSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool IsFolder(const std::string& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

std::string RealPath(const std::string& p)
{
    char buf[PATH_MAX];
    if (::realpath(p.c_str(), buf))
        return buf;
    return p;
}

// <build>/staging/share/vqx -> <build>
std::string BuildFolder()
{
    std::string staging = VQX_STAGING_DIR;
    const std::string tail = "/staging/share/vqx";
    if (staging.size() > tail.size() && staging.compare(staging.size() - tail.size(), tail.size(), tail) == 0)
        return staging.substr(0, staging.size() - tail.size());
    return std::string();
}

// <exe folder>/.. when <exe folder>/../share/vqx exists, else "".
std::string RelocatedPrefix()
{
    const std::string exe = ExecutablePath();
    if (exe.empty())
        return std::string();
    const std::string bin = FolderPart(exe);
    const std::string prefix = FolderPart(bin);
    if (!prefix.empty() && IsFolder(prefix + "/share/vqx"))
        return prefix;
    return std::string();
}

std::string ComputeAppFolder()
{
    std::string home = Env("VQX_HOME");
    if (!home.empty())
        return StripSlash(home);
    if (RunningFromBuildTree())
        return StripSlash(VQX_STAGING_DIR);
    std::string relocated = RelocatedPrefix();
    if (!relocated.empty())
        return relocated + "/share/vqx";
    return StripSlash(CompiledInstallPrefix()) + "/share/vqx";
}

} // namespace

const std::string& InitAppFolder()
{
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_strAppFolder = ComputeAppFolder();
    return g_strAppFolder;
}

const std::string& AppFolder()
{
    {
        std::lock_guard<std::mutex> lock(g_folderMutex);
        if (!g_strAppFolder.empty())
            return g_strAppFolder;
    }
    return InitAppFolder();
}

void SetAppFolder(std::string folder)
{
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_strAppFolder = StripSlash(std::move(folder));
}

std::string CompiledInstallPrefix() { return VQX_INSTALL_PREFIX; }

std::string ExecutablePath()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    buf[n] = '\0';
    return buf;
}

bool RunningFromBuildTree()
{
    const std::string build = BuildFolder();
    if (build.empty())
        return false;
    const std::string exe = ExecutablePath();
    const std::string root = RealPath(build) + "/";
    return !exe.empty() && exe.compare(0, root.size(), root) == 0;
}

std::string ActivePrefix()
{
    if (RunningFromBuildTree())
        return BuildFolder() + "/staging";
    std::string relocated = RelocatedPrefix();
    if (!relocated.empty())
        return relocated;
    return StripSlash(CompiledInstallPrefix());
}

std::string UserConfigFolder()
{
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/')
        base = HomeFolder() + "/.config";
    return StripSlash(base) + "/korvessan";
}

std::string UserDataFolder()
{
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/')
        base = HomeFolder() + "/.local/share";
    return StripSlash(base) + "/korvessan/vqx";
}

std::string TranslatePath(std::string_view path)
{
    std::string out(path);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string JoinPath(std::string_view folder, std::string_view tail)
{
    std::string f = TranslatePath(folder);
    std::string t = TranslatePath(tail);
    while (!f.empty() && f.back() == '/')
        f.pop_back();
    size_t skip = 0;
    while (skip < t.size() && t[skip] == '/')
        ++skip;
    if (t.size() == skip)
        return f.empty() ? "/" : f;
    return f + "/" + t.substr(skip);
}

std::string FindDataFile(std::string_view tail)
{
    std::string user = JoinPath(UserDataFolder(), tail);
    if (Exists(user))
        return user;
    return JoinPath(AppFolder(), tail);
}

std::string UserDataPath(std::string_view tail)
{
    std::string path = JoinPath(UserDataFolder(), tail);
    MakeFolders(FolderPart(path));
    return path;
}

bool IsAbsolutePath(std::string_view path)
{
    if (path.empty())
        return false;
    if (path[0] == '/' || path[0] == '\\')
        return true;
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/') &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string FileNamePart(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string FolderPart(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string_view::npos)
        return std::string();
    if (cut == 0)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, cut));
}

} // namespace platform
