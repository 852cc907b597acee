#include "platform/serial/SerialProbe.h"

#include "platform/serial/PortNames.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

std::vector<std::string> SystemSerialProbe::Candidates()
{
    std::vector<std::string> out;
    for (int n = 1; n <= 30; ++n)
        out.push_back("Com" + std::to_string(n));
    std::vector<std::string> usb;
    if (DIR* d = ::opendir("/dev")) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
                usb.push_back("/dev/" + name);
        }
        ::closedir(d);
    }
    std::sort(usb.begin(), usb.end());
    out.insert(out.end(), usb.begin(), usb.end());
    return out;
}

SerialPresence SystemSerialProbe::Probe(const std::string& portName)
{
    const std::string device = ResolveSerialPortName(portName);
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

} // namespace platform
