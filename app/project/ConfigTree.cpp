#include "app/project/ConfigTree.h"

#include "app/project/Project.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/paths/Paths.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

using platform::FileNamePart;
using platform::FolderPart;

std::string WithoutTrailingSeparators(std::string s)
{
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\'))
        s.pop_back();
    return s;
}

std::string FileText(const std::string& path, const std::string& projectPath)
{
    if (!projectPath.empty() && Lower(WithoutTrailingSeparators(FolderPart(path))) == Lower(WithoutTrailingSeparators(projectPath)))
        return FileNamePart(path);
    return path;
}

ConfigMenuEntry Command(int id)
{
    const shell::FrameCommand* c = shell::FindFrameCommand(id);
    return ConfigMenuEntry{id, c ? c->menuText : std::string(), false, false, {}};
}

ConfigMenuEntry Separator() { return ConfigMenuEntry{}; }

ConfigMenuEntry Submenu(std::string text, std::vector<int> ids)
{
    ConfigMenuEntry m;
    m.text = std::move(text);
    for (int id : ids)
        m.submenu.push_back(Command(id));
    return m;
}

void Remove(std::vector<ConfigMenuEntry>& menu, int id)
{
    menu.erase(std::remove_if(menu.begin(), menu.end(), [id](const ConfigMenuEntry& m) { return m.id == id; }), menu.end());
}

void RemoveSubmenu(std::vector<ConfigMenuEntry>& menu, const std::string& text)
{
    menu.erase(std::remove_if(menu.begin(), menu.end(),
                              [&](const ConfigMenuEntry& m) { return m.id == 0 && m.text == text && !m.submenu.empty(); }),
               menu.end());
}

ConfigMenuEntry* Find(std::vector<ConfigMenuEntry>& menu, int id)
{
    for (auto& m : menu)
        if (m.id == id)
            return &m;
    return nullptr;
}

} // namespace

bool IsDownloadedProgram(const CMotor& motor, const std::string& path)
{
    if (motor.ProgName.empty())
        return false;
    std::string prog = FileNamePart(motor.ProgName);
    const size_t dot = prog.rfind('.');
    prog = (dot == std::string::npos ? prog : prog.substr(0, dot)) + ".tqs";
    return Lower(FileNamePart(path)) == Lower(prog);
}

ConfigNode FileItem(const CMotor& motor, int portIndex, int motorIndex, int fileIndex, const std::string& projectPath)
{
    ConfigNode item;
    item.kind = ConfigItemKind::File;
    item.port = portIndex;
    item.motor = motorIndex;
    item.file = fileIndex;
    const CAssociatedFile* file = motor.associatedFiles.GetAt(fileIndex);
    const std::string path = file ? file->FileName : std::string();
    item.text = FileText(path, projectPath);
    item.image = fileIndex == motor.mainAssociatedFile ? kImageMainFile : kImageFile;
    if (IsDownloadedProgram(motor, path)) {
        item.image += 2;
        item.text += " (Downloaded)";
    }
    return item;
}

ConfigNode MotorItem(const CMotor& motor, int portIndex, int motorIndex, const std::string& projectPath)
{
    ConfigNode item;
    item.kind = ConfigItemKind::Motor;
    item.port = portIndex;
    item.motor = motorIndex;
    item.text = motor.Name + " (" + motor.Version + ")";
    item.image = MotorImage(motor);
    for (int f = 0; f < motor.associatedFiles.GetCount(); ++f)
        item.children.push_back(FileItem(motor, portIndex, motorIndex, f, projectPath));
    return item;
}

int PortImage(int commType)
{
    switch (commType) {
    case COMM_RS232:
    case COMM_RS485: return kImagePort;
    case COMM_ETHERNET: return kImageEthernetPort;
    case COMM_USB: return kImageUSBPort;
    default: return -1;
    }
}

int MotorImage(const CMotor& motor) { return motor.IsAvailable ? kImageMotorOn : kImageMotorOff; }

ConfigNode PortItem(const CCommPort& port, int portIndex, const std::string& projectPath)
{
    ConfigNode item;
    item.kind = ConfigItemKind::Port;
    item.port = portIndex;
    item.image = PortImage(port.CommType);
    if (item.image < 0)
        return item;
    item.text = item.image == kImagePort ? port.Name + " (" + std::to_string(port.BitPerSec) + " bps)" : port.Name;
    if (item.image == kImagePort && port.PortName != port.Name)
        item.toolTip = port.PortName;
    for (int m = 0; m < port.MotorCount(); ++m)
        item.children.push_back(MotorItem(*port.motors.GetAt(m), portIndex, m, projectPath));
    return item;
}

