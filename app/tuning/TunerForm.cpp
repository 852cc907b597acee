#include "app/tuning/TunerForm.h"

#include "app/framework/LongOperation.h"
#include "app/tools/PollTraffic.h"
#include "app/tuning/TuningMotorLink.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"
#include "core/ui/Questions.h"
#include "platform/registry/Profile.h"

#include <cstdio>

namespace tuning {
namespace {

// The core's backup operations, each download under "Restoring the program in ..." and tagged,
// with the identity check before it, as the program's own traffic.
class RestoreOps : public CTunerBackupOps {
public:
    using CTunerBackupOps::CTunerBackupOps;
    uint32_t ReadSerial(CMotor& motor) override
    {
        tools::PollTrafficScope traffic(motor, tools::TrafficKind::Tool);
        return CTunerBackupOps::ReadSerial(motor);
    }
    void Restore(CMotor& motor, const std::string& path) override
    {
        ui::IProgress& progress = motor.Context().Progress();
        tools::PollTrafficScope traffic(motor, tools::TrafficKind::Tool);
        progress.Show("Restoring the program in \"" + motor.Name + "\"", std::nullopt);
        progress.SetCancelVisible(false);
        try {
            CTunerBackupOps::Restore(motor, path);
        } catch (...) {
            progress.Close();
            throw;
        }
        progress.Close();
    }
};

// Sets a flag for a scope.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }

private:
    bool& m_flag;
};

} // namespace

CTunerForm::CTunerForm(Services services)
    : valuesPage(*services.profile), m_services(std::move(services)), m_backups("TM", m_services.backupFolder)
{
}

CTunerForm::~CTunerForm() = default;

void CTunerForm::Error(const std::string& text) const
{
    if (m_services.context)
        ui::OptionMessageBox(m_services.context->Questions(), text, ui::MB_OK | ui::MB_ICONERROR);
}

CMotor* CTunerForm::FindMotor(int portIndex, int address) const
{
    const auto ports = m_services.ports ? m_services.ports() : std::vector<CCommPort*>{};
    if (portIndex < 0 || portIndex >= int(ports.size()) || !ports[size_t(portIndex)])
        return nullptr;
    if (m_temporary && m_temporary->GetPort() == ports[size_t(portIndex)] && m_temporary->Address == address)
        return m_temporary.get();
    return ports[size_t(portIndex)]->GetMotor(address);
}

std::string CTunerForm::SetTarget(uint32_t key)
{
    const auto ports = m_services.ports ? m_services.ports() : std::vector<CCommPort*>{};
    const int portIndex = int(key & 0xFFFF);
    int address = int(key >> 16);
    if (ports.empty())
        return "The project has no ports: add a port with its motors before tuning.";
    if (portIndex >= int(ports.size()) || !ports[size_t(portIndex)])
        return "The project has no port " + std::to_string(portIndex + 1) + ".";
    CCommPort* port = ports[size_t(portIndex)];
    if (address == 0) {
        CMotor* first = port->motors.GetAt(0);
        address = first ? first->Address : 1;
    }
    CMotor* motor = port->GetMotor(address);
    std::unique_ptr<CMotor> temporary;
    if (!motor) {
        temporary = std::make_unique<CMotor>();
        temporary->SetListIndex(-1);
        temporary->Address = address;
        temporary->SetPort(port);
        char name[160];
        std::snprintf(name, sizeof name, "Motor Address=%d in port \"%s\"", address, port->Name.c_str());
        temporary->Name = name;
        motor = temporary.get();
    }
    m_temporary = std::move(temporary);
    m_motor = motor;
    m_portIndex = portIndex;
    m_address = address;
    return {};
}

std::string CTunerForm::SelectTarget(uint32_t key)
{
    std::string why = SetTarget(key);
    if (why.empty())
        m_showErrors = true;
    return why;
}

uint32_t CTunerForm::Key() const { return MotorKey(m_portIndex, m_address); }

void CTunerForm::ForgetMotor()
{
    m_motor = nullptr;
    m_temporary.reset();
}

std::string CTunerForm::MotorName() const { return m_motor ? m_motor->Name : std::string(); }

void CTunerForm::LoadSettings()
{
    settings = LoadTunerSettings(*m_services.profile, &grid);
    settingsPage.SetSettings(settings);
}

void CTunerForm::SaveSettings()
{
    settingsPage.GetSettings(settings);
    SaveTunerSettings(*m_services.profile, settings, grid);
}

void CTunerForm::SetMode(int mode)
{
    settings.mode = mode;
    settingsPage.mode = mode;
}

GainsServices CTunerForm::Gains() const
{
    GainsServices g;
    g.context = m_services.context;
    g.commError = m_services.commError;
    g.findMotor = [this](int port, int address) { return FindMotor(port, address); };
    return g;
}

bool CTunerForm::ReadValues()
{
    fw::LongOperation busy;
    return m_motor && valuesPage.ReadValues(*m_motor, Gains());
}

bool CTunerForm::ApplyValues()
{
    fw::LongOperation busy;
    return m_motor && valuesPage.ApplyValues(*m_motor, Gains());
}

