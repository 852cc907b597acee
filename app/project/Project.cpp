#include "app/project/Project.h"

#include "app/framework/RecentFileList.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"
#include "platform/paths/Paths.h"
#include "platform/serial/PortNames.h"
#include "platform/serial/SerialDevices.h"

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kKeptSections[] = {"MainFrame", "TerminalView", "SDAView", "Scanner"};
constexpr const char* kInvalidProjectFile = "Invalid Project File!";
constexpr const char* kCannotWrite = "Cannot write to the project file.";
constexpr const char* kErrorWriting = "Error Writing file.";

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Case-insensitive text order (so Com10 sorts before Com2, as the list always has).
bool NameGreater(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

// The file record of one 32-bit value, as SerializeRecord gives it.
std::vector<uint8_t> IntRecord(const std::string& name, int32_t value)
{
    std::vector<uint8_t> r;
    r.push_back(static_cast<uint8_t>(name.size()));
    r.insert(r.end(), name.begin(), name.end());
    const uint32_t words[] = {0u, 4u, static_cast<uint32_t>(value)};
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i)
            r.push_back(static_cast<uint8_t>(w >> (8 * i)));
    return r;
}

std::string MvName(int i) { return "MV" + std::to_string(i); }

// A list the project owns ("Channels", "Macros"): one "Arr%d" group per element. On loading an
// absent group keeps the list; a present one replaces it, with at most `max` elements.
template <class T, class Clear>
void SerializeOwnedList(CTagArchive& ar, const char* name, std::vector<std::unique_ptr<T>>& items, int max,
                        Clear clear)
{
    if (!ar.OpenGroup(name))
        return;
    if (ar.IsLoading())
        clear();
    const int n = ar.IsStoring() ? static_cast<int>(items.size()) : std::min(ar.GetGroupCount(), max);
    for (int i = 0; i < n; ++i) {
        if (ar.IsLoading())
            items.push_back(std::make_unique<T>());
        items[static_cast<size_t>(i)]->Serialize(CTagArchive::ArrName(i), ar);
    }
    ar.CloseGroup();
}

} // namespace

CProject::CProject() : m_context(&ui::COperationContext::Default()) {}
CProject::~CProject() = default;

CCommPort* CProject::Port(int index) const
{
    return index >= 0 && index < PortCount() ? m_ports[static_cast<size_t>(index)].get() : nullptr;
}

void CProject::SetContext(ui::COperationContext* context)
{
    m_context = context ? context : &ui::COperationContext::Default();
    Reindex();
}

void CProject::Reindex()
{
    for (size_t i = 0; i < m_ports.size(); ++i) {
        m_ports[i]->id = static_cast<int>(i);
        m_ports[i]->SetContext(m_context);
    }
    for (size_t i = 0; i < m_macros.size(); ++i)
        m_macros[i]->index = static_cast<int>(i);
}

bool CProject::AddPort(std::unique_ptr<CCommPort> port)
{
    if (!port || PortCount() >= kMaxPorts)
        return false;
    m_ports.push_back(std::move(port));
    Reindex();
    return true;
}

bool CProject::InsertPort(int index, std::unique_ptr<CCommPort> port)
{
    if (!port || PortCount() >= kMaxPorts)
        return false;
    index = std::clamp(index, 0, PortCount());
    m_ports.insert(m_ports.begin() + index, std::move(port));
    Reindex();
    return true;
}

void CProject::RemovePort(int index)
{
    if (index < 0 || index >= PortCount())
        return;
    m_ports[static_cast<size_t>(index)]->ClosePort();
    m_ports.erase(m_ports.begin() + index);
    Reindex();
}

bool CProject::AddMacro(std::unique_ptr<CMacro> macro)
{
    if (!macro || static_cast<int>(m_macros.size()) >= kMaxMacros)
        return false;
    m_macros.push_back(std::move(macro));
    Reindex();
    return true;
}

void CProject::RemoveMacro(int index)
{
    if (index < 0 || index >= static_cast<int>(m_macros.size()))
        return;
    m_macros.erase(m_macros.begin() + index);
    Reindex();
}

CMacro* CProject::StartupMacro() const
{
    for (const auto& m : m_macros)
        if (SameName(m->Name, "startup"))
            return m.get();
    return nullptr;
}

