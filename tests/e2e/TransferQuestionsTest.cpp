// The questions of a download against simulated motors: a servoing motor, a program too large,
// a motor without program memory, the calibration warning, the baud-rate limit of 462 motors and
// a program with undefined symbols downloaded by force.

#include "core/VQXException.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/UndefinedSymbolsDlg.h"
#include "tests/e2e/TransferRig.h"

#include <gtest/gtest.h>

using namespace transfertest;
using namespace transfer;

namespace {

// The shipped language file has no 462 language: a compiled program with its header made for
// 462 motors.
std::string For462(std::string image)
{
    image.replace(1, 3, "462");
    return image;
}

int CountCommand(MotorsUnderTest& t, int address, const std::string& command)
{
    return t.Sim(address, [&](vqxsim::SimMotor& m) {
        int n = 0;
        for (const std::string& c : m.CommandLog())
            n += c == command ? 1 : 0;
        return n;
    });
}

} // namespace

TEST(TransferQuestions, ServoingMotorIsTurnedOffOnlyWhenTheUserSaysSo)
{
    SerialMotors t(false, Profiles(1), {}, 38400);
    const std::string file = t.Compile(kSampleProgram, "450");
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });

    // Cancel: 1041 and nothing loaded.
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, 0, false); }), CVQXException::MotorIsOn);
    ASSERT_EQ(t.questions.AskedQuestions().size(), 1u);
    const ui::ChoiceRequest& asked = t.questions.AskedQuestions()[0].choice;
    EXPECT_EQ(asked.text, "Cannot download to a motor that is servoing.");
    EXPECT_EQ(asked.values[0], 100);
    EXPECT_EQ(asked.values[1], 0) << "the 'all' answers belong to runs over several motors";
    EXPECT_EQ(t.Body(1), "END\n");
    EXPECT_EQ(CountCommand(t, 1, "LOAD"), 0);

    // "Turn off and download".
    t.questions.AnswerChoice(100);
    const uint32_t flags = t.Motor(1).DownloadProgram(file, false, 0, false);
    EXPECT_EQ(flags, 0u);
    EXPECT_FALSE(t.Sim(1, [](vqxsim::SimMotor& m) { return m.ServoOn(); }));
    EXPECT_TRUE(UploadMatchesImage(t.Body(1), ReadFile(file)));
    EXPECT_FALSE(t.AnyAsleep());

    // Skipping is not cancelling.
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });
    const uint32_t skipped = t.Motor(1).DownloadProgram(file, false, DL_SKIP_SERVOING, false);
    EXPECT_EQ(skipped & DL_CANCELLED, 0u);
    ASSERT_FALSE(t.info.Lines().empty());
    EXPECT_EQ(t.info.Lines().back().description, "Cannot download programs while motor is on!");
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, DL_FAIL_SERVOING, false); }),
              CVQXException::MotorIsOn);
}

TEST(TransferQuestions, ProgramsTooLargeForTheMotorAreRefusedBeforeAnyTransfer)
{
    auto profiles = Profiles(2, "462");
    profiles[1].firmware = "450";
    SerialMotors t(false, profiles, {}, 38400);
    const std::string big = t.folder.File("big.tqx");
    WriteFile(big, "$" + std::string(27999, 'a'));
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(big, false, 0, false); }), CVQXException::FileTooLong);
    const std::string huge = t.folder.File("huge.tqx");
    WriteFile(huge, "$" + std::string(32767, 'a'));
    EXPECT_EQ(CodeOf([&] { t.Motor(2).DownloadProgram(huge, false, 0, false); }), CVQXException::FileTooLong);
    const std::string calibration = t.folder.File("cal.SCX");
    WriteFile(calibration, "$" + std::string(4500, 'a'));
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(calibration, false, 0, false); }), CVQXException::FileTooLong);
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(t.folder.File("missing.tqx"), false, 0, false); }),
              CVQXException::CannotOpenFile);
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram("", false, 0, false); }), CVQXException::CannotOpenFile);
    EXPECT_EQ(CountCommand(t, 1, "LOAD") + CountCommand(t, 2, "LOAD"), 0);
}

TEST(TransferQuestions, VersionDifferenceFailsOrIsSkipped)
{
    SerialMotors t(false, Profiles(1, "462"), {}, 38400);
    const std::string file = t.Compile(kSampleProgram, "450"); // a "400" header: not for 46x motors
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, 0, false); }),
              CVQXException::MajorVersionDifference);
    t.questions.AnswerChoice(101);
    const uint32_t flags = t.Motor(1).DownloadProgram(file, false, DL_SEVERAL, false);
    EXPECT_TRUE(flags & DL_SKIP_VERSION);
    EXPECT_FALSE(flags & DL_CANCELLED);
    EXPECT_EQ(t.info.Lines().back().description, "File version has a major difference with motor version!");
    EXPECT_EQ(CountCommand(t, 1, "LOAD"), 0);
}

