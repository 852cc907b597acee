// The main frame's commands through the real frame, headless, against simulated motors on an
// RS-232 chain of three and an RS-485 bus of two on the in-process line, Ethernet motors on
// loopback addresses and USB motors behind the fake bridge: every command is
// triggered as the menus, the toolbar and the configuration tree's context menu trigger it
// (CommandTable::Execute, which refuses what the update rules disable), and its effect is checked
// on the motors, the project, the panes, the tree and the information view.

#include "FrameCommandsGui.h"


TEST_F(FrameCommandsGui, PortCommandsOnAChainAndABus)
{
    AddBusPort();
    ASSERT_EQ(Project().PortCount(), 2);
    EXPECT_EQ(TreeText(-1), QStringLiteral("Detected Configuration"));
    EXPECT_EQ(TreeText(0), QStringLiteral("cfg-chain (9600 bps)"));

    // Detect Motors on the terminal's port (the chain) after its question; the text by port kind.
    frame->Commands().Update(cmd::ID_DETECT_MOTORS);
    EXPECT_EQ(frame->Commands().Action(cmd::ID_DETECT_MOTORS)->text(),
              QStringLiteral("Detect/Address Motors on RS-232 chain"));
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
    ASSERT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_EQ(questions.MessageTexts().front(),
              "Do you want to detect/address the motors in \"cfg-chain\"?\n\n\nNote: User programs will end.");
    EXPECT_EQ(TreeText(0, 2), QStringLiteral("Motor3-cfg-chain (450)"));

    // The bus from the tree's context menu (no question): its menu reads as a bus's.
    ASSERT_TRUE(Tree().Select(1));
    QMenu* menu = Tree().ContextMenu(Tree().ItemOf(1), false);
    ASSERT_NE(menu, nullptr);
    EXPECT_NE(menu->findChild<QAction*>(QStringLiteral("32823")), nullptr);
    EXPECT_EQ(menu->findChild<QAction*>(QStringLiteral("32823"))->text(), QStringLiteral("Detect Motors on RS-485 Bus"));
    EXPECT_EQ(menu->findChild<QAction*>(QStringLiteral("32822")), nullptr);
    menu->findChild<QAction*>(QStringLiteral("32823"))->trigger();
    delete menu;
    ASSERT_EQ(Project().Port(1)->MotorCount(), 2);
    EXPECT_EQ(Tree().ItemOf(1)->childCount(), 2);

    // Echo off and on, on the chain: the motors follow and still answer.
    Bar().Tabs()->setCurrentIndex(0);
    ASSERT_TRUE(Run(cmd::ID_ECHO_OFF));
    EXPECT_EQ(Project().Port(0)->Echo, 0);
    EXPECT_FALSE(chain->WithMotor(2, [](vqxsim::SimMotor& m) { return m.Echo(0); }));
    EXPECT_TRUE(PaneText(0).contains(QStringLiteral("Echo Turned Off")));
    ASSERT_TRUE(Run(cmd::ID_ECHO_ON));
    EXPECT_EQ(Project().Port(0)->Echo, 1);
    EXPECT_TRUE(chain->WithMotor(0, [](vqxsim::SimMotor& m) { return m.Echo(0); }));
    EXPECT_TRUE(PaneText(0).contains(QStringLiteral("Echo Turned On")));
    // A chain passes commands and replies along only while its motors echo: they answer again.
    EXPECT_TRUE(Type("2RP").contains(QStringLiteral("0\n"))) << PaneText(0).toStdString();
    frame->Commands().Update(cmd::ID_ECHO_ON);
    EXPECT_TRUE(frame->Commands().Action(cmd::ID_ECHO_ON)->isChecked());
    // A refresh of the whole table takes the state once: each refresh reads it anew, and a single
    // command's update after one does not read the state the refresh took.
    const auto checks = [this] {
        return std::pair(frame->Commands().Action(cmd::ID_ECHO_ON)->isChecked(),
                         frame->Commands().Action(cmd::ID_ECHO_OFF)->isChecked());
    };
    frame->Commands().UpdateAll();
    EXPECT_EQ(checks(), std::pair(true, false));
    ASSERT_TRUE(Run(cmd::ID_ECHO_OFF));
    frame->Commands().UpdateAll();
    EXPECT_EQ(checks(), std::pair(false, true));
    ASSERT_TRUE(Run(cmd::ID_ECHO_ON));
    frame->Commands().Update(cmd::ID_ECHO_ON);
    frame->Commands().Update(cmd::ID_ECHO_OFF);
    EXPECT_EQ(checks(), std::pair(true, false));

    // Baud rate 19200 and back: the motors and the port change together and keep answering.
    ASSERT_TRUE(Run(32934));
    EXPECT_EQ(Project().Port(0)->BitPerSec, 19200);
    EXPECT_EQ(chain->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 19200);
    EXPECT_TRUE(PaneText(0).contains(QStringLiteral("New Baudrate: 19200")));
    EXPECT_EQ(TreeText(0), QStringLiteral("cfg-chain (19200 bps)"));
    frame->Commands().Update(32934);
    EXPECT_TRUE(frame->Commands().Action(32934)->isChecked());
    EXPECT_TRUE(Type("3RP").contains(QStringLiteral("0\n")));
    ASSERT_TRUE(Run(32933));
    EXPECT_EQ(Project().Port(0)->BitPerSec, 9600);
    EXPECT_EQ(chain->WithMotor(2, [](vqxsim::SimMotor& m) { return m.Channel(0).baud; }), 9600);
    EXPECT_TRUE(Type("3RP").contains(QStringLiteral("0\n")));

    // On the bus tab: echo and the terminal's rate rules; Echo On refused with the pane's text.
    Bar().Tabs()->setCurrentIndex(1);
    EXPECT_FALSE(Run(cmd::ID_ECHO_ON));
    SetPortEcho(Project(), 1, true, session->Commands());
    EXPECT_TRUE(PaneText(1).contains(QStringLiteral("Echo is available only for RS-232 daisy chain configuration.")));

    // Stop Motors reaches every port: "END" to all, then "S" without an address byte.
    Taken(chainBytes);
    Taken(busBytes);
    ASSERT_TRUE(Run(cmd::ID_STOP_MOTORS));
    for (std::string* line : {&chainBytes, &busBytes}) {
        const std::string sent = Taken(*line);
        EXPECT_NE(sent.find("\x80" "END "), std::string::npos) << sent;
        EXPECT_NE(sent.find("S "), std::string::npos) << sent;
    }
    ASSERT_TRUE(Run(cmd::ID_DECELERATE_MOTORS));
    EXPECT_NE(Taken(busBytes).find("X "), std::string::npos);
    // Run and Stop Program on the current pane.
    ASSERT_TRUE(Run(cmd::ID_RUN_PROGRAM));
    EXPECT_NE(Taken(busBytes).find("RUN "), std::string::npos);

    // Without the terminal bar the port commands are off.
    frame->ShowControlBar(frame->TerminalBar(), false);
    EXPECT_FALSE(Run(cmd::ID_STOP_MOTORS));
    EXPECT_FALSE(Run(cmd::ID_DETECT_MOTORS));
    EXPECT_TRUE(questions.ScriptErrors().empty());
}

