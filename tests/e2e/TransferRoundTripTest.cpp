// A real program compiled with the shipped language file goes into a motor, is verified by its
// checksum, comes back out and compares equal; on every transport.

#include "core/transfer/DownloadFlags.h"
#include "core/transfer/PortDownload.h"
#include "core/transfer/ProgramImage.h"
#include "tests/e2e/TransferLinkRigs.h"

#include <gtest/gtest.h>

using namespace transfertest;
using namespace transfer;

namespace {

void RoundTrip(MotorsUnderTest& t, int address, const char* source = kSampleProgram)
{
    const std::string file = t.Compile(source, "450");
    ASSERT_FALSE(file.empty());
    const std::string image = ReadFile(file);
    CMotor& m = t.Motor(address);
    const uint32_t flags = m.DownloadProgram(file, true, 0, true);
    EXPECT_EQ(flags & DL_CANCELLED, 0u);
    EXPECT_EQ(m.ProgName, file);
    EXPECT_EQ(m.ProgSize, image.size());
    EXPECT_EQ(m.ProgChecksum, static_cast<int32_t>(*HeaderChecksum(image)));
    EXPECT_TRUE(UploadMatchesImage(t.Body(address), image));
    EXPECT_FALSE(t.AnyAsleep());

    const std::string uploaded = t.folder.File("back.tqs");
    m.UploadProgram(uploaded, true, false);
    const std::string text = ReadFile(uploaded);
    EXPECT_NE(text.find("LOOP\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('$'), std::string::npos) << text;
    EXPECT_TRUE(UploadMatchesImage(text, image));
    EXPECT_TRUE(m.CompareProgram(true, false));
    EXPECT_FALSE(t.AnyAsleep());

}

// What the motor gives back is the program's text: compiled again, it is the same image byte for
// byte, so a backup made by uploading restores the program exactly.
void BackupRestores(MotorsUnderTest& t, int address, const char* source = kBackupProgram)
{
    const std::string file = t.Compile(source, "450", "backup.tqx");
    ASSERT_FALSE(file.empty());
    const std::string image = ReadFile(file);
    CMotor& m = t.Motor(address);
    m.DownloadProgram(file, false, 0, true);
    const std::string uploaded = t.folder.File("Uploaded.tqs");
    m.UploadProgram(uploaded, false, false);
    m.ClearProgram(0);
    EXPECT_EQ(t.Body(address), "END\n");
    EXPECT_EQ(m.ProgName, "<END>");
    EXPECT_TRUE(m.CompareProgram(true, false));

    std::string plain;
    for (char c : ReadFile(uploaded))
        if (c != '\r')
            plain += c;
    const auto again = CompileText(plain, "450");
    ASSERT_TRUE(again.has_value()) << plain;
    EXPECT_EQ(*again, image);
    const std::string restored = t.folder.File("restored.tqx");
    WriteFile(restored, *again);
    m.DownloadProgram(restored, false, 0, true);
    EXPECT_TRUE(UploadMatchesImage(t.Body(address), image));
    EXPECT_EQ(m.ProgChecksum, static_cast<int32_t>(*HeaderChecksum(image)));
}

} // namespace

TEST(TransferRoundTrip, Rs232ChainWithEcho)
{
    SerialMotors t(true, Profiles(2));
    RoundTrip(t, 2);
    BackupRestores(t, 2);
    // The other motor's program is untouched.
    EXPECT_EQ(t.Body(1), "END\n");
}

TEST(TransferRoundTrip, Rs485BusWithoutEcho)
{
    SerialMotors t(false, Profiles(2), {}, 38400);
    RoundTrip(t, 1);
    BackupRestores(t, 1);
    EXPECT_EQ(t.Body(2), "END\n");
}

TEST(TransferRoundTrip, EthernetMotors)
{
    NetMotors t(Profiles(2));
    RoundTrip(t, 2);
    BackupRestores(t, 1);
}

TEST(TransferRoundTrip, UsbMotors)
{
    UsbMotors t(Profiles(2));
    RoundTrip(t, 1);
    BackupRestores(t, 2);
}

// Conditions, choices and loops: every coded record of the compiler, through download, checksum,
// upload, comparison and a backup that restores byte for byte.
TEST(TransferRoundTrip, FlowStructuresOnChainAndBus)
{
    for (bool chain : {true, false}) {
        SCOPED_TRACE(chain ? "chain" : "bus");
        SerialMotors t(chain, Profiles(2), {}, chain ? 9600 : 38400);
        RoundTrip(t, 2, kFlowProgram);
        BackupRestores(t, 1, kFlowProgram);
    }
}

TEST(TransferRoundTrip, FlowStructuresOverEthernet)
{
    NetMotors t(Profiles(1));
    RoundTrip(t, 1, kFlowProgram);
    BackupRestores(t, 1, kFlowProgram);
}

TEST(TransferRoundTrip, FlowStructuresOverUsb)
{
    UsbMotors t(Profiles(1));
    RoundTrip(t, 1, kFlowProgram);
}
