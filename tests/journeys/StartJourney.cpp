// VQX from its own start against a chain on a pseudo-terminal: the start-up port is the default
// project's, the user talks to the motors in the terminal, detects them into the tree, and a
// restart comes back to the same project.

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
    Snapshot(frame, "journey-detected");
}