TEST_F(FrameCommandsGui, ProjectFilesBuildDownloadValidateAndFind)
{
    questions.AnswerMessageBox(ui::IDYES);
    ASSERT_TRUE(Run(cmd::ID_DETECT_MOTORS));
    ASSERT_EQ(Project().Port(0)->MotorCount(), 3);
    EXPECT_FALSE(Run(cmd::ID_COMPILE_DOWNLOAD_PROJECT)); // the default project cannot

    // Save Project on the default project saves it as a named one.
    const std::string folder = dir / "line";
    QString saveTitle;
    FillNamePage("Line", folder, &saveTitle);
    ASSERT_TRUE(Run(cmd::ID_SAVE_PROJECT));
    EXPECT_EQ(saveTitle, QStringLiteral("Save Project as"));
    EXPECT_FALSE(Project().isDefault);
    EXPECT_EQ(Project().Name, "Line");
    EXPECT_TRUE(std::filesystem::exists(folder + "/Line.spj"));
    EXPECT_EQ(TreeText(-1), QStringLiteral("Project: Line"));

    // Programs dropped on the motors become their associated files; a text file is refused.
    for (int i = 1; i <= 3; ++i)
        WriteFile(folder + "/m" + std::to_string(i) + ".tqs", "a=" + std::to_string(i) + "\nEND\n");
    WriteFile(folder + "/notes.txt", "x");
    for (int i = 0; i < 3; ++i)
        DropOn(Tree().ItemOf(0, i), {folder + "/m" + std::to_string(i + 1) + ".tqs", folder + "/notes.txt"});
    CMotor& first = *Project().Port(0)->motors.GetAt(0);
    ASSERT_EQ(first.associatedFiles.GetCount(), 1);
    EXPECT_EQ(first.associatedFiles.GetAt(0)->FileName, folder + "/m1.tqs");
    EXPECT_EQ(TreeText(0, 0, 0), QStringLiteral("m1.tqs"));
    EXPECT_TRUE(Project().modified);

    // Each file becomes its motor's main file from the file's menu.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Tree().Select(0, i, 0));
        ASSERT_TRUE(Run(kTreeMainFile));
        EXPECT_EQ(Project().Port(0)->motors.GetAt(i)->mainAssociatedFile, 0);
    }

    // Compile and Download Project: three compiled files, three programs in three motors.
    ASSERT_TRUE(Run(cmd::ID_COMPILE_DOWNLOAD_PROJECT));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::string compiled = folder + "/m" + std::to_string(i + 1) + ".tqx";
        EXPECT_TRUE(std::filesystem::exists(compiled));
        EXPECT_TRUE(InfoHas("Transmitting \"" + compiled));
        const std::string body = chain->WithMotor(static_cast<size_t>(i), [](vqxsim::SimMotor& m) {
            return m.Program().Valid() ? m.Program().Body() : std::string();
        });
        EXPECT_FALSE(body.empty());
    }
    EXPECT_EQ(h.info.ErrorCount(), 0);
    // The tree marks each motor's downloaded program.
    EXPECT_EQ(TreeText(0, 1, 0), QStringLiteral("m2.tqs (Downloaded)"));

    // Validate: the motor's program matches the project; after the file changed it does not.
    ASSERT_TRUE(Tree().Select(0, 0));
    ASSERT_TRUE(Run(kTreeValidate));
    EXPECT_TRUE(InfoHas("matches the Project settings."));
    WriteFile(folder + "/m1.tqx", "$ not the program in the motor\n");
    ASSERT_TRUE(Tree().Select(0, 0));
    QString resolveTitle;
    WhenModal([&](QWidget* w) {
        resolveTitle = w->windowTitle();
        static_cast<QDialog*>(w)->reject();
    });
    ASSERT_TRUE(Run(kTreeValidate));
    EXPECT_TRUE(InfoHas("does not match the Project settings."));
    EXPECT_EQ(resolveTitle, QStringLiteral("Resolve Motor Inconsistency")); // the user decides

    // Find Motors after the project lost motor 3 and gained a motor 7 that is not there: the
    // comparison is shown and merged by the remembered answer "add new, update, leave old".
    CCommPort& port = *Project().Port(0);
    RemoveDetectedMotor(port, port.motors.GetAt(2));
    EnterDetectedMotor(port, 7)->Version = "450";
    session->PortsChanged();
    ui::SetRememberedAnswer("DifferentChannel", 1238);
    ASSERT_TRUE(Run(cmd::ID_FIND_MOTORS));
    EXPECT_TRUE(InfoHas("The detected information in the port \"cfg-chain\" does not matches the Project settings."));
    ASSERT_EQ(port.MotorCount(), 4);
    EXPECT_NE(port.GetMotor(3), nullptr);
    EXPECT_NE(port.GetMotor(7), nullptr);
    EXPECT_TRUE(port.isOpen); // the private copy let go of the device, the port is back
    EXPECT_EQ(Tree().ItemOf(0)->childCount(), 4);

    // A motor that stops answering in the middle: the error is told, the motor after it keeps its
    // program (its changed source is compiled but never sent), and nothing is left asleep.
    const std::string before2 = chain->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Program().Body(); });
    WriteFile(folder + "/m2.tqs", "a=22\nEND\n");
    chain->WithMotor(0, [](vqxsim::SimMotor& m) { m.knobs.mute = true; });
    h.info.Clear();
    ASSERT_TRUE(Run(cmd::ID_COMPILE_DOWNLOAD_PROJECT));
    EXPECT_GE(h.info.ErrorCount(), 1);
    EXPECT_EQ(chain->WithMotor(1, [](vqxsim::SimMotor& m) { return m.Program().Body(); }), before2);
    for (size_t i : {1u, 2u})
        EXPECT_FALSE(chain->WithMotor(i, [](vqxsim::SimMotor& m) { return m.Asleep(0); })) << i;
    EXPECT_EQ(port.MotorCount(), 4);
}

