// The simulated motor's processor time per simulated motor-second (a plain program: it prints).
//
// 30 motors on the simulation's own time line, each running trapezoid moves back and forth
// without pause, while a poller asks every motor "RP" and "RW" every 60 ms (about what a 38400-baud
// chain carries: some 500 short exchanges a second), and once every 5 ms (ten times what any line
// carries). The goal: the 30 moving motors together take under 1% of one core. A third figure
// shows the motion alone, looked at once a second.

#include "tests/sim/motor/SimMotor.h"
#include "tests/support/platform/ThreadCpuTime.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using vqxsim::SimMotor;

struct Figure {
    double cpuSeconds;
    double motorSeconds;
};

void Feed(SimMotor& m, const std::string& text, vqxsim::TimePoint at)
{
    for (char c : text)
        m.Receive(uint8_t(c), at);
    m.Outbox().clear();
}

Figure Run(int motors, int seconds, int pollMs)
{
    const vqxsim::TimePoint t0 = vqxsim::SimClock::now();
    std::vector<std::unique_ptr<SimMotor>> chain;
    for (int i = 0; i < motors; ++i) {
        vqxsim::MotorProfile p;
        p.address = i + 1;
        chain.push_back(std::make_unique<SimMotor>(p, t0));
        Feed(*chain.back(), std::string(1, char(0x80 + i + 1)) + " MP A=1583 V=322122 ", t0);
    }
    std::vector<int> direction(size_t(motors), 1);
    const double start = platform::ThreadCpuSeconds();
    for (int ms = 0; ms <= seconds * 1000; ms += pollMs) {
        const vqxsim::TimePoint at = t0 + std::chrono::milliseconds(ms);
        for (int i = 0; i < motors; ++i) {
            SimMotor& m = *chain[size_t(i)];
            Feed(m, std::string(1, char(0x80 + i + 1)) + " RP RW ", at);
            if (!m.Moving()) {
                direction[size_t(i)] = -direction[size_t(i)];
                Feed(m, "P=" + std::to_string(20000 * direction[size_t(i)]) + " G ", at);
            }
        }
    }
    return {platform::ThreadCpuSeconds() - start, double(motors) * seconds};
}

void Print(const char* what, const Figure& f, int motors)
{
    const double perMotorSecond = f.cpuSeconds / f.motorSeconds;
    std::printf("%s: %.1f us of processor per simulated motor-second; %d moving motors take %.3f%% of one core "
                "(goal: under 1%%)\n",
                what, perMotorSecond * 1e6, motors, perMotorSecond * motors * 100);
}

} // namespace

int main()
{
    constexpr int kMotors = 30, kSeconds = 120;
    Print("moving, RP and RW every 60 ms", Run(kMotors, kSeconds, 60), kMotors);
    Print("moving, RP and RW every 5 ms", Run(kMotors, kSeconds, 5), kMotors);
    Print("motion looked at once a second", Run(kMotors, kSeconds, 1000), kMotors);
    return 0;
}
