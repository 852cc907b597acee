// Calibrating a Quintaloc from VQX's own start: a "462" motor with its factory calibration block is
// detected, its index calibration verified through the configuration tree's menu (the warnings,
// the wizard downloading the calibration programs the build made, the motor's own test in the
// simulator, the verdict), a failed verification, a re-calibration that stores the new value, and
// the calibration power set to 40 % and read back; bad powers are refused.

#include "JourneyRig.h"

#include "app/shell/FrameCommandTable.h"
#include "app/tuning/CalibrationData.h"
#include "app/tuning/gui/CalibrationPowerDlg.h"
#include "app/tuning/gui/CalibrationWizardDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

using namespace tuning;
using tuning::gui::CCalibrationPowerDlg;
using tuning::gui::CCalibrationWizardDlg;

namespace {

constexpr int kVerify = shell::ids::kTreeVerifyCalibration;
constexpr int kRecalibrate = shell::ids::kTreeRecalibrate;
constexpr int kPower = shell::ids::kTreeCalibrationPower;

// The factory block of the journey's motor: power 650 (65 % of the QL5720 size's 1000), user
// value 700, calibration value 96, a verification run.
CalibrationBlock FactoryBlock()
{
    CalibrationBlock b{};
    SetBlockWord(b, kBlockPower, 650);
    SetBlockWord(b, kBlockUser, 700);
    for (int i = 4; i <= 12; ++i)
        b[static_cast<size_t>(i)] = 0xFF;
    b[kBlockRun] = 0;
    b[kBlockValue] = 96;
    Resum(b);
    return b;
}

class CalibrationJourney : public Journey {
protected:
    // `unfinished`: the motor reports that its calibration did not finish (Bn) when detected.
    bool StartWithQuintaloc(bool unfinished = false)
    {
        JourneyStart start;
        start.motors = 1;
        start.motor.firmware = "462";
        start.motor.model = "QL5720-A1";
        if (!Start(start))
            return false;
        Motor(0, [unfinished](vqxsim::SimMotor& m) {
            const CalibrationBlock b = FactoryBlock();
            std::copy(b.begin(), b.end(), m.Eeprom().begin() + kCalibrationBlockAddress);
            m.Eeprom()[kCalibrationFlagAddress] = 1; // finished at the factory
            m.knobs.calibration.durationMs = 600;
            m.SetBit('n', unfinished);
            return 0;
        });
        AutoAnswer("The operation finished successfully.", "OK");
        if (!Command(cmd::ID_FIND_MOTORS) || !WaitFor([&] { return Tree().ItemOf(0, 0) != nullptr; }, 60000))
            return false;
        return true;
    }
    CalibrationBlock BlockInMotor()
    {
        return Motor(0, [](vqxsim::SimMotor& m) {
            CalibrationBlock b{};
            std::copy_n(m.Eeprom().begin() + kCalibrationBlockAddress, b.size(), b.begin());
            return b;
        });
    }
    void SelectMotorInTree()
    {
        Tree().findChild<QTreeWidget*>()->setCurrentItem(Tree().ItemOf(0, 0));
    }
    // Runs the wizard's test once (Start and its question) and waits for its end in the log.
    static bool RunTest(CCalibrationWizardDlg* w, const QString& endsWith)
    {
        const int before = w->LogText().size();
        QTest::mouseClick(w->findChild<QPushButton*>(QString::number(calwizard::kStart)), Qt::LeftButton);
        return WaitFor([&] { return w->LogText().mid(before).contains(endsWith); }, 30000);
    }
    static QString Status(QWidget* w)
    {
        return w->findChild<QLabel*>(QString::number(calwizard::kStatus))->text();
    }
    // Whether the motor took this command (its last thousand).
    bool Asked(const std::string& command)
    {
        return Motor(0, [&](vqxsim::SimMotor& m) {
            return std::find(m.CommandLog().begin(), m.CommandLog().end(), command) != m.CommandLog().end();
        });
    }
    // The motor answers its identity in the terminal: awake and not deaf.
    bool Answers() { return TypeAndWait("RSP", "/462"); }
};

} // namespace

