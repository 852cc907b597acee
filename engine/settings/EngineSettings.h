#pragma once
// The settings of one host's port, read from the registry when the host is created.

#include <cstdint>

namespace engine {

inline constexpr const char* kSettingsKey = "SOFTWARE\\Korvessan\\VQXEngine\\IVQXComm";

struct CEngineSettings {
    int32_t TxMaxRetry = 1;
    int32_t TxTimeoutMul = -1;
    int32_t TxTimeoutConst = -1;
    int32_t EchoTimeoutMul = -1;
    int32_t EchoTimeoutConst = 100;

    // Reads the key of the current user, else of the local machine (never both); values that
    // are missing keep their defaults. LogFileName and LogFlags, when present, replace the
    // process-wide log settings.
    void Load();
};

} // namespace engine
