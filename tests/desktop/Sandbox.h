#pragma once
// The walk's own folder and the processes started in it. A program walked at random may save,
// delete or overwrite any file it can reach, so it runs where only the folder is its own: started
// as root, it runs as the unprivileged user "nobody" (65534) in a mount namespace of its own with
// empty /tmp, /var/tmp, /dev/shm and /run/lock; started as a user, it is that user. Either way
// HOME, the XDG folders, the registry, the temporary folder and the device tree are inside the
// folder, and PATH holds no program but the sanitizer's symbolizers (no browser, no editor).

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace desk {

class Sandbox {
public:
    // Makes `folder` afresh (removing what a former walk left).
    explicit Sandbox(std::string folder);

    const std::string& Folder() const { return m_folder; }
    std::string Path(const std::string& relative) const { return m_folder + "/" + relative; }
    // Writes a file of the folder (REGEDIT4 registry files, examples to open).
    void Write(const std::string& relative, const std::string& text) const;
    void Copy(const std::string& from, const std::string& relative) const;
    // Gives the folder to the user the programs run as; call once everything is written.
    void HandOver() const;

    // Starts `argv` in the folder's home as the folder's user, with the environment the folder
    // sets plus `env`; its stdout and stderr go to `out` and `err` (file descriptors, -1: the log).
    pid_t Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int out,
                int err) const;
    bool Privileged() const { return m_root; }

private:
    std::string m_folder;
    bool m_root = false;
};

// Removes a folder and everything in it.
void RemoveTree(const std::string& folder);

} // namespace desk
