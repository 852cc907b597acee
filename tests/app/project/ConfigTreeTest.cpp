// The configuration tree as data: the whole tree of a project with every kind of port, its texts,
// images and bold root, the context menu of each kind of item with its variants, and the changes
// to a motor's associated files made from the tree.

#include "app/project/AssociatedFiles.h"
#include "app/project/ConfigTree.h"
#include "app/project/Project.h"
#include "app/shell/CommandIds.h"
#include "core/backends/MotorSocket.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::unique_ptr<CCommPort> Port(const std::string& name, uint8_t type, int baud = 9600)
{
    auto p = std::make_unique<CCommPort>();
    p->Name = p->PortName = name;
    p->CommType = type;
    p->BitPerSec = baud;
    return p;
}

bool Has(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

const ConfigMenuEntry* FindItem(const std::vector<ConfigMenuEntry>& menu, int id)
{
    for (const auto& m : menu) {
        if (m.id == id)
            return &m;
        if (const ConfigMenuEntry* sub = FindItem(m.submenu, id))
            return sub;
    }
    return nullptr;
}

// A project "Line" in /projects/line: a chain with two motors (the first at 462 with three files,
// one its main file and one its downloaded program, the second off), a bus, an Ethernet port with
// a networked motor, a USB port, and a port of a kind the tree does not show.
struct LineProject {
    CProject project;
    LineProject()
    {
        project.isDefault = false;
        project.Name = "Line";
        project.Path = "/projects/line";
        project.AddPort(Port("Com1", COMM_RS232, 19200));
        project.AddPort(Port("Com2", COMM_RS485, 38400));
        project.AddPort(Port("Ethernet", COMM_ETHERNET));
        project.AddPort(Port("USB", COMM_USB));
        project.AddPort(Port("Odd", 4));
        CMotor* a = EnterDetectedMotor(*project.Port(0), 1);
        a->Name = "Spindle";
        a->Version = "462ah";
        a->IsAvailable = true;
        a->ProgName = "C:\\old\\CUT.TQX";
        a->AddAssociatedFile("/projects/line/main.tqs");
        a->AddAssociatedFile("/projects/LINE/cut.tqs");
        a->AddAssociatedFile("/elsewhere/lib.tqs");
        a->SetMainAssociatedFile(0);
        CMotor* b = EnterDetectedMotor(*project.Port(0), 2);
        b->Name = "Feeder";
        b->Version = "451";
        b->IsAvailable = false;
        CMotor* n = EnterDetectedMotor(*project.Port(2), 1);
        n->Name = "Net";
        n->Version = "500";
        n->Socket = std::make_shared<CMotorSocket>("127.0.0.9");
    }
};

} // namespace

TEST(ConfigTree, TheWholeTreeOfAProject)
{
    LineProject line;
    const ConfigNode root = BuildConfigTree(line.project);
    EXPECT_EQ(root.text, "Project: Line");
    EXPECT_TRUE(root.bold);
    EXPECT_EQ(root.image, kImageRoot);
    ASSERT_EQ(root.children.size(), 4u); // the port of another kind has no item

    struct PortRow {
        const char* text;
        int image;
        size_t motors;
    } ports[] = {{"Com1 (19200 bps)", kImagePort, 2}, {"Com2 (38400 bps)", kImagePort, 0},
                 {"Ethernet", kImageEthernetPort, 1}, {"USB", kImageUSBPort, 0}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(root.children[i].kind, ConfigItemKind::Port);
        EXPECT_EQ(root.children[i].text, ports[i].text);
        EXPECT_EQ(root.children[i].image, ports[i].image);
        EXPECT_EQ(root.children[i].children.size(), ports[i].motors);
        EXPECT_EQ(root.children[i].port, static_cast<int>(i));
    }
    const ConfigNode& spindle = root.children[0].children[0];
    EXPECT_EQ(spindle.text, "Spindle (462ah)");
    EXPECT_EQ(spindle.image, kImageMotorOn);
    EXPECT_EQ(root.children[0].children[1].text, "Feeder (451)");
    EXPECT_EQ(root.children[0].children[1].image, kImageMotorOff);

    // Files: the name alone in the project's folder (any case), the full path elsewhere; the main
    // file's image; the downloaded program (CUT.TQX -> cut.tqs) marked in text and image.
    ASSERT_EQ(spindle.children.size(), 3u);
    EXPECT_EQ(spindle.children[0].text, "main.tqs");
    EXPECT_EQ(spindle.children[0].image, kImageMainFile);
    EXPECT_EQ(spindle.children[1].text, "cut.tqs (Downloaded)");
    EXPECT_EQ(spindle.children[1].image, kImageDownloadedFile);
    EXPECT_EQ(spindle.children[2].text, "/elsewhere/lib.tqs");
    EXPECT_EQ(spindle.children[2].image, kImageFile);
    EXPECT_EQ(spindle.children[2].file, 2);
    EXPECT_EQ(spindle.children[2].motor, 0);

    // The downloaded main file takes image 6.
    line.project.Port(0)->motors.GetAt(0)->SetMainAssociatedFile(1);
    EXPECT_EQ(BuildConfigTree(line.project).children[0].children[0].children[1].image, kImageDownloadedMainFile);

    // The default project's root.
    CProject def;
    EXPECT_EQ(BuildConfigTree(def).text, "Detected Configuration");
    EXPECT_TRUE(BuildConfigTree(def).children.empty());
}

