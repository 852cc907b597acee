#include "platform/serial/SerialDevice.h"

#include "platform/serial/TermiosSerialDevice.h"

#include <atomic>
#include <map>
#include <mutex>

namespace platform {

namespace {

std::mutex g_hooksMutex;
std::map<std::string, std::function<void()>> g_hooks;

// Runs under the lock, so that a hook is never run after it was removed.
void RunOpenHook(const std::string& path)
{
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    const auto it = g_hooks.find(path);
    if (it != g_hooks.end())
        it->second();
}

std::atomic<ISerialDeviceSource*> g_source{nullptr};

} // namespace

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
    RunOpenHook(path);
    return TermiosSerialDevice::Open(path, line, error);
}

void SetSerialOpenHook(const std::string& path, std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    if (hook)
        g_hooks[path] = std::move(hook);
    else
        g_hooks.erase(path);
}

} // namespace platform
