// A motor whose program makes it deaf, recovered as a user does it: the terminal gets no answer,
// the communication-error box offers the lock-up wizard for that port, the wizard sends "E" while
// the motor is switched on (the simulator's power cycle), detects it, uploads its program (which
// the user saves) and clears it; the motor answers again, awake, its program gone.

#include "JourneyRig.h"

#include "app/editor/gui/VQXView.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/shell/gui/ChoiceDlg.h"
#include "app/tuning/gui/LockupWizardDlg.h"
#include "scanner/Scanner.h"

#include <QComboBox>
#include <QFileDialog>
#include <QRadioButton>
#include <QTextEdit>

#include <fstream>
#include <iterator>

using tuning::gui::CLockupWizardDlg;
namespace lockup = tuning::lockup;

namespace {

std::string DeafProgram()
{
    CScanner scanner;
    scanner.Scan("a=1\nPRINT(\"LOCKUP-DEAF\")\nEND\n", "450");
    return scanner.CompiledImage();
}

class LockupJourney : public Journey {
protected:
    static QPushButton* Button(QWidget* w, int id) { return w->findChild<QPushButton*>(QString::number(id)); }
    static QString Text(QWidget* w) { return w->findChild<QLabel*>(QString::number(lockup::kText))->text(); }
};

} // namespace

TEST_F(LockupJourney, DeafMotorRecoveredFromTheCommunicationErrorBox)
{
    JourneyStart start;
    start.motors = 1;
    start.motor.program = DeafProgram();
    ASSERT_TRUE(Start(start));
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    EXPECT_TRUE(TypeAndWait("RP", "0")) << "the motor answers before its program runs";
    rig->PowerCycle(0); // the program starts with the motor and makes it deaf
    QTest::qWait(500);

    // No answer: the error box; "Yes" re-establishes, detection finds nothing, and of the
    // recovery choices the user takes the lock-up wizard.
    AutoAnswer("Do you want VQX to re-establish communication", "Yes");
    AutoAnswer("The operation finished successfully.", "OK");
    AutoAnswer("One or more Errors/Warnings were detected during the operation.", "OK");
    bool offered = false;
    AnswerWindow<CChoiceDlg>(
        [&](CChoiceDlg* choice) {
            for (int i = 0; i < 5; ++i)
                if (choice->Radio(i)->isVisible() && choice->Radio(i)->text() == QStringLiteral("Run Communication Lockup Wizard")) {
                    offered = true;
                    choice->Radio(i)->setChecked(true);
                }
            QTest::mouseClick(choice->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton);
        },
        QStringLiteral("recovery-choices"));

    // Detection may find the port other than the project holds it: the user takes what it found.
    AnswerWindow<CDifferentSettingsDlg>(
        [](CDifferentSettingsDlg* d) { QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("1")), Qt::LeftButton); },
        QStringLiteral("lockup-detected-settings"), 60000, false);

    // In the wizard: Continue, the motor switched on while "E" goes out, Continue again; then
    // Upload Program (saved by the user) and Clear EEPROM, and Close.
    QString port, title, powerUpText, contactText;
    bool contactButtons = false, done = false;
    const std::string saved = dir / "deaf-program.tqs";
    AnswerWindow<CLockupWizardDlg>(
        [&](CLockupWizardDlg* w) {
            title = w->windowTitle();
            EXPECT_TRUE(OverWorkArea(w));
            port = w->findChild<QComboBox*>(QString::number(lockup::kPortCombo))->currentText();
            EXPECT_EQ(Text(w), QString::fromLatin1(lockup::kWelcomeText));
            // F1 opens the wizard's page, as Help does.
            const std::vector<std::string> help = HelpOnF1(Button(w, lockup::kContinue));
            EXPECT_EQ(help.size(), 1u);
            EXPECT_TRUE(!help.empty() && help[0].ends_with("/help/185.htm")) << (help.empty() ? "" : help[0]);
            QTimer::singleShot(300, w, [&, w] {
                powerUpText = Text(w);
                rig->PowerCycle(0);
            });
            QTimer::singleShot(600, w, [w] { Button(w, lockup::kContinue)->click(); });
            QTest::mouseClick(Button(w, lockup::kContinue), Qt::LeftButton);
            contactText = Text(w);
            contactButtons = Button(w, lockup::kUpload)->isVisible() && Button(w, lockup::kClear)->isVisible();
            Snapshot(w, QStringLiteral("lockup-wizard-contact"));
            QTest::mouseClick(Button(w, lockup::kUpload), Qt::LeftButton);
            QTest::mouseClick(Button(w, lockup::kClear), Qt::LeftButton);
            QTest::mouseClick(Button(w, lockup::kClose), Qt::LeftButton);
            done = true;
        },
        QStringLiteral("lockup-wizard"));
    Type("RP");
    ASSERT_TRUE(WaitFor([&] { return done; }, 60000));
    EXPECT_TRUE(offered);
    EXPECT_EQ(TreeText(0, 0), QStringLiteral("Motor1-Chain (450)")) << "the motor found is in the project";
    EXPECT_EQ(title, QStringLiteral("Communication Lock-up Recovery Wizard"));
    EXPECT_EQ(port, QStringLiteral("Chain")) << "the port of the error";
    EXPECT_EQ(powerUpText, QString::fromLatin1(lockup::kPowerUpText));
    EXPECT_EQ(contactText, QString::fromLatin1(lockup::kContactText));
    EXPECT_TRUE(contactButtons);
    EXPECT_TRUE(WaitFor([&] { return Find<CLockupWizardDlg>() == nullptr; }));

    // The uploaded program is a document of its own; the user saves it under a name.
    auto* view = qobject_cast<CVQXView*>(ActiveDocument());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->toPlainText().contains(QStringLiteral("LOCKUP-DEAF"))) << view->toPlainText().toStdString();
    Answer([saved](QWidget* w) {
        auto* chooser = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(chooser, nullptr);
        chooser->selectFile(QString::fromStdString(saved));
        static_cast<QDialog*>(chooser)->accept();
    });
    ASSERT_TRUE(Command(cmd::ID_FILE_SAVE));
    std::ifstream file(saved);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("LOCKUP-DEAF"), std::string::npos) << saved;
    EXPECT_TRUE(ActiveDocument()->windowTitle().contains(QStringLiteral("deaf-program")))
        << ActiveDocument()->windowTitle().toStdString();

    // The motor: its program cleared, awake, answering, and it stays so after a power cycle.
    EXPECT_TRUE(InfoHas("Clearing the EEPROM in"));
    EXPECT_EQ(Motor(0, [](vqxsim::SimMotor& m) { return m.Program().Body().find("LOCKUP-DEAF"); }), std::string::npos);
    EXPECT_FALSE(Motor(0, [](vqxsim::SimMotor& m) { return m.Asleep(0); }));
    EXPECT_TRUE(TypeAndWait("RSP", "/450"));
    rig->PowerCycle(0);
    QTest::qWait(500);
    EXPECT_TRUE(TypeAndWait("a=7 Ra", "7"));
}
