#pragma once
// A motor with its transmitter: what it passes on from its receiver (echo) and its own answers
// share one output, byte by byte.

#include "tests/sim/motor/SimMotor.h"

#include <deque>
#include <optional>

namespace vqxsim {

// A byte on a wire, with the speed and parity it was sent at. lineError marks a byte the receiver
// gets with a framing error (only an in-process line can deliver that).
struct WireByte {
    uint8_t value = 0;
    LineSettings sentAt;
    bool lineError = false;
};

// A transmitter on a paced line that keeps its own time: the byte on its wire, whole at the far end
// at freeAt, and after that when the wire is free again.
struct WireTimeline {
    std::optional<WireByte> sending;
    TimePoint freeAt{};
};

class MotorNode {
public:
    explicit MotorNode(SimMotor m) : motor(std::move(m)) {}

    // A byte reaches the motor's receiver. A byte sent at another speed or parity than the motor's
    // channel means nothing to it and is dropped. With forwarding allowed (a chain) and echo on, the
    // byte is passed on before the motor acts on it.
    void Arrive(const WireByte& byte, TimePoint now, bool forwarding);
    // The byte the transmitter sends now, if any. Passed-on bytes and answers alternate when both
    // wait; an answer never starts before the echo of its terminator has left.
    std::optional<WireByte> Transmit(TimePoint now);
    // The earliest time from freeAt on at which Transmit gives a byte, unless something arrives first.
    std::optional<TimePoint> NextStart(TimePoint freeAt) const;
    // When the next answer that waits on time becomes ready.
    std::optional<TimePoint> NextReady() const;
    // Something can be sent now.
    bool Pending(TimePoint now) const;

    SimMotor motor;
    WireTimeline timeline;

private:
    bool AnswerReady(TimePoint now) const;

    std::deque<WireByte> m_forward;
    uint64_t m_forwardQueued = 0;
    uint64_t m_forwardSent = 0;
    bool m_lastWasForward = false;
};

} // namespace vqxsim
