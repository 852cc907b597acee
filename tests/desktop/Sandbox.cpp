#include "tests/desktop/Sandbox.h"

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace desk {

namespace {

constexpr uid_t kNobody = 65534;

bool Inside(const std::string& path, const std::string& folder) { return path.rfind(folder + "/", 0) == 0; }

[[noreturn]] void Fail(const char* what)
{
    const std::string text = std::string("desktop walk: ") + what + ": " + std::strerror(errno) + "\n";
    [[maybe_unused]] auto n = write(2, text.data(), text.size());
    _exit(127);
}

} // namespace

void RemoveTree(const std::string& folder)
{
    std::error_code ec;
    fs::remove_all(folder, ec);
}

Sandbox::Sandbox(std::string folder) : m_folder(fs::absolute(folder).lexically_normal().string()), m_root(geteuid() == 0)
{
    RemoveTree(m_folder);
    for (const char* sub : {"home/.config", "home/.local/share", "home/.cache", "run", "reg", "tmp", "bin", "devices"})
        fs::create_directories(Path(sub));
    fs::permissions(Path("run"), fs::perms::owner_all);
    // The sanitizer's reports name source lines through these; nothing else is on PATH.
    for (const char* tool : {"llvm-symbolizer", "addr2line"})
        for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
            std::error_code ec;
            if (fs::exists(fs::path(dir) / tool) && !fs::exists(Path("bin/") + tool))
                fs::create_symlink(fs::path(dir) / tool, Path("bin/") + tool, ec);
        }
}

void Sandbox::Write(const std::string& relative, const std::string& text) const
{
    fs::create_directories(fs::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << text;
}

void Sandbox::Copy(const std::string& from, const std::string& relative) const
{
    std::error_code ec;
    fs::copy_file(from, Path(relative), fs::copy_options::overwrite_existing, ec);
}

void Sandbox::HandOver() const
{
    if (!m_root)
        return;
    if (lchown(m_folder.c_str(), kNobody, kNobody) != 0)
        throw std::runtime_error("cannot give " + m_folder + " to nobody");
    for (const auto& entry : fs::recursive_directory_iterator(m_folder))
        if (lchown(entry.path().c_str(), kNobody, kNobody) != 0)
            throw std::runtime_error("cannot give " + entry.path().string() + " to nobody");
}

pid_t Sandbox::Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extra, int out,
                     int err) const
{
    std::map<std::string, std::string> env = {
        {"HOME", Path("home")},
        {"XDG_CONFIG_HOME", Path("home/.config")},
        {"XDG_DATA_HOME", Path("home/.local/share")},
        {"XDG_CACHE_HOME", Path("home/.cache")},
        {"XDG_RUNTIME_DIR", Path("run")},
        {"TMPDIR", Path("tmp")},
        {"VQX_REGISTRY_DIR", Path("reg")},
        // No device of the machine: an empty device tree; discovery stays on loopback.
        {"VQX_USB_ROOT", Path("devices")},
        {"VQX_NET_BROADCAST", "127.0.0.1"},
        {"VQX_NET_UDP_PORT", "39"},
        {"VQX_NET_TCP_PORT", "39"},
        {"PATH", Path("bin")},
        {"LANG", "C.UTF-8"},
        {"NO_AT_BRIDGE", "1"},
    };
    for (const char* pass : {"DISPLAY", "QT_QPA_PLATFORM", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* v = std::getenv(pass))
            env[pass] = v;
    for (const auto& [k, v] : extra)
        env[k] = v;
    std::vector<std::string> envText;
    for (const auto& [k, v] : env)
        envText.push_back(k + "=" + v);

    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    // The child: only what it is given, in the folder, as the folder's user.
    if (out >= 0)
        dup2(out, 1);
    if (err >= 0)
        dup2(err, 2);
    close_range(3, ~0u, 0);
    if (m_root) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            Fail("no mount namespace");
        // Empty temporary folders of its own; the X server is reached on its abstract socket.
        for (const char* dir : {"/tmp", "/var/tmp", "/dev/shm", "/run/lock"}) {
            if (access(dir, F_OK) != 0 || Inside(m_folder, dir) || Inside(argv[0], dir))
                continue;
            if (mount("tmpfs", dir, "tmpfs", MS_NOSUID | MS_NODEV, "mode=1777") != 0)
                Fail("no private temporary folder");
        }
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            Fail("cannot become nobody");
    }
    // Ends with the walk, whatever way the walk ends (set after the user changed: a change clears it).
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (chdir(Path("home").c_str()) != 0)
        Fail("no home folder");
    std::vector<char*> args, envp;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : envText)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(args[0], args.data(), envp.data());
    Fail(argv[0].c_str());
}

} // namespace desk
