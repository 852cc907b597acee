#pragma once
// Host-mode streaming: timed position slots into the trajectory buffers of up to six motors, which
// play them in step. The engine prepares the motors and measures their sample period, sends the
// position and clock packets, counts the free slots the motors report, starts the motion once the
// buffers are full enough and holds the writer back while it runs. Failures throw CVQXException
// with the core's code (the engine's code plus 1000); port errors pass through.
//
// The port belongs to the caller (the host object). No lock: one thread at a time.

#include <array>
#include <cstdint>
#include <string>

class CCommPort;

class CSynmoveEngine {
public:
    static constexpr int MaxStreamMotors = 6;

    explicit CSynmoveEngine(CCommPort& port) : m_port(port) {}
    virtual ~CSynmoveEngine() = default;

    void Initialize(int32_t noOfMotors);
    void WritePosition(int32_t motor, int32_t pos);
    int32_t WriteClock(int32_t motor, int32_t clock);
    void CheckStatus(int32_t motor);
    int32_t SlotsNeeded(int32_t motor);
    int32_t CurrentClock(int32_t motor);
    void Run();
    void EndHostMode();
    void SyncMotors();

    int32_t TrajectorySlots() const { return m_trajectorySlots; }
    void SetTrajectorySlots(int32_t n) { m_trajectorySlots = n; }
    int32_t PIDFactor() const { return m_pidFactor; }
    void SetPIDFactor(int32_t f) { m_pidFactor = f; }
    double SamplePeriod() const { return m_samplePeriod; }
    bool Initialized() const { return m_initialized; }

    // For tests and the interface: the bookkeeping as it stands.
    int32_t FreeSlots() const { return m_freeSlots; }
    int32_t TotalSlots() const { return m_totalSlots; }
    bool Running() const { return m_running; }
    bool ImplicitClock() const { return m_implicitClock; }
    bool DirectMode() const { return m_directMode; }
    int32_t SlotDelta() const { return m_slotDelta; }
    int32_t NoOfMotors() const { return m_noOfMotors; }

    // Longest a wait for room or for the motors to play out may last before the stream is given up:
    // twice the time the motors take to play a full buffer, and at least this many milliseconds.
    static constexpr int64_t MinWaitMs = 2000;

private:
    void PrepareMotors();
    void PollNextMotor();
    void SendToStreamMotors(const char* command);
    void CheckTimeDelta() const;
    void SendPacket(int32_t address, uint8_t header, int32_t value);
    void ResetStream();
    // Polls round robin until done() holds; bounded (see MinWaitMs).
    template <class Done>
    void PollUntil(Done done);
    // Adds slots that hold every motor where it is, then runs the stream until `keep` are left.
    void ClosingSlots(int count, int32_t ticks);
    int64_t WaitLimitMs() const;
    uint32_t MotorData(int32_t motor) const;

    CCommPort& m_port;
    int32_t m_noOfMotors = 0;
    std::array<int32_t, MaxStreamMotors> m_lastPositions{};
    uint32_t m_writtenMask = 0;
    int32_t m_slotDelta = 128;
    int32_t m_nextClock = 0;
    int32_t m_lastClock = 0;
    bool m_implicitClock = false;
    bool m_directMode = false;
    bool m_running = false;
    int32_t m_totalSlots = 0;
    int32_t m_freeSlots = 0;
    int32_t m_trajectorySlots = 19;
    int32_t m_pollMotor = 1;
    double m_samplePeriod = 0;
    bool m_initialized = false;
    uint32_t m_motorClock = 0;
    int32_t m_pidFactor = 1;
    bool m_statusUsed = false;
};
