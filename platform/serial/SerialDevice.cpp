#include "platform/serial/SerialDevice.h"

#include "platform/serial/TermiosSerialDevice.h"

#include <atomic>
#include <dlfcn.h>
#include <map>
#include <mutex>

namespace platform {
namespace {
std::mutex g_hooksMutex;
std::map<std::string, std::function<void()>> g_hooks;
} // namespace
} // namespace platform

// The line hooks of this copy of the library. Exported, so that a program that links a simulated
// line (and exports this function) has all copies run its hooks. Runs under the lock, so that a
// hook is never run after it was removed.
extern "C" __attribute__((visibility("default"))) void vqx_run_serial_line_hook(const char* path)
{
    std::lock_guard<std::mutex> lock(platform::g_hooksMutex);
    const auto it = platform::g_hooks.find(path);
    if (it != platform::g_hooks.end())
        it->second();
}

namespace platform {

namespace {

// A process may hold this library twice: the engine library carries a private copy. A hook the
// program set must also run when the engine's copy opens or purges the line, so every copy runs
// the hooks of the copy the program exports, or its own when the program exports none.
void RunLineHook(const std::string& path)
{
    using Run = void (*)(const char*);
    static const Run shared = reinterpret_cast<Run>(::dlsym(RTLD_DEFAULT, "vqx_run_serial_line_hook"));
    (shared ? shared : &vqx_run_serial_line_hook)(path.c_str());
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
    RunLineHook(path);
    return TermiosSerialDevice::Open(path, line, error);
}

void RunSerialLineHook(const std::string& path) { RunLineHook(path); }

void SetSerialLineHook(const std::string& path, std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    if (hook)
        g_hooks[path] = std::move(hook);
    else
        g_hooks.erase(path);
}

} // namespace platform
