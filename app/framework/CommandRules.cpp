#include "app/framework/CommandRules.h"

#include <sstream>

namespace fw {

void CommandRules::Set(int id, Rule rule) { m_rules[id] = std::move(rule); }

void CommandRules::SetRange(int first, int last, RangeRule rule)
{
    m_ranges[first] = Range{first, last, std::move(rule)};
}

bool CommandRules::Has(int id) const
{
    if (m_rules.count(id))
        return true;
    for (const auto& [first, range] : m_ranges)
        if (id >= range.first && id <= range.last)
            return true;
    return false;
}

CommandState CommandRules::State(int id) const
{
    if (auto it = m_rules.find(id); it != m_rules.end() && it->second)
        return it->second();
    for (const auto& [first, range] : m_ranges)
        if (id >= range.first && id <= range.last && range.rule)
            return range.rule(id);
    return {};
}

void SetResourceLines(CommandInfo& info, const std::string& lines)
{
    std::istringstream in(lines);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        if (n == 0)
            info.description = line;
        else if (n == 1)
            info.tooltip = line;
        else if (n == 2)
            info.helpTopic = line;
        ++n;
    }
}

} // namespace fw
