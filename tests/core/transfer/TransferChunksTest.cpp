#include "core/VQXException.h"
#include "tests/common/CodeOf.h"
#include "core/analyzer/TrafficLog.h"
#include "core/port/PortEvents.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/TransferSteps.h"
#include "tests/core/transfer/ScriptedLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace transfer;

namespace {

std::string ChecksumReply(const std::string& image) { return "000010 " + image.substr(5, 6) + " P"; }

std::vector<size_t> WriteSizesAfterLoad(const CScriptedLine& t)
{
    std::vector<size_t> sizes;
    bool after = false;
    for (const auto& w : t.writes) {
        const std::string text(w.begin(), w.end());
        if (after)
            sizes.push_back(w.size());
        if (text.find("LOAD ") != std::string::npos)
            after = true;
        if (w.size() == 3 && w[0] == 0xFF)
            break;
    }
    return sizes;
}

} // namespace

TEST(TransferChunks, ImagesGoOutInChunksOfEightThenTheTerminator)
{
    for (size_t bodySize : {5u, 6u, 100u}) {
        CScriptedLine t;
        const std::string image = BuildImage("400", {0, 0, 0, 0}, std::string(bodySize - 1, 'a') + "\n");
        t.replies["RCKS"] = ChecksumReply(image);
        t.replies["RBo"] = "1";
        const uint32_t flags = t.motor->DownloadImage(image, false, DL_NO_MEMORY_CHECK);
        EXPECT_EQ(flags, DL_NO_MEMORY_CHECK);
        EXPECT_EQ(t.loaded, image);
        std::vector<size_t> expected(image.size() / 8, 8);
        if (image.size() % 8)
            expected.push_back(image.size() % 8);
        expected.push_back(3);
        EXPECT_EQ(WriteSizesAfterLoad(t), expected) << image.size();
        // Prepared and finished in this order: SLEEP to all, WAKE to the motor, END, LOAD, RCKS, WAKE to all.
        const std::vector<std::string> order(t.heard.end() - 6, t.heard.end());
        EXPECT_EQ(order, (std::vector<std::string>{"SLEEP", "WAKE", "END", "LOAD", "RCKS", "WAKE"}));
    }
}

TEST(TransferChunks, SixteenAndNineByteImages)
{
    // A 16-byte image: two chunks of 8; a 9-byte one: 8 and 1.
    for (const std::string& image : {std::string("$400000000000000"), std::string("$40000000")}) {
        CScriptedLine t;
        t.replies["RCKS"] = "000010 000000 P";
        ASSERT_TRUE(t.motor->SendProgramBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), false, 0));
        EXPECT_EQ(t.loaded, image);
        EXPECT_EQ(WriteSizesAfterLoad(t), image.size() == 16 ? (std::vector<size_t>{8, 8, 3}) : (std::vector<size_t>{8, 1, 3}));
    }
}

TEST(TransferChunks, ChecksumRepliesThatFailTheDownload)
{
    const std::string image = BuildImage("400", {0, 0, 0, 0}, "a=1 END\n");
    for (const std::string& bad : {ChecksumReply(image).substr(0, 14), ChecksumReply(image).substr(0, 14) + "F",
                                  std::string("000010 000001 P")}) {
        CScriptedLine t;
        t.replies["RBo"] = "1";
        // The motor's checksum is wrong for the program and right for the END program after it.
        t.reply = [&](const std::string& command, int times) {
            return command == "RCKS" ? (times == 1 ? bad : "000010 " + FixedEndImage("450").substr(5, 6) + " P")
                                     : std::string();
        };
        const auto refused = ExceptionOf([&] { t.motor->DownloadImage(image, false, DL_NO_MEMORY_CHECK); });
        EXPECT_TRUE(refused) << bad;
        if (refused) {
            EXPECT_EQ(refused->GetCode(), CVQXException::NotDownloaded);
            EXPECT_EQ(DataWordAddress(refused->GetData()), 2);
        }
        // The END program is in place, recorded, and every motor woken.
        EXPECT_EQ(t.loaded, FixedEndImage("450"));
        EXPECT_EQ(t.motor->ProgName, "<END>");
        EXPECT_EQ(t.motor->ProgChecksum, 225);
        EXPECT_EQ(t.heard.back(), "WAKE");
    }
}

TEST(TransferChunks, ChecksumAskedWithALongTimeoutThatIsRestored)
{
    CScriptedLine t;
    const int before = t.port.totalTimeout;
    t.replies["RCKS"] = "000010 000000 P";
    int seen = 0;
    t.reply = [&](const std::string& command, int) {
        if (command == "RCKS")
            seen = t.port.totalTimeout;
        return std::string();
    };
    t.motor->VerifyChecksum(false, 0, 0);
    EXPECT_EQ(seen, 8000);
    EXPECT_EQ(t.port.totalTimeout, before);
    EXPECT_EQ(t.heard.back(), "WAKE");
    // Skipped, or address 0: nothing on the line.
    const size_t n = t.heard.size();
    t.motor->VerifyChecksum(true, 0, 0);
    EXPECT_EQ(t.heard.size(), n);
}

