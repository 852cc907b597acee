#include "app/framework/RecentFileList.h"

#include "platform/registry/Profile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace fw {

RecentFileList::RecentFileList(std::string section, std::string entryFormat, int size, int displayLength)
    : m_section(std::move(section)), m_format(std::move(entryFormat)), m_size(std::max(0, size)),
      m_displayLength(displayLength)
{
}

std::string RecentFileList::At(int index) const
{
    return index >= 0 && index < static_cast<int>(m_entries.size()) ? m_entries[index] : std::string();
}

int RecentFileList::Count() const
{
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(), [](auto& e) { return !e.empty(); }));
}

bool RecentFileList::SamePath(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] == '\\' ? '/' : a[i];
        char y = b[i] == '\\' ? '/' : b[i];
        if (std::tolower(static_cast<unsigned char>(x)) != std::tolower(static_cast<unsigned char>(y)))
            return false;
    }
    return true;
}

int RecentFileList::Find(std::string_view path) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (!m_entries[i].empty() && SamePath(m_entries[i], path))
            return static_cast<int>(i);
    return -1;
}

void RecentFileList::Add(std::string_view path)
{
    if (path.empty() || m_size == 0)
        return;
    if (const int i = Find(path); i >= 0)
        m_entries.erase(m_entries.begin() + i);
    m_entries.insert(m_entries.begin(), std::string(path));
    // Trailing free places go first, then the oldest entry.
    while (static_cast<int>(m_entries.size()) > m_size)
        m_entries.pop_back();
}

void RecentFileList::Remove(int index)
{
    if (index >= 0 && index < static_cast<int>(m_entries.size()))
        m_entries.erase(m_entries.begin() + index);
}

void RecentFileList::MoveToTop(int index)
{
    if (index > 0 && index < static_cast<int>(m_entries.size())) {
        std::string e = m_entries[index];
        m_entries.erase(m_entries.begin() + index);
        m_entries.insert(m_entries.begin(), std::move(e));
    }
}

std::string RecentFileList::EntryName(int i) const
{
    char buf[64];
    std::snprintf(buf, sizeof buf, m_format.c_str(), i + 1);
    return buf;
}

void RecentFileList::ReadList(platform::Profile& profile)
{
    m_entries.clear();
    for (int i = 0; i < m_size; ++i)
        m_entries.push_back(profile.GetString(m_section, EntryName(i), ""));
    while (!m_entries.empty() && m_entries.back().empty())
        m_entries.pop_back();
}

bool RecentFileList::WriteList(platform::Profile& profile) const
{
    platform::Profile::Batch batch(profile);
    for (int i = 0; i < m_size; ++i) {
        const std::string e = At(i);
        if (e.empty())
            profile.DeleteValue(m_section, EntryName(i));
        else
            profile.WriteString(m_section, EntryName(i), e);
    }
    return batch.Commit();
}

std::string RecentFileList::Abbreviate(std::string_view path, int length)
{
    if (length <= 0 || static_cast<int>(path.size()) <= length)
        return std::string(path);
    const size_t slash = path.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (static_cast<int>(name.size()) >= length)
        return std::string(name);
    const char sep = slash == std::string_view::npos ? '/' : path[slash];
    // First folder (drive or root component) kept when it fits.
    const size_t first = path.find_first_of("\\/", 1);
    std::string head = first == std::string_view::npos ? std::string() : std::string(path.substr(0, first + 1));
    std::string result = head + "..." + sep + std::string(name);
    if (static_cast<int>(result.size()) > length)
        result = std::string("...") + sep + std::string(name);
    if (static_cast<int>(result.size()) > length)
        result = std::string(name);
    return result;
}

std::string RecentFileList::DisplayName(int index) const { return Abbreviate(At(index), m_displayLength); }

} // namespace fw