ConfigNode BuildConfigTree(const CProject& project)
{
    ConfigNode root;
    root.kind = ConfigItemKind::Root;
    root.text = project.isDefault ? "Detected Configuration" : "Project: " + project.Name;
    root.image = kImageRoot;
    root.bold = true;
    root.children.reserve(static_cast<size_t>(project.PortCount()));
    for (int p = 0; p < project.PortCount(); ++p) {
        const CCommPort& port = *project.Port(p);
        if (PortImage(port.CommType) >= 0)
            root.children.push_back(PortItem(port, p, project.Path));
    }
    return root;
}

std::vector<ConfigMenuEntry> ConfigContextMenu(const CProject& project, const ConfigNode& item)
{
    using namespace shell::ids;
    std::vector<ConfigMenuEntry> menu;
    switch (item.kind) {
    case ConfigItemKind::Root:
        menu = {Command(kTreeProperties), Separator(), Command(cmd::ID_FIND_MOTORS), Command(cmd::ID_COMM_WIZARD),
                Separator(), Command(cmd::ID_COMPILE_PROJECT), Command(cmd::ID_COMPILE_DOWNLOAD_PROJECT)};
        break;
    case ConfigItemKind::Port: {
        const CCommPort* port = PortOf(project, item);
        menu = {Command(kTreeProperties), Separator(), Command(kTreeDetect), Command(kTreeAddress),
                Submenu("Set Baudrate", {33145, 33146, 33147, 33148, 33149})};
        const int type = port ? port->CommType : 0;
        if (type != COMM_RS232)
            Remove(menu, kTreeAddress);
        if (type == COMM_RS485)
            Find(menu, kTreeDetect)->text = "Detect Motors on RS-485 Bus";
        if (type == COMM_ETHERNET || type == COMM_USB) {
            Find(menu, kTreeDetect)->text = type == COMM_ETHERNET ? "Detect Network Motors" : "Detect USB Motors";
            RemoveSubmenu(menu, "Set Baudrate");
        }
        break;
    }
    case ConfigItemKind::Motor: {
        CMotor* motor = MotorOf(project, item);
        menu = {Command(kTreeMotorProperties),
                Command(kTreeMotorView),
                Command(kTreePlayground),
                Command(kTreeTuneMotor),
                Separator(),
                Command(kTreeAssociate),
                Command(kTreeDownloadMain),
                Command(kTreeDownloadEditor),
                Command(kTreeValidate),
                Separator(),
                Command(kTreeUpload),
                Command(kTreeUploadCalibration),
                Command(kTreeClearEEPROM),
                Submenu("Quintaloc Calibration", {kTreeVerifyCalibration, kTreeRecalibrate, kTreeCalibrationPower}),
                Separator(),
                Command(kTreeSetAddress),
                Command(kTreeWebPage)};
        if (!motor || !motor->IsVersion462()) {
            RemoveSubmenu(menu, "Quintaloc Calibration");
            Remove(menu, kTreeUploadCalibration);
        }
        if (!motor || !motor->Socket)
            Remove(menu, kTreeWebPage);
        break;
    }
    case ConfigItemKind::File: {
        const CMotor* motor = MotorOf(project, item);
        menu = {Command(kTreeOpenFile), Command(kTreeDownload), Separator(), Command(kTreeMainFile),
                Separator(), Command(kTreeDeleteFile)};
        Find(menu, kTreeMainFile)->checked = motor && motor->mainAssociatedFile == item.file;
        break;
    }
    }
    if (!menu.empty())
        menu.front().isDefault = true;
    return menu;
}

std::vector<int> MenuIds(const std::vector<ConfigMenuEntry>& menu)
{
    std::vector<int> ids;
    for (const auto& m : menu) {
        if (m.id)
            ids.push_back(m.id);
        for (int id : MenuIds(m.submenu))
            ids.push_back(id);
    }
    return ids;
}

CCommPort* PortOf(const CProject& project, const ConfigNode& item)
{
    return item.kind == ConfigItemKind::Root ? nullptr : project.Port(item.port);
}

CMotor* MotorOf(const CProject& project, const ConfigNode& item)
{
    if (item.kind != ConfigItemKind::Motor && item.kind != ConfigItemKind::File)
        return nullptr;
    CCommPort* port = project.Port(item.port);
    return port ? port->motors.GetAt(item.motor) : nullptr;
}
