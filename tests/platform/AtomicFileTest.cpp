#include "platform/fs/AtomicFile.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every umask call of this test program passes through here, so that a test can see whether a
// save changed the process umask, even for a moment: the umask is shared by all threads, and a
// file made by another thread in that moment would come out without it (world-writable).
namespace {
std::atomic<int> g_umaskChanges{0};
}
extern "C" mode_t umask(mode_t mask)
{
    const auto old = static_cast<mode_t>(::syscall(SYS_umask, mask));
    if (old != mask)
        ++g_umaskChanges;
    return old;
}

TEST(AtomicFile, SavingNeverChangesTheUmask)
{
    TestDir dir;
    const mode_t saved = umask(022);
    g_umaskChanges = 0;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "new", "x", 1));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "new", "y", 1));
    const int changes = g_umaskChanges;
    umask(saved);
    EXPECT_EQ(changes, 0);

    struct stat st {};
    ASSERT_EQ(::stat((dir / "new").c_str(), &st), 0);
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
