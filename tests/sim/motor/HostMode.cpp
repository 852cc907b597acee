// The host-mode command group: slot packets, the slot buffer, playback on the motor's own clock
// and the status reply.
#include "tests/sim/motor/HostMode.h"

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/SimMotor.h"

namespace vqxsim {
namespace {
constexpr uint8_t kPositionPacket = 0xFA;
constexpr uint8_t kClockPacket = 0xFB;
constexpr uint8_t kStatusByte = 0xF9;
constexpr int64_t kClockMask = 0xFFFFFF;

bool OneBitSet(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }
} // namespace

int64_t HostModeMotor::TickNs(const SimMotor& m) const
{
    // The figure is the sample period in units of 10 ns; the PID factor divides it.
    const int64_t figure = m.Profile().sampleFigure > 0 ? m.Profile().sampleFigure : 1;
    return std::max<int64_t>(1, figure * 10 / std::max(1, m_pid));
}

void HostModeMotor::Advance(TimePoint now)
{
    if (!m_playing)
        return;
    const int64_t ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_startedAt).count() / m_tickNs;
    if (ticks <= m_clock)
        return;
    m_clock = ticks;
    while (!m_buffer.empty() && m_buffer.front().clock <= m_clock) {
        const Slot& s = m_buffer.front();
        m_position = s.position;
        m_reachedClock = s.clock;
        m_played.push_back({static_cast<uint32_t>(s.clock & kClockMask), s.position});
        m_buffer.pop_front();
        if (m_motor)
            m_motor->Motion().Place(m_position);
    }
    if (m_buffer.empty() && m_clock > m_reachedClock) {
        m_playing = false;
        // After "MP" the buffer plays out and the motor goes over to position mode where it
        // stands; otherwise it has run dry: it stops where it is and says so.
        if (m_leaving)
            m_hostMode = m_leaving = false;
        else
            m_errors |= kUnderflow;
    }
}

bool HostModeMotor::TakeByte(SimMotor& m, uint8_t byte)
{
    Advance(m.Now());
    if (m_packetLength > 0) {
        m_packet[m_packetLength++] = byte;
        if (m_packetLength == 5) {
            Packet(m);
            m_packetLength = 0;
        }
        return true;
    }
    // Packet headers are read in every mode, so that their payload is never taken for address
    // bytes; only a selected, awake motor in host mode uses them. On a chain the status replies
    // of the motors nearer the PC pass through here too: they are skipped the same way.
    if (byte == kPositionPacket || byte == kClockPacket || byte == kStatusByte) {
        m_packet[0] = byte;
        m_packetLength = 1;
        return true;
    }
    return false;
}

int64_t HostModeMotor::Unwrap(uint32_t clock24) const
{
    if (!m_anyClosed)
        return clock24;
    return m_lastClock + ((static_cast<int64_t>(clock24) - (m_lastClock & kClockMask)) & kClockMask);
}

void HostModeMotor::Packet(SimMotor& m)
{
    if (m_packet[0] == kStatusByte)
        return;
    if (!m_hostMode || m_leaving || !m.Selected() || m.Asleep(m.lineChannel))
        return;
    if (m_packet[0] == kPositionPacket) {
        const int32_t position = static_cast<int32_t>(static_cast<uint32_t>(m_packet[1]) << 24 |
                                                      static_cast<uint32_t>(m_packet[2]) << 16 |
                                                      static_cast<uint32_t>(m_packet[3]) << 8 | m_packet[4]);
        // Implicit-clock firmware: a second position closes the open slot one delta on.
        if (m_implicitClock && m_open) {
            if (!m_anyClosed || m_lastDelta <= 0)
                m_errors |= kTimeDeltaError;
            else
                CloseSlot(m_lastClock + m_lastDelta);
        }
        m_open = true;
        m_openPosition = position;
        return;
    }
    if (m_packet[1] != 0) {
        m_errors |= kDataSpaceError;
        return;
    }
    const uint32_t clock24 = static_cast<uint32_t>(m_packet[2]) << 16 | static_cast<uint32_t>(m_packet[3]) << 8 | m_packet[4];
    CloseSlot(Unwrap(clock24));
}

void HostModeMotor::CloseSlot(int64_t clock)
{
    // A motor that got no position for the slot holds the one before.
    const int32_t held = m_buffer.empty() ? (m_anyClosed ? m_lastPosition : m_position) : m_buffer.back().position;
    const int32_t position = m_open ? m_openPosition : held;
    m_open = false;
    if (m_anyClosed && !OneBitSet(clock - m_lastClock)) {
        m_errors |= kTimeDeltaError;
        m_playing = false;
        return;
    }
    if (static_cast<int>(m_buffer.size()) >= m_options.capacity) {
        m_errors |= kOverflow;
        m_playing = false;
        return;
    }
    if (m_anyClosed)
        m_lastDelta = clock - m_lastClock;
    m_lastClock = clock;
    m_lastPosition = position;
    m_anyClosed = true;
    m_buffer.push_back({clock, position});
}

