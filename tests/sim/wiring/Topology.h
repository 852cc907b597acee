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
    // Unpaced: every transmitter sends at most one byte. Bytes for the PC are appended to toPc.
    // Returns whether any byte moved.
    virtual bool Step(TimePoint now, std::vector<WireByte>& toPc) = 0;

    // Unpaced: rounds follow each other at once until nothing moves. Bytes for the PC are appended
    // with the time now.
    void RunDue(TimePoint now, std::vector<TimedByte>& toPc);

    // When an answer that waits on time becomes ready, if any does.
    std::optional<TimePoint> NextReady() const;
    bool Pending(TimePoint now) const;
    size_t Count() const { return nodes.size(); }

    // Paced, every transmitter keeps its own time, as on real wires: a byte occupies its sender's
    // wire for one character time at its speed and is delivered once it is whole.
    // A byte the PC wrote at writtenAt; it goes on the PC's wire after the bytes before it.
    virtual void WritePaced(const WireByte& byte, TimePoint writtenAt) = 0;
    // Moves the bytes, in time order, that start or become whole by until. Bytes for the PC are
    // appended with the time they are whole at the PC.
    virtual void RunPaced(TimePoint until, std::vector<TimedByte>& toPc) = 0;
    // When the next byte starts or becomes whole, unless the PC writes first.
    virtual std::optional<TimePoint> NextPacedEvent() const = 0;

    std::vector<MotorNode> nodes;

protected:
    struct Written {
        WireByte byte;
        TimePoint at;
    };
    // When the PC's wire starts its next byte, if it has one.
    std::optional<TimePoint> PcStart() const;
    // Takes the PC's next byte onto its wire.
    void StartPc(TimePoint at);

    std::deque<Written> m_fromPc;
    WireTimeline m_pcWire;
};

// RS-232 daisy chain: PC -> motor 1 -> ... -> motor k -> PC. A motor hears what the motor before it
// sends, and the PC hears what the last motor sends. Paced, a motor passes a byte on once it holds
// it whole, whatever the motors further on are doing.
class ChainTopology final : public Topology {
public:
    void FromPc(const WireByte& byte, TimePoint now) override;
    bool Step(TimePoint now, std::vector<WireByte>& toPc) override;
    void WritePaced(const WireByte& byte, TimePoint writtenAt) override;
    void RunPaced(TimePoint until, std::vector<TimedByte>& toPc) override;
    std::optional<TimePoint> NextPacedEvent() const override;

private:
    // The earliest delivery (wire -1 is the PC's, wire i motor i's) and the earliest start.
    struct Next {
        std::optional<TimePoint> deliverAt, startAt;
        int deliverer = 0, starter = 0;
    };
    Next FindNext() const;
    WireTimeline& Wire(int i) { return i < 0 ? m_pcWire : nodes[size_t(i)].timeline; }
    const WireTimeline& Wire(int i) const { return i < 0 ? m_pcWire : nodes[size_t(i)].timeline; }
};

// RS-485 bus: every motor hears the PC and no motor echoes; all answers share the PC's receiver.
// Paced, the motors share one wire to the PC: a motor that starts while another's byte is on it
// collides with that byte.
class BusTopology final : public Topology {
public:
    explicit BusTopology(CollisionForm form) : m_form(form) {}
    void FromPc(const WireByte& byte, TimePoint now) override;
    bool Step(TimePoint now, std::vector<WireByte>& toPc) override;
    void WritePaced(const WireByte& byte, TimePoint writtenAt) override;
    void RunPaced(TimePoint until, std::vector<TimedByte>& toPc) override;
    std::optional<TimePoint> NextPacedEvent() const override;

private:
    // The byte the PC receives of the bytes sent at once.
    WireByte Combine(const std::vector<WireByte>& sent) const;
    // When the first motor can start on the shared wire, if any can.
    std::optional<TimePoint> MotorStart() const;

    CollisionForm m_form;
    WireTimeline m_toPc; // the motors' shared wire
};

} // namespace vqxsim
