#pragma once
// Host mode from the motor's side: after "MD" the motor takes timed position slots as binary
// packets (0xFA + 4-byte position, 0xFB 0x00 + 3-byte clock, most significant byte first) into a
// slot buffer, and after "G" plays them on its own trajectory clock, one tick per sample. "Q"
// answers a 5-byte status; "MP", "S" or another "MD" end the stream. A motor that runs dry while
// playing stops where it is and reports an under-run. The slots reached move the motor's shaft, so
// that "RP" after a run gives where it stopped; outside host mode "G", "S" and "MP" are the
// motor's own moves.
//
// AttachHostMode gives one motor this command group (its own copy of the command table and a
// raw-input hook). The state is read under the rig's lock (WithMotor), like any motor state.

#include "tests/sim/motor/SimTypes.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace vqxsim {

class SimMotor;

struct HostModeOptions {
    int capacity = 19;            // slots the buffer holds (what "Q" reports free after "MD")
    bool supported = true;        // false: "MD" sets the syntax-error bit instead (older firmware)
};

// One slot as the motor played it: the clock it was reached at and the position it commanded.
struct PlayedSlot {
    uint32_t clock;
    int32_t position;
};

// Status error bits of the form B reply.
enum : uint8_t {
    kHostFailed = 0x01, kTimeDeltaError = 0x04, kPositionDeltaError = 0x08, kDataSpaceError = 0x10,
    kOverflow = 0x20, kUnderflow = 0x40
};

class HostModeMotor {
public:
    explicit HostModeMotor(HostModeOptions options) : m_options(options) {}

    bool InHostMode() const { return m_hostMode; }
    bool Playing() const { return m_playing; }
    uint8_t ErrorBits() const { return m_errors; }
    int Free() const { return m_options.capacity - static_cast<int>(m_buffer.size()); }
    int PidFactor() const { return m_pid; }
    // Where the motor is commanded to be: the last slot reached, or the target of a position move.
    int32_t Position() const { return m_position; }
    // Every slot reached since power-up, in order (kept across streams).
    const std::vector<PlayedSlot>& Played() const { return m_played; }
    // Targets of the position moves ("G" outside host mode), in order.
    const std::vector<int32_t>& Moves() const { return m_moves; }
    // A test's fault: error bits the next status reports (form B), as a motor that failed.
    void InjectErrors(uint8_t bits) { m_errors |= bits; }
    // Slots closed but not reached yet.
    size_t Buffered() const { return m_buffer.size(); }
    // Brings the trajectory clock to now (call under the rig's lock before reading the state).
    void Advance(TimePoint now);
    uint32_t TrajectoryClock() const { return static_cast<uint32_t>(std::max<int64_t>(m_clock, 0)) & 0xFFFFFF; }

    // ---- used by the command group ----
    bool TakeByte(SimMotor& m, uint8_t byte);
    void EnterHostMode(SimMotor& m);
    void LeaveHostMode(SimMotor& m);
    void Go(SimMotor& m);
    void Stop(SimMotor& m);
    void Status(SimMotor& m);
    void SetPid(int factor) { m_pid = factor; }
    // The motor whose shaft the playback drives.
    void SetMotor(SimMotor* motor) { m_motor = motor; }

private:
    struct Slot {
        int64_t clock; // unwrapped
        int32_t position;
    };
    void Packet(SimMotor& m);
    void CloseSlot(int64_t clock);
    int64_t Unwrap(uint32_t clock24) const;
    int64_t TickNs(const SimMotor& m) const;

    HostModeOptions m_options;
    SimMotor* m_motor = nullptr;
    bool m_hostMode = false;
    bool m_playing = false;
    bool m_leaving = false; // "MP" came while playing: position mode once the buffer has played
    std::vector<int32_t> m_moves;
    uint8_t m_errors = 0;
    int m_pid = 1;
    int32_t m_position = 0;
    // Packet being read: its header and payload bytes so far.
    uint8_t m_packet[5] = {};
    int m_packetLength = 0;
    // The open slot.
    bool m_open = false;
    int32_t m_openPosition = 0;
    // The last closed slot's clock and the distance to the one before (implicit clocks).
    int64_t m_lastClock = 0;
    int64_t m_lastDelta = 0;
    int32_t m_lastPosition = 0;
    bool m_anyClosed = false;
    bool m_implicitClock = false;
    std::deque<Slot> m_buffer;
    // Playback: ticks since "G" on the motor's own clock.
    TimePoint m_startedAt{};
    int64_t m_tickNs = 245760;
    int64_t m_clock = 0;
    int64_t m_reachedClock = 0;
    std::vector<PlayedSlot> m_played;
};

// Gives the motor the host-mode command group; returns its host-mode state.
std::shared_ptr<HostModeMotor> AttachHostMode(SimMotor& motor, HostModeOptions options = {});

} // namespace vqxsim
