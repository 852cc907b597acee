#include "platform/usbbridge/LinuxUsbBridge.h"
#include "platform/serial/SerialDevices.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform::usb {

namespace fs = std::filesystem;

namespace {

speed_t SpeedOf(uint32_t baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

LinuxUsbBridge::LinuxUsbBridge(std::string sysRoot, std::string devDir)
    : m_sysRoot(std::move(sysRoot)), m_devDir(std::move(devDir))
{
}

LinuxUsbBridge::~LinuxUsbBridge()
{
    for (auto& [handle, tty] : m_handles)
        ::close(tty.fd);
}

std::vector<LinuxUsbBridge::Device> LinuxUsbBridge::Enumerate() const
{
    std::vector<Device> found;
    for (const SerialDeviceInfo& d : ListSerialDevices(m_sysRoot, m_devDir))
        if ((d.tty.starts_with("ttyUSB") || d.tty.starts_with("ttyACM")) && d.product == kMotorProduct)
            found.push_back(Device{d.tty, d.product, d.serial});
    return found;
}

Status LinuxUsbBridge::DeviceCount(int& count)
{
    count = static_cast<int>(Enumerate().size());
    return Status::Success;
}

Status LinuxUsbBridge::DeviceText(int device, std::string& text, ProductSelector which)
{
    const auto devices = Enumerate();
    if (device < 0 || device >= static_cast<int>(devices.size()))
        return Status::DeviceNotFound;
    switch (which) {
    case ProductSelector::SerialNumber: text = devices[device].serial; return Status::Success;
    case ProductSelector::Description: text = devices[device].product; return Status::Success;
    }
    return Status::InvalidParameter;
}

Status LinuxUsbBridge::Open(int device, Handle& handle)
{
    handle = kInvalidHandle;
    const auto devices = Enumerate();
    if (device < 0 || device >= static_cast<int>(devices.size()))
        return Status::DeviceNotFound;
    const std::string path = m_devDir + "/" + devices[device].tty;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Status::DeviceIOFailed;
    termios tio{};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return Status::DeviceIOFailed;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Non-blocking with VMIN 1: no data reads as EAGAIN, so a read of 0 means the tty hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B38400);
    cfsetospeed(&tio, B38400);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return Status::DeviceIOFailed;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    handle = m_nextHandle++;
    m_handles[handle] = OpenTty{fd};
    return Status::Success;
}

Status LinuxUsbBridge::Close(Handle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return Status::InvalidHandle;
    ::close(it->second.fd);
    m_handles.erase(it);
    return Status::Success;
}

bool LinuxUsbBridge::Get(Handle handle, OpenTty& out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return false;
    out = it->second;
    return true;
}

Status LinuxUsbBridge::Read(Handle handle, uint8_t* buffer, size_t count, size_t& read)
{
    read = 0;
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(tty.readMs);
    while (read < count) {
        const ssize_t n = ::read(tty.fd, buffer + read, count - read);
        if (n > 0) {
            read += static_cast<size_t>(n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return n == 0 && read ? Status::Success : Status::DeviceIOFailed;
        pollfd p{tty.fd, POLLIN, 0};
        const int wait = RemainingMs(deadline);
        if (wait == 0)
            break;
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            return Status::DeviceIOFailed;
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLIN))
            return Status::DeviceIOFailed; // unplugged
    }
    return read ? Status::Success : Status::ReadTimedOut;
}

Status LinuxUsbBridge::Write(Handle handle, const uint8_t* bytes, size_t count, size_t& written)
{
    written = 0;
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(tty.writeMs);
    while (written < count) {
        const ssize_t n = ::write(tty.fd, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return Status::DeviceIOFailed;
        pollfd p{tty.fd, POLLOUT, 0};
        const int wait = RemainingMs(deadline);
        if (wait == 0)
            return Status::WriteTimedOut;
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            return Status::DeviceIOFailed;
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return Status::DeviceIOFailed;
    }
    return Status::Success;
}

Status LinuxUsbBridge::Flush(Handle handle, bool transmit, bool receive)
{
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    if (!transmit && !receive)
        return Status::Success;
    const int which = transmit && receive ? TCIOFLUSH : (transmit ? TCOFLUSH : TCIFLUSH);
    return ::tcflush(tty.fd, which) == 0 ? Status::Success : Status::DeviceIOFailed;
}

Status LinuxUsbBridge::SetTimeouts(Handle handle, uint32_t readMs, uint32_t writeMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return Status::InvalidHandle;
    it->second.readMs = readMs;
    it->second.writeMs = writeMs;
    return Status::Success;
}

Status LinuxUsbBridge::ReceiveQueue(Handle handle, uint32_t& bytesWaiting, QueueStatus& status)
{
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    int n = 0;
    if (::ioctl(tty.fd, FIONREAD, &n) != 0)
        return Status::DeviceIOFailed;
    bytesWaiting = static_cast<uint32_t>(n);
    status = n > 0 ? QueueStatus::Ready : QueueStatus::Empty;
    return Status::Success;
}

Status LinuxUsbBridge::SetBaudRate(Handle handle, uint32_t baud)
{
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    const speed_t speed = SpeedOf(baud);
    if (speed == B0)
        return Status::InvalidBaudRate;
    termios tio{};
    if (::tcgetattr(tty.fd, &tio) != 0)
        return Status::DeviceIOFailed;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return ::tcsetattr(tty.fd, TCSANOW, &tio) == 0 ? Status::Success : Status::DeviceIOFailed;
}

Status LinuxUsbBridge::SetLineControl(Handle handle, uint16_t lineControl)
{
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    const unsigned stop = lineControl & 0x0F, parity = (lineControl >> 4) & 0x0F,
                   bits = (lineControl >> 8) & 0xFF;
    tcflag_t size;
    switch (bits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return Status::InvalidParameter;
    }
    if (parity > 4 || (stop != 0 && stop != 2))
        return Status::InvalidParameter;
    termios tio{};
    if (::tcgetattr(tty.fd, &tio) != 0)
        return Status::DeviceIOFailed;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= size;
    if (stop == 2)
        tio.c_cflag |= CSTOPB;
    switch (parity) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    return ::tcsetattr(tty.fd, TCSANOW, &tio) == 0 ? Status::Success : Status::DeviceIOFailed;
}

Status LinuxUsbBridge::SetFlowControl(Handle handle, const FlowControl& flow)
{
    OpenTty tty;
    if (!Get(handle, tty))
        return Status::InvalidHandle;
    termios tio{};
    if (::tcgetattr(tty.fd, &tio) != 0)
        return Status::DeviceIOFailed;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF);
    if (flow.cts || flow.rts)
        tio.c_cflag |= CRTSCTS;
    if (flow.xonXoff)
        tio.c_iflag |= IXON | IXOFF;
    return ::tcsetattr(tty.fd, TCSANOW, &tio) == 0 ? Status::Success : Status::DeviceIOFailed;
}

} // namespace platform::usb
