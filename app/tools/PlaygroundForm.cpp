#include "app/tools/PlaygroundForm.h"

#include "app/project/Project.h"
#include "app/setup/PortPages.h"
#include "app/shell/CommError.h"

#include "app/tools/PollTraffic.h"

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/settings/Options.h"
#include "core/shared/MotorModels.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "platform/serial/PortNames.h"
#include "platform/serial/SerialDevices.h"

#include <algorithm>
#include <cstdio>

namespace tools {
namespace {

const char* const kBaseLabels[23] = {
    "Bt:   Busy Trajectory", "Br:   Historical (+) Limit", "Bl:   Historical (-) Limit", "Bi:   Index Report Available",
    "Bw: Wrap Around Occurred", "Be:  Excessive Position Error", "       Excessive Temperature", "Bo:  Motor (Drive) Off",
    "Bx:  Index Input Active", "Bp:  (+) Limit Active", "Bm: (-) Limit Active", "Bd:  Math Overflow",
    "Bu:  Array Index Error", "Bs:  Syntax Error", "Ba:  Peak Over Current", "Bk:  Prog. Checksum Error",
    "Bg:  Drive Fault", "Bb:  @P < Soft (-) Limit", "Bc:  @P > Soft (+) Limit", "Sl:    Historical Soft (-) Limit",
    "Sr:   Historical Soft (+) Limit", "Sb:  Soft (-) Domain Latch", "Sc:  Soft (+) Domain Latch"};

bool Lower(char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); }
bool SameNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!Lower(a[i], b[i]))
            return false;
    return true;
}

} // namespace

CPlaygroundForm::CPlaygroundForm(ui::COperationContext& context, IPlaygroundIo& io, IPollingPrograms& programs,
                                 PlaygroundSettings settings)
    : m_context(context), m_io(io), m_programs(programs), m_settings(settings)
{
    m_jog = std::make_unique<CJogPage>(*this);
    m_velocity = std::make_unique<CVelocityPage>(*this);
    m_torque = std::make_unique<CTorquePage>(*this);
    m_terminal = std::make_unique<CTerminalPage>(*this);
    m_info = std::make_unique<CPlaygroundInfoPage>(*this);
    m_statusLeds.fill(-1);
    m_inputLeds.fill(-1);
    m_ioLeds.fill(-1);
}

CPlaygroundForm::~CPlaygroundForm() = default;

uint32_t CPlaygroundForm::Key(const CMotor& m) const
{
    return MakeMotorDataWord(m.GetPort() ? m.GetPort()->id : -1, m.Address);
}

CPlaygroundPage* CPlaygroundForm::Page(int tab)
{
    switch (tab) {
    case 0: return m_jog.get();
    case 1: return m_velocity.get();
    case 2: return m_torque.get();
    case 3: return m_terminal.get();
    case 4: return m_info.get();
    default: return nullptr;
    }
}

// ---- ports and motors ------------------------------------------------------------------------

