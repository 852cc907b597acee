#pragma once
// Basic types shared by the simulated motors and their wiring.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vqxsim {

using SimClock = std::chrono::steady_clock;
using TimePoint = SimClock::time_point;
using Bytes = std::vector<uint8_t>;

inline std::chrono::milliseconds Ms(int64_t ms) { return std::chrono::milliseconds(ms); }

// The speed and parity of one side of a serial link. Parity letters follow the motor's own
// channel command: N none, O odd, E even, I mark or space.
struct LineSettings {
    int baud = 9600;
    char parity = 'N';
    bool operator==(const LineSettings&) const = default;
};

// Bits per character on the wire: start, 8 data, optional parity, stop.
inline int BitsPerChar(const LineSettings& s) { return s.parity == 'N' ? 10 : 11; }

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

} // namespace vqxsim
