#include "tests/sim/wiring/Topology.h"

#include <algorithm>

namespace vqxsim {

Duration CharTime(const LineSettings& line)
{
    return std::chrono::duration_cast<Duration>(std::chrono::microseconds(int64_t(BitsPerChar(line)) * 1000000 /
                                                                          std::max(1, line.baud)));
}

std::optional<WireByte> ForPc(WireByte byte, const LineSettings& pc, bool garble)
{
    if (byte.sentAt != pc) {
        if (!garble)
            return std::nullopt;
        byte.value = uint8_t(byte.value ^ 0xA5);
    }
    return byte;
}

void Topology::RunDue(TimePoint now, Duration charTime, TimePoint& nextRound, std::vector<TimedByte>& toPc)
{
    std::vector<WireByte> out;
    if (charTime == Duration::zero()) {
        for (int rounds = 0; rounds < 1000000 && Step(now, out); ++rounds) {
        }
        for (const WireByte& b : out)
            toPc.push_back({b, now});
        return;
    }
    // A line that was idle does not catch up on the rounds it missed.
    if (nextRound < now - charTime)
        nextRound = now;
    while (nextRound <= now) {
        out.clear();
        if (!Step(nextRound, out))
            break;
        for (const WireByte& b : out)
            toPc.push_back({b, nextRound});
        nextRound += charTime;
    }
}

std::optional<TimePoint> Topology::NextReady() const
{
    std::optional<TimePoint> next;
    for (const MotorNode& n : nodes)
        if (auto t = n.NextReady(); t && (!next || *t < *next))
            next = t;
    return next;
}

bool Topology::Pending(TimePoint now) const
{
    for (const MotorNode& n : nodes)
        if (n.Pending(now))
            return true;
    return false;
}

void ChainTopology::FromPc(const WireByte& byte, TimePoint now)
{
    if (!nodes.empty())
        nodes.front().Arrive(byte, now, true);
}

bool ChainTopology::Step(TimePoint now, std::vector<WireByte>& toPc)
{
    bool moved = false;
    // From the last motor back, so that a byte moves one motor per character time.
    for (size_t i = nodes.size(); i-- > 0;) {
        auto out = nodes[i].Transmit(now);
        if (!out)
            continue;
        moved = true;
        if (i + 1 == nodes.size())
            toPc.push_back(*out);
        else
            nodes[i + 1].Arrive(*out, now, true);
    }
    return moved;
}

void BusTopology::FromPc(const WireByte& byte, TimePoint now)
{
    for (MotorNode& n : nodes)
        n.Arrive(byte, now, false);
}

bool BusTopology::Step(TimePoint now, std::vector<WireByte>& toPc)
{
    std::vector<WireByte> sent;
    for (MotorNode& n : nodes)
        if (auto out = n.Transmit(now))
            sent.push_back(*out);
    if (sent.empty())
        return false;
    WireByte result = sent.front();
    bool same = true;
    uint8_t all = 0xFF, any = 0;
    for (const WireByte& b : sent) {
        same = same && b.value == result.value && b.sentAt == result.sentAt;
        all &= b.value;
        any |= b.value;
    }
    if (!same) {
        switch (m_form) {
        case CollisionForm::Garbage:
            result.value = uint8_t(any | 0x80);
            break;
        case CollisionForm::BitwiseAnd:
            result.value = all;
            break;
        case CollisionForm::FramingError:
            result.value = all;
            result.lineError = true;
            break;
        }
    }
    toPc.push_back(result);
    return true;
}

} // namespace vqxsim