TEST(TransferQuestions, MotorWithoutProgramMemory)
{
    vqxsim::MotorProfile p = Profiles(1)[0];
    p.hasEeprom = false;
    SerialMotors t(true, {p});
    // Without its data memory the motor keeps no address over power-up.
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetAddress(1); return 0; });
    const std::string file = t.Compile(kSampleProgram, "450");
    EXPECT_EQ(CodeOf([&] { t.Motor(1).DownloadProgram(file, false, 0, false); }), CVQXException::NoEEPROM);
    ASSERT_EQ(t.questions.AskedQuestions().size(), 1u);
    EXPECT_EQ(t.questions.AskedQuestions()[0].choice.text, "The motor has no EEPROM.");
    // The probe put the motors to sleep; they are awake again whatever the answer.
    EXPECT_FALSE(t.AnyAsleep());
    EXPECT_EQ(CountCommand(t, 1, "UPLOAD"), 1);

    const uint32_t flags = t.Motor(1).DownloadProgram(file, false, DL_SKIP_NO_MEMORY, false);
    EXPECT_FALSE(flags & DL_CANCELLED);
    EXPECT_EQ(t.info.Lines().back().description, "The motor has no EEPROM!");
    EXPECT_FALSE(t.AnyAsleep());
}

TEST(TransferQuestions, CalibrationWarningCancelsOrStopsForTheRun)
{
    SerialMotors t(false, Profiles(1, "462"), {}, 38400);
    const auto image = CompileText("a=1\nEND\n", "462");
    ASSERT_TRUE(image);
    const std::string file = t.folder.File("cal.scx");
    WriteFile(file, For462(*image));
    // No: cancelled.
    uint32_t flags = t.Motor(1).DownloadProgram(file, false, 0, false);
    EXPECT_TRUE(flags & DL_CANCELLED);
    EXPECT_EQ(t.info.Lines().back().description, kCancelledText);
    ASSERT_EQ(t.questions.MessageBoxCount(), 1);
    EXPECT_NE(t.questions.MessageTexts()[0].find("calibration program to \"Motor 1\"?"), std::string::npos);
    EXPECT_EQ(CountCommand(t, 1, "LOADC"), 0);

    // "Download to all" with the box ticked: never asked again.
    t.questions.AnswerChoice(101, true);
    flags = t.Motor(1).DownloadProgram(file, false, DL_SEVERAL, false);
    EXPECT_TRUE(flags & DL_NO_CAL_WARNING);
    EXPECT_EQ(ui::GetRememberedAnswer("DownloadCal"), 6);
    EXPECT_EQ(CountCommand(t, 1, "LOADC"), 1);
    EXPECT_TRUE(t.Sim(1, [](vqxsim::SimMotor& m) { return m.CalibrationProgram().Valid(); }));
    t.Motor(1).DownloadProgram(file, false, 0, false);
    EXPECT_EQ(t.questions.MessageBoxCount(), 1);
    EXPECT_EQ(CountCommand(t, 1, "LOADC"), 2);
}

TEST(TransferQuestions, Motors462AboveNineThousandSixHundredBaudLoadAtThatRate)
{
    for (bool chain : {false, true}) {
        SerialMotors t(chain, Profiles(2, "462"), {}, 19200);
        const auto compiled = CompileText(kSampleProgram, "462");
        ASSERT_TRUE(compiled);
        const auto image = For462(*compiled);
        const std::string file = t.folder.File("p462.tqx");
        WriteFile(file, image);
        // The rate the motor hears while it loads.
        t.Sim(2, [](vqxsim::SimMotor& m) {
            m.rawInputHook = [](vqxsim::SimMotor& self, uint8_t) {
                self.Values()["loadBaud"] = self.Channel(0).baud;
                return false;
            };
            return 0;
        });
        t.Motor(2).DownloadProgram(file, false, 0, false);
        EXPECT_TRUE(UploadMatchesImage(t.Body(2), image));
        EXPECT_EQ(t.port.BitPerSec, 19200);
        EXPECT_EQ(t.Motor(2).savedBaudRate, 0);
        for (int a : {1, 2})
            EXPECT_EQ(t.Sim(a, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 19200) << chain;
        EXPECT_EQ(t.Sim(2, [](vqxsim::SimMotor& m) { return m.Values()["loadBaud"]; }), 9600) << chain;
        EXPECT_EQ(t.port.Query("RSP", 1), "24576/462");
        EXPECT_FALSE(t.AnyAsleep());
        // The motor takes its own END program through every check.
        t.Motor(2).ClearProgram(0);
        EXPECT_EQ(t.Body(2), "END\n");
        EXPECT_EQ(t.Motor(2).ProgName, "<END>");
    }
}

TEST(TransferQuestions, UndefinedSymbolsDownloadedByForce)
{
    SerialMotors t(false, Profiles(1), {}, 38400);
    CScanner scanner;
    scanner.Scan("a=1\nFOO\nEND\n", "450");
    ASSERT_TRUE(scanner.Errors().OnlyUndefinedSymbols());
    const std::string file = t.folder.File("forced.tqx");
    EXPECT_FALSE(scanner.WriteCompiled(file, false));

    t.questions.AnswerMessageBox(ui::kLeftButton);
    ASSERT_TRUE(ConfirmUndefinedSymbols(t.context, "450"));
    ASSERT_TRUE(scanner.WriteCompiled(file, true));
    t.Motor(1).DownloadProgram(file, false, 0, true);
    EXPECT_TRUE(UploadMatchesImage(t.Body(1), ReadFile(file)));
    EXPECT_EQ(t.info.Lines().front().description, "Ignoring undefined symbols.");
}