TEST_F(CalibrationJourney, VerifyGoodThenFailedThenRecalibrate)
{
    ASSERT_TRUE(StartWithQuintaloc());
    const CalibrationBlock factory = FactoryBlock();
    EXPECT_EQ(BlockInMotor(), factory);
    // The sizes the suite ships were put into the profile on the first start.
    EXPECT_EQ(NumberOfSizes(platform::AppProfile()), 2);

    // Verify through the tree's menu: the two warnings, the wizard; the motor's test finds the
    // calibration in order; a second run whose test fails says so.
    SelectMotorInTree();
    AutoAnswer("Motor will move at half-power", "OK");
    AutoAnswer("The user program in the motor will be overwritten", "OK");
    AutoAnswer("violent motion of the motor is safe", "Yes");
    AutoAnswer("perfect order", "OK");
    AutoAnswer("Unable to perform Calibration Verification", "OK");
    QString title, log, firstStatus, failedStatus;
    std::string programsDuringTest;
    AnswerWindow<CCalibrationWizardDlg>(
        [&](CCalibrationWizardDlg* wizard) {
            QWidget* w = wizard;
            title = wizard->windowTitle();
            EXPECT_TRUE(OverWorkArea(wizard));
            // F1 opens the wizard's page of the guide, as Help does.
            const std::vector<std::string> help = HelpOnF1(wizard);
            EXPECT_EQ(help.size(), 1u);
            EXPECT_TRUE(!help.empty() && help[0].ends_with("/help/VQXUsersGuide/Tools/Calibration/Verifying.htm"))
                << (help.empty() ? "" : help[0]);
            // Get Motor Info runs by itself once the window is up.
            EXPECT_TRUE(WaitFor([&] { return Status(w) == QStringLiteral("Motor information received successfully."); }));
            EXPECT_EQ(wizard->Form().PowerPercent(), 65);
            EXPECT_FALSE(wizard->Form().SizeChoiceVisible()) << "the motor's model names its size";
            EXPECT_TRUE(RunTest(wizard, QStringLiteral("in perfect order")));
            firstStatus = Status(w);
            programsDuringTest = Motor(0, [](vqxsim::SimMotor& m) {
                std::string held;
                held += m.Program().Body().find("INDEX-CAL ReCal") != std::string::npos ? 'R' : '-';
                held += m.CalibrationProgram().Body().find("INDEX-CAL StdCal") != std::string::npos ? 'S' : '-';
                return held;
            });
            Motor(0, [](vqxsim::SimMotor& m) { return m.knobs.calibration.www = -1; });
            EXPECT_TRUE(RunTest(wizard, QStringLiteral("Unable to perform Calibration Verification")));
            failedStatus = Status(w);
            QTest::mouseClick(wizard->findChild<QPushButton*>(QString::number(calwizard::kDetails)), Qt::LeftButton);
            Snapshot(wizard, QStringLiteral("calibration-wizard-verify"));
            log = wizard->LogText();
            wizard->reject(); // Close: the power did not change, so nothing is asked
        },
        QStringLiteral("calibration-wizard-verify-start"));
    ASSERT_TRUE(Command(kVerify));
    EXPECT_EQ(title, QStringLiteral("Verifying Index Calibration - Motor1-Chain"));
    EXPECT_EQ(programsDuringTest, "RS") << "both calibration programs were in the motor during the test";
    EXPECT_EQ(firstStatus,
              QStringLiteral("The Quintaloc Calibration is in perfect order.  There is no need to re-calibrate."));
    EXPECT_EQ(failedStatus, QStringLiteral("Unable to perform Calibration Verification.  Check test conditions. "
                                           "Recalibration may be necessary."));
    for (const char* step : {"Settings for 'QL5720'", "ST11 Value:650 (%65)", "Current Calibration Value:96",
                             "Downloading Korvessan Standard Calibration Program...Done.",
                             "Downloading the Calibration Verification Program...Done.", "Restarting the motor...Done.",
                             "Now Verifying Index Calibration...", "Verifying index"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(step))) << step << "\n" << log.toStdString();
    // The block is as the factory left it, byte for byte; the motor was asked to verify; the test
    // programs are gone and the motor answers.
    EXPECT_EQ(BlockInMotor(), factory);
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Eeprom()[kCalibrationFlagAddress]; }), 1);
    EXPECT_TRUE(Asked("uuu=3")) << "the motor was asked to verify";
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Program().Body().find("INDEX-CAL"); }), std::string::npos);
    EXPECT_TRUE(Answers());

    // Re-calibration (its own warnings): the motor's test finds 120; the user agrees, the block gets
    // it with a good sum.
    Motor(0, [](vqxsim::SimMotor& m) { return m.knobs.calibration.newValue = 120; });
    SelectMotorInTree();
    AutoAnswer("INDEX CALIBRATION WAS SET IN THE FACTORY", "OK");
    AutoAnswer("Are you SURE you want to update the motor calibration data?", "Yes");
    AutoAnswer("RE-CALIBRATION FINISHED.", "OK");
    QString recalStatus;
    AnswerWindow<CCalibrationWizardDlg>(
        [&](CCalibrationWizardDlg* wizard) {
            QWidget* w = wizard;
            title = wizard->windowTitle();
            EXPECT_TRUE(WaitFor([&] { return Status(w) == QStringLiteral("Motor information received successfully."); }));
            EXPECT_TRUE(RunTest(wizard, QStringLiteral("(Calibration Value:120)")));
            EXPECT_TRUE(WaitFor([&] { return wizard->LogText().contains(QStringLiteral("Restarting the motor...Done.\n"),
                                                                        Qt::CaseSensitive) &&
                                             wizard->LogText().count(QStringLiteral("Restarting the motor...Done.")) == 2; }));
            recalStatus = Status(w);
            log = wizard->LogText();
            Snapshot(wizard, QStringLiteral("calibration-wizard-recalibrate"));
            wizard->reject();
        },
        QStringLiteral("calibration-wizard-recalibrate-start"));
    ASSERT_TRUE(Command(kRecalibrate));
    EXPECT_EQ(title, QStringLiteral("Quintaloc Index Re-Calibration - Motor1-Chain"));
    EXPECT_TRUE(log.contains(QStringLiteral("Now storing the calibration information in the motor...Done.")))
        << log.toStdString();
    const CalibrationBlock stored = BlockInMotor();
    EXPECT_TRUE(IsValidBlock(stored));
    EXPECT_EQ(stored[kBlockValue], 120);
    EXPECT_EQ(BlockWord(stored, kBlockPower), 650);
    EXPECT_EQ(BlockWord(stored, kBlockUser), 700);
    EXPECT_EQ(stored[kBlockRun], 1) << "a re-calibration run";
    EXPECT_TRUE(Asked("uuu=2")) << "the motor was asked to re-calibrate";
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Program().Body().find("INDEX-CAL"); }), std::string::npos);
    EXPECT_TRUE(Answers());
}