void CPlaygroundForm::FillPortList(const std::vector<CCommPort*>& ports, const CCommPort* prefer,
                                   const std::string& preferDevice)
{
    m_ports = ports;
    m_portEntries.clear();
    int select = -1;
    int preferred = -1;
    int device = -1;
    const CCommPort* mine = m_motor ? m_motor->GetPort() : nullptr;
    auto add = [&](std::string text, int index, std::string portName) {
        const CCommPort* p = index >= 0 ? ports[size_t(index)] : nullptr;
        if (p && p == mine)
            select = int(m_portEntries.size());
        if (p && p == prefer)
            preferred = int(m_portEntries.size());
        if (device < 0 && !preferDevice.empty() && SameNoCase(portName, preferDevice))
            device = int(m_portEntries.size());
        m_portEntries.push_back({std::move(text), index, std::move(portName)});
    };
    auto projectPortOf = [&](const std::string& name) {
        for (size_t i = 0; i < ports.size(); ++i)
            if (ports[i] && ports[i]->IsSerial() && SameNoCase(ports[i]->PortName, name))
                return int(i);
        return -1;
    };
    auto listed = [&](const std::string& name) {
        for (const Entry& e : m_portEntries)
            if (SameNoCase(e.portName, name))
                return true;
        return false;
    };
    // A device by its short name, as the project names its ports; the whole path when another
    // entry shows that short name already.
    auto shown = [&](const std::string& name) {
        if (platform::ComPortNumber(name) > 0)
            return name;
        const std::string shortName = platform::ShortPortName(name);
        for (const Entry& e : m_portEntries)
            if (SameNoCase(e.text, shortName))
                return name;
        return shortName;
    };
    platform::ISerialPortProbe* probe = m_portServices.probe ? m_portServices.probe() : nullptr;
    if (probe)
        for (const setup::SerialPortEntry& machine : setup::SerialPortEntries(*probe))
            if (machine.present && !listed(machine.portName))
                add(shown(machine.portName), projectPortOf(machine.portName), machine.portName);
    // The project's serial ports on lines the machine does not show now keep their motors reachable.
    for (size_t i = 0; i < ports.size(); ++i)
        if (ports[i] && ports[i]->IsSerial() && !listed(ports[i]->PortName))
            add(shown(ports[i]->PortName), int(i), ports[i]->PortName);
    for (size_t i = 0; i < ports.size(); ++i)
        if (ports[i] && !ports[i]->IsSerial())
            add(ports[i]->Name, int(i), {});
    m_selectedPort = m_portEntries.empty() ? -1
                     : select >= 0         ? select
                     : preferred >= 0      ? preferred
                                           : std::max(device, 0);
    OnPortSelected(m_selectedPort);
}

std::unique_ptr<CCommPort> CPlaygroundForm::MakeEntryPort(const Entry& entry)
{
    if (int(m_ports.size()) >= CProject::kMaxPorts) {
        ui::OptionMessageBox(m_context.Questions(), setup::kTooManyPorts, ui::MB_OK | ui::MB_ICONERROR, pg::kTitle);
        return nullptr;
    }
    auto port = std::make_unique<CCommPort>();
    port->SetContext(&m_context);
    port->PortName = entry.portName;
    port->Name = entry.text;
    return port;
}

std::vector<CCommPort*> CPlaygroundForm::CurrentPorts() const
{
    return m_portServices.ports ? m_portServices.ports() : m_ports;
}

void CPlaygroundForm::PortAdded(const CCommPort* port) { FillPortList(CurrentPorts(), port); }

void CPlaygroundForm::OnConfigurePort()
{
    if (m_connected || !m_portServices.properties || m_selectedPort < 0 || m_selectedPort >= int(m_portEntries.size()))
        return;
    if (m_portServices.ports)
        m_ports = m_portServices.ports();
    const Entry entry = m_portEntries[size_t(m_selectedPort)];
    if (entry.data >= 0 && entry.data < int(m_ports.size()) && m_ports[size_t(entry.data)]) {
        CCommPort* port = m_ports[size_t(entry.data)];
        int place = -1;
        for (int i = 0; i < port->motors.GetCount(); ++i)
            if (port->motors.GetAt(i) == m_motor)
                place = i;
        // Taking over the edited port replaces its motors: the chosen one is found again by place.
        if (place >= 0)
            m_motor = nullptr;
        const std::weak_ptr<bool> alive = m_alive;
        m_portServices.properties(*port, false);
        // Its window may have gone while the dialog waited: this form with it.
        if (alive.expired())
            return;
        if (place >= 0)
            m_motor = port->motors.GetAt(place);
        PortAdded(port);
        Notify();
        return;
    }
    if (entry.data >= 0 || entry.portName.empty())
        return;
    std::unique_ptr<CCommPort> made = MakeEntryPort(entry);
    // Cancel, or a project that takes no more ports: the new port goes again.
    if (!made || !m_portServices.properties(*made, true))
        return;
    CCommPort* added = made.get();
    if (!m_portServices.append || !m_portServices.append(std::move(made)))
        return;
    PortAdded(added);
    Notify();
}

void CPlaygroundForm::OnPortSelected(int entry)
{
    m_selectedPort = entry;
    m_motorEntries.clear();
    int select = -1;
    if (entry >= 0 && entry < int(m_portEntries.size()) && m_portEntries[entry].data >= 0 &&
        m_portEntries[entry].data < int(m_ports.size())) {
        CCommPort* port = m_ports[m_portEntries[entry].data];
        for (int i = 0; i < port->motors.GetCount(); ++i) {
            CMotor* m = port->motors.GetAt(i);
            if (m == m_motor)
                select = i;
            m_motorEntries.push_back({m->Name, i, {}});
        }
        if (select < 0 && !m_motorEntries.empty())
            select = 0;
    }
    OnMotorSelected(select);
}

