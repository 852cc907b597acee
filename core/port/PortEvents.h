#pragma once
// What the port tells the user interface: the terminal bar follows port states, the configuration
// tree is rebuilt after a network/USB open, and a sound may be played when bytes arrive. The core
// calls these through one sink; without a sink (tests, engine) nothing happens.

#include <string>

class CCommPort;

class IPortEvents {
public:
    virtual ~IPortEvents() = default;
    virtual void PortStateChanged(const CCommPort& port) = 0;
    virtual void RebuildConfigTree() = 0;
    // Plays the file asynchronously, not cutting a sound that is already playing.
    virtual void PlayReceiveSound(const std::string& file) = 0;
};

// The sink in use; null when none. The caller keeps ownership.
IPortEvents* GetPortEvents();
void SetPortEvents(IPortEvents* events);