CMotor* CProject::FindMotorByFile(const std::string& fileName, const CMotor* after) const
{
    auto holds = [&fileName](const CMotor& motor) {
        for (int f = 0; f < motor.associatedFiles.GetCount(); ++f) {
            const CAssociatedFile* file = motor.associatedFiles.GetAt(f);
            if (!file)
                continue;
            std::error_code ec;
            if (fw::RecentFileList::SamePath(file->FileName, fileName) ||
                std::filesystem::equivalent(platform::TranslatePath(file->FileName), fileName, ec))
                return true;
        }
        return false;
    };
    bool started = after == nullptr;
    for (const auto& port : m_ports)
        for (int m = 0; m < port->motors.GetCount(); ++m) {
            CMotor* motor = port->motors.GetAt(m);
            if (!motor)
                continue;
            if (!started) {
                started = motor == after;
                continue;
            }
            if (holds(*motor))
                return motor;
        }
    return nullptr;
}

void CProject::RemoveAll()
{
    for (auto& p : m_ports)
        p->ClosePort();
    m_ports.clear();
    m_macros.clear();
    modified = false;
}

void CProject::Copy(const CProject& other)
{
    if (&other == this)
        return;
    Name = other.Name;
    FileName = other.FileName;
    FileVersion = other.FileVersion;
    isDefault = other.isDefault;
    modified = other.modified;
    RemoveAll();
    for (const auto& p : other.m_ports) {
        auto copy = std::make_unique<CCommPort>();
        *copy = *p;
        m_ports.push_back(std::move(copy));
    }
    OpenDocuments = other.OpenDocuments;
    for (const auto& m : other.m_macros) {
        auto copy = std::make_unique<CMacro>();
        copy->CopyFrom(*m);
        m_macros.push_back(std::move(copy));
    }
    Reindex();
    pollingAllowed = other.pollingAllowed;
    Path = other.Path;
    m_sections = other.m_sections;
    m_motorViews = other.m_motorViews;
    modified = other.modified;
}

// ------------------------------------------------------------------------------------------------
// The file

void CProject::SerializeSection(const std::string& name, CTagArchive& ar)
{
    auto owner = m_owners.find(name);
    if (ar.IsStoring() && owner != m_owners.end() && owner->second) {
        owner->second->SerializeSection(name, ar);
        return;
    }
    if (ar.IsStoring()) {
        if (auto kept = m_sections.find(name); kept != m_sections.end())
            ar.SerializeRecord(name, kept->second);
        return;
    }
    std::vector<uint8_t> record;
    if (ar.SerializeRecord(name, record))
        m_sections[name] = std::move(record);
}

void CProject::SerializeMotorViews(CTagArchive& ar)
{
    auto owner = m_owners.find(kMotorViewsSection);
    if (ar.IsStoring() && owner != m_owners.end() && owner->second) {
        owner->second->SerializeSection(kMotorViewsSection, ar);
        return;
    }
    int32_t count = static_cast<int32_t>(m_motorViews.size());
    ar.SerializeInt("NoOfMVs", count, 0);
    if (ar.IsStoring()) {
        for (int i = 0; i < count; ++i)
            ar.SerializeRecord(MvName(i), m_motorViews[static_cast<size_t>(i)]);
        return;
    }
    m_motorViews.clear();
    count = std::clamp(count, 0, kMaxMotorViews); // the main frame has 10 slots
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> record;
        if (!ar.SerializeRecord(MvName(i), record))
            break;
        m_motorViews.push_back(std::move(record));
    }
}

void CProject::Serialize(CTagArchive& ar, bool defaultFile, bool withDocuments)
{
    ar.SerializeInt("FileVersion", FileVersion, FileVersion);
    if (!defaultFile) {
        ar.SerializeString("Name", Name, "");
        ar.SerializeString("Path", Path, "");
    }
    if (withDocuments)
        ar.SerializeString("OpenDocuments", OpenDocuments, "");
    SerializeSection("MainFrame", ar);

    SerializeOwnedList(ar, "Channels", m_ports, kMaxPorts, [this] { RemoveAll(); });
    SerializeSection("TerminalView", ar);
    SerializeSection("SDAView", ar);
    SerializeOwnedList(ar, "Macros", m_macros, kMaxMacros, [this] { m_macros.clear(); });
    SerializeSection("Scanner", ar);
    if (!defaultFile)
        SerializeMotorViews(ar);
    Reindex();
}

