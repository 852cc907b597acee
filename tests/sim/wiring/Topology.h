#pragma once
// How the motors of a serial line are connected to the PC and to each other.

#include "tests/sim/wiring/MotorNode.h"

#include <deque>
#include <optional>
#include <vector>

namespace vqxsim {

// What the PC receives when two or more motors on a bus send different bytes at once.
enum class CollisionForm {
    Garbage,      // a byte that is no digit, letter or line end
    BitwiseAnd,   // the AND of the bytes (dominant zero bits)
    FramingError, // a framing error (a pseudo-terminal cannot carry it: it shows as garbage there)
};

using Duration = SimClock::duration;

// A byte for the PC and the time it leaves the last transmitter.
struct TimedByte {
    WireByte byte;
    TimePoint at;
};

// Time one character takes on the line.
Duration CharTime(const LineSettings& line);

// What the PC receives of a byte: nothing when it was sent at another speed or parity, or, with
// garble set, a changed byte.
std::optional<WireByte> ForPc(WireByte byte, const LineSettings& pc, bool garble);

class Topology {
public:
    virtual ~Topology() = default;
    // A byte the PC sent.
    virtual void FromPc(const WireByte& byte, TimePoint now) = 0;
    // One character time: every transmitter sends at most one byte. Bytes for the PC are appended
    // to toPc. Returns whether any byte moved.
    virtual bool Step(TimePoint now, std::vector<WireByte>& toPc) = 0;

    // Runs the rounds due by now. Without a character time (zero), rounds follow each other at once
    // until nothing moves; with one, a round happens at nextRound and every character time after,
    // up to now. Bytes for the PC are appended with the time of their round.
    void RunDue(TimePoint now, Duration charTime, TimePoint& nextRound, std::vector<TimedByte>& toPc);

    // When an answer that waits on time becomes ready, if any does.
    std::optional<TimePoint> NextReady() const;
    bool Pending(TimePoint now) const;
    size_t Count() const { return nodes.size(); }

    std::vector<MotorNode> nodes;
};

// RS-232 daisy chain: PC -> motor 1 -> ... -> motor k -> PC. A motor hears what the motor before it
// sends, and the PC hears what the last motor sends.
//
// Paced, every transmitter (the PC's and each motor's) keeps its own time, as on real wires: a byte
// takes one character time at its sender's speed, and a motor passes it on once it holds it whole,
// whatever the motors further on are doing.
class ChainTopology final : public Topology {
public:
    void FromPc(const WireByte& byte, TimePoint now) override;
    bool Step(TimePoint now, std::vector<WireByte>& toPc) override;

    // Paced: a byte the PC wrote at writtenAt; it goes on the PC's wire after the bytes before it.
    void WritePaced(const WireByte& byte, TimePoint writtenAt);
    // Paced: moves the bytes, in time order, that start on a wire by until. Bytes for the PC are
    // appended with the time they are whole at the PC.
    void RunPaced(TimePoint until, std::vector<TimedByte>& toPc);

private:
    struct Written {
        WireByte byte;
        TimePoint at;
    };
    std::deque<Written> m_fromPc;
    WireTimeline m_pcWire;
};

// RS-485 bus: every motor hears the PC and no motor echoes; all answers share the PC's receiver.
class BusTopology final : public Topology {
public:
    explicit BusTopology(CollisionForm form) : m_form(form) {}
    void FromPc(const WireByte& byte, TimePoint now) override;
    bool Step(TimePoint now, std::vector<WireByte>& toPc) override;

private:
    CollisionForm m_form;
};

} // namespace vqxsim
