#include "app/project/SelectMotor.h"

#include <algorithm>
#include <string>

#include "app/project/Project.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

namespace selectmotor {

std::vector<PortEntry> PortEntries(const CProject& project)
{
    std::vector<PortEntry> out;
    for (int i = 0; i < project.PortCount(); ++i) {
        const CCommPort* port = project.Port(i);
        PortEntry e;
        e.name = port->Name;
        e.serial = port->IsSerial();
        for (int m = 0; m < port->motors.GetCount(); ++m)
            if (const CMotor* motor = port->motors.GetAt(m))
                e.motors.emplace_back(motor->Name, motor->Address);
        out.push_back(std::move(e));
    }
    return out;
}

CSelectMotorForm::CSelectMotorForm(std::vector<PortEntry> ports, uint32_t selection, int flags, std::string prompt)
    : m_ports(std::move(ports)), m_flags(flags), m_prompt(std::move(prompt)), m_selection(selection)
{
    const int port = PortOf(selection);
    m_port = port < static_cast<int>(m_ports.size()) ? port : -1;
    m_address = AddressOf(selection);
    m_field = std::clamp(m_address, MinAddress(), kMaxAddress);
    FillRows();
    // The word passed in picks its own row when the list has it (a group row shares its address
    // with the group rows of other ports).
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].data == selection)
            m_row = static_cast<int>(i);
}

std::vector<std::string> CSelectMotorForm::PortRows() const
{
    std::vector<std::string> rows{"All Ports"};
    for (const PortEntry& p : m_ports)
        rows.push_back(p.name);
    return rows;
}

void CSelectMotorForm::FillRows()
{
    m_rows.clear();
    const bool groups = (m_flags & kGroupChoices) != 0;
    if (m_port < 0 && groups)
        m_rows.push_back({"All defined Motors", kAllDefinedMotors});
    for (int i = 0; i < static_cast<int>(m_ports.size()); ++i) {
        if (m_port >= 0 && i != m_port)
            continue;
        const PortEntry& p = m_ports[static_cast<size_t>(i)];
        if (groups && p.serial)
            m_rows.push_back({"Global in port \"" + p.name + "\"", MakeSelection(i, kGlobalAddress)});
        if (groups)
            m_rows.push_back({"Each Motor in port \"" + p.name + "\"", MakeSelection(i, kEachMotorAddress)});
        for (const auto& [name, address] : p.motors)
            m_rows.push_back({name, MakeSelection(i, address)});
    }
    m_row = -1;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (AddressOf(m_rows[i].data) == m_address)
            m_row = static_cast<int>(i);
    if (m_row < 0 && m_address == 0 && !m_rows.empty())
        m_row = 0;
}

void CSelectMotorForm::SelectPortRow(int row)
{
    m_port = row >= 1 && row <= static_cast<int>(m_ports.size()) ? row - 1 : -1;
    FillRows();
}

void CSelectMotorForm::SelectMotorRow(int row)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        m_row = -1;
        return;
    }
    m_row = row;
    m_address = AddressOf(m_rows[static_cast<size_t>(row)].data);
    m_field = std::clamp(m_address, MinAddress(), kMaxAddress);
}

void CSelectMotorForm::SetAddress(int address)
{
    m_address = address;
    m_field = address;
    FillRows();
}

bool CSelectMotorForm::Accept(std::string* message)
{
    if (m_row >= 0) {
        m_selection = m_rows[static_cast<size_t>(m_row)].data;
        return true;
    }
    // Without a chosen row the word names a real port: "All Ports" has no index of its own.
    if (m_port < 0) {
        if (message)
            *message = kSelectPortText;
        return false;
    }
    if (m_flags & kListedMotorOnly) {
        if (message)
            *message = kNoMotorText;
        return false;
    }
    if (m_field < MinAddress() || m_field > kMaxAddress) {
        if (message)
            *message = "Please enter a motor address between " + std::to_string(MinAddress()) + " and 120!";
        return false;
    }
    m_selection = MakeSelection(m_port, m_field);
    return true;
}

} // namespace selectmotor
