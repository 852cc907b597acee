#pragma once
// A models table for tests, installed for the lifetime of a scope.

#include "core/motor/MotorModels.h"

#include <string>
#include <utility>
#include <vector>

class CFakeModels final : public IMotorModels {
public:
    explicit CFakeModels(std::vector<std::pair<std::string, uint32_t>> models) : m_models(std::move(models))
    {
        SetMotorModels(this);
    }
    ~CFakeModels() override { SetMotorModels(nullptr); }
    int Count() const override { return static_cast<int>(m_models.size()); }
    std::string Name(int i) const override { return m_models.at(static_cast<size_t>(i)).first; }
    uint32_t EncoderResolution(int i) const override { return m_models.at(static_cast<size_t>(i)).second; }

private:
    std::vector<std::pair<std::string, uint32_t>> m_models;
};

// The table most tests use: index 0 is "no model", index 4 the one given to motors without EEPROM.
inline std::vector<std::pair<std::string, uint32_t>> StandardModels()
{
    return {{"None", 0},        {"TQ2315S", 2000}, {"TQ2315D", 2000}, {"TQ3410", 4000},
            {"NoEEPROM", 500},  {"QL17", 8000},    {"TQ23", 1000},    {"", 0}};
}
