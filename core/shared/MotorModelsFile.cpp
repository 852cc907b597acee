#include "core/shared/MotorModels.h"

#include "platform/paths/Paths.h"
#include "platform/registry/Registry.h"

std::string MotorModelsPath()
{
    // The registry value overrides the path (up to 260 characters, the Windows path limit).
    if (auto value = platform::DefaultRegistry().GetString(platform::RegHive::LocalMachine, kModelsRegistryKey,
                                                           kModelsRegistryValue)) {
        std::string path = value->substr(0, 260);
        if (!path.empty())
            return platform::TranslatePath(path);
    }
    return platform::JoinPath(platform::AppFolder(), kModelsFileName);
}

bool LoadMotorModels(std::string* error, std::vector<std::string>* warnings)
{
    return GetMotorModels().Load(MotorModelsPath(), error, warnings);
}
