#include "platform/serial/TermiosSerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

using SteadyPoint = std::chrono::steady_clock::time_point;

std::string Describe(const char* what, int err) { return std::string(what) + ": " + std::strerror(err); }

} // namespace

std::unique_ptr<SerialDevice> TermiosSerialDevice::Open(const std::string& path, const SerialLineSettings& line,
                                                        std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = Describe(path.c_str(), errno);
        return nullptr;
    }
    std::unique_ptr<TermiosSerialDevice> device(new TermiosSerialDevice(fd, path));
    if (!::isatty(fd)) {
        if (error)
            *error = path + ": not a serial device";
        return nullptr;
    }
    // The lock refuses every second opener, root included; TIOCEXCL also keeps out programs that
    // do not lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error)
            *error = path + ": in use by another program";
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);
    if (!device->SetLine(line)) {
        if (error)
            *error = Describe("line settings refused", device->m_error ? device->m_error : EINVAL);
        return nullptr;
    }
    int bits = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &bits); // pseudo-terminals have no modem lines
    device->m_haveCounts = ::ioctl(fd, TIOCGICOUNT, &device->m_counts) == 0;
    return device;
}

TermiosSerialDevice::~TermiosSerialDevice()
{
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
}

bool TermiosSerialDevice::SetLine(const SerialLineSettings& line)
{
    const speed_t speed = SpeedOf(line.baud);
    if (speed == B0 || line.dataBits < 5 || line.dataBits > 8 || (line.stopBits != 1 && line.stopBits != 2) ||
        static_cast<int>(line.parity) > 4) {
        m_error = EINVAL;
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        m_error = errno;
        return false;
    }
    const termios before = tio;
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[line.dataBits - 5];
    switch (line.parity) {
    case SerialParity::None: break;
    case SerialParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case SerialParity::Even: tio.c_cflag |= PARENB; break;
    case SerialParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SerialParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
    }
    if (line.parity != SerialParity::None)
        tio.c_iflag |= INPCK;
    else
        tio.c_iflag &= ~INPCK;
    if (line.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        m_error = errno;
        return false;
    }
    m_wakeAfter = 0;
    termios now{};
    if (::tcgetattr(m_fd, &now) != 0 || !SettingsKept(tio, now)) {
        ::tcsetattr(m_fd, TCSANOW, &before); // a line half changed is worse than the old one
        m_error = EINVAL;
        return false;
    }
    m_line = line;
    return true;
}

bool TermiosSerialDevice::SettingsKept(const termios& asked, const termios& actual)
{
    const tcflag_t compared = CSTOPB | PARODD | CMSPAR;
    return (asked.c_cflag & compared) == (actual.c_cflag & compared) &&
           ::cfgetospeed(&asked) == ::cfgetospeed(&actual) && ::cfgetispeed(&asked) == ::cfgetispeed(&actual);
}

bool TermiosSerialDevice::SetTimeouts(const SerialTimeouts& timeouts)
{
    m_timeouts = timeouts;
    return true;
}

int TermiosSerialDevice::WaitReady(short events, const Deadline* deadline)
{
    for (;;) {
        pollfd p{m_fd, events, 0};
        timespec wait{};
        if (deadline) {
            const auto left = std::max(*deadline - std::chrono::steady_clock::now(), Deadline::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        }
        const int r = ::ppoll(&p, 1, deadline ? &wait : nullptr, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return -1;
        }
        if (r == 0)
            return 0;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            m_error = EIO;
            return -1;
        }
        return 1;
    }
}

void TermiosSerialDevice::WakeAfter(size_t count)
{
    const cc_t want = static_cast<cc_t>(std::clamp<size_t>(count, 1, 255));
    if (want == m_wakeAfter)
        return;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return;
    tio.c_cc[VMIN] = want;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_fd, TCSANOW, &tio) == 0)
        m_wakeAfter = want;
}

