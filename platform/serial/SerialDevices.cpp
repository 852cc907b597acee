#include "platform/serial/SerialDevices.h"

#include "platform/fs/ReadFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string ReadAttribute(const fs::path& file)
{
    // A sysfs attribute is one short line (the kernel reports 4096 bytes for every one).
    std::string text;
    if (!ReadWholeFile(file.string(), text, 4096))
        return {};
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool IsUartSlot(const std::string& tty)
{
    return tty.size() > 4 && tty.starts_with("ttyS") &&
           std::all_of(tty.begin() + 4, tty.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::mutex g_knownMutex;
std::vector<std::string> g_known;

} // namespace

bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t ie = i, je = j;
            while (ie < a.size() && digit(a[ie]))
                ++ie;
            while (je < b.size() && digit(b[je]))
                ++je;
            const std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::string SerialDeviceInfo::Label() const
{
    std::string text = tty;
    if (!product.empty())
        text += " - " + product;
    if (!serial.empty())
        text += (product.empty() ? " - " : " ") + serial;
    return text;
}

std::vector<SerialDeviceInfo> ListSerialDevices(const std::string& sysRoot, const std::string& devDir)
{
    std::vector<SerialDeviceInfo> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(sysRoot) / "class" / "tty", ec)) {
        const std::string name = entry.path().filename().string();
        // Virtual terminals, the console and pseudo-terminals have no device behind them.
        fs::path dir = fs::canonical(entry.path() / "device", ec);
        if (ec || IsUartSlot(name)) {
            ec.clear();
            continue;
        }
        SerialDeviceInfo d;
        d.tty = name;
        d.node = (fs::path(devDir) / name).string();
        if (!fs::exists(d.node, ec)) {
            ec.clear();
            continue;
        }
        // Walk up from the interface to the USB device, which carries idVendor and the texts.
        for (int depth = 0; depth < 6 && !dir.empty() && dir != dir.root_path(); ++depth, dir = dir.parent_path()) {
            if (!fs::exists(dir / "idVendor", ec))
                continue;
            d.product = ReadAttribute(dir / "product");
            d.serial = ReadAttribute(dir / "serial");
            break;
        }
        found.push_back(std::move(d));
    }
    // The stable names udev gives: links in dev/serial/by-id to the nodes.
    for (const auto& link : fs::directory_iterator(fs::path(devDir) / "serial" / "by-id", ec)) {
        const fs::path target = fs::weakly_canonical(link.path(), ec);
        if (ec) {
            ec.clear();
            continue;
        }
        for (SerialDeviceInfo& d : found) {
            std::error_code ec2;
            if (d.byId.empty() && fs::equivalent(target, d.node, ec2))
                d.byId = link.path().string();
        }
    }
    std::sort(found.begin(), found.end(),
              [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) { return NaturalLess(a.tty, b.tty); });
    return found;
}

std::string DeviceRoot()
{
    const char* value = std::getenv("VQX_USB_ROOT");
    return value ? std::string(value) : std::string();
}

std::vector<SerialDeviceInfo> ListSystemSerialDevices()
{
    const std::string root = DeviceRoot();
    return ListSerialDevices(root + "/sys", root + "/dev");
}

std::string ShortPortName(const std::string& portName)
{
    const size_t slash = portName.find_last_of('/');
    if (slash == std::string::npos || slash + 1 == portName.size())
        return portName;
    std::string name = portName.substr(slash + 1);
    // A bare number says nothing ("/dev/pts/3"): its folder comes with it.
    if (std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
        slash > 0) {
        const size_t parent = portName.find_last_of('/', slash - 1);
        name = portName.substr(parent == std::string::npos ? 0 : parent + 1);
    }
    return name;
}

void AddKnownSerialDevice(const std::string& portName)
{
    if (portName.empty() || portName[0] != '/')
        return;
    std::lock_guard lock(g_knownMutex);
    if (std::find(g_known.begin(), g_known.end(), portName) == g_known.end())
        g_known.push_back(portName);
}

std::vector<std::string> KnownSerialDevices()
{
    std::lock_guard lock(g_knownMutex);
    return g_known;
}

} // namespace platform
