#pragma once
// One motor at address 1 driven on the test's own time line: commands at given milliseconds after
// the start, their answers, and the outbox left as it is for tests that look at its timing.

#include "tests/sim/unit/PcLine.h"

#include <memory>
#include <string>

namespace vqxsim::test {

struct TimedMotor {
    explicit TimedMotor(std::string firmware = "450", std::string programBody = {})
    {
        MotorProfile p;
        p.address = 1;
        p.firmware = std::move(firmware);
        if (!programBody.empty())
            p.program = PlainImage(programBody);
        motor = std::make_unique<SimMotor>(p, t0);
        Send("\x81", 0);
    }
    TimePoint At(double ms) const { return t0 + std::chrono::microseconds(int64_t(ms * 1000)); }
    // One command (a blank after it) at ms after the start; the answers without the last CR.
    std::string Send(const std::string& text, double ms)
    {
        std::string out = Drive(*motor, text + " ", At(ms));
        if (!out.empty() && out.back() == '\r')
            out.pop_back();
        return out;
    }
    int Number(const std::string& report, double ms) { return std::stoi(Send(report, ms)); }
    // Feeds the command and leaves what the motor queued in its outbox.
    void Feed(const std::string& text, double ms)
    {
        for (char c : text + " ")
            motor->Receive(uint8_t(c), At(ms));
    }

    TimePoint t0 = SimClock::now();
    std::unique_ptr<SimMotor> motor;
};

} // namespace vqxsim::test