void CProject::Load(const std::string& fileName)
{
    const std::string path = platform::TranslatePath(fileName.empty() ? FileName : fileName);
    CTagArchive ar(kProjectClass);
    if (!ar.OpenForRead(path))
        throw CVQXException(CVQXException::CannotOpenFile, kInvalidProjectFile);
    m_sections.clear();
    m_motorViews.clear();
    Serialize(ar, false, true);
    ar.Close();
    FileName = path;
    if (Path.empty())
        Path = platform::FolderPart(FileName);
    modified = false;
    isDefault = false;
    pollingAllowed = true;
}

bool CProject::Save()
{
    if (collectDocuments)
        OpenDocuments = collectDocuments();
    if (isDefault) {
        CTagArchive ar(kProjectClass);
        if (!ar.OpenForWrite(platform::UserDataPath(kDefaultProjectFile)))
            return false;
        Serialize(ar, true, true);
        if (!ar.Close())
            return false;
        modified = false;
        return true;
    }
    CTagArchive ar(kProjectClass);
    const std::string path = platform::TranslatePath(FileName);
    if (!ar.OpenForWrite(path)) {
        ui::OptionMessageBox(Context().Questions(), kCannotWrite, ui::MB_OK | ui::MB_ICONSTOP);
        return false;
    }
    // A project's file hardly changes size between saves: the records are built in one buffer.
    // A first save guesses from the motors (about 1.3 KB each).
    std::error_code ec;
    const auto lastSize = std::filesystem::file_size(path, ec);
    if (!ec) {
        ar.Reserve(static_cast<size_t>(lastSize) + static_cast<size_t>(lastSize) / 8);
    } else {
        size_t motors = 0;
        for (int p = 0; p < PortCount(); ++p)
            motors += static_cast<size_t>(Port(p)->MotorCount());
        ar.Reserve((size_t{64} << 10) + motors * 1536);
    }
    Serialize(ar, false, true);
    if (!ar.Close()) {
        ui::OptionMessageBox(Context().Questions(), kErrorWriting, ui::MB_OK | ui::MB_ICONSTOP);
        return false;
    }
    modified = false;
    return true;
}

void CProject::LoadDefault(platform::ISerialPortProbe* probe)
{
    RemoveAll();
    m_sections.clear();
    m_motorViews.clear();
    isDefault = true;
    Name = kDefaultProjectName;
    FileName.clear();
    Path.clear();
    OpenDocuments.clear();
    CTagArchive ar(kProjectClass);
    if (ar.OpenForRead(platform::FindDataFile(kDefaultProjectFile))) {
        // The default project keeps no open documents.
        Serialize(ar, true, false);
        ar.Close();
    }
    modified = false;
    pollingAllowed = true;
    if (probe)
        EnumSerialPorts(*probe);
}

void CProject::MakeNewName(const CProject& current, platform::ISerialPortProbe* probe)
{
    static int counter = 0;
    isDefault = false;
    modified = false;
    Name = "Project" + std::to_string(++counter);
    const std::string base = current.isDefault ? platform::UserDataFolder() : platform::FolderPart(current.Path);
    FileName = platform::JoinPath(platform::JoinPath(base, Name), Name + ".spj");
    if (probe)
        EnumSerialPorts(*probe);
}

std::string CProject::ShownPortName(const std::string& portName) const
{
    // Two devices of one file name in different folders: the second keeps its whole path.
    const std::string shortName = platform::ShortPortName(portName);
    for (const auto& p : m_ports)
        if (SameName(p->Name, shortName))
            return portName;
    return shortName;
}

