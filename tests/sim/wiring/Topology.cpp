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

void ChainTopology::WritePaced(const WireByte& byte, TimePoint writtenAt)
{
    m_fromPc.push_back({byte, writtenAt});
}

void ChainTopology::RunPaced(TimePoint until, std::vector<TimedByte>& toPc)
{
    // Wire -1 is the PC's, wire i motor i's. A byte whole at the far end is delivered before any
    // transmitter starts at that same time, so that it can be passed on at once.
    auto wire = [this](int i) -> WireTimeline& { return i < 0 ? m_pcWire : nodes[size_t(i)].timeline; };
    const int count = int(nodes.size());
    for (int guard = 0; guard < 10000000; ++guard) {
        std::optional<TimePoint> deliverAt, startAt;
        int deliverer = 0, starter = 0;
        for (int i = -1; i < count; ++i) {
            const WireTimeline& w = wire(i);
            if (w.sending) {
                if (!deliverAt || w.freeAt < *deliverAt) {
                    deliverAt = w.freeAt;
                    deliverer = i;
                }
                continue;
            }
            std::optional<TimePoint> start;
            if (i < 0)
                start = m_fromPc.empty() ? std::nullopt : std::optional(std::max(w.freeAt, m_fromPc.front().at));
            else
                start = nodes[size_t(i)].NextStart(w.freeAt);
            if (start && (!startAt || *start < *startAt)) {
                startAt = start;
                starter = i;
            }
        }
        if (deliverAt && (!startAt || *deliverAt <= *startAt)) {
            WireTimeline& w = wire(deliverer);
            const WireByte byte = *w.sending;
            w.sending.reset();
            if (deliverer + 1 == count) {
                toPc.push_back({byte, *deliverAt});
            } else {
                // A wire idle until now starts no earlier than the byte that just arrived.
                MotorNode& next = nodes[size_t(deliverer + 1)];
                next.timeline.freeAt = std::max(next.timeline.freeAt, *deliverAt);
                next.Arrive(byte, *deliverAt, true);
            }
            continue;
        }
        if (!startAt || *startAt > until)
            return;
        std::optional<WireByte> byte;
        if (starter < 0) {
            byte = m_fromPc.front().byte;
            m_fromPc.pop_front();
        } else {
            byte = nodes[size_t(starter)].Transmit(*startAt);
        }
        if (!byte)
            return;
        WireTimeline& w = wire(starter);
        w.sending = byte;
        w.freeAt = *startAt + CharTime(byte->sentAt);
    }
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
