#pragma once
// A random walk's dice: a fixed generator (splitmix64), so that a seed walks the same way everywhere.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vqxtest {

class Dice {
public:
    explicit Dice(uint64_t seed) : m_state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    // A number from `from` to `to`, both included.
    int Between(int from, int to) { return from + Below(to - from + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& from) { return from[static_cast<size_t>(Below(static_cast<int>(from.size())))]; }

private:
    uint64_t m_state;
};

} // namespace vqxtest
