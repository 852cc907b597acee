#include "platform/serial/SerialDevice.h"

#include "platform/serial/TermiosSerialDevice.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<ISerialDeviceSource*> g_source{nullptr};
}

ISerialDeviceSource* SetSerialDeviceSource(ISerialDeviceSource* source) { return g_source.exchange(source); }

bool IsSourceDevice(const std::string& name)
{
    ISerialDeviceSource* source = g_source.load();
    return source && !name.empty() && source->Has(name);
}

bool IsSupportedBaud(int baud)
{
    switch (baud) {
    case 1200: case 2400: case 4800: case 9600: case 19200: case 38400: case 57600: case 115200:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<SerialDevice> OpenSerialDevice(const std::string& name, const SerialLineSettings& line,
                                               std::string* error)
{
    if (IsSourceDevice(name))
        return g_source.load()->Open(name, line, error);
    if (name.empty()) {
        if (error)
            *error = "no device name";
        return nullptr;
    }
    const std::string path = name[0] == '/' ? name : "/dev/" + name;
    return TermiosSerialDevice::Open(path, line, error);
}

} // namespace platform
