// The default project, saved and read back after a restart: the chain's port on a device path
// (a pseudo-terminal) comes back with its motors and settings, and a port whose device is absent
// at the restart stays in the project with its settings, ready for when the device is back.

#include "JourneyRig.h"

#include "app/frame/gui/ProjectSession.h"

class DefaultProjectJourney : public Journey {
protected:
    // The default project (the machine's own ports, the chain added as the start-up port).
    static JourneyStart DefaultProject()
    {
        JourneyStart start;
        start.chainProject = false;
        return start;
    }
    const CCommPort* ChainPort() const
    {
        CProject& project = app->Session()->Project();
        for (int i = 0; i < project.PortCount(); ++i)
            if (project.Port(i)->PortName == rig->DevicePath())
                return project.Port(i);
        return nullptr;
    }
};

TEST_F(DefaultProjectJourney, APortOnADevicePathComesBackAfterARestart)
{
    ASSERT_TRUE(Start(DefaultProject()));
    ASSERT_TRUE(app->Session()->Project().isDefault);
    ASSERT_NE(ChainPort(), nullptr) << "the start-up port joins the default project";

    // The motors are detected into the port (the machine's other ports find nothing); the
    // default project is saved when VQX ends.
    AutoAnswer("The operation finished successfully.", "OK");
    AutoAnswer("One or more Errors/Warnings were detected", "OK");
    ASSERT_TRUE(Command(cmd::ID_FIND_MOTORS));
    ASSERT_TRUE(WaitFor([&] { return ChainPort() && ChainPort()->MotorCount() == 3; }, 60000));
    const std::string shownName = ChainPort()->Name;

    ASSERT_TRUE(Restart(DefaultProject()));
    ASSERT_TRUE(app->Session()->Project().isDefault);
    const CCommPort* port = ChainPort();
    ASSERT_NE(port, nullptr) << "the saved port on " << rig->DevicePath() << " was dropped";
    EXPECT_EQ(port->Name, shownName);
    EXPECT_EQ(port->MotorCount(), 3);
    EXPECT_EQ(port->BitPerSec, 9600);
    EXPECT_TRUE(TypeAndWait("RP", "0")) << "the port opens and the motors answer";
}

TEST_F(DefaultProjectJourney, APortWhoseDeviceIsAbsentAtTheRestartIsKept)
{
    ASSERT_TRUE(Start(DefaultProject()));
    ASSERT_NE(ChainPort(), nullptr);
    const std::string device = rig->DevicePath();
    const std::string shownName = ChainPort()->Name;

    // VQX ends (saving the default project); the chain goes away, and VQX starts again with
    // another chain on another device.
    Stop();
    auto other = vqxsim::SerialRig::Chain(vqxsim::MakeProfiles(3, JourneyMotor(), true));
    rig = std::move(other);
    setenv("VQX_PORT", rig->DevicePath().c_str(), 1);
    ASSERT_TRUE(Start(DefaultProject()));
    ASSERT_NE(rig->DevicePath(), device);
    CProject& project = app->Session()->Project();
    const CCommPort* kept = nullptr;
    for (int i = 0; i < project.PortCount(); ++i)
        if (project.Port(i)->PortName == device)
            kept = project.Port(i);
    ASSERT_NE(kept, nullptr) << "the port on " << device << " was dropped";
    EXPECT_EQ(kept->Name, shownName);
    EXPECT_EQ(kept->CommType, COMM_RS232);
    EXPECT_EQ(kept->BitPerSec, 9600);
    EXPECT_EQ(Terminal().Tabs()->count(), project.PortCount()) << "its tab is shown";
}
