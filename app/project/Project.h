#pragma once
// CProject: the one open working set of VQX: its name and folder, its ports with their motors,
// its macros, the documents that were open, and the saved state of the parts that keep theirs in
// the project file (dock layout, terminal bar, analyzer, compiler settings, motor views).
//
// The project file is a tagged archive of class "VQXWSPFILE"; the default project lives in
// "Def.bin" in the user data folder (read from there, else from the program folder).
//
// Loading never touches the running program: Load parses the whole file into this object (the
// sections of other parts are kept as their file records) and throws on failure; the caller copies
// a loaded temporary project into the program's project only when it succeeded, and then hands
// each kept section to its owner (ApplySections). Saving replaces the file atomically.

#include "app/project/Macro.h"
#include "core/ui/OperationContext.h"
#include "platform/serial/SerialProbe.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
class CTagArchive;

inline constexpr const char* kProjectClass = "VQXWSPFILE";
inline constexpr const char* kDefaultProjectFile = "\\Def.bin";
inline constexpr const char* kDefaultProjectName = "EmptyPrj";

// A part that keeps its state in the project file under a group of its own ("MainFrame",
// "TerminalView", "SDAView", "Scanner"), or, for kMotorViewsSection, as the items "NoOfMVs" and
// "MV%d" of the project itself. One routine both stores and loads.
inline constexpr const char* kMotorViewsSection = "MotorViews";
class IProjectSection {
public:
    virtual ~IProjectSection() = default;
    virtual void SerializeSection(const std::string& group, CTagArchive& ar) = 0;
};

class CProject {
public:
    static constexpr int kMaxPorts = 30;
    static constexpr int kMaxMacros = 50;
    static constexpr int kMaxMotorViews = 10;

    CProject();
    ~CProject();
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;

    // Deep copy: ports with their motors, macros, kept sections (not the section owners).
    void Copy(const CProject& other);
    // Deletes every port and macro; clears modified.
    void RemoveAll();

    // Reads a project file (empty: FileName). Throws CVQXException: "Invalid Project File!" when
    // the file cannot be read or is of another class.
    void Load(const std::string& fileName = {});
    // Writes the project file, or Def.bin for the default project. False when nothing was
    // written: for a real project the user was told why; a Def.bin that cannot be written is
    // silently ignored.
    bool Save();
    // Makes this the default project and reads Def.bin (missing or unreadable: no ports), then
    // brings the port list in line with the machine (EnumSerialPorts).
    void LoadDefault(platform::ISerialPortProbe* probe = nullptr);
    // Names a new project "Project%d" in a folder of its own beside the current project's folder
    // (the user data folder for the default project).
    void MakeNewName(const CProject& current, platform::ISerialPortProbe* probe = nullptr);
    // Brings the port list in line with the serial devices present and adds the Ethernet and USB
    // ports. A device that is gone removes only ports without motors; the list never exceeds 30.
    void EnumSerialPorts(platform::ISerialPortProbe& probe);
    // The name a new port on a device is shown by: "Com<n>", or the device's file name unless a
    // port of the project is called so already (then the whole path).
    std::string ShownPortName(const std::string& portName) const;

    // ---- operation context ----
    // The context of every port of the project, also of ports added or loaded later (null: the
    // default context). VQX gives its main window's; the caller keeps it alive.
    void SetContext(ui::COperationContext* context);
    ui::COperationContext& Context() const { return *m_context; }

