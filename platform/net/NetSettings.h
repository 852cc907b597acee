#pragma once
// Where motors are reached on the network. The defaults are the motors' own; tests and the
// simulator move them onto loopback (each simulated motor on its own 127.0.0.x address).

#include <string>

namespace platform::net {

struct NetSettings {
    std::string broadcastAddress = "255.255.255.255"; // discovery datagrams go here
    int udpPort = 30718;          // the motors' discovery port
    int udpLocalPort = 30718;     // the host's own discovery port
    std::string udpLocalAddress;  // the host's discovery address; empty = any
    int tcpPort = 10001;          // each motor's command port
    int connectRetryMs = 5000;    // pause between two connection attempts to a motor
};

// The settings in force: the defaults, overridden once from the environment (VQX_NET_BROADCAST,
// VQX_NET_UDP_PORT, VQX_NET_UDP_LOCAL_PORT, VQX_NET_UDP_LOCAL_ADDRESS, VQX_NET_TCP_PORT) and
// then by SetNetSettings.
NetSettings GetNetSettings();
void SetNetSettings(const NetSettings& settings);

// Puts settings in force for a scope and restores the previous ones.
class ScopedNetSettings {
public:
    explicit ScopedNetSettings(const NetSettings& settings) : m_saved(GetNetSettings())
    {
        SetNetSettings(settings);
    }
    ~ScopedNetSettings() { SetNetSettings(m_saved); }
    ScopedNetSettings(const ScopedNetSettings&) = delete;
    ScopedNetSettings& operator=(const ScopedNetSettings&) = delete;

private:
    NetSettings m_saved;
};

} // namespace platform::net
