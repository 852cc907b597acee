#include "tests/sim/motor/CommandTable.h"

#include "tests/sim/motor/SimMotor.h"

#include <algorithm>

namespace vqxsim {

void CommandTable::Add(const std::string& name, CommandEntry entry)
{
    m_exact[name] = std::move(entry);
}

void CommandTable::AddPrefix(const std::string& prefix, CommandEntry entry)
{
    m_prefixes.emplace_back(prefix, std::move(entry));
    std::stable_sort(m_prefixes.begin(), m_prefixes.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
}

void CommandTable::SetAssignment(CommandEntry entry)
{
    m_assignment = std::move(entry);
}

void CommandTable::AddReport(const std::string& name, ReportFn report)
{
    m_reports[name] = std::move(report);
    EnableReports();
}

void CommandTable::SetReportFallback(ReportFn report)
{
    m_reportFallback = std::move(report);
    EnableReports();
}

void CommandTable::EnableReports()
{
    m_report.run = [](SimMotor& motor, const std::string& token, const std::string&) {
        motor.Commands().Report(motor, token.substr(1));
    };
}

const CommandEntry* CommandTable::Find(const std::string& token, char reportLetter) const
{
    if (auto it = m_exact.find(token); it != m_exact.end())
        return &it->second;
    for (const auto& [prefix, entry] : m_prefixes)
        if (token.size() > prefix.size() && token.compare(0, prefix.size(), prefix) == 0)
            return &entry;
    size_t eq = token.find('=');
    if (m_assignment.run && eq != std::string::npos && eq > 0 && token.find("==") == std::string::npos)
        return &m_assignment;
    if (m_report.run && token.size() > 1 && token[0] == reportLetter)
        return &m_report;
    return nullptr;
}

bool CommandTable::Report(SimMotor& motor, const std::string& name) const
{
    if (auto it = m_reports.find(name); it != m_reports.end()) {
        it->second(motor, name);
        return true;
    }
    if (m_reportFallback) {
        m_reportFallback(motor, name);
        return true;
    }
    return false;
}

std::shared_ptr<const CommandTable> DefaultCommandTable()
{
    static const std::shared_ptr<const CommandTable> table = [] {
        auto t = std::make_shared<CommandTable>();
        RegisterLineCommands(*t);
        RegisterDataCommands(*t);
        RegisterProgramCommands(*t);
        RegisterReports(*t);
        RegisterPinCommands(*t);
        RegisterMotionCommands(*t); // after the pins: it adds the limit role of pins C and D
        RegisterBehaviourCommands(*t);
        return t;
    }();
    return table;
}

} // namespace vqxsim
