#pragma once
// Which serial devices the machine has: the candidates a port list offers and whether each can be
// opened. "Not found" (the device does not exist or has no hardware behind it) is told from
// "busy" (it exists, another program holds it).

#include <string>
#include <vector>

namespace platform {

enum class SerialPresence { Present, Busy, NotFound };

class ISerialPortProbe {
public:
    virtual ~ISerialPortProbe() = default;
    // Port names worth probing, in order: "Com1".."Com30", then the USB serial devices.
    virtual std::vector<std::string> Candidates() = 0;
    virtual SerialPresence Probe(const std::string& portName) = 0;
};

// The machine's devices: "Com<n>" resolved as the ports resolve it, /dev/ttyUSB* and /dev/ttyACM*
// found under /dev; opened for a moment, exclusively and without waiting.
class SystemSerialProbe final : public ISerialPortProbe {
public:
    std::vector<std::string> Candidates() override;
    SerialPresence Probe(const std::string& portName) override;
};

} // namespace platform
