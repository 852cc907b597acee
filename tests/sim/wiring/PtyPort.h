#pragma once
// A pseudo-terminal: the PC opens its slave side by path like any serial device; the simulator
// holds the master. The two share one set of line settings, which is how the simulator learns the
// speed and parity the PC chose.

#include "tests/sim/wiring/PcPort.h"

#include <string>

namespace vqxsim {

class PtyPort final : public PcPort {
public:
    // Throws std::runtime_error when no pseudo-terminal can be had.
    PtyPort();
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    const std::string& Path() const { return m_path; }

    int ReadFd() const override { return m_master; }
    int WriteFd() const override { return m_master; }
    size_t ReadFromPc(uint8_t* buffer, size_t size) override;
    LineSettings PcSettings() override;
    bool WriteToPc(const WireByte& byte) override;

private:
    int m_master = -1;
    int m_slave = -1; // kept open so that the settings live on while the PC has the port closed
    std::string m_path;
};

// Speed of a termios speed code; 0 for codes that are no plain rate.
int BaudOfSpeed(unsigned speed);

} // namespace vqxsim
