#pragma once
// A pseudo-terminal pair for serial tests: the test holds the master, the device under test opens
// the slave by its path.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

struct PtyPair {
    int master = -1;
    std::string slavePath;

    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        if (const char* name = ptsname(master))
            slavePath = name;
    }
    ~PtyPair() { CloseMaster(); }
    void CloseMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    bool Ok() const { return master >= 0 && !slavePath.empty(); }
    void Send(const std::string& bytes) const { (void)!::write(master, bytes.data(), bytes.size()); }
    // What the device wrote, waiting up to about two seconds for n bytes.
    std::string Receive(size_t n) const
    {
        std::string out;
        for (int i = 0; i < 200 && out.size() < n; ++i) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                char buf[256];
                const ssize_t r = ::read(master, buf, sizeof buf);
                if (r > 0)
                    out.append(buf, static_cast<size_t>(r));
            }
        }
        return out;
    }
};