TEST(TransferChunks, MemoryProbeOfOldFirmwareOnChannelOnePrints)
{
    CScriptedLine t;
    t.motor->Version = "410";
    t.port.MotorChannel = 1;
    t.replies["RCKS"] = "garbage";
    t.replies["RUN"] = "a=a";
    EXPECT_TRUE(t.motor->EnsureValidProgram());
    EXPECT_EQ(t.loaded, ProbeImage("410", true));
    EXPECT_EQ(t.Count("RUN"), 1);
    EXPECT_EQ(t.Count("SLEEP1"), 1);
    EXPECT_EQ(t.heard.back(), "WAKE1");

    // A motor that answers something else has no program memory: its program record is cleared.
    CScriptedLine u;
    u.motor->ProgName = "old.tqx";
    u.motor->ProgSize = 77;
    u.replies["RCKS"] = "000000 000000 X";
    EXPECT_FALSE(u.motor->EnsureValidProgram());
    EXPECT_EQ(u.loaded, ProbeImage("450", false));
    EXPECT_EQ(u.Count("UPLOAD"), 1);
    EXPECT_TRUE(u.motor->ProgName.empty());
    EXPECT_EQ(u.motor->ProgSize, 0u);
    const auto upload = std::find(u.heard.begin(), u.heard.end(), "UPLOAD");
    EXPECT_NE(std::find(upload, u.heard.end(), "WAKE"), u.heard.end());

    // A broken program ('F') still shows that the memory is there.
    CScriptedLine v;
    v.replies["RCKS"] = "000010 00ABCD F";
    EXPECT_TRUE(v.motor->EnsureValidProgram());
    EXPECT_EQ(v.Count("LOAD"), 0);
}

namespace {
// Records the page of every mark that joins analyzer lines.
struct CPageMarks : ITrafficLog {
    std::vector<int> pages;
    void LogData(int, uint32_t, const uint8_t*, size_t) override {}
    void LogText(int, const char*, size_t) override {}
    void SetPageFlags(int page, uint32_t bits, bool) override
    {
        if (bits & SDA_CONTINUES)
            pages.push_back(page);
    }
};

// Counts the motors whose record a download reports changed.
struct CRecordChanges : IPortEvents {
    int changed = 0;
    void PortStateChanged(const CCommPort&) override {}
    void RebuildConfigTree() override {}
    void PlayReceiveSound(const std::string&) override {}
    void MotorRecordChanged(CMotor&) override { ++changed; }
};
} // namespace

TEST(TransferChunks, PortOutsideAProjectMarksNoAnalyzerPage)
{
    // Page -1 means every page: a port without a page of its own must not join other ports' lines.
    for (int id : {-1, 3}) {
        CScriptedLine t;
        CPageMarks marks;
        t.headless.context.SetTrafficLog(&marks);
        t.port.id = id;
        const std::string image = BuildImage("400", {0, 0, 0, 0}, std::string(20, 'a') + "\n");
        t.replies["RCKS"] = ChecksumReply(image);
        t.motor->DownloadImage(image, false, DL_NO_MEMORY_CHECK | DL_BLIND);
        EXPECT_EQ(t.loaded, image);
        const size_t ownPage = static_cast<size_t>(std::count(marks.pages.begin(), marks.pages.end(), id));
        EXPECT_EQ(ownPage, id < 0 ? 0u : marks.pages.size());
        if (id >= 0) {
            EXPECT_FALSE(marks.pages.empty());
        }
    }
}

TEST(TransferChunks, RefusedDownloadStillRefreshesTheTree)
{
    // The memory probe clears the motor's program record; a refusal must show that too.
    CRecordChanges events; // outlives the port, which reports its closing
    CScriptedLine t;
    t.motor->ProgName = "old.tqx";
    t.replies["RBo"] = "1";
    t.replies["RCKS"] = "000000 000000 X";
    const std::string file = ::testing::TempDir() + "refused-" + std::to_string(::getpid()) + ".tqx";
    std::ofstream(file, std::ios::binary) << BuildImage("400", {0, 0, 0, 0}, "END\n");
    t.headless.context.SetPortEvents(&events);
    EXPECT_EQ(CodeOf([&] { t.motor->DownloadProgram(file, false, DL_FAIL_NO_MEMORY, true); }), CVQXException::NoEEPROM);
    std::remove(file.c_str());
    EXPECT_TRUE(t.motor->ProgName.empty());
    EXPECT_EQ(events.changed, 1);
}
