// Host-mode streaming into up to six motors.
#include "engine/synmove/SynmoveEngine.h"

#include "core/VQXException.h"
#include "core/port/CommPort.h"
#include "platform/clock/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
constexpr uint8_t kPositionPacket = 0xFA;
constexpr uint8_t kClockPacket = 0xFB;
constexpr uint8_t kStatusByte = 0xF9;
constexpr int kPollPauseMs = 5;
constexpr int32_t kMaxDirectAddress = 119;

bool OneBitSet(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }

// The figure before the first '/' of an "RSP" reply (the whole reply without one); 0 when it is
// no positive number.
double SampleFigure(const std::string& reply)
{
    const std::string figure = reply.substr(0, reply.find('/'));
    char* end = nullptr;
    const double value = std::strtod(figure.c_str(), &end);
    return end != figure.c_str() && std::isfinite(value) && value > 0 ? value : 0;
}

std::string VersionText(const std::string& reply)
{
    const size_t slash = reply.find('/');
    return slash == std::string::npos ? reply : reply.substr(slash + 1);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
} // namespace

uint32_t CSynmoveEngine::MotorData(int32_t motor) const
{
    return MakeMotorDataWord(m_port.id, motor);
}

void CSynmoveEngine::ResetStream()
{
    m_nextClock = m_lastClock = 0;
    m_writtenMask = 0;
    m_running = false;
    m_pollMotor = 1;
}

void CSynmoveEngine::Initialize(int32_t noOfMotors)
{
    if (noOfMotors < 1 || noOfMotors > MaxStreamMotors)
        throw CVQXException(CVQXException::InvalidData);
    // A preparation that fails half-way leaves no stream to write into.
    m_initialized = false;
    m_noOfMotors = noOfMotors;
    ResetStream();
    m_lastPositions.fill(0);
    m_implicitClock = m_directMode = false;
    m_samplePeriod = 0;
    PrepareMotors();
    CheckStatus(1);
    m_initialized = true;
    m_totalSlots = m_trajectorySlots = m_freeSlots;
}

void CSynmoveEngine::PrepareMotors()
{
    m_implicitClock = true;
    for (int32_t m = 1; m <= m_noOfMotors; ++m) {
        m_port.WriteCommand("MP", m);
        m_port.WriteCommand("PID" + std::to_string(m_pidFactor), m);
        const std::string reply = m_port.Query("RSP", m);
        const double figure = SampleFigure(reply);
        // Without a period the slots would have no time base: no usable answer.
        if (figure == 0)
            throw CVQXException(CVQXException::MotorCannotGetStatus, MotorData(m));
        const double period = figure * 0.00001 / m_pidFactor;
        if (m == 1)
            m_samplePeriod = period;
        else if (std::fabs(m_samplePeriod - period) > 0.000001)
            throw CVQXException(CVQXException::DifferentSampleRates);
        const std::string version = VersionText(reply);
        if (StartsWith(version, "416") || StartsWith(version, "476")) {
            m_port.WriteCommand("MD", m);
        } else if (StartsWith(version, "415") || StartsWith(version, "475")) {
            m_implicitClock = false;
            m_port.WriteCommand("MD", m);
        } else {
            m_implicitClock = false;
            m_port.WriteCommand("Zs", m);
            m_port.WriteCommand("MD", m);
            if (m_port.Query("RBs", m).substr(0, 1) != "0")
                throw CVQXException(CVQXException::MotorHostModeNotSupported, MotorData(m));
        }
    }
}

