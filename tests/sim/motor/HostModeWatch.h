#pragma once
// A test's view of the host-mode motors of one rig (a serial line, Ethernet or USB motors): a motor's
// state brought to now, and a bounded wait until the first n have left host mode and stand still.

#include "tests/sim/motor/HostMode.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace vqxsim {

// Rig: anything with WithMotor(index, f(SimMotor&)).
template <class Rig>
struct HostModeWatch {
    Rig* rig = nullptr;
    std::vector<std::shared_ptr<HostModeMotor>> host; // by motor index

    // Runs f(SimMotor&, HostModeMotor&) on motor index i under the line's lock.
    template <class F>
    decltype(auto) Motor(int i, F&& f)
    {
        return rig->WithMotor(static_cast<size_t>(i), [&](SimMotor& m) {
            host[static_cast<size_t>(i)]->Advance(SimClock::now());
            return f(m, *host[static_cast<size_t>(i)]);
        });
    }

    bool AllStopped(int n, int timeoutMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < until) {
            bool stopped = true;
            for (int i = 0; i < n; ++i)
                stopped &= Motor(i, [](SimMotor&, HostModeMotor& h) { return !h.Playing() && !h.InHostMode(); });
            if (stopped)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

} // namespace vqxsim
