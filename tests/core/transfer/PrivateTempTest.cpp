// Uploads for a comparison go through a temporary file: two programs of the suite, or two
// threads, comparing at once must never share one.

#include "core/transfer/PrivateTemp.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(PrivateTemp, EveryCallAndEveryProcessGetsItsOwnFileWithTheExtensionKept)
{
    const std::string folder = transfer::PrivateTempFolder();
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::set<std::string> names;
    for (int i = 0; i < 3; ++i)
        names.insert(transfer::PrivateTempFile("Motor.tqx"));
    EXPECT_EQ(names.size(), 3u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind(folder + "/Motor", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tqx") << name;
    }

    // A child process starts its count afresh: its name must still differ from the parent's.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string name = transfer::PrivateTempFile("Motor.tqx");
        (void)!::write(fds[1], name.data(), name.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    char buf[512];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(names.count(std::string(buf, size_t(n))), 0u);
}
