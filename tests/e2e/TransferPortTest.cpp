// Downloads to a whole port: globally at address 0, and to each motor in turn.

#include "core/VQXException.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/PortDownload.h"
#include "core/transfer/ProgramImage.h"
#include "tests/e2e/TransferRig.h"
#include "tests/support/ui/HeadlessProgress.h"

#include <gtest/gtest.h>

using namespace transfertest;
using namespace transfer;

namespace {

size_t Count(MotorsUnderTest& t, int address, const std::string& command)
{
    return t.Sim(address, [&](vqxsim::SimMotor& m) {
        size_t n = 0;
        for (const std::string& c : m.CommandLog())
            n += c == command ? 1 : 0;
        return n;
    });
}

} // namespace

TEST(TransferPort, GlobalDownloadAtAddressZero)
{
    for (bool chain : {true, false}) {
        SerialMotors t(chain, Profiles(3), {}, chain ? 9600 : 38400);
        const std::string file = t.Compile(kSampleProgram, "450");
        CMotor all;
        all.Address = 0;
        all.port = &t.port;

        // No to the question: nothing happens.
        uint32_t flags = all.DownloadProgram(file, false, 0, true);
        EXPECT_TRUE(flags & DL_CANCELLED);
        ASSERT_EQ(t.questions.MessageBoxCount(), 1);
        EXPECT_EQ(t.questions.AskedQuestions()[0].message.caption, "Global Download");
        for (int a = 1; a <= 3; ++a)
            EXPECT_EQ(Count(t, a, "LOAD"), 0u);

        t.questions.AnswerMessageBox(ui::IDYES);
        flags = all.DownloadProgram(file, false, 0, true);
        EXPECT_FALSE(flags & DL_CANCELLED);
        const std::string image = ReadFile(file);
        for (int a = 1; a <= 3; ++a) {
            EXPECT_TRUE(UploadMatchesImage(t.Body(a), image)) << a;
            // No checksum asked, no program record written, nobody put to sleep.
            EXPECT_EQ(Count(t, a, "RCKS"), 0u);
            EXPECT_EQ(Count(t, a, "SLEEP"), 0u);
            EXPECT_EQ(Count(t, a, "VST(aaa,9)"), 0u);
            EXPECT_TRUE(t.Motor(a).ProgName.empty());
        }
        EXPECT_TRUE(all.ProgName.empty());
        EXPECT_FALSE(t.AnyAsleep());
    }
}

TEST(TransferPort, EachMotorInTurnWithSkipsAndAllAnswers)
{
    SerialMotors t(true, Profiles(3));
    const std::string file = t.Compile(kSampleProgram, "450");
    const std::string image = ReadFile(file);
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });
    t.Sim(3, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });
    // Motor 1: "Skip all motors that are servoing"; motor 3 is then skipped without asking.
    t.questions.AnswerChoice(103);
    int failures = -1;
    const uint32_t flags = DownloadToEachMotor(t.port, file, false, 0, true, &failures);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(flags & DL_SKIP_SERVOING);
    EXPECT_TRUE(flags & DL_SEVERAL);
    EXPECT_FALSE(flags & DL_CANCELLED);
    ASSERT_EQ(t.questions.AskedQuestions().size(), 1u);
    EXPECT_NE(t.questions.AskedQuestions()[0].choice.values[3], 0) << "a run offers the 'all' answers";
    EXPECT_EQ(t.Body(1), "END\n");
    EXPECT_TRUE(UploadMatchesImage(t.Body(2), image));
    EXPECT_EQ(t.Body(3), "END\n");
    EXPECT_EQ(t.Motor(2).ProgName, file);
    EXPECT_FALSE(t.AnyAsleep());
}

TEST(TransferPort, CancelOrFailureStopsTheRun)
{
    SerialMotors t(false, Profiles(3), {}, 38400);
    const std::string file = t.Compile(kSampleProgram, "450");
    // Motor 1 is cancelled half-way: motors 2 and 3 are never reached.
    t.progress.Show("Downloading", std::nullopt);
    t.progress.SetAskBeforeCancel(false);
    t.progress.SetPumpHook([&](ui::CHeadlessProgress& p, int kind, int64_t) {
        if (kind == ui::kProgressTotal)
            p.PressCancel();
    });
    int failures = -1;
    uint32_t flags = DownloadToEachMotor(t.port, file, true, 0, true, &failures);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(flags & DL_CANCELLED);
    EXPECT_EQ(t.Body(1), "END\n");
    EXPECT_EQ(Count(t, 2, "LOAD"), 0u);
    t.progress.SetPumpHook(nullptr);

    // Motor 1 fails its checksum: reported, and the run ends there too.
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::Wrong;
        return 0;
    });
    flags = DownloadToEachMotor(t.port, file, false, 0, true, &failures);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(t.info.ErrorCount(), 1);
    EXPECT_EQ(Count(t, 2, "LOAD"), 0u);
    t.Sim(1, [](vqxsim::SimMotor& m) {
        m.knobs.checksumFault = vqxsim::ChecksumFault::None;
        return 0;
    });

    // Cancel at a question (a servoing motor): the next motors are not asked again.
    t.Sim(1, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });
    t.Sim(2, [](vqxsim::SimMotor& m) { m.SetServo(true); return 0; });
    t.questions.AnswerChoice(ui::IDCANCEL);
    flags = DownloadToEachMotor(t.port, file, false, 0, true, &failures);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(t.questions.AskedQuestions().size(), 1u);
    EXPECT_EQ(Count(t, 3, "LOAD"), 0u);
    EXPECT_FALSE(t.AnyAsleep());
}
