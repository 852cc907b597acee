#include "core/motor/Motor.h"
#include "core/transfer/EndProgram.h"
#include "core/transfer/ProgramImage.h"

#include <gtest/gtest.h>

using namespace transfer;

TEST(ProgramImage, BuiltImagesMatchTheMotorsKnownImages)
{
    // The images the motors are known to take, written out by hand.
    EXPECT_EQ(ProbeImage("450", false), "$400000020000000800000000040000000000000000a=a END\n");
    EXPECT_EQ(ProbeImage("410", true),
              "$40000004F000001600000000040000000000000000PRINT1(\"a=a\",#13)\nEND\n");
    EXPECT_EQ(ProbeImage("510", false),
              "$5000000200000008000FF00008FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFa=a END\n");
    EXPECT_EQ(FixedEndImage("450"), "$40000000E100000400000000040000000000000000END\n");
    EXPECT_EQ(*HeaderChecksum(FixedEndImage("462")), 225u);
}

TEST(ProgramImage, EveryFirmwareAcceptsItsOwnEndAndProbeImages)
{
    for (const char* firmware : {"410", "450", "461", "461h", "462", "462ah", "463", "510"}) {
        CMotor m;
        m.Version = firmware;
        const std::string end = FixedEndImage(firmware);
        EXPECT_TRUE(m.IsFirmwareCompatible(end.substr(1))) << firmware;
        EXPECT_TRUE(m.IsFirmwareCompatible(ProbeImage(firmware, false).substr(1))) << firmware;
    }
    EXPECT_EQ(HeaderVersionFor("462ah"), "462");
    EXPECT_EQ(HeaderVersionFor("461h"), "461");
    EXPECT_EQ(HeaderVersionFor("463"), "463");
}

TEST(ProgramImage, HeaderChecksumNeedsHexDigits)
{
    EXPECT_EQ(*HeaderChecksum("$4000ABCDEF"), 0xABCDEFu);
    EXPECT_FALSE(HeaderChecksum("$4000ABCDEG").has_value());
    EXPECT_FALSE(HeaderChecksum("4000ABCDEF0").has_value());
    EXPECT_FALSE(HeaderChecksum("$40").has_value());
}

TEST(ProgramImage, ChecksumRepliesAreFifteenCharactersWithPOrF)
{
    EXPECT_TRUE(IsChecksumReply("000008 000200 P", false));
    EXPECT_EQ(ReplyChecksum("000008 000200 P"), 0x200u);
    EXPECT_FALSE(IsChecksumReply("000008 000200 F", false));
    EXPECT_TRUE(IsChecksumReply("000008 000200 F", true));
    EXPECT_FALSE(IsChecksumReply("000008 000200P", true));   // 14 characters
    EXPECT_FALSE(IsChecksumReply("000008 000200 PX", true)); // 16
    EXPECT_FALSE(IsChecksumReply("000008_000200 P", false));
    EXPECT_FALSE(IsChecksumReply("00000G 000200 P", false));
    EXPECT_FALSE(IsChecksumReply(" P", true));
}

TEST(ProgramImage, UploadedTextMatchesTheImageItCameFrom)
{
    // "IF " is kept by the motor in the room of its coded record "$I" + address.
    const std::string body = "$I0012a==1 GOSUB2\nEND\n";
    const std::string image = BuildImage("400", {0, 0, 0, 0}, body);
    EXPECT_TRUE(UploadMatchesImage("IF a==1 GOSUB2\r\nEND\r\n", image));
    EXPECT_TRUE(UploadMatchesImage("IF a==1 GOSUB2\nEND\n", image));
    EXPECT_FALSE(UploadMatchesImage("IF a==2 GOSUB2\r\nEND\r\n", image));
    EXPECT_FALSE(UploadMatchesImage("IF a==1 GOSUB2\r\nEND\r\n", "not an image"));
    // Inside a string a '$' is text.
    EXPECT_EQ(DecodeCodedRecords("PRINT(\"$I0012\")\n$W0001LE"), "PRINT(\"$I0012\")\nWHILE");
    EXPECT_EQ(DecodeCodedRecords("$A0001E$I0002x"), "ELSEIF x");
}

TEST(ProgramImage, RunOnKeywordsGetTheirBlankBackOutsideStrings)
{
    // WHILE and SWITCH fill only their own room: the motor's text runs on into the expression.
    const std::string body = "$W0011LEa<6\n$S0009TCHa\n$C$c0018 1\nPRINT(\" WHILEb\")\nc=1 WHILEa\n$L0000P\nEND\n";
    const std::string motorText = DecodeCodedRecords(body);
    EXPECT_EQ(motorText, "WHILEa<6\nSWITCHa\nCASE 1\nPRINT(\" WHILEb\")\nc=1 WHILEa\nLOOP\nEND\n");
    EXPECT_EQ(SpaceRunOnKeywords(motorText),
              "WHILE a<6\nSWITCH a\nCASE 1\nPRINT(\" WHILEb\")\nc=1 WHILE a\nLOOP\nEND\n");
    EXPECT_EQ(SpaceRunOnKeywords("WHILE\nSWITCH (a)\nxWHILEa\nWHILEST\n"), "WHILE\nSWITCH (a)\nxWHILEa\nWHILE ST\n");
    const std::string image = BuildImage("400", {0, 0, 0, 0}, body);
    EXPECT_TRUE(UploadMatchesImage(motorText, image));
    EXPECT_TRUE(UploadMatchesImage("WHILE a<6\r\nSWITCH a\r\nCASE 1\r\nPRINT(\" WHILEb\")\r\nc=1 WHILE a\r\nLOOP\r\nEND\r\n",
                                   image));
    EXPECT_FALSE(UploadMatchesImage("WHILE a<6\r\nSWITCH a\r\nCASE 1\r\nPRINT(\" WHILE b\")\r\nc=1 WHILE a\r\nLOOP\r\nEND\r\n",
                                    image));
}

TEST(ProgramImage, EndImageComesFromTheCompilerWhenItCan)
{
    ui::COperationContext context;
    EXPECT_FALSE(context.Compiler()) << "a context starts without a compiler";
    EXPECT_EQ(EndProgramImage(context.Compiler(), "461"), FixedEndImage("461"));
    context.SetProgramCompiler([](const std::string& source, const std::string& version) -> std::optional<std::string> {
        if (version == "999")
            throw std::runtime_error("no language file");
        if (version == "998")
            return std::nullopt;
        return BuildImage("400", {0, 0, 0, 0}, source + "\n");
    });
    EXPECT_EQ(EndProgramImage(context.Compiler(), "450"), BuildImage("400", {0, 0, 0, 0}, "END\n"));
    // A "400" image is not for a 462 motor: the hand-made one with the 462's header instead.
    EXPECT_EQ(EndProgramImage(context.Compiler(), "462"), FixedEndImage("462"));
    EXPECT_EQ(FixedEndImage("462").substr(0, 4), "$462");
    EXPECT_EQ(EndProgramImage(context.Compiler(), "999"), FixedEndImage("999"));
    EXPECT_EQ(EndProgramImage(context.Compiler(), "998"), FixedEndImage("998"));

}
