#include "platform/serial/PortNames.h"
#include "platform/serial/SerialDevice.h"

#include "platform/registry/Registry.h"

#include <cctype>

namespace platform {

int ComPortNumber(const std::string& name)
{
    if (name.size() < 4 || name.size() > 7)
        return 0;
    if (std::tolower(static_cast<unsigned char>(name[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(name[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(name[2])) != 'm')
        return 0;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string ResolveSerialPortName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || IsSourceDevice(name))
        return name;
    if (const int n = ComPortNumber(name); n > 0) {
        const std::string value = "Com" + std::to_string(n);
        Registry& registry = DefaultRegistry();
        for (RegHive hive : {RegHive::CurrentUser, RegHive::LocalMachine}) {
            const auto mapped = registry.GetString(hive, "Software\\Korvessan\\Ports", value);
            if (mapped && !mapped->empty())
                return *mapped;
        }
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + name;
}

} // namespace platform
