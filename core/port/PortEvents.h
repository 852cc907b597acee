#pragma once
// What the port tells the user interface: the terminal bar follows port states, the configuration
// tree is rebuilt after a network/USB open, and a sound may be played when bytes arrive. A port
// calls the sink of its operation context; without one (tests, engine) nothing happens.

#include <string>

class CCommPort;
class CMotor;

class IPortEvents {
public:
    virtual ~IPortEvents() = default;
    virtual void PortStateChanged(const CCommPort& port) = 0;
    virtual void RebuildConfigTree() = 0;
    // A download with the record-information switch changed what the tree shows of the motor
    // (also when its checks refused it: the memory probe clears the program record).
    virtual void MotorRecordChanged(CMotor& /*motor*/) {}
    // Plays the file asynchronously, not cutting a sound that is already playing.
    virtual void PlayReceiveSound(const std::string& file) = 0;
};