bool CTunerForm::Run()
{
    if (!m_motor || !m_motor->GetPort()) {
        Error("The tuner has no motor: select the target motor first.");
        return false;
    }
    if (std::string why = settingsPage.GetSettings(settings); !why.empty()) {
        Error(why);
        return false;
    }
    ui::COperationContext& context = m_motor->Context();
    BusyScope running(m_busy);
    fw::LongOperation busy;
    tools::PollTrafficScope traffic(*m_motor, tools::TrafficKind::Tool);
    CTuningMotorLink link(*m_motor, *m_services.scanner, m_backups, context.Progress());
    CTuningRun run(link, context.Questions(), context.Progress());
    run.showErrors = &m_showErrors;
    const int before = ruler;
    lastRun = run.Run(settings, position, posError, ruler);
    if (!lastRun.emptied) {
        // Refused before anything was sent: the samples shown stay.
        ruler = before;
        return false;
    }
    // A run that stopped before sampling emptied the arrays too: no count may outlive them.
    count = lastRun.count;
    capacity = int(lastRun.capacity);
    ResetView();
    return lastRun.ran;
}

void CTunerForm::ResetView()
{
    scrollOffset = 0;
    ruler = 0;
}

void CTunerForm::SetRulerSample(int sample)
{
    if (count > 0)
        ruler = std::clamp(sample, 0, count);
}

void CTunerForm::SetRulerTime(int64_t time)
{
    if (count > 0)
        ruler = int(std::clamp<int64_t>(SampleAtTime(time, settings.tuningTime, count), 0, count));
}

bool CTunerForm::SaveFile(const std::string& path)
{
    settingsPage.GetSettings(settings);
    TuningFileContent c;
    c.channel = m_portIndex;
    c.address = m_address;
    c.settings = settings;
    c.grid = grid;
    c.gains = valuesPage.Values();
    c.position = position;
    c.posError = posError;
    if (!WriteTuningFile(path, c)) {
        Error(kCannotWrite);
        return false;
    }
    m_path = path;
    return true;
}

bool CTunerForm::OpenFile(const std::string& path)
{
    TuningFileRead read = ReadTuningFile(path);
    if (!read.content) {
        Error(read.error);
        return false;
    }
    TuningFileContent& c = *read.content;
    // The motor: the file's port (port 0 when the project has fewer ports) and address.
    const auto ports = m_services.ports ? m_services.ports() : std::vector<CCommPort*>{};
    const int portIndex = c.channel < int(ports.size()) ? c.channel : 0;
    if (std::string why = SetTarget(MotorKey(portIndex, c.address == 0 ? 1 : c.address)); !why.empty()) {
        Error(why);
        return false;
    }
    settings = c.settings;
    grid = c.grid;
    ruler = c.rulerSample;
    if (c.gains)
        valuesPage.SetGains(*c.gains, false);
    if (c.hasPosition)
        position = std::move(c.position);
    if (c.hasPosError)
        posError = std::move(c.posError);
    settingsPage.SetSettings(settings);
    count = position.Count;
    ResetView();
    return true;
}

std::string CTunerForm::ProposedName() const { return !m_path.empty() ? m_path : MotorName(); }

std::string CTunerForm::CopyData() const
{
    if (count <= 0)
        return {};
    std::string text = settings.pollError ? "Time\tPosition\tPosError\r\n" : "Time\tPosition\r\n";
    for (int i = 0; i < count; ++i) {
        text += std::to_string(SampleTime(i, settings.tuningTime, count)) + "\t" + std::to_string(position.At(i));
        if (settings.pollError) {
            text += '\t';
            text += std::to_string(posError.At(i));
        }
        text += "\r\n";
    }
    return text;
}

CMotor* CTunerForm::MotorOf(const tools::CProgramBackupStore::Entry& entry) const
{
    const auto ports = m_services.ports ? m_services.ports() : std::vector<CCommPort*>{};
    if (entry.serial != 0 && entry.serial != kNoSerialNumber)
        for (CCommPort* port : ports)
            for (int i = 0; port && i < port->MotorCount(); ++i)
                if (CMotor* m = port->motors.GetAt(i); m && m->SerialNumber == entry.serial)
                    return m;
    return FindMotor(entry.portId, entry.address);
}

std::vector<tools::CProgramBackupStore::Result> CTunerForm::RestoreFound(const CCommPort* onlyPort)
{
    if (m_busy || m_backups.Entries().empty() || !m_services.scanner)
        return {};
    BusyScope busy(m_busy);
    fw::LongOperation operation;
    RestoreOps ops(*m_services.scanner);
    return m_backups.RestoreFound(
        [this, onlyPort](const tools::CProgramBackupStore::Entry& e) -> CMotor* {
            CMotor* motor = MotorOf(e);
            return motor && (!onlyPort || motor->GetPort() == onlyPort) ? motor : nullptr;
        },
        ops);
}

void CTunerForm::RestoreBeforeChange(const CCommPort* port) { RestoreFound(port); }

void CTunerForm::RestoreWaiting() { RestoreFound(nullptr); }

std::vector<std::string> CTunerForm::RestorePrograms()
{
    std::vector<std::string> messages;
    if (m_backups.Entries().empty())
        return messages;
    BusyScope busy(m_busy);
    fw::LongOperation operation;
    RestoreOps ops(*m_services.scanner);
    for (const auto& r : m_backups.RestoreAll([this](const tools::CProgramBackupStore::Entry& e) { return MotorOf(e); }, ops))
        if (!r.message.empty())
            messages.push_back(r.message);
    for (const std::string& m : messages)
        Error(m);
    return messages;
}

} // namespace tuning