bool TermiosSerialDevice::Read(uint8_t* buffer, size_t n, size_t& got)
{
    got = 0;
    if (n == 0)
        return true;
    const SerialTimeouts& t = m_timeouts;
    const bool immediate = t.ReadIntervalTimeout == kMaxTimeout && t.ReadTotalTimeoutMultiplier == 0 &&
                           t.ReadTotalTimeoutConstant == 0;
    const bool anyByte = t.ReadIntervalTimeout == kMaxTimeout && t.ReadTotalTimeoutMultiplier == kMaxTimeout &&
                         t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < kMaxTimeout;
    const bool useInterval = !immediate && !anyByte && t.ReadIntervalTimeout > 0;
    const uint64_t totalMs = anyByte ? t.ReadTotalTimeoutConstant
                                     : uint64_t(t.ReadTotalTimeoutMultiplier) * n + t.ReadTotalTimeoutConstant;
    const bool hasTotal = anyByte || totalMs > 0;
    const auto start = std::chrono::steady_clock::now();
    const SteadyPoint deadline = start + std::chrono::milliseconds(std::min<uint64_t>(totalMs, 0x7FFFFFFFu));
    SteadyPoint lastByte = start;

    for (;;) {
        const ssize_t r = ::read(m_fd, buffer + got, n - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
            lastByte = std::chrono::steady_clock::now();
            if (got == n || anyByte)
                return true;
            continue;
        }
        if (r < 0 && errno != EINTR && errno != EAGAIN) {
            m_error = errno;
            return false;
        }
        // Nothing queued: a hang-up shows here at once; otherwise wait for the next byte, or for
        // all that are missing when no gap between bytes is timed.
        SteadyPoint until = deadline;
        const SteadyPoint* waitUntil = hasTotal ? &until : nullptr;
        if (immediate) {
            until = std::chrono::steady_clock::now(); // look once, do not wait
            waitUntil = &until;
        } else if (useInterval && got > 0) {
            const SteadyPoint gap = lastByte + std::chrono::milliseconds(t.ReadIntervalTimeout);
            until = hasTotal ? std::min(deadline, gap) : gap;
            waitUntil = &until;
        }
        if (!immediate)
            WakeAfter(useInterval || anyByte ? 1 : n - got);
        const int ready = WaitReady(POLLIN, waitUntil);
        if (ready < 0)
            return false;
        if (ready == 0) {
            // Timed out: what came meanwhile still counts.
            if (!immediate) {
                const ssize_t last = ::read(m_fd, buffer + got, n - got);
                if (last > 0)
                    got += static_cast<size_t>(last);
            }
            return true;
        }
    }
}

bool TermiosSerialDevice::Write(const uint8_t* bytes, size_t n, size_t& written)
{
    written = 0;
    const uint64_t totalMs = uint64_t(m_timeouts.WriteTotalTimeoutMultiplier) * n + m_timeouts.WriteTotalTimeoutConstant;
    const SteadyPoint deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::min<uint64_t>(totalMs, 0x7FFFFFFFu));
    while (written < n) {
        const ssize_t r = ::write(m_fd, bytes + written, n - written);
        if (r > 0) {
            written += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno != EINTR && errno != EAGAIN) {
            m_error = errno;
            return false;
        }
        if (r < 0 && errno == EINTR)
            continue;
        const int ready = WaitReady(POLLOUT, totalMs > 0 ? &deadline : nullptr);
        if (ready < 0)
            return false;
        if (ready == 0)
            return true;
    }
    return true;
}

size_t TermiosSerialDevice::Queued()
{
    int n = 0;
    if (::ioctl(m_fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<size_t>(n);
}

bool TermiosSerialDevice::Purge(bool output, bool input)
{
    if (!output && !input)
        return true;
    if (output)
        RunSerialLineHook(m_path);
    const int which = output && input ? TCIOFLUSH : (output ? TCOFLUSH : TCIFLUSH);
    if (::tcflush(m_fd, which) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

uint32_t TermiosSerialDevice::TakeLineErrors()
{
    if (!m_haveCounts)
        return 0;
    serial_icounter_struct now{};
    if (::ioctl(m_fd, TIOCGICOUNT, &now) != 0)
        return 0;
    uint32_t flags = 0;
    if (now.frame != m_counts.frame)
        flags |= kLineFrame;
    if (now.parity != m_counts.parity)
        flags |= kLineParity;
    if (now.overrun != m_counts.overrun)
        flags |= kLineOverrun;
    if (now.brk != m_counts.brk)
        flags |= kLineBreak;
    if (now.buf_overrun != m_counts.buf_overrun)
        flags |= kLineRxOver;
    m_counts = now;
    return flags;
}

} // namespace platform
