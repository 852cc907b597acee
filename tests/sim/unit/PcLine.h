#pragma once
// The PC's side for the simulator's own tests: raw bytes on the pseudo-terminal, as a host would
// send them, with no help from the host's code.

#include "tests/sim/motor/SimMotor.h"

#include <string>

namespace vqxsim::test {

class PcLine {
public:
    explicit PcLine(const std::string& path, int baud = 9600, char parity = 'N');
    ~PcLine();
    PcLine(const PcLine&) = delete;
    PcLine& operator=(const PcLine&) = delete;

    void SetLine(int baud, char parity = 'N');
    void Send(const std::string& bytes);
    // Address byte 0x80+address (none when address < 0), the text and one blank.
    void Command(int address, const std::string& text);
    // Everything that arrives until nothing more comes for quietMs (at most maxMs in all).
    std::string ReadQuiet(int quietMs = 100, int maxMs = 2000);
    // Reads until the text received ends with `end` or timeoutMs passes; returns what came.
    std::string ReadUntil(const std::string& end, int timeoutMs = 2000);
    // Exactly n bytes, or fewer when timeoutMs passes first.
    std::string ReadCount(size_t n, int timeoutMs = 2000);
    void Flush();

private:
    int m_fd = -1;
};

// Feeds the bytes to a motor directly (no wiring) and returns all it queued, ready or not.
std::string Drive(SimMotor& motor, const std::string& bytes, TimePoint now = SimClock::now());

// The image for a program body as the compiler lays out a plain body (no labels): header with the
// body's sum and length, then four empty label entries.
std::string PlainImage(const std::string& body, const std::string& version = "400");

} // namespace vqxsim::test
