#include "tests/sim/wiring/PtyPort.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace vqxsim {

int BaudOfSpeed(unsigned speed)
{
    switch (speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

PtyPort::PtyPort()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("cannot name the pseudo-terminal");
    m_path = name;
    m_slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's slave side");
    // Raw from the start: the line discipline must not echo what the motors send back to them.
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(m_slave, TCSANOW, &t);
}

PtyPort::~PtyPort()
{
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
}

size_t PtyPort::ReadFromPc(uint8_t* buffer, size_t size)
{
    ssize_t n = read(m_master, buffer, size);
    return n > 0 ? size_t(n) : 0;
}

LineSettings PtyPort::PcSettings()
{
    termios t{};
    if (tcgetattr(m_master, &t) != 0)
        return {};
    // The pseudo-terminal clears the parity-enable bit of every setting it is given, but keeps the
    // odd and mark/space bits: odd, mark and space show; even parity looks like none.
    LineSettings s;
    s.baud = BaudOfSpeed(cfgetospeed(&t));
    if (t.c_cflag & CMSPAR)
        s.parity = 'I';
    else if (t.c_cflag & PARODD)
        s.parity = 'O';
    else
        s.parity = (t.c_cflag & PARENB) ? 'E' : 'N';
    return s;
}

bool PtyPort::WriteToPc(const WireByte& byte)
{
    // A pseudo-terminal carries no framing errors: such a byte arrives as garbage.
    uint8_t value = byte.lineError ? uint8_t(byte.value | 0x80) : byte.value;
    ssize_t n = write(m_master, &value, 1);
    return n == 1 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

} // namespace vqxsim
