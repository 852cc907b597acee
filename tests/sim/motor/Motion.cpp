#include "tests/sim/motor/Motion.h"

#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {

bool MotionMotor::Moving() const { return m_motor->Moving(); }
double MotionMotor::Position() const { return m_motor->Position(); }
bool MotionMotor::VelocityMode() const { return m_motor->Motion().SelectedMode() == DriveMode::Velocity; }

void MotionMotor::Advance(SimMotor& motor, TimePoint now) { motor.AdvanceTo(now); }

std::shared_ptr<MotionMotor> AttachMotion(SimMotor& motor)
{
    return std::make_shared<MotionMotor>(motor);
}

} // namespace vqxsim
