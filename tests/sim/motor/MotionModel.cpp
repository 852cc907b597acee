#include "tests/sim/motor/MotionModel.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace vqxsim {
namespace {
constexpr int64_t kOne = 65536;

int64_t RoundCounts(int64_t scaled) { return (scaled + kOne / 2) >> 16; }
} // namespace

int32_t MotionModel::Position() const
{
    return static_cast<int32_t>(static_cast<uint32_t>(RoundCounts(m_position)));
}

int32_t MotionModel::PositionError() const
{
    if (!m_on)
        return 0;
    return static_cast<int32_t>(RoundCounts(m_lastAcceleration * 256 + m_velocity / 8));
}

bool MotionModel::AtSlewVelocity() const
{
    if (!m_on || !m_busy || m_stopping || m_velocity == 0)
        return false;
    return m_kind == DriveMode::Velocity ? m_velocity == m_speed : std::llabs(m_velocity) == m_speed;
}

void MotionModel::Reset(int64_t sample)
{
    *this = MotionModel();
    m_sample = sample;
}

void MotionModel::SetMode(DriveMode mode)
{
    if (mode == m_kind)
        return;
    m_kind = mode;
    if (mode == DriveMode::Torque) {
        m_busy = m_stopping = false;
        m_torque = 0;
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
        m_target = static_cast<int32_t>(static_cast<uint32_t>(Position() + int64_t(m_distance)));
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

void MotionModel::Halt()
{
    m_velocity = 0;
    m_lastAcceleration = 0;
    m_busy = m_stopping = false;
    m_goalTarget = m_position;
    if (m_kind == DriveMode::Velocity)
        m_speed = 0;
}

void MotionModel::SetPosition(int32_t p)
{
    const int64_t shift = int64_t(p) * kOne - m_position;
    m_position += shift;
    m_goalTarget += shift;
}

void MotionModel::RunSteady(int32_t v)
{
    m_on = true;
    m_kind = DriveMode::Velocity;
    m_speed = m_velocity = v;
    m_busy = v != 0;
    m_stopping = false;
}

void MotionModel::Place(int32_t p)
{
    m_position = int64_t(p) * kOne;
    m_goalTarget = m_position;
    m_velocity = 0;
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

void MotionModel::Step(const MotionLimits& limits)
{
    const int64_t before = m_velocity;
    if (!m_on) {
        m_velocity = 0;
    } else if (m_stopping) {
        RampTowards(0, m_accel > 0 ? m_accel : kTorqueRamp);
        if (m_velocity == 0)
            Halt();
    } else {
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
    m_lastAcceleration = m_velocity - before;
    ++m_sample;
    CheckLimits(limits);
}

void MotionModel::CheckLimits(const MotionLimits& limits)
{
    if (m_velocity == 0)
        return;
    const int32_t p = Position();
    if (m_velocity > 0) {
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
        const int64_t gap = *at * kOne - m_position;
        if ((m_velocity > 0) != (gap > 0)) {
            best = 0; // already beyond it: the next sample stops the shaft
            return;
        }
        best = std::min(best, std::max<int64_t>(0, gap / m_velocity - 1));
    };
    if (m_velocity > 0) {
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
            if (m_velocity != 0 && m_on)
                n = std::min(n, SamplesBeforeLimit(limits));
            if (n > 0) {
                if (m_on)
                    m_position += m_velocity * n;
                m_lastAcceleration = 0;
                m_sample += n;
                continue;
            }
        }
        Step(limits);
    }
}

} // namespace vqxsim
