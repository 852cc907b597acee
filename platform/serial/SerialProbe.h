#pragma once
// Which serial devices the machine has: the candidates a port list offers and whether each can be
// opened. "Not found" (the device does not exist or has no hardware behind it) is told from
// "busy" (it exists, another program holds it).

#include "platform/serial/SerialDevices.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class SerialPresence { Present, Busy, NotFound };

class ISerialPortProbe {
public:
    virtual ~ISerialPortProbe() = default;
    // Port names worth probing, in order: "Com1".."Com30", then the devices of Devices() and those
    // made known for the run (a pseudo-terminal given at start-up).
    virtual std::vector<std::string> Candidates() = 0;
    virtual SerialPresence Probe(const std::string& portName) = 0;
    // The devices a port list offers beside the "Com<n>" names, with their texts.
    virtual std::vector<SerialDeviceInfo> Devices() { return {}; }
};

// The machine's devices: "Com<n>" resolved as the ports resolve it, the ttys sysfs lists (under
// VQX_USB_ROOT when it is set) by their by-id names where they have one, and the known devices;
// a device a "Com<n>" name maps to is offered once. Probed by opening it for a moment, exclusively
// and without waiting.
class SystemSerialProbe final : public ISerialPortProbe {
public:
    std::vector<std::string> Candidates() override;
    SerialPresence Probe(const std::string& portName) override;
    std::vector<SerialDeviceInfo> Devices() override;
};

// While one lives, every SystemSerialProbe of its thread shares one look at the machine: the
// device list is read once and each device is opened at most once. Start-up asks the same from
// several places within a moment (the project's ports, the playground's port list); what the
// user does afterwards sees the machine as it is then. An inner one leaves the outer in charge.
class SerialScanSnapshot {
public:
    SerialScanSnapshot();
    ~SerialScanSnapshot();
    SerialScanSnapshot(const SerialScanSnapshot&) = delete;
    SerialScanSnapshot& operator=(const SerialScanSnapshot&) = delete;

private:
    friend class SystemSerialProbe;
    bool m_active = false;
    std::optional<std::vector<SerialDeviceInfo>> m_devices;
    std::map<std::string, SerialPresence> m_presence; // by device path
};

} // namespace platform
