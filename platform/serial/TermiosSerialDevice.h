#pragma once
// A serial device on a POSIX terminal: raw 8-bit line, exclusive (TIOCEXCL and an flock on the
// open file, so that even a privileged second opener is refused), DTR and RTS on, no flow control.
// Timeouts are kept as deadlines around poll(); a hang-up (device unplugged, the other end of a
// pseudo-terminal closed) fails the read or write at once. Line errors come from the driver's
// interrupt counters (TIOCGICOUNT) where it keeps them.

#include "platform/serial/SerialDevice.h"

#include <chrono>
#include <linux/serial.h>
#include <string>
#include <termios.h>
#include <utility>

namespace platform {

class TermiosSerialDevice final : public SerialDevice {
public:
    static std::unique_ptr<SerialDevice> Open(const std::string& path, const SerialLineSettings& line,
                                              std::string* error);
    ~TermiosSerialDevice() override;

    bool SetLine(const SerialLineSettings& line) override;
    SerialLineSettings GetLine() const override { return m_line; }
    bool SetTimeouts(const SerialTimeouts& timeouts) override;
    SerialTimeouts GetTimeouts() const override { return m_timeouts; }
    bool Read(uint8_t* buffer, size_t n, size_t& got) override;
    bool Write(const uint8_t* bytes, size_t n, size_t& written) override;
    size_t Queued() override;
    bool Purge(bool output, bool input) override;
    uint32_t TakeLineErrors() override;
    int LastError() const override { return m_error; }
    int Handle() const override { return m_fd; }

    // Whether the terminal took what was asked: speed, stop bits and the kind of parity. A driver
    // may drop what it cannot do (mark and space parity, a rate) and still report success. The
    // parity-enable bit and the character size are not compared: a pseudo-terminal always forces them.
    static bool SettingsKept(const termios& asked, const termios& actual);

private:
    TermiosSerialDevice(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    using Deadline = std::chrono::steady_clock::time_point;
    // Waits for the descriptor to become ready for events until the deadline (none: no limit).
    // Returns 1 ready, 0 timed out, -1 failure or hang-up (m_error set).
    int WaitReady(short events, const Deadline* deadline);
    // Lets the terminal report itself readable only once count bytes (1 to 255) are queued, so
    // that a read of a known count wakes once instead of once per byte.
    void WakeAfter(size_t count);

    int m_fd;
    std::string m_path;
    SerialLineSettings m_line;
    SerialTimeouts m_timeouts;
    serial_icounter_struct m_counts{};
    bool m_haveCounts = false;
    int m_error = 0;
    cc_t m_wakeAfter = 0; // VMIN in force
};

} // namespace platform
