#include "platform/net/NetSettings.h"

#include <cstdlib>
#include <mutex>

namespace platform::net {

namespace {

void FromEnv(const char* name, std::string& value)
{
    if (const char* text = std::getenv(name); text && *text)
        value = text;
}

void FromEnv(const char* name, int& value)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end == '\0' && v >= 0 && v <= 65535)
        value = static_cast<int>(v);
}

std::mutex g_mutex;

NetSettings& Current()
{
    static NetSettings settings = [] {
        NetSettings s;
        FromEnv("VQX_NET_BROADCAST", s.broadcastAddress);
        FromEnv("VQX_NET_UDP_PORT", s.udpPort);
        FromEnv("VQX_NET_UDP_LOCAL_PORT", s.udpLocalPort);
        FromEnv("VQX_NET_UDP_LOCAL_ADDRESS", s.udpLocalAddress);
        FromEnv("VQX_NET_TCP_PORT", s.tcpPort);
        return s;
    }();
    return settings;
}

} // namespace

NetSettings GetNetSettings()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return Current();
}

void SetNetSettings(const NetSettings& settings)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Current() = settings;
}

} // namespace platform::net
