#pragma once
// The motor's trajectory generator and shaft, integrated once per sample of the motor's own clock.
//
// Units are the motor's: positions in counts, speeds in counts per sample x 65536, accelerations
// in counts per sample per sample x 65536 (what "V=" and "A=" take). Internally position is kept
// x 65536 so that slow speeds still move. The model knows nothing of commands or the line: the
// motor sets its goals and asks it to catch up with the present sample; idle stretches and steady
// velocity are skipped in one step, so a motor that waits costs nothing.

#include <cstdint>
#include <limits>
#include <optional>

namespace vqxsim {

enum class DriveMode { Off, Position, Velocity, Torque };

// What stops the shaft: limits the motor enforces while it moves.
struct MotionLimits {
    bool positiveBlocked = false; // positive hardware limit asserted and enabled
    bool negativeBlocked = false;
    std::optional<int32_t> positiveAt; // the positive limit switch sits here (asserted at or beyond)
    std::optional<int32_t> negativeAt;
    bool positiveEnabled = true;
    bool negativeEnabled = true;
    bool softEnabled = false;
    // At power-up the soft limits span every position: "SLE" alone confines nothing until
    // "SLN=" and "SLP=" set them (the playground enables them on a version-5 motor without).
    int32_t softNegative = std::numeric_limits<int32_t>::min();
    int32_t softPositive = std::numeric_limits<int32_t>::max();
};

// Things that happened while catching up; the motor latches them into its flags.
enum MotionEvent : uint32_t {
    kHitPositiveLimit = 1u << 0,
    kHitNegativeLimit = 1u << 1,
    kHitSoftNegative = 1u << 2,
    kHitSoftPositive = 1u << 3,
};

class MotionModel {
public:
    // Torque mode: the speed the shaft settles at per unit of "T", and how fast it gets there.
    static constexpr int64_t kSpeedPerTorque = 256;
    static constexpr int64_t kTorqueRamp = 512;

    // ---- state ----
    int64_t Sample() const { return m_sample; }
    int32_t Position() const;
    int32_t Velocity() const { return static_cast<int32_t>(m_velocity); }
    int32_t Acceleration() const { return static_cast<int32_t>(m_lastAcceleration); }
    // A following error that grows with acceleration and speed, as a tuned servo's does.
    int32_t PositionError() const;
    DriveMode Mode() const { return m_on ? m_kind : DriveMode::Off; }
    // The mode "MP", "MV" or "MT" chose, servo on or off.
    DriveMode SelectedMode() const { return m_kind; }
    bool Relative() const { return m_relative; }
    // A trajectory is running (the "busy trajectory" flag).
    bool Busy() const { return m_busy; }
    // Velocity mode at its commanded speed.
    bool AtSlewVelocity() const;
    int32_t Target() const { return m_target; }
    uint32_t TakeEvents()
    {
        uint32_t e = m_events;
        m_events = 0;
        return e;
    }

    // ---- goals ----
    // Everything at rest, servo off, at position 0, at the given sample.
    void Reset(int64_t sample);
    void SetTarget(int32_t target) { m_target = target; m_relative = false; }
    void SetDistance(int32_t distance) { m_distance = distance; m_relative = true; }
    // "MP", "MV", "MT": a shaft that moves when the mode changes ramps to a stop first.
    void SetMode(DriveMode mode);
    // "G": starts the move of the present mode with speed v and acceleration a.
    void Go(int32_t v, int32_t a);
    // "X": decelerates at the last acceleration to a stop.
    void Decelerate();
    // "S": stops at once where the shaft is.
    void Stop();
    // "OFF" and faults: no drive, the shaft stays where it is.
    void ServoOff();
    void SetTorque(int32_t torque) { m_torque = torque; }
    // The encoder is set to p (the "O=" command, or a test); the goal moves with it.
    void SetPosition(int32_t p);
    // A test's shaft turning at v already (velocity mode, servo on).
    void RunSteady(int32_t v);
    // Host-mode playback drives the shaft directly.
    void Place(int32_t p);

    // Integrates up to the given sample.
    void AdvanceTo(int64_t sample, const MotionLimits& limits);

private:
    void Step(const MotionLimits& limits);
    void StepPosition();
    void RampTowards(int64_t speed, int64_t ramp);
    bool Steady() const;
    int64_t TorqueSpeed() const;
    void CheckLimits(const MotionLimits& limits);
    void Halt();
    int64_t SamplesBeforeLimit(const MotionLimits& limits) const;

    int64_t m_sample = 0;
    int64_t m_position = 0; // counts x 65536
    int64_t m_velocity = 0; // counts per sample x 65536
    int64_t m_lastAcceleration = 0;
    DriveMode m_kind = DriveMode::Position;
    bool m_on = false;
    bool m_busy = false;
    bool m_stopping = false; // "X": ramping down to 0 in any mode
    int32_t m_target = 0;
    int32_t m_distance = 0;
    bool m_relative = false;
    int64_t m_goalTarget = 0; // counts x 65536 of the running position move
    int64_t m_speed = 0;      // commanded speed (signed in velocity mode)
    int64_t m_accel = 0;
    int32_t m_torque = 0;
    uint32_t m_events = 0;
};

} // namespace vqxsim