TEST_F(CalibrationJourney, SetCalibrationPowerAndReadItBack)
{
    ASSERT_TRUE(StartWithQuintaloc());
    SelectMotorInTree();
    AutoAnswer("Please enter a calibration power from 0 to 100 %.", "OK");
    AutoAnswer("Do you want to reset the motor now?", "Yes");
    QString current, afterApply;
    int refusedWrites = -1;
    AnswerWindow<CCalibrationPowerDlg>(
        [&](CCalibrationPowerDlg* dlg) {
            auto* currentEdit = dlg->findChild<QLineEdit*>(QString::number(calpower::kCurrent));
            auto* newEdit = dlg->findChild<QLineEdit*>(QString::number(calpower::kNew));
            auto* apply = dlg->findChild<QPushButton*>(QString::number(calpower::kApply));
            current = currentEdit->text();
            // Powers the slider cannot show are refused, and nothing reaches the motor.
            const CalibrationBlock before = BlockInMotor();
            for (const char* bad : {"-5", "1000", "forty"}) {
                newEdit->clear();
                QTest::keyClicks(newEdit, QString::fromLatin1(bad));
                QTest::mouseClick(apply, Qt::LeftButton);
            }
            refusedWrites = BlockInMotor() == before ? 0 : 1;
            newEdit->clear();
            QTest::keyClicks(newEdit, QStringLiteral("40"));
            EXPECT_EQ(dlg->findChild<QSlider*>(QString::number(calpower::kSlider))->value(), 40);
            QTest::mouseClick(apply, Qt::LeftButton);
            afterApply = currentEdit->text();
            Snapshot(dlg, QStringLiteral("calibration-power"));
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        },
        QStringLiteral("calibration-power-start"));
    ASSERT_TRUE(Command(kPower));
    EXPECT_EQ(current, QStringLiteral("65"));
    EXPECT_EQ(refusedWrites, 0);
    EXPECT_EQ(afterApply, QStringLiteral("40"));
    const CalibrationBlock block = BlockInMotor();
    EXPECT_EQ(block[0], 0x01);
    EXPECT_EQ(block[1], 0x90) << "40 % of 1000 is 400";
    EXPECT_TRUE(IsValidBlock(block));
    EXPECT_EQ(block[kBlockValue], 96);

    // Opened again, it reads the new power from the motor.
    AnswerWindow<CCalibrationPowerDlg>(
        [&](CCalibrationPowerDlg* w) {
            current = w->findChild<QLineEdit*>(QString::number(calpower::kCurrent))->text();
            QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        },
        QStringLiteral("calibration-power-again"));
    ASSERT_TRUE(Command(kPower));
    EXPECT_EQ(current, QStringLiteral("40"));
    EXPECT_TRUE(Answers());
}