    // ---- ports, macros ----
    int PortCount() const { return static_cast<int>(m_ports.size()); }
    CCommPort* Port(int index) const;
    // Appends a port (false when 30 are there). The project owns it; its id becomes its index.
    bool AddPort(std::unique_ptr<CCommPort> port);
    bool InsertPort(int index, std::unique_ptr<CCommPort> port);
    void RemovePort(int index);
    const std::vector<std::unique_ptr<CMacro>>& Macros() const { return m_macros; }
    bool AddMacro(std::unique_ptr<CMacro> macro);
    void RemoveMacro(int index);
    // The first macro named "startup" (any letter case), none when absent.
    CMacro* StartupMacro() const;
    // The next motor after `after` (from the first motor of the first port when none), ports and
    // motors in list order, whose associated files hold `fileName` (letter case ignored; another
    // name of the same file counts too); none at the end.
    CMotor* FindMotorByFile(const std::string& fileName, const CMotor* after = nullptr) const;

    // The device names of the open ports, and reopening them: by name, so that ports edited,
    // removed or reordered meanwhile reopen the right devices. Failures are ignored.
    std::vector<std::string> RememberOpenPorts() const;
    void ReopenPorts(const std::vector<std::string>& portNames);
    // Opens every port whose saved "IsOpen" flag is set, in list order; failures are ignored.
    void OpenSavedPorts();
    void CloseAllPorts();

    // ---- sections of other parts ----
    // Registers the owner of a section (null: none). Save asks the owner; without one the kept
    // record is written back unchanged.
    void SetSectionOwner(const std::string& section, IProjectSection* owner);
    // Hands every kept section to its registered owner.
    void ApplySections();
    bool HasSection(const std::string& section) const;

    // The "Terminal Report" of a detection: the motors of every port, per port.
    std::vector<std::string> DetectionReport(const std::string& text) const;

    // Builds OpenDocuments from the open windows before each save (none: kept as it is).
    std::function<std::string()> collectDocuments;

    // ---- fields ----
    bool isDefault = true;
    bool modified = false;
    std::string Name;
    std::string FileName;
    int32_t FileVersion = 200;
    std::string OpenDocuments;
    bool pollingAllowed = true;
    // Open PollingHeld scopes (a dialog holds the ports closed, or a tool talks to a motor
    // itself). The chart view samples only while there are none; the terminal's short pause
    // around a typed command clears pollingAllowed alone and leaves the chart's timer running.
    int pollingHeld = 0;
    std::string Path;

private:
    void Serialize(CTagArchive& ar, bool defaultFile, bool withDocuments);
    void SerializeSection(const std::string& name, CTagArchive& ar);
    void SerializeMotorViews(CTagArchive& ar);
    void Reindex();

    ui::COperationContext* m_context;
    std::vector<std::unique_ptr<CCommPort>> m_ports;
    std::vector<std::unique_ptr<CMacro>> m_macros;
    // Kept records of the sections by name; the motor views as "NoOfMVs" and "MV%d" records.
    std::map<std::string, std::vector<uint8_t>> m_sections;
    std::vector<std::vector<uint8_t>> m_motorViews;
    std::map<std::string, IProjectSection*> m_owners;
};

// A serial device given at start-up (the simulated chain of `make run`, VQX_PORT) becomes the
// first port of a default project that was never configured (no Def.bin): an RS-232 chain at
// 9600 bit/s with echo, opened at start-up. True when the port was added.
bool AdoptStartupPort(CProject& project, const std::string& device);
// Whether a default project was ever saved on this machine.
bool DefaultProjectExists();

// ---- the OpenDocuments text ----
struct OpenDocumentEntry {
    enum Kind { Document, Monitor, MotorView };
    Kind kind = Document;
    std::string path;
    std::vector<long long> placement; // the numbers between "<" and ">"
    // MotorView: the port index (first two characters) and motor index (next three).
    int portIndex = -1;
    int motorIndex = -1;
    bool active() const { return placement.size() >= 11 && placement[10] != 0; }
};
// The entries of an OpenDocuments text. Viewless "/N" entries that an older writer left are
// skipped; the text after a malformed entry is dropped.
std::vector<OpenDocumentEntry> ParseOpenDocuments(const std::string& text);
// The text of entries (documents with an empty path are left out).
std::string FormatOpenDocuments(const std::vector<OpenDocumentEntry>& entries);