TEST_F(FrameCommandsGui, NetworkAndUsbMotorsFromTheTree)
{
    // Ethernet motors on loopback addresses of this test, USB motors behind the fake bridge.
    vqxsim::MotorProfile e;
    e.firmware = "450";
    e.serial = ('E' << 24) | 10;
    vqxsim::NetOptions o;
    const std::string base = "127." + std::to_string(150 + getpid() % 90) + "." + std::to_string(getpid() % 250) + ".";
    o.firstAddress = base + "2";
    o.tcpPort = 10001;
    o.discoveryPort = 0;
    auto net = vqxsim::NetRig::Start(vqxsim::MakeProfiles(2, e), o);
    platform::net::NetSettings s;
    s.broadcastAddress = "127.255.255.255";
    s.udpPort = net->DiscoveryPort();
    s.udpLocalPort = 0;
    s.udpLocalAddress = "127.0.0.1";
    s.tcpPort = 10001;
    platform::net::ScopedNetSettings useNet(s);
    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge useBridge(bridge);
    vqxsim::MotorProfile u;
    u.firmware = "462";
    u.serial = ('U' << 24) | 20;
    vqxsim::UsbOptions uo;
    uo.serials = {"TQ-1", "TQ-2"};
    auto usb = vqxsim::UsbRig::Start(bridge, vqxsim::MakeProfiles(2, u), uo);

    for (auto [name, type] : {std::pair{"Ethernet", COMM_ETHERNET}, std::pair{"USB", COMM_USB}}) {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = name;
        port->CommType = type;
        port->Echo = 0;
        ASSERT_TRUE(Project().AddPort(std::move(port)));
    }
    session->PortsChanged();
    EXPECT_EQ(TreeText(1), QStringLiteral("Ethernet"));
    EXPECT_EQ(TreeText(2), QStringLiteral("USB"));

    // Each port detected from its context menu, whose texts and items follow its kind.
    for (int p : {1, 2}) {
        SCOPED_TRACE(p);
        ASSERT_TRUE(Tree().Select(p));
        std::unique_ptr<QMenu> menu(Tree().ContextMenu(Tree().ItemOf(p), false));
        QAction* detect = menu->findChild<QAction*>(QStringLiteral("32823"));
        ASSERT_NE(detect, nullptr);
        EXPECT_EQ(detect->text(), p == 1 ? QStringLiteral("Detect Network Motors") : QStringLiteral("Detect USB Motors"));
        EXPECT_EQ(menu->findChild<QAction*>(QStringLiteral("33145")), nullptr); // no baud rates
        detect->trigger();
        ASSERT_EQ(Project().Port(p)->MotorCount(), 2);
        EXPECT_EQ(Tree().ItemOf(p)->childCount(), 2);
    }
    CMotor& netMotor = *Project().Port(1)->motors.GetAt(0);
    ASSERT_TRUE(netMotor.Socket);
    {
        std::unique_ptr<QMenu> menu(Tree().ContextMenu(Tree().ItemOf(1, 0), false));
        EXPECT_NE(menu->findChild<QAction*>(QStringLiteral("33160")), nullptr); // its web page
        std::unique_ptr<QMenu> usbMenu(Tree().ContextMenu(Tree().ItemOf(2, 0), false));
        EXPECT_NE(usbMenu->findChild<QAction*>(QStringLiteral("33159")), nullptr); // 462: calibration
        EXPECT_EQ(usbMenu->findChild<QAction*>(QStringLiteral("33160")), nullptr);
    }

    // Echo and baud rates are not for network or USB ports.
    Bar().Tabs()->setCurrentIndex(1);
    EXPECT_FALSE(Run(cmd::ID_ECHO_OFF));
    EXPECT_FALSE(Run(32934));

    // Validate the networked motor of a named project: it matches, and it stays connected (the
    // copy that read it borrowed its connection).
    Project().isDefault = false;
    Project().Name = "Net";
    ASSERT_TRUE(Tree().Select(1, 0));
    ASSERT_TRUE(Run(kTreeValidate));
    EXPECT_TRUE(InfoHas("The information in \"" + netMotor.Name + "\" matches the Project settings."));
    EXPECT_TRUE(netMotor.Socket->IsConnected());
    EXPECT_TRUE(Type("RP").contains(QStringLiteral("0\n"))) << PaneText(1).toStdString();

    EXPECT_TRUE(questions.ScriptErrors().empty());
}