TEST_F(CalibrationJourney, TheLineOfAnUnfinishedCalibrationOpensTheWizard)
{
    AutoAnswer("Calibration has not finished successfully for one or more", "OK");
    AutoAnswer("One or more Errors/Warnings were detected during the operation.", "OK");
    ASSERT_TRUE(StartWithQuintaloc(true));
    const QString line = QStringLiteral("The motor \"Motor1-Chain\" has not finished calibration successfully. Please "
                                        "double click here to Verify Calibration or ReCalibrate the motor.");
    ASSERT_TRUE(InfoHas(line.toStdString()));

    // A double-click on the line: the offer, the two warnings, the wizard for that motor.
    AutoAnswer("Calibration has not finished successfully for the detected", "Verify Calibration");
    AutoAnswer("Motor will move at half-power", "OK");
    AutoAnswer("The user program in the motor will be overwritten", "OK");
    QString title, status;
    AnswerWindow<CCalibrationWizardDlg>(
        [&](CCalibrationWizardDlg* w) {
            title = w->windowTitle();
            EXPECT_TRUE(WaitFor([&] { return Status(w) == QStringLiteral("Motor information received successfully."); }));
            w->reject();
        },
        QStringLiteral("calibration-wizard-from-the-information-view"));
    auto* list = frame->InfoBar()->findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    const auto items = list->findItems(line, Qt::MatchContains | Qt::MatchRecursive, 1) +
                       list->findItems(line, Qt::MatchContains | Qt::MatchRecursive, 0);
    ASSERT_FALSE(items.isEmpty());
    list->scrollToItem(items.front());
    const QPoint at = list->visualItemRect(items.front()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(WaitFor([&] { return !title.isEmpty(); }, 30000));
    EXPECT_EQ(title, QStringLiteral("Verifying Index Calibration - Motor1-Chain"));
    EXPECT_EQ(BlockInMotor(), FactoryBlock()) << "nothing written without Start";
    EXPECT_TRUE(Answers());
}
