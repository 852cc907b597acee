#include "app/shell/FirmwareVersions.h"

#include "app/shell/CommandIds.h"

#include <algorithm>
#include <cctype>

namespace shell {

namespace {
constexpr const char* kScannerKey = "SOFTWARE\\Korvessan\\Scanner";

bool SameNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}
} // namespace

std::vector<std::string> FirmwareVersionList(const std::vector<platform::RegValue>& values)
{
    std::string def;
    for (const auto& v : values)
        if (v.type == platform::RegType::String && SameNoCase(v.name, "Default"))
            def = v.string;
    std::vector<std::string> list;
    for (const auto& v : values) {
        if (v.type != platform::RegType::String)
            break;
        if (v.name.empty() || SameNoCase(v.name, "Path") || SameNoCase(v.name, "Default"))
            continue;
        list.push_back(v.name + (SameNoCase(v.name, def) ? "@" : "-"));
    }
    return list;
}

std::vector<std::string> ReadFirmwareVersionList(platform::Registry& registry)
{
    if (!registry.KeyExists(platform::RegHive::LocalMachine, kScannerKey))
        return {};
    return FirmwareVersionList(registry.Values(platform::RegHive::LocalMachine, kScannerKey));
}

std::vector<FirmwareMenuItem> FirmwareMenu(const std::vector<std::string>& list)
{
    std::vector<FirmwareMenuItem> menu;
    const size_t n = std::min(list.size(), static_cast<size_t>(kMaxFirmwareItems));
    for (size_t i = 0; i < n; ++i) {
        FirmwareMenuItem item;
        item.id = cmd::ID_FIRMWARE_FIRST + static_cast<int>(i);
        item.name = list[i].substr(0, list[i].size() - 1);
        item.checked = list[i].back() == '@';
        auto at = std::find_if(menu.begin(), menu.end(), [&](const FirmwareMenuItem& m) { return m.name > item.name; });
        menu.insert(at, item);
    }
    return menu;
}

bool ChooseFirmwareVersion(platform::Registry& registry, const std::vector<std::string>& list, int id)
{
    const int n = id - cmd::ID_FIRMWARE_FIRST;
    if (n < 0 || n >= kMaxFirmwareItems || n >= static_cast<int>(list.size()))
        return false;
    const std::string& marked = list[static_cast<size_t>(n)];
    return registry.SetString(platform::RegHive::LocalMachine, kScannerKey, "Default", marked.substr(0, marked.size() - 1));
}

} // namespace shell