void CProject::EnumSerialPorts(platform::ISerialPortProbe& probe)
{
    const std::vector<std::string> names = probe.Candidates();
    auto hasType = [&](uint8_t type) {
        return std::any_of(m_ports.begin(), m_ports.end(), [&](const auto& p) { return p->CommType == type; });
    };
    for (const std::string& name : names) {
        const platform::SerialPresence presence = probe.Probe(name);
        if (presence == platform::SerialPresence::NotFound) {
            // A numbered port the machine does not have takes the project's ports without motors
            // with it. A port on a device path or a simulated line stays with its settings: the
            // device may be plugged in or started later.
            if (platform::ComPortNumber(name) <= 0)
                continue;
            for (size_t i = m_ports.size(); i-- > 0;)
                if (SameName(m_ports[i]->PortName, name) && m_ports[i]->MotorCount() == 0) {
                    m_ports[i]->ClosePort();
                    m_ports.erase(m_ports.begin() + static_cast<std::ptrdiff_t>(i));
                }
            continue;
        }
        if (std::any_of(m_ports.begin(), m_ports.end(), [&](const auto& p) { return SameName(p->PortName, name); }))
            continue;
        // Room stays for the Ethernet and USB ports.
        const int reserved = (hasType(COMM_ETHERNET) ? 0 : 1) + (hasType(COMM_USB) ? 0 : 1);
        if (PortCount() + reserved >= kMaxPorts)
            continue;
        auto port = std::make_unique<CCommPort>();
        port->PortName = name;
        port->Name = ShownPortName(name);
        size_t at = 0;
        while (at < m_ports.size() && m_ports[at]->IsSerial() && !NameGreater(m_ports[at]->PortName, name))
            ++at;
        m_ports.insert(m_ports.begin() + static_cast<std::ptrdiff_t>(at), std::move(port));
    }
    if (!hasType(COMM_ETHERNET) && PortCount() < kMaxPorts) {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = "Ethernet";
        port->CommType = COMM_ETHERNET;
        m_ports.push_back(std::move(port));
    }
    if (!hasType(COMM_USB) && PortCount() < kMaxPorts) {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = "USB";
        port->CommType = COMM_USB;
        port->BitPerSec = port->savedBitPerSec = 38400;
        port->Parity = 0;
        port->Echo = 0;
        port->MotorChannel = 0;
        m_ports.push_back(std::move(port));
    }
    Reindex();
}

// ------------------------------------------------------------------------------------------------
// Ports

std::vector<std::string> CProject::RememberOpenPorts() const
{
    std::vector<std::string> out;
    for (const auto& p : m_ports)
        if (p->isOpen)
            out.push_back(p->PortName);
    return out;
}

void CProject::ReopenPorts(const std::vector<std::string>& portNames)
{
    for (const auto& p : m_ports)
        if (!p->isOpen && std::any_of(portNames.begin(), portNames.end(),
                                      [&](const std::string& n) { return SameName(n, p->PortName); }))
            try {
                p->OpenPort();
            } catch (const CVQXException&) {
            }
}

void CProject::OpenSavedPorts()
{
    for (const auto& p : m_ports)
        if (p->IsOpen)
            try {
                p->OpenPort();
            } catch (const CVQXException&) {
            }
}

void CProject::CloseAllPorts()
{
    for (const auto& p : m_ports)
        p->ClosePort();
}

// ------------------------------------------------------------------------------------------------
// Sections

void CProject::SetSectionOwner(const std::string& section, IProjectSection* owner)
{
    if (owner)
        m_owners[section] = owner;
    else
        m_owners.erase(section);
}

bool CProject::HasSection(const std::string& section) const
{
    if (section == kMotorViewsSection)
        return !m_motorViews.empty();
    return m_sections.count(section) != 0;
}

void CProject::ApplySections()
{
    for (const auto& [name, owner] : m_owners) {
        if (!owner)
            continue;
        std::vector<const std::vector<uint8_t>*> records;
        std::vector<uint8_t> count;
        if (name == kMotorViewsSection) {
            count = IntRecord("NoOfMVs", static_cast<int32_t>(m_motorViews.size()));
            records.push_back(&count);
            for (const auto& r : m_motorViews)
                records.push_back(&r);
        } else if (auto kept = m_sections.find(name); kept != m_sections.end()) {
            records.push_back(&kept->second);
        } else {
            continue;
        }
        CTagArchive in(kProjectClass);
        if (in.OpenForReadMemory(CTagArchive::WrapRecords(kProjectClass, records)))
            owner->SerializeSection(name, in);
    }
}

