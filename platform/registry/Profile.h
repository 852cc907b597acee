#pragma once
// The framework's application profile on top of the registry: values by (section, key, default)
// under HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>, e.g.
// HKCU\Software\Korvessan\VQX\Terminal\TermFontSize.
//
// The registry key (the maker's name, "Korvessan") and the application name ("VQX", "Synmove",
// ...) are set at start-up with SetRegistryKey / SetApplicationName; both default to
// "Korvessan" and "VQX".
//
// Types follow the framework: integers are 32-bit values (RegType::Dword), strings are strings,
// binaries are binary values. A value of another type than the getter asks for reads as missing
// (the default). Getters never fail; writers return false when the file cannot be saved.
//
//   platform::Profile& p = platform::AppProfile();
//   int size = p.GetInt("Terminal", "TermFontSize", 10);
//   p.WriteInt("Terminal", "TermFontSize", 12);
//   { platform::Profile::Batch batch(p); ...many writes, one file write... }
//
// The free functions GetProfileInt, WriteProfileInt, ... use AppProfile().

#include "platform/registry/Registry.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Profile {
public:
    // `registry` null: the process-wide DefaultRegistry(), looked up at every call.
    explicit Profile(Registry* registry = nullptr, std::string registryKey = "Korvessan",
                     std::string applicationName = "VQX");

    void SetRegistryKey(std::string registryKey);
    void SetApplicationName(std::string applicationName);
    std::string GetRegistryKey() const;
    std::string GetApplicationName() const;
    // "Software\<registry key>\<application name>"
    std::string AppKey() const;
    // "Software\<registry key>\<application name>\<section>"
    std::string SectionKey(std::string_view section) const;

    int32_t GetInt(std::string_view section, std::string_view key, int32_t def);
    std::string GetString(std::string_view section, std::string_view key, std::string_view def);
    // False (out untouched) when the value is absent or not binary.
    bool GetBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out);
    std::optional<int32_t> FindInt(std::string_view section, std::string_view key);
    std::optional<std::string> FindString(std::string_view section, std::string_view key);

    bool WriteInt(std::string_view section, std::string_view key, int32_t value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteBinary(std::string_view section, std::string_view key, const std::vector<uint8_t>& value);
    // The framework's WriteProfileString with no value (deletes the value) and with no key
    // (deletes the section).
    bool DeleteValue(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

    Registry& GetRegistry() const;

    // One locked read-modify-write and one file write for many profile writes.
    class Batch {
    public:
        explicit Batch(Profile& profile) : m_batch(profile.GetRegistry(), RegHive::CurrentUser) {}
        bool Commit() { return m_batch.Commit(); }

    private:
        Registry::Batch m_batch;
    };

private:
    Registry* m_registry;
    mutable std::mutex m_mutex;
    std::string m_registryKey;
    std::string m_applicationName;
};

// The application's profile (the framework's CWinApp profile).
Profile& AppProfile();

// The framework's functions, on AppProfile().
void SetProfileRegistryKey(std::string registryKey);
void SetProfileApplicationName(std::string applicationName);
int32_t GetProfileInt(std::string_view section, std::string_view key, int32_t def);
std::string GetProfileString(std::string_view section, std::string_view key, std::string_view def = {});
bool GetProfileBinary(std::string_view section, std::string_view key, std::vector<uint8_t>& out);
bool WriteProfileInt(std::string_view section, std::string_view key, int32_t value);
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);
bool WriteProfileBinary(std::string_view section, std::string_view key, const std::vector<uint8_t>& value);

} // namespace platform
