#include "app/project/ResolveMotors.h"

#include "app/project/Project.h"
#include "core/VQXException.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"

#include <cstdio>
#include <memory>

namespace {

std::string Number(long long n) { return std::to_string(n); }

std::string ModelText(const CMotor& m) { return m.Model.empty() ? MotorModelName(m.MotorType) : m.Model; }

std::string ChecksumText(const CMotor& m)
{
    if (m.ProgChecksum == -1)
        return CResolveMotorsForm::kUnknown;
    char text[16];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(m.ProgChecksum));
    return text;
}

std::string OrUnknown(const std::string& text) { return text.empty() ? CResolveMotorsForm::kUnknown : text; }

bool HasNetwork(const CMotor* m) { return m && m->Socket != nullptr; }

} // namespace

const char* ResolveActionText(ResolveAction action)
{
    switch (action) {
    case ResolveAction::Update: return "Update";
    case ResolveAction::Add: return "Add";
    case ResolveAction::Delete: return "Delete";
    case ResolveAction::Leave: return "Leave";
    case ResolveAction::Ignore: return "Ignore";
    }
    return "";
}

std::string ResolveRow::Name() const { return defined ? defined->Name : detected ? detected->Name : std::string(); }

CResolveMotorsForm::CResolveMotorsForm(CCommPort& port, CCommPort& detected) { AddPortRows(&port, &detected); }

CResolveMotorsForm::CResolveMotorsForm(const std::vector<CCommPort*>& defined, const std::vector<CCommPort*>& detected)
{
    auto twinOf = [&](CCommPort* port) -> CCommPort* {
        for (CCommPort* d : detected)
            if (d && d->peer == port)
                return d;
        return nullptr;
    };
    for (CCommPort* port : defined)
        if (port)
            AddPortRows(port, twinOf(port));
    for (CCommPort* d : detected) {
        if (!d)
            continue;
        bool twin = false;
        for (CCommPort* port : defined)
            twin = twin || (port && d->peer == port);
        if (!twin)
            AddPortRows(nullptr, d);
    }
}

CResolveMotorsForm::CResolveMotorsForm(CMotor& motor, CMotor& detected)
{
    m_rows.push_back({motor.port, detected.port, &motor, &detected, ResolveAction::Update});
}

void CResolveMotorsForm::AddPortRows(CCommPort* defined, CCommPort* detected)
{
    if (defined) {
        for (int i = 0; i < defined->MotorCount(); ++i) {
            CMotor* m = defined->motors.GetAt(i);
            if (m->diffMask == 0)
                continue;
            CMotor* twin = m->linked && detected && m->linked->port == detected ? m->linked : nullptr;
            m_rows.push_back({defined, detected, m, twin, twin ? ResolveAction::Update : ResolveAction::Leave});
        }
    }
    if (detected) {
        for (int i = 0; i < detected->MotorCount(); ++i) {
            CMotor* d = detected->motors.GetAt(i);
            const bool twin = d->linked && defined && d->linked->port == defined;
            if (d->IsAvailable && !twin)
                m_rows.push_back({defined, detected, nullptr, d, ResolveAction::Add});
        }
    }
}

std::vector<ResolveParameter> CResolveMotorsForm::Parameters(const ResolveRow& row)
{
    struct Item {
        const char* name;
        int bits;
        std::string (*value)(const CMotor&);
    };
    static const Item items[] = {
        {"Address", MOTOR_DIFF_ADDRESS, [](const CMotor& m) { return Number(m.Address); }},
        {"Version", MOTOR_DIFF_VERSION, [](const CMotor& m) { return OrUnknown(m.Version); }},
        {"Serial Numner", MOTOR_DIFF_SERIAL, [](const CMotor& m) { return FormatSerialNumber(m.SerialNumber); }},
        {"Model", MOTOR_DIFF_MOTORTYPE | MOTOR_DIFF_MODEL, [](const CMotor& m) { return OrUnknown(ModelText(m)); }},
        {"Program", MOTOR_DIFF_PROGNAME, [](const CMotor& m) { return OrUnknown(m.ProgName); }},
        {"Prog. Size", MOTOR_DIFF_PROGSIZE, [](const CMotor& m) { return Number(m.ProgSize); }},
        {"Prog. Date", MOTOR_DIFF_PROGDATE, [](const CMotor& m) { return FormatSystemTime(m.progDate); }},
        {"Prog. Checksum", MOTOR_DIFF_CHECKSUM, ChecksumText},
        {"Prog. Contents", MOTOR_DIFF_PROGRAM, [](const CMotor& m) { return OrUnknown(m.ProgName); }},
        {"Manufacture Date", MOTOR_DIFF_PRODDATE, [](const CMotor& m) { return FormatPackedDate(m.ProdDates[5]); }},
        {"IP Address", MOTOR_DIFF_IPADDRESS, [](const CMotor& m) { return OrUnknown(m.EthernetAddress()); }},
    };
    const bool network = HasNetwork(row.defined) || HasNetwork(row.detected);
    const CMotor* masked = row.defined ? row.defined : row.detected;
    const int mask = masked ? masked->diffMask : 0;
    std::vector<ResolveParameter> out;
    for (const Item& item : items) {
        if (item.bits == MOTOR_DIFF_IPADDRESS && !network)
            continue;
        out.push_back({item.name, row.defined ? item.value(*row.defined) : kUnknown,
                       row.detected ? item.value(*row.detected) : kUnknown, (mask & item.bits) != 0});
    }
    return out;
}

