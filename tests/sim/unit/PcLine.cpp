#include "tests/sim/unit/PcLine.h"

#include "tests/sim/wiring/PtyPort.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace vqxsim::test {
namespace {

speed_t SpeedCode(int baud)
{
    switch (baud) {
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
    }
}

int64_t MsNow()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

PcLine::PcLine(const std::string& path, int baud, char parity)
{
    m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        throw std::runtime_error("cannot open " + path);
    SetLine(baud, parity);
    Flush();
}

PcLine::~PcLine()
{
    if (m_fd >= 0)
        close(m_fd);
}

void PcLine::SetLine(int baud, char parity)
{
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    if (parity == 'O')
        t.c_cflag |= PARENB | PARODD;
    else if (parity == 'E')
        t.c_cflag |= PARENB;
    else if (parity == 'I')
        t.c_cflag |= PARENB | CMSPAR;
    cfsetispeed(&t, SpeedCode(baud));
    cfsetospeed(&t, SpeedCode(baud));
    tcsetattr(m_fd, TCSANOW, &t);
}

void PcLine::Send(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else
            usleep(1000);
    }
}

void PcLine::Command(int address, const std::string& text)
{
    std::string frame;
    if (address >= 0)
        frame += char(0x80 + address);
    Send(frame + text + " ");
}

std::string PcLine::ReadQuiet(int quietMs, int maxMs)
{
    std::string out;
    const int64_t end = MsNow() + maxMs;
    int64_t quietUntil = MsNow() + quietMs;
    while (MsNow() < std::min(end, quietUntil)) {
        pollfd p{m_fd, POLLIN, 0};
        poll(&p, 1, 5);
        char buf[512];
        ssize_t n = read(m_fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, size_t(n));
            quietUntil = MsNow() + quietMs;
        }
    }
    return out;
}

std::string PcLine::ReadUntil(const std::string& endText, int timeoutMs)
{
    std::string out;
    const int64_t end = MsNow() + timeoutMs;
    while (MsNow() < end) {
        if (out.size() >= endText.size() && out.compare(out.size() - endText.size(), endText.size(), endText) == 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        poll(&p, 1, 5);
        char buf[512];
        ssize_t n = read(m_fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, size_t(n));
    }
    return out;
}

std::string PcLine::ReadCount(size_t n, int timeoutMs)
{
    std::string out;
    const int64_t end = MsNow() + timeoutMs;
    while (out.size() < n && MsNow() < end) {
        pollfd p{m_fd, POLLIN, 0};
        poll(&p, 1, 5);
        char buf[512];
        ssize_t got = read(m_fd, buf, std::min(sizeof buf, n - out.size()));
        if (got > 0)
            out.append(buf, size_t(got));
    }
    return out;
}

void PcLine::Flush()
{
    tcflush(m_fd, TCIOFLUSH);
}

std::string Drive(SimMotor& motor, const std::string& bytes, TimePoint now)
{
    for (char c : bytes)
        motor.Receive(uint8_t(c), now);
    std::string out;
    for (const Reply& r : motor.Outbox())
        out += ToString(r.bytes);
    motor.Outbox().clear();
    return out;
}

std::string PlainImage(const std::string& body, const std::string& version)
{
    unsigned sum = 0;
    for (char c : body)
        sum += uint8_t(c);
    char header[64];
    std::snprintf(header, sizeof header, "$%s0%06X%06X%06X%04X", version.c_str(), sum, unsigned(body.size()), 0u, 4u);
    return std::string(header) + "0000000000000000" + body;
}

} // namespace vqxsim::test
