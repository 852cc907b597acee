// Program and EEPROM transfers over the pseudo-terminal, in the order a host sends them.

#include "tests/sim/unit/PcLine.h"
#include "tests/sim/wiring/SerialRig.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

std::string Frame(int address, const std::string& text)
{
    return std::string(1, char(0x80 + address)) + text + " ";
}

// Sends bytes in chunks of eight, each checked against its echo, as a host does on a chain.
void SendChecked(PcLine& pc, const std::string& bytes)
{
    for (size_t at = 0; at < bytes.size(); at += 8) {
        std::string chunk = bytes.substr(at, 8);
        pc.Send(chunk);
        ASSERT_EQ(pc.ReadCount(chunk.size()), chunk) << "echo of the chunk at " << at;
    }
}

std::string Download(PcLine& pc, int address, const std::string& image)
{
    SendChecked(pc, Frame(0, "SLEEP") + Frame(address, "WAKE") + Frame(address, "END") + Frame(address, "LOAD"));
    SendChecked(pc, image + "\xFF\xFF ");
    SendChecked(pc, Frame(address, "RCKS"));
    std::string answer = pc.ReadUntil("\r");
    SendChecked(pc, Frame(0, "WAKE"));
    return answer;
}

class ChainTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        MotorProfile p;
        p.echo[0] = true;
        rig = SerialRig::Chain(MakeProfiles(2, p, true));
        pc = std::make_unique<PcLine>(rig->DevicePath());
    }
    std::unique_ptr<SerialRig> rig;
    std::unique_ptr<PcLine> pc;
};

TEST_F(ChainTransfer, DownloadVerifyAndUploadThroughTheChain)
{
    const std::string image = PlainImage("a=a END\n");
    EXPECT_EQ(Download(*pc, 1, image), "000008 000200 P\r");
    EXPECT_EQ(rig->WithMotor(1, [](SimMotor& m) { return m.Program().Body(); }), "END\n")
        << "the image passed motor 2 while it was not selected";

    SendChecked(*pc, Frame(0, "SLEEP") + Frame(1, "WAKE") + Frame(1, "END") + Frame(1, "UPLOAD"));
    EXPECT_EQ(pc->ReadUntil("\xFF"), "a=a END\n\xFF");
    SendChecked(*pc, Frame(0, "WAKE"));
}

TEST_F(ChainTransfer, CorruptImageFailsVerificationAndTheCancelStringLeavesItInvalid)
{
    std::string image = PlainImage("a=a END\n");
    image[8] = image[8] == '0' ? '1' : '0'; // a checksum digit the body does not match
    EXPECT_EQ(Download(*pc, 2, image).substr(14), "F\r");
    EXPECT_EQ(Download(*pc, 2, PlainImage("END\n")), "000004 0000E1 P\r");
    SendChecked(*pc, Frame(0, "SLEEP") + Frame(2, "WAKE") + Frame(2, "END") + Frame(2, "LOAD"));
    SendChecked(*pc, std::string("123456789012345\xFF\xFF ", 18));
    SendChecked(*pc, Frame(2, "RCKS"));
    EXPECT_EQ(pc->ReadUntil("\r").substr(14), "F\r");
}

TEST(BusTransfer, EepromBlockRoundTripThroughTheTransferVariables)
{
    auto rig = SerialRig::Bus(MakeProfiles(1, MotorProfile{}, true));
    rig->WithMotor(0, [](SimMotor& m) { m.knobs.eepromWriteMs = 20; });
    PcLine pc(rig->DevicePath());
    // Write 44 bytes: ten values and one, each group stored and waited for.
    std::string frames = Frame(1, "EPTR=30000");
    for (int i = 0; i < 10; ++i)
        frames += Frame(1, std::string(3, char('a' + i)) + "=" + std::to_string(1000 * i - 3));
    pc.Send(frames + Frame(1, "VST(aaa,10)") + Frame(1, "RBs"));
    EXPECT_EQ(pc.ReadUntil("\r"), "0\r");
    pc.Send(Frame(1, "aaa=-559038737") + Frame(1, "VST(aaa,1)") + Frame(1, "RBs"));
    EXPECT_EQ(pc.ReadUntil("\r"), "0\r");
    // Read them back after clearing the variables.
    std::string clear;
    for (int i = 0; i < 10; ++i)
        clear += Frame(1, std::string(3, char('a' + i)) + "=0");
    pc.Send(clear + Frame(1, "EPTR=30000") + Frame(1, "VLD(aaa,10)"));
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        pc.Send(Frame(1, 'R' + std::string(3, char('a' + i))));
        expected += std::to_string(1000 * i - 3) + "\r";
    }
    EXPECT_EQ(pc.ReadUntil("8997\r"), expected);
    pc.Send(Frame(1, "VLD(aaa,1)") + Frame(1, "Raaa"));
    EXPECT_EQ(pc.ReadUntil("\r"), "-559038737\r");
    EXPECT_EQ(rig->WithMotor(0, [](SimMotor& m) { return m.Eeprom()[30040]; }), 0xDE);
}

} // namespace
} // namespace vqxsim::test