void CPlaygroundForm::OnMotorSelected(int entry)
{
    m_selectedMotor = entry;
    CMotor* chosen = nullptr;
    if (m_selectedPort >= 0 && m_selectedPort < int(m_portEntries.size())) {
        const int portIndex = m_portEntries[m_selectedPort].data;
        if (portIndex >= 0 && portIndex < int(m_ports.size()))
            chosen = m_ports[portIndex]->motors.GetAt(entry);
    }
    if (!chosen) {
        OnDisconnect();
        SetMotor(nullptr);
    } else if (m_motor && m_connected) {
        if (chosen == m_motor)
            return;
        OnDisconnect();
        SetMotor(chosen);
        OnConnect();
    } else {
        SetMotor(chosen);
    }
    Notify();
}

void CPlaygroundForm::OnDetectMotors(const DetectPort& detect, bool mainHidden)
{
    if (m_connected || !detect || m_selectedPort < 0 || m_selectedPort >= int(m_portEntries.size()))
        return;
    const uint32_t request = mainHidden ? commerror::kDetectTakeAsFound : commerror::kDetectPort;
    if (m_portServices.ports)
        m_ports = m_portServices.ports();
    const Entry entry = m_portEntries[size_t(m_selectedPort)];
    const int portIndex = entry.data;
    if (portIndex < 0) {
        if (entry.portName.empty())
            return;
        std::unique_ptr<CCommPort> made = MakeEntryPort(entry);
        if (!made)
            return;
        const uint32_t answer = detect(*made, request);
        m_motor = nullptr;
        CCommPort* added = made.get();
        // Nothing found: the new port goes again and the project stays as it was.
        if (!(answer & commerror::kAnswerWorks) || !m_portServices.append || !m_portServices.append(std::move(made))) {
            FillPortList(m_ports);
            Notify();
            return;
        }
        m_motor = added->motors.GetAt(0);
        PortAdded(added);
        if (m_motor)
            OnConnect();
        Notify();
        return;
    }
    if (portIndex >= int(m_ports.size()) || !m_ports[size_t(portIndex)])
        return;
    CCommPort& port = *m_ports[size_t(portIndex)];
    int place = 0;
    for (int i = 0; i < port.motors.GetCount(); ++i)
        if (port.motors.GetAt(i) == m_motor)
            place = i;
    const uint32_t answer = detect(port, request);
    // Detection may have replaced the motors: the old pointer is never used again.
    m_motor = nullptr;
    const bool found = (answer & commerror::kAnswerWorks) != 0;
    m_motor = found ? port.motors.GetAt(place) : nullptr;
    FillPortList(m_ports, &port);
    if (found && m_motor)
        OnConnect();
    Notify();
}

void CPlaygroundForm::SelectMotor(CMotor* motor)
{
    if (m_connected)
        SetConnected(false);
    m_motor = motor;
    FillPortList(CurrentPorts());
}

void CPlaygroundForm::ForgetMotor()
{
    m_connected = false;
    m_usePollingProgram = false;
    m_motor = nullptr;
    SetOnline(-1);
    m_selectedMotor = -1;
    // The motor lists may hold the going motor: they are built again by the next FillPortList.
    m_motorEntries.clear();
    UpdateForMotor();
    Notify();
}

bool CPlaygroundForm::PortGoing(const CCommPort* port)
{
    if (m_motor && m_motor->GetPort() == port)
        ForgetMotor();
    if (std::find(m_ports.begin(), m_ports.end(), port) == m_ports.end())
        return false;
    m_ports.clear();
    m_portEntries.clear();
    m_motorEntries.clear();
    m_selectedPort = -1;
    m_selectedMotor = -1;
    return true;
}

void CPlaygroundForm::SetMotor(CMotor* motor)
{
    m_motor = motor;
    UpdateForMotor();
}