void HostModeMotor::EnterHostMode(SimMotor& m)
{
    if (!m_options.supported) {
        m.SetBit('s', true);
        return;
    }
    Advance(m.Now());
    m_hostMode = true;
    m_leaving = m_playing = false;
    m_errors = 0;
    m_buffer.clear();
    m_open = false;
    m_anyClosed = false;
    m_lastClock = m_lastDelta = 0;
    m_clock = m_reachedClock = 0;
    const std::string& fw = m.Profile().firmware;
    m_implicitClock = fw.rfind("416", 0) == 0 || fw.rfind("476", 0) == 0;
}

void HostModeMotor::LeaveHostMode(SimMotor& m)
{
    Advance(m.Now());
    m_errors = 0;
    m_open = false;
    // A playing motor finishes the slots it holds first.
    if (m_playing && m_hostMode) {
        m_leaving = true;
        return;
    }
    m_hostMode = m_leaving = false;
    m_buffer.clear();
}

void HostModeMotor::Stop(SimMotor& m)
{
    // Stops where the playback stands; the slots not reached are dropped.
    Advance(m.Now());
    m_hostMode = m_leaving = m_playing = false;
    m_errors = 0;
    m_open = false;
    m_buffer.clear();
}

void HostModeMotor::Go(SimMotor& m)
{
    Advance(m.Now());
    if (!m_hostMode || m_leaving) {
        // A position move of the motor's own (the caller runs it): its target is recorded here.
        m_position = m.Motion().Target();
        m_moves.push_back(m_position);
        return;
    }
    if (m_playing || m_errors)
        return;
    m_playing = true;
    m.SetBit('o', false);
    m.Motion().Place(m.Position());
    m_startedAt = m.Now();
    m_tickNs = TickNs(m);
    m_clock = -1; // so that a slot at clock 0 is reached at once
    m_reachedClock = 0;
    Advance(m.Now());
}


void HostModeMotor::Status(SimMotor& m)
{
    Advance(m.Now());
    Bytes reply{kStatusByte, 0, 0, 0, 0};
    const int free = Free();
    if (m_errors) {
        reply[1] = m_errors;
        reply[2] = static_cast<uint8_t>(static_cast<int8_t>(free));
    } else {
        const uint32_t clock = TrajectoryClock();
        reply[1] = static_cast<uint8_t>(0x80 | (free & 0x7F));
        reply[2] = static_cast<uint8_t>(clock >> 16);
        reply[3] = static_cast<uint8_t>(clock >> 8);
        reply[4] = static_cast<uint8_t>(clock);
    }
    m.Send(std::move(reply), m.Now() + Ms(m.knobs.replyDelayMs));
}

std::shared_ptr<HostModeMotor> AttachHostMode(SimMotor& motor, HostModeOptions options)
{
    auto state = std::make_shared<HostModeMotor>(options);
    state->SetMotor(&motor);
    auto table = std::make_shared<CommandTable>(motor.Commands());
    // The motor's own entry of the same name (a move, a stop, a mode) runs first when the motor
    // is not in host mode; the host-mode part then sees the result (the target of a move).
    const auto add = [&](const char* name, void (HostModeMotor::*f)(SimMotor&)) {
        const CommandEntry* before = table->Find(name, 'R');
        CommandFn own = before ? before->run : CommandFn();
        table->Add(name, {[state, f, own](SimMotor& m, const std::string& token, const std::string& arg) {
                       if (own && !state->InHostMode())
                           own(m, token, arg);
                       ((*state).*f)(m);
                   }});
    };
    add("MD", &HostModeMotor::EnterHostMode);
    add("MP", &HostModeMotor::LeaveHostMode);
    add("G", &HostModeMotor::Go);
    add("S", &HostModeMotor::Stop);
    add("Q", &HostModeMotor::Status);
    table->Add("Zs", {[](SimMotor& m, const std::string&, const std::string&) { m.SetBit('s', false); }});
    for (int factor : {1, 2, 4, 8})
        table->Add("PID" + std::to_string(factor),
                   {[state, factor](SimMotor&, const std::string&, const std::string&) { state->SetPid(factor); }});
    motor.SetCommands(table);
    motor.rawInputHook = [state](SimMotor& m, uint8_t byte) { return state->TakeByte(m, byte); };
    return state;
}

} // namespace vqxsim
