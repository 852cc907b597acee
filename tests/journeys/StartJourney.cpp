// VQX from its own start against a chain on a pseudo-terminal: the start-up port is the default
// project's, the user talks to the motors in the terminal, detects them into the tree, and a
// restart comes back to the same project, its port tabs in sight.

#include "JourneyRig.h"


class StartJourney : public Journey {};

TEST_F(StartJourney, TalksToTheChainDetectsItAndComesBackAfterARestart)
{
    ASSERT_TRUE(Start());
    Snapshot(frame, "journey-started");
    ASSERT_GE(Terminal().CurrentTab(), 0);
    EXPECT_EQ(Terminal().Tabs()->tabText(Terminal().CurrentTab()).toStdString(), "Chain");

    // A variable set from the terminal lands in the motors.
    EXPECT_TRUE(TypeAndWait("a=1234", "a=1234"));
    for (int m = 0; m < 3; ++m)
        EXPECT_TRUE(WaitFor([&] { return Motor(m, [](vqxsim::SimMotor& s) { return s.Var("a"); }) == 1234; })) << m;

    // Detect Motors fills the tree with the three motors of the chain.
    AutoAnswer("The operation finished successfully.", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    EXPECT_TRUE(WaitFor([&] { return Tree().ItemOf(0, 2) != nullptr; }, 60000));
    EXPECT_TRUE(InfoHas("3 motors were detected."));
    EXPECT_EQ(TreeText(0, 0).toStdString(), "Motor1-Chain (450)");
    EXPECT_EQ(TreeText(0, 2).toStdString(), "Motor3-Chain (450)");

    // The project is saved; after a restart it comes back with its motors.
    ASSERT_TRUE(Command(cmd::ID_SAVE_PROJECT));
    ASSERT_TRUE(Restart());
    EXPECT_EQ(Terminal().Tabs()->tabText(Terminal().CurrentTab()).toStdString(), "Chain");
    EXPECT_NE(Tree().ItemOf(0, 2), nullptr);
    // The project opened while the frame was still hidden: its port tabs are seen, not only
    // counted, in the terminal and in the analyzer once shown.
    EXPECT_TRUE(TabsShown(Terminal().Tabs())) << "tab row " << Terminal().Tabs()->height() << " high";
    ShowBar(frame->AnalyzerBar(), cmd::ID_VIEW_ANALYZER);
    const QTabBar* analyzerTabs = frame->AnalyzerBar()->widget()->findChild<QTabBar*>();
    ASSERT_NE(analyzerTabs, nullptr);
    EXPECT_TRUE(TabsShown(analyzerTabs)) << "tab row " << analyzerTabs->height() << " high";
    Snapshot(frame, "journey-detected");
}
