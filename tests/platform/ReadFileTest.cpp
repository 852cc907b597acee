// A reader of a named file never blocks or reads without bound: only regular files within the
// limit are read, whatever else the name points at.
#include "platform/fs/ReadFile.h"
#include "tests/platform/TestDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using platform::ReadStatus;

TEST(ReadFile, OnlyRegularFilesWithinTheLimitAreRead)
{
    TestDir dir;
    std::ofstream(dir / "ten") << "0123456789";
    std::ofstream(dir / "empty");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0); // no writer: an open for reading would wait
    ASSERT_EQ(symlink((dir / "ten").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir / "endless").c_str()), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const struct {
        std::string path;
        size_t limit;
        ReadStatus status;
        std::string content;
    } cases[] = {
        {dir / "ten", 10, ReadStatus::Ok, "0123456789"},
        {dir / "ten", 9, ReadStatus::TooLarge, ""},
        {dir / "empty", 0, ReadStatus::Ok, ""},
        {dir / "link", 100, ReadStatus::Ok, "0123456789"},
        {dir / "fifo", 100, ReadStatus::NotAFile, ""},
        {dir / "endless", 100, ReadStatus::NotAFile, ""},
        {"/dev/zero", 1u << 30, ReadStatus::NotAFile, ""},
        {dir / "socket", 100, ReadStatus::CannotOpen, ""},
        {dir.Path(), 1u << 30, ReadStatus::NotAFile, ""},
        {dir / "missing", 100, ReadStatus::CannotOpen, ""},
        {"", 100, ReadStatus::CannotOpen, ""},
    };
    for (const auto& c : cases) {
        std::string out = "old";
        EXPECT_EQ(platform::ReadRegularFile(c.path, out, c.limit), c.status) << c.path;
        EXPECT_EQ(out, c.content) << c.path;
        EXPECT_EQ(platform::ReadWholeFile(c.path, out, c.limit), c.status == ReadStatus::Ok) << c.path;
    }
    EXPECT_TRUE(platform::IsRegularFile(dir / "link"));
    EXPECT_FALSE(platform::IsRegularFile(dir / "fifo"));
    close(sock);
}
