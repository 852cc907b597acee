#pragma once
// Puts a small models table in place of the program's for the lifetime of a scope.

#include "core/shared/MotorModels.h"

#include <string>
#include <utility>
#include <vector>

class CFakeModels {
public:
    explicit CFakeModels(const std::vector<std::pair<std::string, uint32_t>>& models)
        : m_saved(GetMotorModels())
    {
        GetMotorModels().Clear();
        for (const auto& [name, resolution] : models) {
            CMotorModel m;
            m.Name = name;
            m.EncoderResolution = resolution;
            GetMotorModels().Add(m);
        }
    }
    ~CFakeModels() { GetMotorModels() = m_saved; }
    CFakeModels(const CFakeModels&) = delete;
    CFakeModels& operator=(const CFakeModels&) = delete;

private:
    CMotorModels m_saved;
};

// The table most tests use: index 0 is "no model", index 4 the one given to motors without EEPROM.
inline std::vector<std::pair<std::string, uint32_t>> StandardModels()
{
    return {{"None", 0},       {"TQ2315S", 2000}, {"TQ2315D", 2000}, {"TQ3410", 4000},
            {"NoEEPROM", 500}, {"QL17", 8000},    {"TQ23", 1000},    {"", 0}};
}