void CPlaygroundForm::UpdateForMotor()
{
    m_family = Family::Older;
    m_is462 = false;
    if (m_motor) {
        const std::string& v = m_motor->Version;
        m_family = !v.empty() && v[0] == '5' ? Family::Version5
                   : (v.size() >= 2 && v[0] == '4' && v[1] >= '6') ? Family::Version46
                                                                  : Family::Older;
        m_is462 = v.rfind("462", 0) == 0;
    }
    m_pictureLeds.SetModel(ModelRecord(), PictureLedCount(m_family == Family::Version5));
}

const CMotorModel* CPlaygroundForm::ModelRecord() const
{
    return m_motor ? GetMotorModels().Get(m_motor->MotorType) : nullptr;
}

std::string CPlaygroundForm::StatusLabel(int bit) const
{
    if (bit < 0 || bit > 22)
        return {};
    if (m_family == Family::Version5) {
        switch (bit) {
        case 6: return "Bh:  Excessive Temperature";
        case 8: return "I0:    Input 0 Asserted";
        case 11: return "BP:  Physical Brake Engaged";
        case 12: return "BT:  Torque Brake Engaged";
        case 14: return "Bv:  At Slew Velocity";
        case 15: return "I7:    Drive Enable (Input 7)";
        default: break;
        }
    } else {
        if (bit == 6 && m_family == Family::Version46)
            return "Bh:  Excessive Temperature";
        if (bit == 16 && m_is462)
            return "Bn:  Calibration Fault";
    }
    return kBaseLabels[bit];
}

bool CPlaygroundForm::StatusRowShown(int bit) const
{
    if (bit < 16)
        return true;
    return m_family == Family::Version5 || (bit == 16 && m_is462);
}

bool CPlaygroundForm::InputsShown() const { return m_motor && m_family == Family::Version5; }
int CPlaygroundForm::IoLedCount() const { return m_family == Family::Version5 ? 3 : 7; }

std::string CPlaygroundForm::IoLabel(int i) const
{
    return m_family == Family::Version5 ? std::to_string(i) : std::string(1, char('A' + i));
}

std::string CPlaygroundForm::IoTitle() const { return m_family == Family::Version5 ? "Outputs:" : "Input/Output:"; }
std::string CPlaygroundForm::IoNote() const
{
    return m_family == Family::Version5 ? " Red 24v, Grey 0v " : " Red 5v, Grey 0v ";
}

std::string CPlaygroundForm::AddressText() const { return m_motor ? std::to_string(m_motor->Address) : ""; }
std::string CPlaygroundForm::VersionText() const { return m_motor ? "Ver: " + m_motor->Version : ""; }
std::string CPlaygroundForm::ModelText() const
{
    if (!m_motor)
        return {};
    std::string model = m_motor->Model;
    if (model.empty())
        if (const CMotorModel* rec = GetMotorModels().Get(m_motor->MotorType); rec && m_motor->MotorType != 0)
            model = rec->Name;
    return "Model: " + model;
}

bool CPlaygroundForm::Enabled(int id) const
{
    switch (id) {
    case pg::kConnect: return m_motor && !m_connected;
    case pg::kDisconnect: return m_connected;
    case pg::kConfigure:
    case pg::kDetect: return !m_connected;
    case pg::kStop:
    case pg::kOff:
    case pg::kClearFlags:
    case pg::kLeft:
    case pg::kRight: return m_connected;
    case pg::kSoft: return m_connected && m_family != Family::Older;
    default:
        // Outputs can be switched only once their state was read: a click on an unknown state
        // would switch the other outputs as if they were on.
        if (id >= pg::kIoLed0 && id < pg::kIoLed0 + 7)
            return m_connected && (m_family != Family::Version5 || m_outputsKnown);
        return m_connected;
    }
}

