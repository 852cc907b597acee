#pragma once
// The motor's trajectory generator, its position loop and its shaft, integrated once per sample of
// the motor's own clock.
//
// Units are the motor's: positions in counts, speeds in counts per sample x 65536, accelerations
// in counts per sample per sample x 65536 (what "V=" and "A=" take). Internally position is kept
// x 65536 so that slow speeds still move. The trajectory generator computes the commanded
// position; the position loop (a PID filter with feed-forward, on the gains "F" took into use)
// drives an inertia towards it, with the drive's peak acceleration as its limit. A shaft that
// has settled within half a count of a steady command is held on it. The model knows nothing of
// commands or the line: the motor sets its goals and asks it to catch up with the present sample;
// idle stretches and steady velocity are skipped in one step, so a motor that waits costs nothing.

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
    // "E=": a following error beyond this many counts turns the servo off (0: no limit).
    int32_t errorLimit = 0;
    // At power-up the soft limits span every position: "SLE" alone confines nothing until
    // "SLN=" and "SLP=" set them (the playground enables them on a version-5 motor without).
    int32_t softNegative = std::numeric_limits<int32_t>::min();
    int32_t softPositive = std::numeric_limits<int32_t>::max();
};

// The position loop's filter, as "KP=".."KG=" set it and "F" takes it into use: proportional,
// integral, differential, the integral's limit, the differential's span in samples, velocity and
// acceleration feed-forward, and a constant against gravity.
struct ServoGains {
    int32_t kp = 120, ki = 4, kd = 800, kl = 1000, ks = 1, kv = 0, ka = 0, kg = 0;
    bool operator==(const ServoGains&) const = default;
};

// Things that happened while catching up; the motor latches them into its flags.
enum MotionEvent : uint32_t {
    kHitPositiveLimit = 1u << 0,
    kHitNegativeLimit = 1u << 1,
    kHitSoftNegative = 1u << 2,
    kHitSoftPositive = 1u << 3,
    kFollowingError = 1u << 4, // past the error limit: the servo went off
};

class MotionModel {
public:
    // Torque mode: the speed the shaft settles at per unit of "T", and how fast it gets there.
    static constexpr int64_t kSpeedPerTorque = 256;
    static constexpr int64_t kTorqueRamp = 512;
    // The shaft's inertia in the filter's units: a drive output of this much accelerates it by
    // one count per sample per sample.
    static constexpr double kInertia = 3000;
    // The drive's peak acceleration: 4 counts per sample per sample.
    static constexpr int64_t kPeakAcceleration = 4 * 65536;
    static constexpr int kMaxDerivativeSpan = 8;

    // ---- state ----
    int64_t Sample() const { return m_sample; }
    int32_t Position() const;
    int32_t Velocity() const { return static_cast<int32_t>(m_shaftVelocity); }
    int32_t Acceleration() const { return static_cast<int32_t>(m_lastAcceleration); }
    // The commanded position less the shaft's, in counts (0 with the servo off).
    int32_t PositionError() const;
    // Nothing left to settle: the shaft sits on its command, or came to rest where the filter
    // leaves it (a loop without KP), or the servo is off.
    bool Settled() const { return !m_on || m_held || m_resting; }
    const ServoGains& Gains() const { return m_gains; }
    // "F": the filter works with these gains from the next sample on.
    void SetGains(const ServoGains& gains)
    {
        m_gains = gains;
        m_resting = false;
    }
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
    void StepCommand();
    void StepPosition();
    void RampTowards(int64_t speed, int64_t ramp);
    // One sample of the position loop: the shaft moves by what the filter makes of its error.
    void StepServo(const MotionLimits& limits);
    // The shaft on its command, the filter's memory cleared.
    void Hold();
    void EndTrajectory();
    bool Steady() const;
    int64_t TorqueSpeed() const;
    void CheckLimits(const MotionLimits& limits);
    void Halt();
    int64_t SamplesBeforeLimit(const MotionLimits& limits) const;

    int64_t m_sample = 0;
    // The trajectory generator's command.
    int64_t m_position = 0; // counts x 65536
    int64_t m_velocity = 0; // counts per sample x 65536
    int64_t m_commandAcceleration = 0;
    // The shaft and the filter's memory. Held: the shaft sits on the command and follows it.
    int64_t m_shaft = 0;
    int64_t m_shaftVelocity = 0;
    int64_t m_lastAcceleration = 0; // of the shaft
    bool m_held = true;
    bool m_resting = false; // off the command, and nothing in the loop changes any more
    double m_integral = 0;
    double m_errors[kMaxDerivativeSpan] = {}; // the last errors, m_errorAt the newest
    int m_errorAt = 0;
    ServoGains m_gains;
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
