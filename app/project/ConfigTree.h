#pragma once
// The configuration tree as data: the project, its ports, their motors and each motor's associated
// files, with the texts, images and bold root the configuration bar shows, and the context menu
// of each kind of item. The bar's widget only copies this into its tree control.

#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CProject;

enum class ConfigItemKind { Root, Port, Motor, File };

// Images of the tree's image list.
enum : int {
    kImageRoot = 0,
    kImagePort = 1,
    kImageMotorOn = 2,
    kImageFile = 3,
    kImageMainFile = 4,
    kImageDownloadedFile = 5,
    kImageDownloadedMainFile = 6,
    kImageMotorOff = 7,
    kImageEthernetPort = 8,
    kImageUSBPort = 9,
};

struct ConfigNode {
    ConfigItemKind kind = ConfigItemKind::Root;
    std::string text;
    std::string toolTip; // a serial port's device when its name does not say it
    int image = kImageRoot;
    bool bold = false;
    // Where the item's data lives in the project (-1 where the level has none).
    int port = -1;
    int motor = -1;
    int file = -1;
    std::vector<ConfigNode> children;
};

// The image of a port of a communication type (-1: the tree shows no such port), and of a motor.
int PortImage(int commType);
int MotorImage(const CMotor& motor);

// The whole tree of a project. Ports of a kind the tree does not show get no item.
ConfigNode BuildConfigTree(const CProject& project);
// One port's, motor's or file's item (with its children).
ConfigNode PortItem(const CCommPort& port, int portIndex, const std::string& projectPath);
ConfigNode MotorItem(const CMotor& motor, int portIndex, int motorIndex, const std::string& projectPath);
ConfigNode FileItem(const CMotor& motor, int portIndex, int motorIndex, int fileIndex,
                        const std::string& projectPath);
// Whether a file is the motor's downloaded program: its file name equals (ignoring case) the
// motor's program name with the extension made ".tqs".
bool IsDownloadedProgram(const CMotor& motor, const std::string& path);

// ---- context menus ----
struct ConfigMenuEntry {
    int id = 0;               // 0: a separator, or a submenu when it has items
    std::string text;
    bool checked = false;
    bool isDefault = false;   // the first command of the menu
    std::vector<ConfigMenuEntry> submenu;
};
// The menu of an item of the tree: "Project", "Channel Menu", "Motor Menu" or "AssociatedFile",
// changed as the item's port kind, motor firmware and back end, and main file say.
std::vector<ConfigMenuEntry> ConfigContextMenu(const CProject& project, const ConfigNode& item);
// All command ids of a menu, submenus included, in order (for tests and for the bar's actions).
std::vector<int> MenuIds(const std::vector<ConfigMenuEntry>& menu);

// The item's objects (null when the indexes no longer hold).
CCommPort* PortOf(const CProject& project, const ConfigNode& item);
CMotor* MotorOf(const CProject& project, const ConfigNode& item);
