#include "tests/sim/motor/MotionModel.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdlib>
#include <limits>

namespace vqxsim {
namespace {
constexpr int64_t kOne = 65536;
// The integral term is the sum of KI x error over 256; KL limits it to KL x 16 counts' worth.
constexpr double kIntegralShare = 1.0 / 256;
constexpr double kIntegralLimitCounts = 16;
// A shaft this close to a steady command is held on it: half a count, 1/16 count per sample.
constexpr int64_t kHoldError = kOne / 2;
constexpr int64_t kHoldSpeed = kOne / 16;
// Below 1/1024 count per sample, pushed by less than that per sample, the shaft sticks.
constexpr int64_t kStiction = kOne / 1024;

int64_t RoundCounts(int64_t scaled) { return (scaled + kOne / 2) >> 16; }
} // namespace

int32_t MotionModel::Position() const
{
    return static_cast<int32_t>(static_cast<uint32_t>(RoundCounts(m_shaft)));
}

int32_t MotionModel::PositionError() const
{
    if (!m_on)
        return 0;
    return static_cast<int32_t>(RoundCounts(m_position - m_shaft));
}

bool MotionModel::AtSlewVelocity() const
{
    if (!m_on || !m_busy || m_stopping || m_velocity == 0)
        return false;
    return m_kind == DriveMode::Velocity ? m_velocity == m_speed : std::llabs(m_velocity) == m_speed;
}

void MotionModel::Reset(int64_t sample)
{
    const ServoGains gains = m_gains;
    *this = MotionModel();
    m_gains = gains;
    m_sample = sample;
}

void MotionModel::Hold()
{
    m_position = m_shaft;
    m_velocity = m_shaftVelocity;
    m_held = true;
    m_resting = false;
    m_integral = 0;
    std::fill(std::begin(m_errors), std::end(m_errors), 0.0);
}

void MotionModel::SetMode(DriveMode mode)
{
    if (mode == m_kind)
        return;
    m_kind = mode;
    if (mode == DriveMode::Torque) {
        // Torque mode drives the shaft's speed with no position loop: the command is the shaft.
        m_busy = m_stopping = false;
        m_torque = 0;
        Hold();
        return;
    }
    // A shaft still turning does not jump into the new mode's goal: it ramps down first.
    m_busy = false;
    m_stopping = m_on && m_velocity != 0;
}

void MotionModel::Go(int32_t v, int32_t a)
{
    m_on = true;
    m_stopping = false;
    m_accel = std::llabs(int64_t(a));
    if (m_kind == DriveMode::Torque)
        return;
    if (m_kind == DriveMode::Velocity) {
        m_speed = v;
        m_busy = m_speed != 0 || m_velocity != 0;
        return;
    }
    if (m_relative) {
        m_target = static_cast<int32_t>(static_cast<uint32_t>(RoundCounts(m_position) + int64_t(m_distance)));
        m_relative = false;
    }
    m_goalTarget = int64_t(m_target) * kOne;
    m_speed = std::llabs(int64_t(v));
    m_busy = (m_goalTarget != m_position || m_velocity != 0) && m_speed > 0 && m_accel > 0;
}

void MotionModel::Decelerate()
{
    if (m_on && m_velocity != 0)
        m_stopping = true;
    else
        Halt();
}

void MotionModel::Stop()
{
    Halt();
}

void MotionModel::ServoOff()
{
    Halt();
    m_on = false;
}

void MotionModel::EndTrajectory()
{
    m_velocity = 0;
    m_busy = m_stopping = false;
    m_goalTarget = m_position;
    if (m_kind == DriveMode::Velocity)
        m_speed = 0;
}

void MotionModel::Halt()
{
    // The shaft stops where it is and the command with it.
    m_shaftVelocity = 0;
    m_lastAcceleration = 0;
    Hold();
    EndTrajectory();
}

void MotionModel::SetPosition(int32_t p)
{
    const int64_t shift = int64_t(p) * kOne - m_shaft;
    m_shaft += shift;
    m_position += shift;
    m_goalTarget += shift;
}

void MotionModel::RunSteady(int32_t v)
{
    m_on = true;
    m_kind = DriveMode::Velocity;
    m_speed = m_shaftVelocity = v;
    Hold();
    m_busy = v != 0;
    m_stopping = false;
}

void MotionModel::Place(int32_t p)
{
    m_shaft = int64_t(p) * kOne;
    m_shaftVelocity = 0;
    Hold();
    m_goalTarget = m_position;
    m_busy = false;
}

int64_t MotionModel::TorqueSpeed() const
{
    // "T=-1" is how the tools let go after a negative torque: a torque of one unit holds still.
    return std::llabs(int64_t(m_torque)) <= 1 ? 0 : int64_t(m_torque) * kSpeedPerTorque;
}

bool MotionModel::Steady() const
{
    if (m_stopping)
        return false;
    if (!m_on)
        return true;
    if (!m_held)
        return m_resting && !m_busy && m_velocity == 0;
    switch (m_kind) {
    case DriveMode::Velocity:
        return !m_busy ? m_velocity == 0 : m_velocity == m_speed;
    case DriveMode::Torque:
        return m_velocity == TorqueSpeed();
    default:
        return !m_busy && m_velocity == 0;
    }
}

void MotionModel::RampTowards(int64_t speed, int64_t ramp)
{
    if (m_velocity < speed)
        m_velocity = std::min(speed, m_velocity + ramp);
    else if (m_velocity > speed)
        m_velocity = std::max(speed, m_velocity - ramp);
    m_position += m_velocity;
}

void MotionModel::StepPosition()
{
    const int64_t d = m_goalTarget - m_position;
    if (d == 0 && m_velocity == 0) {
        m_busy = false;
        return;
    }
    const int64_t dir = d > 0 ? 1 : d < 0 ? -1 : (m_velocity > 0 ? -1 : 1);
    const int64_t left = std::llabs(d);
    const int64_t toward = m_velocity * dir;
    const int64_t a = m_accel;
    int64_t next;
    if (toward < 0) {
        next = toward + a; // moving away from the goal: brake first
    } else {
        next = toward > m_speed ? std::max(toward - a, m_speed) : std::min(toward + a, m_speed);
        // Decelerating from next takes about next^2/2a - next/2 more; start braking when that no
        // longer fits in what is left after this sample.
        const double brake = double(next) * double(next) / (2.0 * double(a)) - double(next) / 2.0;
        if (brake > double(left - next)) {
            next = toward - a;
            if (next <= 0)
                next = std::min(a, left); // the last creep onto the goal
        }
    }
    if (next > 0 && next >= left) {
        m_position = m_goalTarget;
        m_velocity = 0;
        m_busy = false;
        return;
    }
    m_velocity = next * dir;
    m_position += m_velocity;
}

void MotionModel::StepCommand()
{
    if (m_stopping) {
        RampTowards(0, m_accel > 0 ? m_accel : kTorqueRamp);
        if (m_velocity == 0)
            EndTrajectory();
        return;
    }
    switch (m_kind) {
    case DriveMode::Position:
        if (m_busy)
            StepPosition();
        break;
    case DriveMode::Velocity:
        if (m_busy) {
            RampTowards(m_speed, m_accel);
            m_busy = m_speed != 0 || m_velocity != 0;
        }
        break;
    case DriveMode::Torque:
        RampTowards(TorqueSpeed(), kTorqueRamp);
        break;
    case DriveMode::Off:
        break;
    }
}

void MotionModel::StepServo(const MotionLimits& limits)
{
    const ServoGains& g = m_gains;
    const double e = double(m_position - m_shaft); // counts x 65536
    m_errorAt = (m_errorAt + 1) % kMaxDerivativeSpan;
    m_errors[m_errorAt] = e;
    const int span = std::clamp(g.ks, 1, kMaxDerivativeSpan - 1);
    const double de = (e - m_errors[(m_errorAt + kMaxDerivativeSpan - span) % kMaxDerivativeSpan]) / span;
    const double limit = double(std::max(g.kl, 0)) * kIntegralLimitCounts * kOne / kIntegralShare;
    const double integral = std::clamp(m_integral + double(g.ki) * e, -limit, limit);
    const double drive = double(g.kp) * e + integral * kIntegralShare + double(g.kd) * de +
                         double(g.kv) * double(m_velocity) + double(g.ka) * double(m_commandAcceleration) +
                         double(g.kg) * kOne;
    const double wanted = drive / kInertia;
    int64_t acceleration;
    if (std::abs(wanted) > double(kPeakAcceleration)) {
        // At the drive's limit the integral stops growing, so that it does not wind up.
        acceleration = wanted > 0 ? kPeakAcceleration : -kPeakAcceleration;
    } else {
        acceleration = std::llround(wanted);
        m_resting = acceleration == 0 && m_shaftVelocity == 0 && de == 0 && integral == m_integral;
        m_integral = integral;
    }
    m_shaftVelocity += acceleration;
    // Friction holds a shaft that barely creeps against a drive that barely pushes.
    if (std::llabs(m_shaftVelocity) < kStiction && std::llabs(acceleration) < kStiction)
        m_shaftVelocity = 0;
    m_shaft += m_shaftVelocity;
    if (limits.errorLimit > 0 && std::abs(e) > double(limits.errorLimit) * kOne) {
        ServoOff();
        m_events |= kFollowingError;
    }
}

void MotionModel::Step(const MotionLimits& limits)
{
    const int64_t before = m_shaftVelocity;
    if (!m_on) {
        m_shaftVelocity = 0;
        Hold();
    } else {
        // The loop acts on this sample's error; then the generator moves the command on.
        if (m_held)
            m_shaft += m_shaftVelocity;
        else
            StepServo(limits);
        if (m_on) {
            const int64_t commandBefore = m_velocity;
            StepCommand();
            m_commandAcceleration = m_velocity - commandBefore;
            if (m_velocity != commandBefore || m_velocity != 0)
                m_resting = false;
            if (m_kind == DriveMode::Torque && !m_stopping) {
                m_shaft = m_position;
                m_shaftVelocity = m_velocity;
            } else if (m_held && (m_position != m_shaft || m_velocity != m_shaftVelocity)) {
                m_held = false; // the command changes pace: the loop follows from here
            } else if (!m_held && m_commandAcceleration == 0 && std::llabs(m_position - m_shaft) < kHoldError &&
                       std::llabs(m_velocity - m_shaftVelocity) < kHoldSpeed) {
                m_shaft = m_position;
                m_shaftVelocity = m_velocity;
                Hold();
            }
        }
    }
    m_lastAcceleration = m_shaftVelocity - before;
    ++m_sample;
    CheckLimits(limits);
}

void MotionModel::CheckLimits(const MotionLimits& limits)
{
    if (m_shaftVelocity == 0)
        return;
    const int32_t p = Position();
    if (m_shaftVelocity > 0) {
        if (limits.positiveBlocked || (limits.positiveEnabled && limits.positiveAt && p >= *limits.positiveAt)) {
            Halt();
            m_events |= kHitPositiveLimit;
        } else if (limits.softEnabled && p > limits.softPositive) {
            Halt();
            m_events |= kHitSoftPositive;
        }
    } else {
        if (limits.negativeBlocked || (limits.negativeEnabled && limits.negativeAt && p <= *limits.negativeAt)) {
            Halt();
            m_events |= kHitNegativeLimit;
        } else if (limits.softEnabled && p < limits.softNegative) {
            Halt();
            m_events |= kHitSoftNegative;
        }
    }
}

int64_t MotionModel::SamplesBeforeLimit(const MotionLimits& limits) const
{
    int64_t best = std::numeric_limits<int64_t>::max();
    const auto consider = [&](bool on, std::optional<int64_t> at) {
        if (!on || !at)
            return;
        const int64_t gap = *at * kOne - m_shaft;
        if ((m_shaftVelocity > 0) != (gap > 0)) {
            best = 0; // already beyond it: the next sample stops the shaft
            return;
        }
        best = std::min(best, std::max<int64_t>(0, gap / m_shaftVelocity - 1));
    };
    if (m_shaftVelocity > 0) {
        if (limits.positiveBlocked)
            return 0;
        consider(limits.positiveEnabled, limits.positiveAt ? std::optional<int64_t>(*limits.positiveAt) : std::nullopt);
        consider(limits.softEnabled, int64_t(limits.softPositive));
    } else {
        if (limits.negativeBlocked)
            return 0;
        consider(limits.negativeEnabled, limits.negativeAt ? std::optional<int64_t>(*limits.negativeAt) : std::nullopt);
        consider(limits.softEnabled, int64_t(limits.softNegative));
    }
    return best;
}

void MotionModel::AdvanceTo(int64_t sample, const MotionLimits& limits)
{
    while (m_sample < sample) {
        if (Steady()) {
            int64_t n = sample - m_sample;
            if (m_shaftVelocity != 0 && m_on)
                n = std::min(n, SamplesBeforeLimit(limits));
            if (n > 0) {
                if (m_on && m_held) {
                    m_position += m_velocity * n;
                    m_shaft = m_position;
                }
                m_lastAcceleration = 0;
                m_commandAcceleration = 0;
                m_sample += n;
                continue;
            }
        }
        Step(limits);
    }
}

} // namespace vqxsim
