#pragma once
// Point-to-point and velocity moves in real time, for programs that jog motors and watch them
// move. After "MP" (position mode) "G" moves towards the target set last: "P=<expr>" an absolute
// one, "D=<expr>" one relative to where the motor stands; after "MV" (velocity mode) "G" runs at
// the signed speed V until a "G" with V=0 or "S". Speed V is in counts per sample x 65536 (the
// sample period is the profile's figure x 10 ns); acceleration is not modelled. "P" in reports and
// expressions ("RP", "@P") is where the motor stands; "RBt" is 1 while it moves.
//
// AttachMotion gives one motor this command group (its own copy of the command table and a
// raw-input hook that brings the motion to the time of every byte). Read the state under the
// rig's lock after Advance(now).

#include "tests/sim/motor/SimTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace vqxsim {

class SimMotor;

class MotionMotor {
public:
    void Advance(SimMotor& m, TimePoint now);
    bool Moving() const { return m_moving; }
    double Position() const { return m_position; }
    bool VelocityMode() const { return m_velocityMode; }
    // Every "G" and "S", in order, with the position it began at ("G 120", "S 800").
    const std::vector<std::string>& Log() const { return m_log; }

    // ---- used by the command group ----
    void SetTarget(SimMotor& m, const std::string& expression, bool relative);
    void Go(SimMotor& m);
    void Stop(SimMotor& m);
    void SetMode(SimMotor& m, bool velocity);

private:
    double CountsPerSecond(SimMotor& m) const;
    void Publish(SimMotor& m);

    double m_position = 0;
    double m_target = 0;
    int64_t m_distance = 0;
    bool m_relative = false;
    bool m_moving = false;
    bool m_velocityMode = false;
    double m_velocity = 0; // counts per second, signed
    TimePoint m_last{};
    std::vector<std::string> m_log;
};

std::shared_ptr<MotionMotor> AttachMotion(SimMotor& motor);

} // namespace vqxsim
