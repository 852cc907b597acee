// The index calibration wizard without its window, against a simulated Quintaloc on a line and a
// clock the test drives: what it refuses before anything reaches the motor (no sizes, an entry that
// gives no percentages, No to the motion question), what a corrupted block leads to, a motor the
// port does not list, and a motor that stops answering while its test runs.
#include "app/tuning/CalibrationWizard.h"

#include "platform/paths/Paths.h"
#include "tests/app/tuning/QuintalocLine.h"

#include <map>

using namespace tuning;
using namespace std::chrono;
using caltest::GoodBlock;

namespace {

class RecordingView : public ICalibrationWizardView {
public:
    void Log(const std::string& text, LogFormat format) override
    {
        log += text;
        if (format == LogFormat::Error)
            errors += text;
    }
    void ClearLog() override { log.clear(); }
    void SetStatus(const std::string& text) override { status = text; }
    void SetTimer(int id, int ms) override { timers[id] = ms; }
    void KillTimer(int id) override { timers.erase(id); }
    void WaitCursor(bool on) override { cursor += on ? 1 : -1; }
    void Refresh() override {}
    void EndDialog(int result) override { ended = result; }
    void PostRecalibrate(int portIndex, int address) override { recalibrate = {portIndex, address}; }

    std::string log, errors, status;
    std::map<int, int> timers;
    int cursor = 0;
    int ended = -1;
    std::pair<int, int> recalibrate{-1, -1};
};

using Mode = calwizard::Mode;

class WizardOnTheLine : public caltest::QuintalocOnTheLine {
protected:
    std::unique_ptr<CCalibrationWizard> Wizard(Mode mode = Mode::Verify)
    {
        return std::make_unique<CCalibrationWizard>(*motor, mode, profile, questions, view, platform::AppFolder());
    }
    // The window's timers: each armed one fires after its time, until none is armed or `limit`.
    void RunTimers(CCalibrationWizard& wizard, milliseconds limit = seconds(10))
    {
        for (milliseconds spent{}; !view.timers.empty() && spent < limit;) {
            const auto [id, ms] = *view.timers.begin();
            clock.Advance(milliseconds(ms));
            spent += milliseconds(ms);
            wizard.OnTimer(id);
        }
    }

    RecordingView view;
};

TEST_F(WizardOnTheLine, RefusesBeforeTheMotorIsTouched)
{
    for (const caltest::UnusableSizes& c : caltest::UnusableSizeData()) {
        SCOPED_TRACE(c.what);
        UseSizes(c);
        view = RecordingView{};
        const size_t before = Commands();
        {
            auto wizard = Wizard();
            wizard->Init();
            EXPECT_NE(view.errors.find("Cannot find intial tuning and calibration data in registry."), std::string::npos)
                << view.log;
            EXPECT_EQ(wizard->ControlsEnabled(), c.anEntry);
            RunTimers(*wizard);
            // Start: refused (after the motion question, when the port copy is there), nothing written.
            if (c.anEntry)
                questions.AnswerMessageBox(ui::IDYES);
            wizard->OnStart();
            EXPECT_EQ(questions.PendingAnswers(), 0u);
            EXPECT_FALSE(wizard->Downloaded());
            EXPECT_FALSE(wizard->BlockWritten());
        }
        EXPECT_EQ(Block(), GoodBlock());
        if (!c.anEntry) {
            EXPECT_EQ(Commands(), before) << "no sizes: the port copy is never made";
        }
        EXPECT_TRUE(port->isOpen) << "the port is given back open";
    }
}

TEST_F(WizardOnTheLine, NoToTheMotionQuestionAndACorruptedBlock)
{
    {
        auto wizard = Wizard();
        wizard->Init();
        RunTimers(*wizard);
        EXPECT_EQ(view.status, "Motor information received successfully.");
        EXPECT_EQ(wizard->PowerAtStart(), 650);
        questions.AnswerMessageBox(ui::IDNO);
        wizard->OnStart();
        EXPECT_FALSE(wizard->Downloaded());
        wizard->OnClose();
        EXPECT_EQ(view.ended, 0);
    }
    EXPECT_EQ(Block(), GoodBlock());

    // A block whose sum is wrong: the power at start stays unknown, so a verification cannot run;
    // the user agrees to re-calibrate, which is asked for this motor by its key once the wizard
    // has ended. Nothing was written, and closing offers no restore of an unknown power.
    CalibrationBlock bad = GoodBlock();
    bad[kBlockSum] ^= 0x5A;
    SetBlock(bad);
    view = RecordingView{};
    {
        auto wizard = Wizard();
        wizard->Init();
        RunTimers(*wizard);
        EXPECT_NE(view.errors.find("Invalid Calibration Data Block was found in the motor."), std::string::npos);
        EXPECT_EQ(wizard->PowerAtStart(), kUnknownValue);
        questions.AnswerMessageBox(ui::IDYES); // violent motion is safe
        questions.AnswerMessageBox(ui::IDYES); // re-calibrate now
        wizard->OnStart();
        EXPECT_EQ(view.ended, 2);
        EXPECT_EQ(view.recalibrate, (std::pair<int, int>{0, 1}));
        EXPECT_FALSE(wizard->Downloaded());
    }
    EXPECT_EQ(Block(), bad);
    EXPECT_TRUE(port->isOpen);
}

TEST_F(WizardOnTheLine, AMotorThePortDoesNotListAndOneThatStopsAnswering)
{
    // The motor the wizard is opened for is no motor of the port's list (a temporary one): the
    // wizard works on a copy of it in its own port.
    ASSERT_EQ(port->MotorCount(), 0);
    auto wizard = Wizard();
    wizard->Init();
    ASSERT_TRUE(wizard->PortCopyInUse());
    EXPECT_NE(wizard->Motor(), motor.get());
    EXPECT_EQ(wizard->Motor()->Address, 1);
    EXPECT_FALSE(port->isOpen) << "the project's port is closed while the copy works";
    RunTimers(*wizard);
    EXPECT_EQ(wizard->PowerAtStart(), 650);

    // Started, the test runs; the motor goes silent and the user presses Stop: the stop cannot
    // reach it, which is said, and nothing hangs.
    questions.AnswerMessageBox(ui::IDYES);
    wizard->OnStart();
    ASSERT_TRUE(wizard->Downloaded());
    ASSERT_TRUE(view.timers.count(calwizard::kRunTimer));
    EXPECT_FALSE(wizard->ControlsEnabled());
    rig->WithMotor(0, [](vqxsim::SimMotor& m) { return m.knobs.mute = true; });
    wizard->OnStop();
    RunTimers(*wizard);
    EXPECT_NE(view.errors.find("Cannot stop calibration"), std::string::npos) << view.log;
    EXPECT_TRUE(view.timers.empty());
    // Closing: the block cannot be read back either; the error is shown, the wizard ends, and the
    // project's port is open again.
    questions.AnswerMessageBox(ui::IDOK);
    wizard->OnClose();
    EXPECT_EQ(view.ended, 0);
    wizard.reset();
    EXPECT_TRUE(port->isOpen);
    EXPECT_EQ(view.cursor, 0) << "every wait cursor was taken back";
}

} // namespace
