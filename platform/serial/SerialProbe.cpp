#include "platform/serial/SerialProbe.h"

#include "platform/serial/PortNames.h"
#include "platform/serial/SerialDevices.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {
thread_local SerialScanSnapshot* g_snapshot = nullptr;

SerialPresence ProbeDevice(const std::string& device);
} // namespace

SerialScanSnapshot::SerialScanSnapshot()
{
    if (g_snapshot)
        return;
    g_snapshot = this;
    m_active = true;
}

SerialScanSnapshot::~SerialScanSnapshot()
{
    if (m_active)
        g_snapshot = nullptr;
}

std::vector<std::string> SystemSerialProbe::Candidates()
{
    std::vector<std::string> out;
    for (int n = 1; n <= 30; ++n)
        out.push_back("Com" + std::to_string(n));
    // A device a "Com<n>" name already maps to is not offered a second time under its path.
    std::vector<std::string> mapped;
    for (int n = 1; n <= 30; ++n)
        mapped.push_back(ResolveSerialPortName("Com" + std::to_string(n)));
    const auto taken = [&](const std::string& path) {
        std::error_code ec;
        return std::any_of(mapped.begin(), mapped.end(), [&](const std::string& m) {
            return m == path || std::filesystem::equivalent(m, path, ec);
        }) || std::find(out.begin(), out.end(), path) != out.end();
    };
    for (const SerialDeviceInfo& d : Devices())
        if (!taken(d.node) && !taken(d.PortName()))
            out.push_back(d.PortName());
    for (const std::string& known : KnownSerialDevices())
        if (!taken(known))
            out.push_back(known);
    return out;
}

std::vector<SerialDeviceInfo> SystemSerialProbe::Devices()
{
    if (!g_snapshot)
        return ListSystemSerialDevices();
    if (!g_snapshot->m_devices)
        g_snapshot->m_devices = ListSystemSerialDevices();
    return *g_snapshot->m_devices;
}

SerialPresence SystemSerialProbe::Probe(const std::string& portName)
{
    const std::string device = ResolveSerialPortName(portName);
    if (!g_snapshot)
        return ProbeDevice(device);
    auto known = g_snapshot->m_presence.find(device);
    if (known == g_snapshot->m_presence.end())
        known = g_snapshot->m_presence.emplace(device, ProbeDevice(device)).first;
    return known->second;
}

namespace {
// Opens the device for a moment, exclusively and without waiting.
SerialPresence ProbeDevice(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENXIO || errno == ENODEV || errno == ENOTDIR || errno == EIO)
            return SerialPresence::NotFound;
        return SerialPresence::Busy; // it exists, but we may not have it now
    }
    SerialPresence result = SerialPresence::Present;
    // A port held by another program (exclusive mode or its lock).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        result = SerialPresence::Busy;
    // A standard UART slot without hardware behind it.
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN)
        result = SerialPresence::NotFound;
    ::close(fd);
    return result;
}
} // namespace

} // namespace platform