std::string CPlaygroundForm::ToolTip(int id) const
{
    const bool v5 = m_family == Family::Version5;
    char buf[160];
    switch (id) {
    case pg::kAddress: std::snprintf(buf, sizeof buf, "Address of this motor=%d", m_motor ? m_motor->Address : 0); return buf;
    case pg::kDisconnect: return "Disconnect from the selected motor";
    case pg::kModel: return "Motor Model number: " + ModelText().substr(ModelText().empty() ? 0 : 7);
    case pg::kVersion: return "Firmware Version of this motor: " + (m_motor ? m_motor->Version : std::string());
    case pg::kClearFlags: return "Clear All Flags (Issue ZS)";
    case pg::kConnect: return "Connect to the selected motor";
    case pg::kStop: return "Stop the selected motor";
    case pg::kOff: return "Turn the servo off for the selected motor";
    case pg::kLeft: return "Check to disable Hardware Left (-) Limit";
    case pg::kSoft: return "Check to disable Software Limits";
    case pg::kRight: return "Check to disable Hardware Right (+) Limit";
    default: break;
    }
    if (id >= pg::kStatusLed0 && id < pg::kStatusLed0 + 23)
        return GetStatusBitText(id - pg::kStatusLed0, v5, m_family == Family::Version46);
    if (id >= pg::kInputLed0 && id < pg::kInputLed0 + 5)
        return "Digital Input " + std::to_string(id - pg::kInputLed0);
    if (id >= pg::kIoLed0 && id < pg::kIoLed0 + 7)
        return v5 ? "Digital Output " + std::to_string(id - pg::kIoLed0)
                  : std::string("Digital I/O pin ") + char('A' + id - pg::kIoLed0);
    return {};
}

LeaveChoice DecideLeave(bool canShowMain, bool mainHidden, bool showAtStartupChecked)
{
    LeaveChoice c;
    if (!canShowMain)
        return c;
    c.writeNoShowAtStartup = !showAtStartupChecked;
    c.startMainWindow = mainHidden;
    return c;
}

// ---- connection ------------------------------------------------------------------------------

void CPlaygroundForm::OnConnect()
{
    if (!m_motor)
        return;
    // Its questions wait for the user; the window, and this form with it, may go meanwhile.
    const std::weak_ptr<bool> alive = m_alive;
    try {
        m_io.OpenPort(*m_motor);
        const int r = DownloadPollingProgram();
        if (alive.expired())
            return;
        if (r < 0) {
            Notify();
            return;
        }
        m_usePollingProgram = r == 1;
        if (m_usePollingProgram) {
            PollTrafficScope mark(*m_motor, TrafficKind::Tool);
            m_io.Send(*m_motor, "RUN");
        }
        SetConnected(true);
    } catch (const CVQXException& x) {
        ui::OptionMessageBox(m_context.Questions(), x.GetMessage(), ui::MB_OK | ui::MB_ICONERROR, pg::kTitle);
        if (alive.expired())
            return;
    }
    Notify();
}

int CPlaygroundForm::DownloadPollingProgram()
{
    if (!m_motor)
        return -1;
    if (m_programTable.count(Key(*m_motor)))
        return 1;
    if (!m_settings.downloadPollProgram)
        return 0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "A polling program will be downloaded to the motor \"%s\" by Tessaraxon Playground. The "
                  "Tessaraxon's program will be saved and restored when exiting Tessaraxon Playground.",
                  m_motor->Name.c_str());
    const std::weak_ptr<bool> alive = m_alive;
    if (ui::OptionMessageBox(m_context.Questions(), text, ui::MB_OKCANCEL | ui::kRememberAnswer, pg::kTitle,
                             ui::kCheckToDisable, "PollingProgram") != ui::IDOK ||
        alive.expired())
        return -1;
    // A full table or a backup left by an earlier session: connect without the polling program
    // rather than lose a program.
    if (std::string why = m_programs.WhyCannotSave(*m_motor); !why.empty()) {
        ui::OptionMessageBox(m_context.Questions(), why + "\n\nConnecting without the polling program.",
                             ui::MB_OK | ui::MB_ICONWARNING, pg::kTitle);
        return 0;
    }
    PollTrafficScope mark(*m_motor, TrafficKind::Tool);
    // One please-wait dialog, without Cancel, for saving and downloading (closed on any exit).
    ui::CWaitStep wait(m_context.Progress(), std::string("Saving original program in motor"), std::string());
    m_context.Progress().SetCancelVisible(false);
    if (!m_programs.Saved(*m_motor)) {
        try {
            m_programs.SaveUserProgram(*m_motor);
        } catch (const CVQXException& x) {
            if (x.GetCode() != CVQXException::ProgramCorrupted)
                throw;
            if (ui::OptionMessageBox(m_context.Questions(), x.GetMessage() + "\n\nDo you want to clear EEPROM and continue?",
                                     ui::MB_YESNO | ui::MB_ICONQUESTION, pg::kTitle) != ui::IDYES ||
                alive.expired())
                return -1;
            m_programs.ClearProgram(*m_motor);
            m_programs.SaveUserProgram(*m_motor);
        }
    }
    m_context.Progress().SetText(std::string("Downloading the polling program to the motor"), std::nullopt);
    m_programs.DownloadPollingProgram(*m_motor);
    m_programTable.insert(Key(*m_motor));
    return 1;
}