void CSynmoveEngine::SendPacket(int32_t address, uint8_t header, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    uint8_t packet[5] = {header, static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                         static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    if (header == kClockPacket)
        packet[1] = 0; // the clock is 24 bits
    m_port.Transact(address, packet, sizeof packet, false);
}

int64_t CSynmoveEngine::WaitLimitMs() const
{
    const double slotMs = std::max<int32_t>(m_slotDelta, 1024) * m_samplePeriod;
    return std::max<int64_t>(MinWaitMs, static_cast<int64_t>(2 * std::max(m_totalSlots, 1) * slotMs));
}

template <class Done>
void CSynmoveEngine::PollUntil(Done done)
{
    const platform::TimePoint start = platform::Now();
    while (!done()) {
        // Motors that make no room while they run have stopped playing: the stream is given up.
        if (platform::MillisSince(start) > WaitLimitMs()) {
            m_running = m_initialized = false;
            throw CVQXException(CVQXException::MotorHostModeFailed, MotorData(m_pollMotor));
        }
        PollNextMotor();
    }
}

void CSynmoveEngine::WritePosition(int32_t motor, int32_t pos)
{
    if (motor < 0 || motor > m_noOfMotors)
        throw CVQXException(CVQXException::InvalidData);
    if (m_directMode) {
        SendPacket(motor, kPositionPacket, pos);
        return;
    }
    const uint32_t bit = 1u << motor;
    if ((motor != 0 && (m_writtenMask & bit)) || (motor == 0 && m_writtenMask)) {
        if (m_implicitClock) {
            if (m_slotDelta <= 0)
                throw CVQXException(CVQXException::InvalidTimeDelta);
            for (int32_t m = 1; m <= m_noOfMotors; ++m)
                if (!(m_writtenMask & (1u << m)))
                    WritePosition(m, m_lastPositions[static_cast<size_t>(m - 1)]);
            m_lastClock = m_nextClock;
            m_nextClock += m_slotDelta;
            --m_freeSlots;
            m_writtenMask = 0;
        } else {
            WriteClock(0, m_nextClock);
        }
    }
    if (m_writtenMask == 0) {
        if (m_running) {
            PollUntil([&] {
                if (m_freeSlots >= m_totalSlots - m_trajectorySlots + 2)
                    return true;
                platform::SleepMs(kPollPauseMs);
                return false;
            });
        } else if (m_freeSlots < m_totalSlots - m_trajectorySlots + 3) {
            SendToStreamMotors("G");
            m_running = true;
        }
    }
    SendPacket(motor, kPositionPacket, pos);
    if (motor == 0) {
        std::fill_n(m_lastPositions.begin(), m_noOfMotors, pos);
        for (int32_t m = 1; m <= m_noOfMotors; ++m)
            m_writtenMask |= 1u << m;
    } else {
        m_lastPositions[static_cast<size_t>(motor - 1)] = pos;
        m_writtenMask |= bit;
    }
}

void CSynmoveEngine::CheckTimeDelta() const
{
    if (!OneBitSet(m_slotDelta))
        throw CVQXException(CVQXException::InvalidTimeDelta);
}

int32_t CSynmoveEngine::WriteClock(int32_t motor, int32_t clock)
{
    // A motor outside the stream may be clocked directly; only a number no address byte can
    // carry is refused.
    if (motor < 0 || motor > kMaxDirectAddress)
        throw CVQXException(CVQXException::InvalidData);
    if (motor != 0)
        m_directMode = true;
    if (m_directMode) {
        SendPacket(motor, kClockPacket, clock);
        return m_slotDelta;
    }
    if (clock != 0) {
        // Checked before anything is stored: a refused clock leaves the stream as it was.
        const int64_t delta = static_cast<int64_t>(clock) - m_lastClock;
        if (!OneBitSet(delta) || delta > INT32_MAX)
            throw CVQXException(CVQXException::InvalidTimeDelta);
        m_slotDelta = static_cast<int32_t>(delta);
        CheckTimeDelta();
        m_nextClock = m_lastClock = clock;
    } else if (m_lastClock != 0) {
        throw CVQXException(CVQXException::InvalidTimeDelta);
    }
    for (int32_t m = 1; m <= m_noOfMotors; ++m)
        if (!(m_writtenMask & (1u << m)))
            WritePosition(m, m_lastPositions[static_cast<size_t>(m - 1)]);
    SendPacket(0, kClockPacket, clock);
    --m_freeSlots;
    m_writtenMask = 0;
    m_nextClock += m_slotDelta;
    return m_slotDelta;
}

void CSynmoveEngine::CheckStatus(int32_t motor)
{
    m_statusUsed = false;
    m_port.WriteCommand("Q", motor);
    m_port.SetTimeout(0);
    uint8_t reply[5] = {};
    size_t got = 0;
    m_port.ReadBytesOf(motor, reply, sizeof reply, got, -1);
    if (reply[0] != kStatusByte)
        throw CVQXException(CVQXException::MotorCannotGetStatus, MotorData(motor));
    if (reply[1] & 0x80) {
        m_freeSlots = reply[1] & 0x7F;
        m_motorClock = static_cast<uint32_t>(reply[2]) << 16 | static_cast<uint32_t>(reply[3]) << 8 | reply[4];
        return;
    }
    m_freeSlots = static_cast<int8_t>(reply[2]);
    if (!m_running)
        return;
    m_running = m_initialized = false;
    const uint8_t bits = reply[1];
    int32_t code = CVQXException::MotorHostModeFailed;
    if (bits & 0x04)
        code = CVQXException::MotorInvalidTimeDelta;
    else if (bits & 0x08)
        code = CVQXException::MotorInvalidPosDelta;
    else if (bits & 0x10)
        code = CVQXException::MotorInvalidDataSpace;
    else if (bits & 0x20)
        code = CVQXException::LineBufferOverflow; // the engine's "Motor(%d):Buffer overflow!"
    else if (bits & 0x40)
        code = CVQXException::MotorBufferUnderflow;
    throw CVQXException(code, MotorData(motor));
}

void CSynmoveEngine::PollNextMotor()
{
    const int32_t motor = m_pollMotor;
    m_pollMotor = m_pollMotor >= m_noOfMotors ? 1 : m_pollMotor + 1;
    CheckStatus(motor);
}

int32_t CSynmoveEngine::SlotsNeeded(int32_t motor)
{
    if (m_directMode || m_statusUsed)
        CheckStatus(motor);
    m_statusUsed = true;
    return std::max(0, m_trajectorySlots - m_totalSlots + m_freeSlots);
}

int32_t CSynmoveEngine::CurrentClock(int32_t motor)
{
    if (m_directMode || m_statusUsed) {
        try {
            CheckStatus(motor);
        } catch (const CVQXException&) {
        }
    }
    m_statusUsed = true;
    return static_cast<int32_t>(m_motorClock);
}

void CSynmoveEngine::Run()
{
    if (m_running)
        return;
    SendToStreamMotors("G");
    m_running = true;
}

void CSynmoveEngine::SendToStreamMotors(const char* command)
{
    // The other motors of the port sleep through the command: every one the list holds whose
    // address is not a stream motor's (the list need not be contiguous).
    std::vector<int> others;
    for (int i = 0; i < m_port.motors.GetCount(); ++i)
        if (const CMotor* motor = m_port.motors.GetAt(i))
            if (motor->Address > m_noOfMotors && motor->Address <= m_port.MaxAddress())
                others.push_back(motor->Address);
    const bool channel1 = m_port.MotorChannel != 0;
    std::vector<int> asleep;
    try {
        for (int address : others) {
            m_port.WriteCommand(channel1 ? "SLEEP1" : "SLEEP", address);
            asleep.push_back(address);
        }
        m_port.WriteCommand(command, 0);
    } catch (const CVQXException&) {
        // Every motor put to sleep is woken, also when the command failed.
        for (int address : asleep) {
            try {
                m_port.WriteCommand(channel1 ? "WAKE1" : "WAKE", address);
            } catch (const CVQXException&) {
            }
        }
        throw;
    }
    for (int address : asleep)
        m_port.WriteCommand(channel1 ? "WAKE1" : "WAKE", address);
}

void CSynmoveEngine::ClosingSlots(int count, int32_t ticks)
{
    const int32_t kept = m_slotDelta;
    try {
        // From the last slot closed, so that a stream with no slot yet closes on whole deltas too.
        WriteClock(0, m_lastClock + ticks);
        for (int i = 1; i < count; ++i)
            WriteClock(0, m_nextClock);
    } catch (...) {
        m_slotDelta = kept;
        throw;
    }
    m_slotDelta = kept;
}

void CSynmoveEngine::EndHostMode()
{
    if (m_directMode)
        throw CVQXException(CVQXException::InvalidMode);
    if (m_freeSlots < 4) {
        Run();
        PollUntil([&] { return m_freeSlots >= 4; });
    }
    const int32_t kept = m_slotDelta;
    try {
        ClosingSlots(4, 1024);
        Run();
        SendToStreamMotors("MP");
        for (int32_t m = 1; m <= m_noOfMotors; ++m)
            m_port.WriteCommand("P=" + std::to_string(m_lastPositions[static_cast<size_t>(m - 1)]), m);
        PollUntil([&] { return m_totalSlots - m_freeSlots <= 4; });
        SendToStreamMotors("G");
    } catch (...) {
        m_slotDelta = kept;
        throw;
    }
    m_slotDelta = kept;
}

void CSynmoveEngine::SyncMotors()
{
    if (m_directMode)
        throw CVQXException(CVQXException::InvalidMode);
    if (m_freeSlots < 2) {
        Run();
        PollUntil([&] { return m_freeSlots >= 2; });
    }
    const int32_t kept = m_slotDelta;
    try {
        ClosingSlots(2, 512);
        Run();
        PollUntil([&] { return m_totalSlots - m_freeSlots <= 2; });
        SendToStreamMotors("S");
        // The motors stand at their last positions: those stay the positions a motor left out of
        // the next slot holds.
        ResetStream();
        SendToStreamMotors("MD");
        CheckStatus(1);
        m_totalSlots = m_trajectorySlots = m_freeSlots;
    } catch (...) {
        m_slotDelta = kept;
        throw;
    }
    m_slotDelta = kept;
}