const char* CResolveMotorsForm::FirstButtonText(const ResolveRow& row)
{
    return !row.defined ? "Add" : row.detected ? "Update" : "Delete";
}

const char* CResolveMotorsForm::SecondButtonText(const ResolveRow& row) { return row.defined && !row.detected ? "Leave" : "Ignore"; }

void CResolveMotorsForm::ActFirst(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    ResolveRow& r = m_rows[static_cast<size_t>(row)];
    r.action = !r.defined ? ResolveAction::Add : r.detected ? ResolveAction::Update : ResolveAction::Delete;
}

void CResolveMotorsForm::ActSecond(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    ResolveRow& r = m_rows[static_cast<size_t>(row)];
    r.action = r.defined && !r.detected ? ResolveAction::Leave : ResolveAction::Ignore;
}

void CResolveMotorsForm::OnAllButton(int id)
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const ResolveRow& r = m_rows[i];
        const bool newOnly = !r.defined, both = r.defined && r.detected, undetected = r.defined && !r.detected;
        const int row = static_cast<int>(i);
        if ((id == kAddAllNew && newOnly) || (id == kUpdateAllDifferent && both) || (id == kDeleteAllUndetected && undetected))
            ActFirst(row);
        else if ((id == kIgnoreAllNew && newOnly) || (id == kIgnoreAllDifferent && both) ||
                 (id == kLeaveAllUndetected && undetected))
            ActSecond(row);
    }
}

int CResolveMotorsForm::Apply(CProject* project, std::vector<std::string>* refused,
                              const std::function<void(CMotor*)>& motorGoing)
{
    int changes = 0;
    // Deletions first, so that an added motor may take the address a deleted one leaves.
    for (ResolveRow& r : m_rows) {
        if (r.action != ResolveAction::Delete || !r.defined || !r.definedPort)
            continue;
        if (motorGoing)
            motorGoing(r.defined);
        RemoveDetectedMotor(*r.definedPort, r.defined);
        r.defined = nullptr;
        ++changes;
    }
    for (ResolveRow& r : m_rows) {
        if (r.action != ResolveAction::Update || !r.defined || !r.detected)
            continue;
        CCommPort* port = r.defined->port;
        *r.defined = *r.detected;
        r.defined->port = port;
        r.defined->linked = nullptr;
        r.defined->diffMask = 0;
        if (port)
            port->RebuildAddressTable();
        ++changes;
    }
    for (ResolveRow& r : m_rows) {
        if (r.action != ResolveAction::Add || !r.detected)
            continue;
        CCommPort* target = r.definedPort;
        if (!target && r.detectedPort && project) {
            // A detected port the project does not have yet: it joins with the detected settings.
            auto made = std::make_unique<CCommPort>();
            *made = *r.detectedPort;
            EmptyMotorList(*made);
            made->SetContext(&project->Context());
            target = made.get();
            if (!project->AddPort(std::move(made))) {
                if (refused)
                    refused->push_back("\"" + r.detected->Name + "\" was not added: the project has 30 ports.");
                continue;
            }
            for (ResolveRow& other : m_rows)
                if (other.detectedPort == r.detectedPort)
                    other.definedPort = target;
            ++changes;
        }
        if (!target)
            continue;
        if (target->GetMotor(r.detected->Address)) {
            if (refused)
                refused->push_back("\"" + r.detected->Name + "\" was not added: another motor of the port has address " +
                                   Number(r.detected->Address) + ".");
            continue;
        }
        auto motor = std::make_unique<CMotor>(*r.detected);
        motor->port = target;
        motor->linked = nullptr;
        motor->diffMask = 0;
        try {
            OrderByAddress(*target, EnterDetectedMotor(*target, r.detected->Address, std::move(motor)));
            ++changes;
        } catch (const CVQXException&) {
            if (refused)
                refused->push_back("\"" + r.detected->Name + "\" was not added: the port has 120 motors.");
        }
    }
    if (changes && project)
        project->modified = true;
    return changes;
}
