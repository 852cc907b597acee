#pragma once
// What a motor record reads of the motor-models table: the number of models, their names and
// encoder resolutions. Index 0 stands for "no model".

#include <cstdint>
#include <string>

class IMotorModels {
public:
    virtual ~IMotorModels() = default;
    virtual int Count() const = 0;
    virtual std::string Name(int index) const = 0;
    virtual uint32_t EncoderResolution(int index) const = 0;
};

// The table in use: the one installed, else the program's loaded models table.
const IMotorModels& GetMotorModels();
// Installs a table (nullptr restores the default). The caller keeps ownership.
void SetMotorModels(const IMotorModels* models);

// The model name at an index; empty outside the table.
std::string MotorModelName(int index);
