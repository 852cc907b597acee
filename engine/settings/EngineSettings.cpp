#include "engine/settings/EngineSettings.h"

#include "engine/settings/EngineLog.h"
#include "platform/registry/Registry.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <optional>

namespace engine {

namespace {
// A 4-byte number whatever the value's registry type.
std::optional<int32_t> Number(const platform::RegValue& v)
{
    switch (v.type) {
    case platform::RegType::Dword: return int32_t(v.dword);
    case platform::RegType::Binary:
        if (v.binary.size() >= 4) {
            uint32_t x;
            std::memcpy(&x, v.binary.data(), 4);
            return int32_t(x);
        }
        return std::nullopt;
    case platform::RegType::String: {
        char* end = nullptr;
        const long long x = std::strtoll(v.string.c_str(), &end, 10);
        if (end == v.string.c_str())
            return std::nullopt;
        return int32_t(x);
    }
    }
    return std::nullopt;
}
} // namespace

void CEngineSettings::Load()
{
    using platform::RegHive;
    platform::Registry& reg = platform::DefaultRegistry();
    RegHive hive = RegHive::CurrentUser;
    if (!reg.KeyExists(hive, kSettingsKey)) {
        hive = RegHive::LocalMachine;
        if (!reg.KeyExists(hive, kSettingsKey))
            return;
    }
    const auto values = reg.Values(hive, kSettingsKey);
    auto find = [&](const char* name) -> const platform::RegValue* {
        for (const auto& v : values)
            if (strcasecmp(v.name.c_str(), name) == 0)
                return &v;
        return nullptr;
    };
    auto load = [&](const char* name, int32_t& field) {
        if (const auto* v = find(name))
            if (auto n = Number(*v))
                field = *n;
    };
    load("TxMaxRetry", TxMaxRetry);
    load("TxTimeoutMul", TxTimeoutMul);
    load("TxTimeoutConst", TxTimeoutConst);
    load("EchoTimeoutMul", EchoTimeoutMul);
    load("EchoTimeoutConst", EchoTimeoutConst);
    if (EchoTimeoutConst <= 0)
        EchoTimeoutConst = 100;
    if (const auto* v = find("LogFileName")) {
        std::string name = v->type == platform::RegType::String
                               ? v->string
                               : std::string(v->binary.begin(), v->binary.end());
        if (const auto nul = name.find('\0'); nul != std::string::npos)
            name.resize(nul);
        SetLogFileName(name);
    }
    if (const auto* v = find("LogFlags"))
        if (auto n = Number(*v))
            SetLogFlags(uint32_t(*n));
}

} // namespace engine
