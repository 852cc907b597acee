#pragma once
// The compiler's default firmware version, chosen from the main frame's menu: the list of the
// language versions registered under the machine's Scanner key, the menu items made from it, and
// the choice written back as the key's "Default".

#include "platform/registry/Registry.h"

#include <string>
#include <vector>

namespace shell {

// The most items the menu holds (ids 41100..41149); further versions are left out of it.
inline constexpr int kMaxFirmwareItems = 50;

// The list from the key's values in their order: enumeration stops at the first value that is
// not a string; "Path" and "Default" are skipped; every other name is followed by "@" when it
// equals the default (ignoring case), else by "-".
std::vector<std::string> FirmwareVersionList(const std::vector<platform::RegValue>& values);
// The same read from the registry (empty when the key is missing).
std::vector<std::string> ReadFirmwareVersionList(platform::Registry& registry);

struct FirmwareMenuItem {
    int id = 0;
    std::string name;
    bool checked = false;
    bool operator==(const FirmwareMenuItem&) const = default;
};
// The submenu: the n-th name of the list gets the id 41100 + n; the items stay sorted by name
// (each goes before the first item that is greater); the one marked "@" is checked.
std::vector<FirmwareMenuItem> FirmwareMenu(const std::vector<std::string>& list);

// Makes the version of a menu id the default; false for an id outside the list or a registry
// that cannot be written.
bool ChooseFirmwareVersion(platform::Registry& registry, const std::vector<std::string>& list, int id);

} // namespace shell
