#pragma once
// What the suite's client programs (Synmove, IoTester, Jogger) ask of the engine, as one small
// interface: the real one goes to a VQXHost object created through the registry, and the
// programs' logic classes are tested against recording fakes of it.
//
// Every failed call throws EngineFailure with the engine's error code (the low 16 bits of the
// help context) and its description.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace vqxclient {

struct EngineFailure : std::runtime_error {
    EngineFailure(int32_t code_, std::string text) : std::runtime_error(std::move(text)), code(code_) {}
    int32_t code;
};

class EngineLink {
public:
    virtual ~EngineLink() = default;

    // IVQXComm
    virtual void OpenPort(const std::string& name) = 0;
    virtual void ClosePort() = 0;
    virtual void ClearBuffer() = 0;
    virtual void SetBaudRate(int32_t baud) = 0;
    virtual int32_t AddressMotorChain() = 0;
    virtual void SetDefaultMotor(int32_t address) = 0;
    virtual void SetEcho(bool on) = 0;
    virtual void WriteCommand(const std::string& command) = 0;
    virtual std::string ReadResponse() = 0;
    virtual std::string GetResponseOf(const std::string& command) = 0;
    virtual void Wait(int32_t milliseconds) = 0;
    // IVQXMotor SampleRate of the motor at this address (clock units per second).
    virtual double SampleRate(int32_t address) = 0;

    // IVQXSynmove (Synmove only)
    virtual void Initialize(int32_t motors) = 0;
    virtual void WritePosition(int32_t motor, int32_t position) = 0;
    virtual void WriteClock(int32_t motor, int32_t clock) = 0;
    virtual int32_t TrajectorySlots() = 0;
    virtual int32_t SlotsNeeded(int32_t motor) = 0;
    virtual void Run() = 0;
    virtual int32_t CheckStatus(int32_t motor) = 0;
};

// Why a host could not be made.
struct HostCreationError : std::runtime_error {
    HostCreationError(bool synmove_, std::string text) : std::runtime_error(std::move(text)), synmove(synmove_) {}
    bool synmove; // false: the host could not be created; true: it has no IVQXSynmove
};

// A VQXHost object: CoCreateInstance through the registry, then IVQXComm; with `synmove`
// also IVQXSynmove. Throws HostCreationError.
std::unique_ptr<EngineLink> CreateEngineHost(bool synmove = false);

} // namespace vqxclient
