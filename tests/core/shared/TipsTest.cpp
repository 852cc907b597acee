#include "core/shared/Tips.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Le32(int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    return std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)};
}

} // namespace

TEST(Tips, WrittenFileHasTheDocumentedBytes)
{
    TempFolder tmp;
    const auto path = tmp.File("Tips.dat");
    ASSERT_TRUE(WriteTipsFile(path, {"ab", "", "xyz"}));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, Le32(3) + Le32(2) + "ab" + Le32(0) + Le32(3) + "xyz");
}

TEST(Tips, ReadsEachRecordAndWrapsBeyondTheCount)
{
    TempFolder tmp;
    const auto path = tmp.File("Tips.dat");
    ASSERT_TRUE(WriteTipsFile(path, {"first tip", "", "third\r\ntip"}));
    for (int k = 0; k < 3; ++k) {
        const auto r = ReadTipRecord(path, k);
        ASSERT_TRUE(r.ok) << k;
        EXPECT_EQ(r.index, k);
        EXPECT_EQ(r.count, 3);
    }
    EXPECT_EQ(ReadTipRecord(path, 0).text, "first tip");
    EXPECT_EQ(ReadTipRecord(path, 1).text, "");
    EXPECT_EQ(ReadTipRecord(path, 2).text, "third\r\ntip");
    const auto wrapped = ReadTipRecord(path, 3);
    EXPECT_TRUE(wrapped.ok);
    EXPECT_EQ(wrapped.index, 0);
    EXPECT_EQ(wrapped.text, "first tip");
    EXPECT_EQ(ReadTipRecord(path, -7).index, 0);
    EXPECT_EQ(ReadTipRecord(path, INT32_MAX).index, 0);
}

TEST(Tips, LongTipsAreReturnedWhole)
{
    TempFolder tmp;
    const auto path = tmp.File("Tips.dat");
    const std::string tip(5000, 'x');
    ASSERT_TRUE(WriteTipsFile(path, {tip}));
    EXPECT_EQ(ReadTipRecord(path, 0).text, tip);
}

TEST(Tips, MissingEmptyAndNonPositiveCountFail)
{
    TempFolder tmp;
    EXPECT_FALSE(ReadTipRecord(tmp.File("none.dat"), 0).ok);
    EXPECT_EQ(ReadTipRecord(tmp.File("none.dat"), 0).text, "Error reading Tips database.");
    WriteBytes(tmp.File("empty.dat"), "");
    EXPECT_FALSE(ReadTipRecord(tmp.File("empty.dat"), 0).ok);
    WriteBytes(tmp.File("short.dat"), "\x01\x00");
    EXPECT_FALSE(ReadTipRecord(tmp.File("short.dat"), 0).ok);
    WriteBytes(tmp.File("zero.dat"), Le32(0));
    EXPECT_FALSE(ReadTipRecord(tmp.File("zero.dat"), 0).ok);
    WriteBytes(tmp.File("neg.dat"), Le32(-3) + Le32(1) + "a");
    EXPECT_FALSE(ReadTipRecord(tmp.File("neg.dat"), 0).ok);
    EXPECT_FALSE(ReadTipRecord(tmp.Path(), 0).ok); // a folder, not a file
    // A FIFO no one writes to and an endless device: refused at once, never waited for or read.
    ASSERT_EQ(mkfifo(tmp.File("fifo.dat").c_str(), 0600), 0);
    EXPECT_EQ(ReadTipRecord(tmp.File("fifo.dat"), 0).text, kTipsReadError);
    EXPECT_EQ(ReadTipRecord("/dev/zero", 0).text, kTipsReadError);
}

TEST(Tips, TruncatedAndHostileFilesFailWithoutHugeReads)
{
    TempFolder tmp;
    const auto path = tmp.File("Tips.dat");
    // The count promises 3 records, the file holds 2.
    WriteBytes(path, Le32(3) + Le32(1) + "a" + Le32(1) + "b");
    EXPECT_TRUE(ReadTipRecord(path, 1).ok);
    const auto missing = ReadTipRecord(path, 2);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.count, 3);
    EXPECT_EQ(missing.text, kTipsReadError);
    // A record cut in the middle of its text.
    WriteBytes(path, Le32(1) + Le32(10) + "abc");
    EXPECT_FALSE(ReadTipRecord(path, 0).ok);
    // A length field cut short.
    WriteBytes(path, Le32(1) + "\x05\x00");
    EXPECT_FALSE(ReadTipRecord(path, 0).ok);
    // Lengths that would allocate gigabytes or seek backwards.
    WriteBytes(path, Le32(2) + Le32(0x7FFFFFFF) + "a");
    EXPECT_FALSE(ReadTipRecord(path, 0).ok);
    EXPECT_FALSE(ReadTipRecord(path, 1).ok);
    WriteBytes(path, Le32(2) + Le32(-4) + "abcd" + Le32(1) + "x");
    EXPECT_FALSE(ReadTipRecord(path, 1).ok);
}

TEST(Tips, FailedWritesLeaveTheOldFile)
{
    TempFolder tmp;
    EXPECT_FALSE(WriteTipsFile(tmp.File("no/such/folder/Tips.dat"), {"a"}));
    // The file is replaced whole or not at all: a read-only one stays as it was.
    const auto path = tmp.File("Tips.dat");
    ASSERT_TRUE(WriteTipsFile(path, {"old"}));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(WriteTipsFile(path, {"new", "tips"}));
    EXPECT_EQ(ReadTipRecord(path, 0).text, "old");
    EXPECT_EQ(ReadTipRecord(path, 0).count, 1);
}