std::vector<std::string> CProject::DetectionReport(const std::string& text) const
{
    std::vector<std::string> out;
    for (const auto& p : m_ports) {
        std::string s = "\n" + text;
        s += "  Number of Motors in " + p->Name + ": " + std::to_string(p->MotorCount()) + "\n";
        for (int i = 0; i < p->MotorCount(); ++i) {
            const CMotor* m = p->motors.GetAt(i);
            s += "   " + m->Name + ":\n   Address=" + std::to_string(m->Address) + "\n   Version=" + m->Version +
                 "\n\n";
        }
        out.push_back(std::move(s));
    }
    return out;
}

bool DefaultProjectExists()
{
    CTagArchive ar(kProjectClass);
    return ar.OpenForRead(platform::FindDataFile(kDefaultProjectFile));
}

bool AdoptStartupPort(CProject& project, const std::string& device)
{
    // The port lists and every new project offer the device for the whole run.
    platform::AddKnownSerialDevice(device);
    if (device.empty() || !project.isDefault || project.PortCount() >= CProject::kMaxPorts)
        return false;
    for (int i = 0; i < project.PortCount(); ++i)
        if (SameName(project.Port(i)->PortName, device))
            return false;
    auto port = std::make_unique<CCommPort>();
    port->PortName = device;
    port->Name = project.ShownPortName(device);
    port->CommType = COMM_RS232;
    port->BitPerSec = port->savedBitPerSec = 9600;
    port->Echo = 1;
    port->IsOpen = 1;
    project.InsertPort(0, std::move(port));
    return true;
}

// ------------------------------------------------------------------------------------------------
// OpenDocuments

namespace {

bool EndsWithNoCase(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    return s.size() >= n && SameName(s.substr(s.size() - n), tail);
}

// Where a viewless "/N" entry of an older writer ends inside a path text: "/N" followed by the
// start of another absolute path.
size_t ViewlessEnd(const std::string& path)
{
    size_t end = std::string::npos;
    for (size_t i = 0; i + 2 < path.size(); ++i) {
        if (path[i] != '/' || path[i + 1] != 'N')
            continue;
        const char next = path[i + 2];
        const bool drive = i + 3 < path.size() && std::isalpha(static_cast<unsigned char>(next)) && path[i + 3] == ':';
        if (next == '/' || next == '\\' || drive)
            end = i + 2;
    }
    return end;
}

} // namespace

std::vector<OpenDocumentEntry> ParseOpenDocuments(const std::string& text)
{
    std::vector<OpenDocumentEntry> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('<', pos);
        if (open == std::string::npos || open == pos)
            break;
        const size_t close = text.find('>', open);
        if (close == std::string::npos)
            break;
        OpenDocumentEntry e;
        e.path = text.substr(pos, open - pos);
        if (const size_t v = ViewlessEnd(e.path); v != std::string::npos)
            e.path.erase(0, v);
        const std::string numbers = text.substr(open + 1, close - open - 1);
        size_t p = 0;
        while (p <= numbers.size() && e.placement.size() < 11) {
            const size_t comma = numbers.find(',', p);
            const std::string item = numbers.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
            e.placement.push_back(std::strtoll(item.c_str(), nullptr, 10));
            if (comma == std::string::npos)
                break;
            p = comma + 1;
        }
        if (EndsWithNoCase(e.path, "mon")) {
            e.kind = OpenDocumentEntry::Monitor;
        } else if (EndsWithNoCase(e.path, "mvu")) {
            e.kind = OpenDocumentEntry::MotorView;
            if (e.path.size() >= 5 && std::all_of(e.path.begin(), e.path.begin() + 5,
                                                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
                e.portIndex = std::stoi(e.path.substr(0, 2));
                e.motorIndex = std::stoi(e.path.substr(2, 3));
            }
        }
        if (!e.path.empty())
            out.push_back(std::move(e));
        pos = close + 1;
    }
    return out;
}

std::string FormatOpenDocuments(const std::vector<OpenDocumentEntry>& entries)
{
    std::string out;
    for (const OpenDocumentEntry& e : entries) {
        if (e.path.empty())
            continue;
        out += e.path + "<";
        for (size_t i = 0; i < e.placement.size(); ++i) {
            if (i)
                out += ',';
            out += std::to_string(e.placement[i]);
        }
        out += ">";
    }
    return out;
}