TEST(ConfigTree, ContextMenusByKindOfItem)
{
    LineProject line;
    const ConfigNode root = BuildConfigTree(line.project);
    auto menuOf = [&](const ConfigNode& item) { return ConfigContextMenu(line.project, item); };

    const auto project = menuOf(root);
    EXPECT_TRUE(project.front().isDefault);
    EXPECT_TRUE(Has(MenuIds(project), cmd::ID_FIND_MOTORS));

    // Ports: the chain can be addressed; the bus, network and USB read otherwise and the last two
    // have no baud rates.
    struct {
        size_t port;
        const char* detectText;
        bool address;
        bool baud;
    } ports[] = {{0, "Detect Motors on RS-232 Chain", true, true},
                 {1, "Detect Motors on RS-485 Bus", false, true},
                 {2, "Detect Network Motors", false, false},
                 {3, "Detect USB Motors", false, false}};
    for (const auto& p : ports) {
        SCOPED_TRACE(p.detectText);
        const auto menu = menuOf(root.children[p.port]);
        const auto ids = MenuIds(menu);
        EXPECT_EQ(FindItem(menu, 32823)->text, p.detectText);
        EXPECT_EQ(Has(ids, 32822), p.address);
        EXPECT_EQ(Has(ids, 33145), p.baud);
        EXPECT_EQ(Has(ids, 33149), p.baud);
        EXPECT_EQ(menu.front().id, 32824);
        EXPECT_TRUE(menu.front().isDefault);
    }

    // Motors: the 462 motor has the calibration commands, the 451 not; only the networked motor
    // has its web page.
    const auto spindle = MenuIds(menuOf(root.children[0].children[0]));
    const auto feeder = MenuIds(menuOf(root.children[0].children[1]));
    const auto net = MenuIds(menuOf(root.children[2].children[0]));
    for (int id : {33159, 33158, 33164, 33143})
        EXPECT_TRUE(Has(spindle, id) && !Has(feeder, id) && !Has(net, id)) << id;
    EXPECT_TRUE(Has(net, 33160));
    EXPECT_FALSE(Has(spindle, 33160));
    for (int id : {32820, 32936, 33010, 33038, 32819, 32817, 33163})
        EXPECT_TRUE(Has(feeder, id)) << id;

    // Files: the main file's item is checked, another is not.
    const auto& files = root.children[0].children[0].children;
    EXPECT_TRUE(FindItem(menuOf(files[0]), 32939)->checked);
    EXPECT_FALSE(FindItem(menuOf(files[1]), 32939)->checked);
    EXPECT_EQ(MenuIds(menuOf(files[1])), (std::vector<int>{32826, 33009, 32939, 32807}));
}

TEST(ConfigTree, AssociatedFilesFromTheTree)
{
    CMotor motor;
    motor.Name = "M";
    std::vector<std::string> refused;
    const std::string longPath = "/" + std::string(300, 'x') + ".tqs";
    const auto added =
        AssociateFiles(motor, {"/p/a.tqs", "/p/b.TQC", "/p/notes.txt", "/p/A.TQS", longPath, "/p/c.tqs"}, &refused);
    EXPECT_EQ(added, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(refused.size(), 3u); // a text file, a file already there (any case), a path too long
    ASSERT_EQ(motor.associatedFiles.GetCount(), 3);

    // Main file toggles; removing a file before the main one keeps the main file on its file.
    EXPECT_TRUE(ToggleMainFile(motor, 2));
    EXPECT_EQ(motor.mainAssociatedFile, 2);
    EXPECT_TRUE(RemoveAssociatedFile(motor, 0));
    EXPECT_EQ(motor.associatedFiles.GetCount(), 2);
    EXPECT_EQ(motor.associatedFiles.GetAt(0)->FileName, "/p/b.TQC");
    EXPECT_EQ(motor.associatedFiles.GetAt(1)->index, 1);
    EXPECT_EQ(motor.GetMainAssociatedFile()->FileName, "/p/c.tqs");
    // Removing the main file leaves none; toggling twice leaves none.
    EXPECT_TRUE(RemoveAssociatedFile(motor, 1));
    EXPECT_EQ(motor.mainAssociatedFile, -1);
    EXPECT_TRUE(ToggleMainFile(motor, 0));
    EXPECT_TRUE(ToggleMainFile(motor, 0));
    EXPECT_EQ(motor.mainAssociatedFile, -1);
    EXPECT_FALSE(RemoveAssociatedFile(motor, 5));
    EXPECT_FALSE(ToggleMainFile(motor, -1));
}
