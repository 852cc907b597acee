// The communication-error box as a user meets it: the motors stop answering a terminal command,
// VQX asks whether to re-establish communication, detection finds nobody on either bus kind, and
// a recovery choice leads on (setup wizard, manual port settings, lock-up wizard) once the
// summary of the failed detection has been read. One journey per choice, so they run side by side.

#include "JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"

#include <QRadioButton>

#include <iostream>

struct RecoveryRound {
    const char* name;
    const char* choice;
    int command;
    // The title of the window the command opens; null: the command is only checked to be sent.
    const char* opens;
};

class CommErrorJourney : public Journey, public ::testing::WithParamInterface<RecoveryRound> {
protected:
    // Answers the error box with Yes, the choice box with `choice`, the summary with OK, and hands
    // the window the choice opens to `after` (when given).
    void ChooseRecovery(const QString& choice, std::function<void(QWidget*)> after)
    {
        Answer([this, choice, after](QWidget* box) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("No response received!"));
            EXPECT_TRUE(Text(box).contains(QStringLiteral("on the port \"Chain\"")) &&
                        Text(box).endsWith(QStringLiteral("Do you want VQX to re-establish communication with the motors?")))
                << Text(box).toStdString();
            Answer([this, choice, after](QWidget* choices) { Choose(choices, choice, after); });
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("1002")), Qt::LeftButton);
        });
    }
    void Choose(QWidget* choices, const QString& choice, std::function<void(QWidget*)> after)
    {
        EXPECT_EQ(choices->windowTitle(), QStringLiteral("Detecting motors on \"Chain\""));
        QStringList offered;
        QRadioButton* wanted = nullptr;
        for (QRadioButton* r : choices->findChildren<QRadioButton*>())
            if (r->isVisible()) {
                offered << r->text();
                if (r->text() == choice)
                    wanted = r;
            }
        // Nobody answered as RS-232 nor as RS-485: the list for a line that stays silent.
        EXPECT_EQ(offered, QStringList({QStringLiteral("Try again"), QStringLiteral("Search for RS-485 bus Motors/Quintalocs"),
                                        QStringLiteral("Run Communication Setup Wizard"),
                                        QStringLiteral("Run Communication Lockup Wizard"),
                                        QStringLiteral("Manually define port and motors settings")}));
        if (!wanted) {
            ADD_FAILURE() << "no choice \"" << choice.toStdString() << "\"";
            Decline(choices);
            return;
        }
        // Given up: the summary of what detection reported comes first, then the command.
        Answer([this, after](QWidget* summary) {
            EXPECT_TRUE(Text(summary).startsWith(QStringLiteral("One or more Errors/Warnings were detected"))) << Text(summary).toStdString();
            EXPECT_TRUE(InfoHas("Cannot establish a link to Motors!"));
            if (after)
                Answer(after);
            summaryRead = true;
            Decline(summary);
        });
        QTest::mouseClick(wanted, Qt::LeftButton);
        Click(choices, 1);
    }
    bool summaryRead = false;
    static QString Text(QWidget* box)
    {
        auto* label = box->findChild<QLabel*>(QStringLiteral("1069"));
        return label ? label->text() : QString();
    }
};

TEST_P(CommErrorJourney, ChoiceLeadsOnAfterTheSummary)
{
    const RecoveryRound round = GetParam();
    ASSERT_TRUE(Start());
    ShowBar(frame->TerminalBar(), cmd::ID_VIEW_TERMINAL);
    ASSERT_TRUE(TypeAndWait("a=1", "a=1"));
    for (int m = 0; m < 3; ++m)
        Motor(m, [](vqxsim::SimMotor& s) { s.knobs.mute = true; });

    int triggered = 0;
    QObject::connect(Action(round.command), &QAction::triggered, [&] { ++triggered; });
    const bool enabled = Enabled(round.command);
    QString opened;
    ChooseRecovery(QString::fromLatin1(round.choice), round.opens ? [&opened](QWidget* w) {
        opened = w->windowTitle();
        Decline(w);
    } : std::function<void(QWidget*)>());
    Type(QStringLiteral("RP"));
    if (round.opens) {
        EXPECT_TRUE(WaitFor([&] { return !opened.isEmpty(); }, 90000));
        EXPECT_EQ(opened, QString::fromLatin1(round.opens));
        EXPECT_EQ(triggered, 1);
    } else {
        // The lock-up wizard is another engineer's: its command is asked for once the summary is
        // read, and runs when the frame's rules enable it.
        EXPECT_TRUE(WaitFor([&] { return summaryRead; }, 90000));
        if (enabled)
            EXPECT_TRUE(WaitFor([&] { return triggered > 0; })) << "the lock-up wizard's command did not run";
        else
            std::cout << "[ journey ] the lock-up wizard's command is disabled by the frame's rules today\n";
        Settle();
        if (QWidget* w = QApplication::activeModalWidget())
            Decline(w);
    }
    // Given up: the port is as it was, although detection tried it as RS-485 meanwhile.
    const CCommPort& port = *app->Session()->Project().Port(0);
    EXPECT_EQ(port.CommType, COMM_RS232);
    EXPECT_EQ(port.MotorChannel, 0);
    EXPECT_EQ(port.MaxMotors, 10);
}

INSTANTIATE_TEST_SUITE_P(Choices, CommErrorJourney,
                         ::testing::Values(RecoveryRound{"SetupWizard", "Run Communication Setup Wizard", cmd::ID_COMM_WIZARD,
                                                         "Communication Setup Wizard"},
                                           RecoveryRound{"ManualSettings", "Manually define port and motors settings",
                                                         cmd::ID_COMM_SETTINGS, "Communication Settings"},
                                           RecoveryRound{"LockupWizard", "Run Communication Lockup Wizard",
                                                         cmd::ID_LOCKUP_WIZARD, "Communication Lock-up Recovery Wizard"}),
                         [](const ::testing::TestParamInfo<RecoveryRound>& info) { return std::string(info.param.name); });
