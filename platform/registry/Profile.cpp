#include "platform/registry/Profile.h"

namespace platform {

Profile::Profile(Registry* registry, std::string registryKey, std::string applicationName)
    : m_registry(registry), m_registryKey(std::move(registryKey)), m_applicationName(std::move(applicationName))
{
}

void Profile::SetRegistryKey(std::string registryKey)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_registryKey = std::move(registryKey);
}

void Profile::SetApplicationName(std::string applicationName)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_applicationName = std::move(applicationName);
}

std::string Profile::GetRegistryKey() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_registryKey;
}

std::string Profile::GetApplicationName() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_applicationName;
}

std::string Profile::AppKey() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return "Software\\" + m_registryKey + "\\" + m_applicationName;
}

std::string Profile::SectionKey(std::string_view section) const { return AppKey() + "\\" + std::string(section); }

Registry& Profile::GetRegistry() const { return m_registry ? *m_registry : DefaultRegistry(); }

std::optional<int32_t> Profile::FindInt(std::string_view section, std::string_view key)
{
    auto v = GetRegistry().GetDword(RegHive::CurrentUser, SectionKey(section), key);
    if (!v)
        return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<std::string> Profile::FindString(std::string_view section, std::string_view key)
{
    return GetRegistry().GetString(RegHive::CurrentUser, SectionKey(section), key);
}

int32_t Profile::GetInt(std::string_view section, std::string_view key, int32_t def)
{
    return FindInt(section, key).value_or(def);
}

std::string Profile::GetString(std::string_view section, std::string_view key, std::string_view def)
{
    auto v = FindString(section, key);
    return v ? *v : std::string(def);
}

bool Profile::GetBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out)
{
    auto v = GetRegistry().GetBinary(RegHive::CurrentUser, SectionKey(section), key);
    if (!v)
        return false;
    out = std::move(*v);
    return true;
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int32_t value)
{
    return GetRegistry().SetDword(RegHive::CurrentUser, SectionKey(section), key, static_cast<uint32_t>(value));
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    return GetRegistry().SetString(RegHive::CurrentUser, SectionKey(section), key, value);
}

bool Profile::WriteBinary(std::string_view section, std::string_view key, const std::vector<uint8_t>& value)
{
    return GetRegistry().SetBinary(RegHive::CurrentUser, SectionKey(section), key, value);
}

bool Profile::DeleteValue(std::string_view section, std::string_view key)
{
    return GetRegistry().DeleteValue(RegHive::CurrentUser, SectionKey(section), key);
}

bool Profile::DeleteSection(std::string_view section)
{
    return GetRegistry().DeleteKey(RegHive::CurrentUser, SectionKey(section));
}

Profile& AppProfile()
{
    static Profile profile;
    return profile;
}

void SetProfileRegistryKey(std::string registryKey) { AppProfile().SetRegistryKey(std::move(registryKey)); }
void SetProfileApplicationName(std::string applicationName)
{
    AppProfile().SetApplicationName(std::move(applicationName));
}
int32_t GetProfileInt(std::string_view section, std::string_view key, int32_t def)
{
    return AppProfile().GetInt(section, key, def);
}
std::string GetProfileString(std::string_view section, std::string_view key, std::string_view def)
{
    return AppProfile().GetString(section, key, def);
}
bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out)
{
    return AppProfile().GetBinary(section, key, out);
}
bool WriteProfileInt(std::string_view section, std::string_view key, int32_t value)
{
    return AppProfile().WriteInt(section, key, value);
}
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value)
{
    return AppProfile().WriteString(section, key, value);
}
bool WriteProfileBinary(std::string_view section, std::string_view key, const std::vector<uint8_t>& value)
{
    return AppProfile().WriteBinary(section, key, value);
}

} // namespace platform
