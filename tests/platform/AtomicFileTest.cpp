#include "platform/fs/AtomicFile.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

TEST(AtomicFile, SavingNeverChangesTheUmaskSeenByOtherThreads)
{
    // The process umask is shared by all threads: a save that briefly cleared it would let a file
    // made meanwhile by another thread come out world-writable.
    TestDir dir;
    const mode_t saved = umask(022);
    std::atomic<bool> stop{false};
    std::atomic<int> wrongModes{0};
    std::thread creator([&] {
        const std::string path = dir / "other";
        while (!stop) {
            int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (fd < 0)
                continue;
            struct stat st {};
            if (::fstat(fd, &st) == 0 && (st.st_mode & 0777) != 0644)
                ++wrongModes;
            ::close(fd);
            ::unlink(path.c_str());
        }
    });
    for (int i = 0; i < 2000 && wrongModes == 0; ++i) {
        const std::string target = dir / ("new" + std::to_string(i % 4));
        ::unlink(target.c_str()); // a new file each time: its mode comes from the umask
        ASSERT_TRUE(platform::WriteFileAtomically(target, "x", 1));
    }
    stop = true;
    creator.join();
    umask(saved);
    EXPECT_EQ(wrongModes, 0);

    struct stat st {};
    ASSERT_EQ(::stat((dir / "new0").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u); // a new file gets 0666 less the umask
}

TEST(AtomicFile, ReplacedFileKeepsItsPermissions)
{
    TestDir dir;
    const std::string path = dir / "private.spj";
    ASSERT_TRUE(platform::WriteFileAtomically(path, "old", 3));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(platform::WriteFileAtomically(path, "new", 3));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 3);
}
