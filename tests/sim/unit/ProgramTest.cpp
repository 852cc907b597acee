// Program memory: load with its terminator, the motor's own check of the image, checksum answers,
// upload of what was loaded, and running a straight-line program.

#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

const std::string kTerminator = "\xFF\xFF ";

SimMotor Motor()
{
    MotorProfile p;
    p.address = 1;
    return SimMotor(p);
}

TEST(Program, NewMotorHoldsTheEndProgram)
{
    SimMotor m = Motor();
    EXPECT_EQ(Drive(m, "\x81RCKS "), "000004 0000E1 P\r");
    EXPECT_EQ(Drive(m, "UPLOAD "), "END\n\xFF");
}

TEST(Program, LoadWithCorrectChecksumIsValidAndUploadsTheBody)
{
    SimMotor m = Motor();
    const std::string image = "$400000020000000800000000040000000000000000a=a END\n";
    EXPECT_EQ(Drive(m, "\x81" "END LOAD " + image + kTerminator + "RCKS "), "000008 000200 P\r");
    EXPECT_TRUE(m.Program().Valid());
    EXPECT_EQ(Drive(m, "UPLOAD "), "a=a END\n\xFF");
    EXPECT_EQ(Drive(m, "UP "), "a=a END\n\xFF");
    // The 5-series probe image with its eight empty labels.
    const std::string five = "$5000000200000008000FF00008FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFa=a END\n";
    EXPECT_EQ(Drive(m, "LOAD " + five + kTerminator + "RCKS "), "000008 000200 P\r");
}

TEST(Program, CorruptImagesAreHeldButReportedInvalid)
{
    SimMotor m = Motor();
    std::string image = PlainImage("a=a END\n");
    image[image.size() - 3] = 'M'; // one body byte changed after the header was made
    EXPECT_EQ(Drive(m, "\x81LOAD " + image + kTerminator + "RCKS ").back(), '\r');
    EXPECT_FALSE(m.Program().Valid());
    EXPECT_EQ(m.Program().Problem(), "checksum");
    EXPECT_EQ(Drive(m, "RCKS ").substr(14), "F\r");

    std::string badLabels = PlainImage("a=a END\n");
    badLabels[30] = '1'; // a label entry that the label sum does not count
    Drive(m, "LOAD " + badLabels + kTerminator);
    EXPECT_EQ(m.Program().Problem(), "label sum");

    // The cancel string leaves the program invalid.
    Drive(m, "LOAD 123456789012345" + kTerminator);
    EXPECT_FALSE(m.Program().Valid());
    EXPECT_EQ(Drive(m, "RCKS ").substr(14), "F\r");
}

TEST(Program, CodedRecordsCountAsTheirKeywords)
{
    // "WHILE a<3" / "a=a+1" / "LOOP" / "IF a==3" / "GOSUB5" / "ENDIF"-less body as the compiler
    // writes it, with the records in place of the keywords.
    const std::string file = "$W0020LE a<3\na=a+1\n$L0000P\n$I0030a==3\n$G0040UB5\nPRINT(\"$I0000 \",#13)\n";
    const std::string motorText = "WHILE a<3\na=a+1\nLOOP\nIF a==3\nGOSUB5\nPRINT(\"$I0000 \",#13)\n";
    EXPECT_EQ(DecodeProgramBody(file), motorText);
    EXPECT_EQ(DecodeProgramBody("$A0010E$I0020b==1\n$E0030E\n$S0001TCH a\n$C$c0002\n$DEFAULT\n$X0005AK\n$eNDS\n$B0007O12\n"),
              "ELSEIF b==1\nELSE\nSWITCH a\nCASE\nDEFAULT\nBREAK\nENDS\nGOTO12\n");

    // The header carries the motor-side length and sum; the store checks those.
    unsigned sum = 0;
    for (char c : motorText)
        sum += uint8_t(c);
    char header[64];
    std::snprintf(header, sizeof header, "$4000%06X%06X%06X%04X", sum, unsigned(motorText.size()), 0u, 4u);
    ProgramStore store;
    store.Load(std::string(header) + "0000000000000000" + file);
    EXPECT_TRUE(store.Valid()) << store.Problem();
    EXPECT_EQ(store.Body(), motorText);
    // A host that lays the records out with the file's lengths instead fails verification.
    std::snprintf(header, sizeof header, "$4000%06X%06X%06X%04X", sum, unsigned(file.size()), 0u, 4u);
    store.Load(std::string(header) + "0000000000000000" + file);
    EXPECT_FALSE(store.Valid());
}

TEST(Program, CalibrationProgramIsSeparate)
{
    SimMotor m = Motor();
    Drive(m, "\x81LOADC " + PlainImage("b=1 END\n") + kTerminator);
    EXPECT_EQ(Drive(m, "RCKSC RCKS "), "000008 0001D1 P\r000004 0000E1 P\r");
    EXPECT_EQ(Drive(m, "UPLOADC "), "b=1 END\n\xFF");
}

TEST(Program, RunPrintsAndFaultKnobs)
{
    SimMotor m = Motor();
    const std::string image = "$40000004F000001600000000040000000000000000PRINT1(\"a=a\",#13)\nEND\n";
    Drive(m, "\x81LOAD " + image + kTerminator);
    EXPECT_TRUE(m.Program().Valid());
    EXPECT_EQ(Drive(m, "RUN "), "a=a\r");
    Drive(m, "LOAD " + PlainImage("c=6 PRINT(c*7,#13) END PRINT(\"no\") \n") + kTerminator);
    EXPECT_EQ(Drive(m, "RUN "), "42\r");

    m.knobs.uploadTruncateAt = 3;
    EXPECT_EQ(Drive(m, "UPLOAD "), "c=6");
    m.knobs.checksumFault = ChecksumFault::Wrong;
    std::string answer = Drive(m, "RCKS ");
    char expected[16];
    std::snprintf(expected, sizeof expected, "%06X", (m.Program().Sum() + 1) & 0xFFFFFF);
    EXPECT_EQ(answer.substr(7, 6), expected);
    m.knobs.checksumFault = ChecksumFault::Invalid;
    EXPECT_EQ(Drive(m, "RCKS ").substr(14), "F\r");
}

TEST(Program, WithoutEepromNothingIsStored)
{
    MotorProfile p;
    p.address = 1;
    p.hasEeprom = false;
    SimMotor m(p);
    Drive(m, "\x80LOAD $400000020000000800000000040000000000000000a=a END\n" + kTerminator);
    EXPECT_EQ(m.Address(), 0) << "without EEPROM no address survives power-up";
    EXPECT_EQ(Drive(m, "UPLOAD "), "\xFF");
}

} // namespace
} // namespace vqxsim::test