void CPlaygroundForm::OnDisconnect()
{
    StopMotor();
    SetConnected(false);
}

void CPlaygroundForm::CloseConnection()
{
    // What the playground set moving stops with its window; "END" is left out, so that a program
    // the user started in the motor keeps running.
    if (m_connected && m_motor)
        Send("S");
    SetConnected(false);
}

void CPlaygroundForm::GoOffline()
{
    SetConnected(false);
    SetOnline(0);
}

void CPlaygroundForm::SetConnected(bool on)
{
    m_connected = on && m_motor;
    m_pictureLeds.MarkAllChanged();
    if (m_connected)
        OnTabChanged(m_currentTab);
    else
        SetOnline(-1);
    if (m_connected)
        SendLimitSettings();
    for (int t = 0; t < 5; ++t)
        Page(t)->UpdateEnabled();
    Notify();
}

void CPlaygroundForm::SetOnline(int state)
{
    if (m_link == state)
        return;
    m_link = state;
    if (state == 0) {
        m_values.Inputs = m_values.Outputs = 0;
        m_statusLeds.fill(-1);
        UpdateInputLeds();
        if (m_family == Family::Version5)
            UpdateOutputLeds();
        m_outputsKnown = false;
        m_pictureLeds.SetAll(kLedOff);
    }
}

bool CPlaygroundForm::PollStep()
{
    if (!m_connected || !m_motor)
        return false;
    if (!m_usePollingProgram)
        return PollWithoutProgram();
    PollTrafficScope mark(*m_motor);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            const std::string reply = m_io.Ask(*m_motor, "GOSUB9");
            SetOnline(1);
            const int32_t status = m_values.StatusWord;
            const std::string letters = ParsePollReply(reply, m_values);
            ApplyPollReply(letters, status);
            break;
        } catch (const CVQXException&) {
            if (attempt == 1)
                GoOffline();
        } catch (...) {
            GoOffline();
            SetConnected(false);
            break;
        }
    }
    Notify();
    return true;
}

bool CPlaygroundForm::PollWithoutProgram()
{
    if (m_pollStep >= 30) {
        const bool asked = Page(m_currentTab)->PagePollStep(m_pollStep);
        Notify();
        return asked;
    }
    const std::string command = FixedPollCommand(m_pollStep, m_family);
    if (command.empty()) {
        m_pollStep = 0;
        return true;
    }
    std::string reply;
    if (!PollQuery(command, reply))
        return false;
    const int32_t n = int32_t(ReplyToNumber(reply));
    const FixedStepResult r = ApplyFixedReply(m_pollStep, n, m_family, m_is462, m_values);
    if (r.update & UpdateStatus) {
        UpdatePictureLeds(n);
        UpdateStatusLeds(n);
    }
    if (r.update & UpdateDriveFault)
        UpdateStatusLeds(int32_t(kCalibrationReport | (uint32_t(m_values.StatusWord) & 0x10000u)));
    if (r.update & UpdateInputs)
        UpdateInputLeds();
    if (r.update & UpdateOutputs) {
        m_outputsKnown = true;
        UpdateOutputLeds();
    }
    m_pollStep = r.next;
    Notify();
    return true;
}

bool CPlaygroundForm::PollQuery(const std::string& command, std::string& reply)
{
    if (!m_motor)
        return false;
    bool ok = false;
    {
        PollTrafficScope mark(*m_motor);
        try {
            reply = m_io.Ask(*m_motor, command);
            ok = true;
        } catch (...) {
        }
    }
    if (!ok) {
        GoOffline();
        return false;
    }
    SetOnline(1);
    return true;
}

