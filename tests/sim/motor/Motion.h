#pragma once
// A handle on one motor's motion for tests written against a moving motor: every simulated motor
// moves (see MotionModel); this only keeps the older way of asking whether it does. Read it under
// the rig's lock, which brings the motor to the present first.

#include "tests/sim/motor/SimTypes.h"

#include <memory>

namespace vqxsim {

class SimMotor;

class MotionMotor {
public:
    explicit MotionMotor(SimMotor& motor) : m_motor(&motor) {}
    bool Moving() const;
    double Position() const;
    bool VelocityMode() const;
    // Brings the motor to now (the rigs do this too before a test looks at a motor).
    void Advance(SimMotor& motor, TimePoint now);

private:
    SimMotor* m_motor;
};

std::shared_ptr<MotionMotor> AttachMotion(SimMotor& motor);

} // namespace vqxsim