void CPlaygroundForm::ApplyPollReply(const std::string& letters, int32_t previousStatus)
{
    if (letters.find('X') != std::string::npos) {
        try {
            m_io.Send(*m_motor, "RUN");
        } catch (const CVQXException&) {
        }
    }
    if (letters.find('W') != std::string::npos) {
        const int32_t w = m_values.StatusWord;
        if (IsCalibrationReport(w)) {
            // Only the calibration fault: the lamps and the fault question keep the last status word.
            m_values.StatusWord = WithCalibrationFault(previousStatus, w);
            UpdateStatusLeds(w);
        } else {
            UpdatePictureLeds(w);
            UpdateStatusLeds(w);
        }
    }
    if (letters.find('I') != std::string::npos)
        UpdateInputLeds();
    if (letters.find('O') != std::string::npos && m_family == Family::Version5) {
        m_outputsKnown = true;
        UpdateOutputLeds();
    }
    Page(m_currentTab)->ApplyPollValues(letters);
}

void CPlaygroundForm::UpdateStatusLeds(int32_t w)
{
    if (IsCalibrationReport(w)) {
        m_statusLeds[16] = (uint32_t(w) >> 16) & 1u;
        return;
    }
    const int bits = m_family == Family::Version5 ? 23 : 16;
    for (int i = 0; i < 23; ++i)
        m_statusLeds[i] = w == -1 || i >= bits ? (i >= bits && w != -1 ? m_statusLeds[i] : -1) : int((uint32_t(w) >> i) & 1u);
}

void CPlaygroundForm::UpdatePictureLeds(int32_t w)
{
    if (w == -1) {
        m_pictureLeds.SetAll(kLedOff);
        return;
    }
    const uint32_t bits = static_cast<uint32_t>(w);
    const int busy = (bits & 1u) ? kLedGreen : kLedOff;
    if (m_family == Family::Version5) {
        m_pictureLeds.SetLed(0, kLedGreen);
        m_pictureLeds.SetLed(2, (bits & 0x80u) ? kLedOff : kLedGreen);
        m_pictureLeds.SetLed(3, busy);
        m_pictureLeds.SetLed(4, (bits & 0x10000u) ? kLedRed : kLedOff);
    } else {
        m_pictureLeds.SetLed(0, busy);
        m_pictureLeds.SetLed(1, (bits & 0x80u) ? kLedRed : kLedGreen);
    }
}

void CPlaygroundForm::UpdateInputLeds()
{
    if (m_family == Family::Version5) {
        for (int i = 0; i < 5; ++i)
            m_inputLeds[i] = (m_values.Inputs >> i) & 1;
        m_pictureLeds.SetLed(1, (m_values.Inputs & 0x80) ? kLedGreen : kLedOff);
    } else {
        for (int i = 0; i < 7; ++i)
            m_ioLeds[i] = (m_values.Inputs >> i) & 1;
    }
}

void CPlaygroundForm::UpdateOutputLeds()
{
    for (int i = 0; i < 3; ++i)
        m_ioLeds[i] = (m_values.Outputs >> i) & 1;
}

void CPlaygroundForm::RestorePrograms()
{
    for (const std::string& message : m_programs.RestoreAll())
        ui::OptionMessageBox(m_context.Questions(), message, ui::MB_OK | ui::MB_ICONERROR, pg::kTitle);
    m_programTable.clear();
}

// ---- buttons ---------------------------------------------------------------------------------

bool CPlaygroundForm::Send(const std::string& command)
{
    if (!m_motor)
        return false;
    PollTrafficScope mark(*m_motor, TrafficKind::Tool);
    try {
        m_io.Send(*m_motor, command);
        return true;
    } catch (...) {
        GoOffline();
        return false;
    }
}

bool CPlaygroundForm::Ask(const std::string& command, std::string& reply)
{
    if (!m_motor)
        return false;
    PollTrafficScope mark(*m_motor, TrafficKind::Tool);
    try {
        reply = m_io.Ask(*m_motor, command);
        return true;
    } catch (...) {
        GoOffline();
        return false;
    }
}

std::string CPlaygroundForm::AskRaw(const std::string& command)
{
    PollTrafficScope mark(*m_motor, TrafficKind::Tool);
    return m_io.Ask(*m_motor, command);
}

bool CPlaygroundForm::SendPollSettings(const std::string& settings)
{
    if (!m_usePollingProgram)
        return true;
    if (!Send(settings))
        return false;
    return !m_is462 || Send("n=1");
}

void CPlaygroundForm::StopMotor()
{
    if (!m_connected || !m_motor)
        return;
    if (!m_usePollingProgram && !Send("END"))
        return;
    Send("S");
}

void CPlaygroundForm::MotorOff()
{
    if (!m_connected || !m_motor)
        return;
    if (!m_usePollingProgram && !Send("END"))
        return;
    Send("OFF");
}

void CPlaygroundForm::ClearFaults()
{
    // The status word stays as read: a fault that ZS did not clear is asked about again.
    if (!m_connected || !m_motor || !Send("ZS"))
        return;
    if (m_currentTab == 1 || m_currentTab == 2)
        Page(m_currentTab)->ShowPage(true);
    if (m_family == Family::Older && m_motor->Version.rfind("4", 0) == 0)
        Send("P=@P G OFF");
    Notify();
}

void CPlaygroundForm::ToggleOutput(int id)
{
    if (!m_connected || !m_motor || id < pg::kIoLed0 || id >= pg::kIoLed0 + IoLedCount() || !Enabled(id))
        return;
    const int k = id - pg::kIoLed0;
    if (m_family == Family::Version5) {
        int v = 0;
        for (int b = 0; b < 3; ++b)
            v |= (m_ioLeds[b] == 1 ? 1 : 0) << b; // unknown (-1) counts as off
        v ^= 1 << k;
        Send("OUT=" + std::to_string(v));
    } else {
        Send(std::string("U") + char('A' + k) + "=" + (m_ioLeds[k] == 0 ? "1" : "0"));
    }
}

void CPlaygroundForm::SetLimitCheck(int id, bool checked)
{
    if (id == pg::kLeft)
        m_checks.left = checked;
    else if (id == pg::kRight)
        m_checks.right = checked;
    else if (id == pg::kSoft)
        m_checks.soft = checked;
    SendLimitSettings();
    Notify();
}

void CPlaygroundForm::SendLimitSettings()
{
    if (!m_connected || !m_motor)
        return;
    if (m_family == Family::Version5) {
        Send(m_checks.left ? "LND" : "LNE") && Send(m_checks.right ? "LPD" : "LPE") && Send(m_checks.soft ? "SLD" : "SLE");
    } else {
        if (Send(m_checks.left ? "UDI" : "UDM") && Send(m_checks.right ? "UCI" : "UCP") && m_family == Family::Version46)
            Send(m_checks.soft ? "SLD" : "SLE");
    }
}

bool CPlaygroundForm::AskClearFaults()
{
    if (!m_connected || !m_motor || m_askingFaults)
        return false;
    // Its question waits for the user; the window, and this form with it, may go meanwhile.
    const std::weak_ptr<bool> alive = m_alive;
    struct Flag {
        bool& f;
        const std::weak_ptr<bool>& alive;
        Flag(bool& x, const std::weak_ptr<bool>& a) : f(x), alive(a) { f = true; }
        ~Flag()
        {
            if (!alive.expired())
                f = false;
        }
    } flag(m_askingFaults, alive);
    const FaultQuestion q = BuildFaultQuestion(m_family, m_values.StatusWord, m_checks);
    if (q.kind == FaultQuestion::None)
        return true;
    int answer = 0;
    if (q.kind == FaultQuestion::Choice) {
        ui::ChoiceRequest request;
        request.text = q.text;
        request.caption = pg::kTitle;
        for (size_t i = 0; i < q.answers.size() && i < 5; ++i) {
            request.values[i] = q.answers[i].first;
            request.labels[i] = q.answers[i].second;
        }
        answer = ui::ChoiceBox(m_context.Questions(), request).value;
    } else {
        answer = ui::OptionMessageBox(m_context.Questions(), q.text, ui::MB_YESNO | ui::MB_ICONERROR, pg::kTitle) == ui::IDYES;
    }
    if (alive.expired())
        return false;
    const FaultAction a = FaultAnswer(q, answer, m_checks);
    m_checks = a.checks;
    if (a.sendLimits)
        SendLimitSettings();
    if (a.clearFaults)
        ClearFaults();
    Notify();
    return false;
}

void CPlaygroundForm::OnTabChanged(int tab)
{
    if (tab < 0 || tab > 4)
        return;
    m_currentTab = tab;
    for (int t = 0; t < 5; ++t)
        Page(t)->ShowPage(t == tab);
    Notify();
}

} // namespace tools
