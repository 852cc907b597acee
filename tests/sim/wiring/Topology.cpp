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

void Topology::RunDue(TimePoint now, std::vector<TimedByte>& toPc)
{
    std::vector<WireByte> out;
    for (int rounds = 0; rounds < 1000000 && Step(now, out); ++rounds) {
    }
    for (const WireByte& b : out)
        toPc.push_back({b, now});
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

std::optional<TimePoint> Topology::PcStart() const
{
    if (m_fromPc.empty() || m_pcWire.sending)
        return std::nullopt;
    return std::max(m_pcWire.freeAt, m_fromPc.front().at);
}

void Topology::StartPc(TimePoint at)
{
    const WireByte byte = m_fromPc.front().byte;
    m_fromPc.pop_front();
    m_pcWire.sending = byte;
    m_pcWire.freeAt = at + CharTime(byte.sentAt);
}

void ChainTopology::WritePaced(const WireByte& byte, TimePoint writtenAt)
{
    m_fromPc.push_back({byte, writtenAt});
}

ChainTopology::Next ChainTopology::FindNext() const
{
    Next next;
    for (int i = -1; i < int(nodes.size()); ++i) {
        const WireTimeline& w = Wire(i);
        if (w.sending) {
            if (!next.deliverAt || w.freeAt < *next.deliverAt) {
                next.deliverAt = w.freeAt;
                next.deliverer = i;
            }
            continue;
        }
        const std::optional<TimePoint> start = i < 0 ? PcStart() : nodes[size_t(i)].NextStart(w.freeAt);
        if (start && (!next.startAt || *start < *next.startAt)) {
            next.startAt = start;
            next.starter = i;
        }
    }
    return next;
}

std::optional<TimePoint> ChainTopology::NextPacedEvent() const
{
    const Next next = FindNext();
    if (next.deliverAt && next.startAt)
        return std::min(*next.deliverAt, *next.startAt);
    return next.deliverAt ? next.deliverAt : next.startAt;
}

void ChainTopology::RunPaced(TimePoint until, std::vector<TimedByte>& toPc)
{
    const int count = int(nodes.size());
    for (int guard = 0; guard < 10000000; ++guard) {
        const Next next = FindNext();
        // A byte whole at the far end is delivered before any transmitter starts at that same
        // time, so that it can be passed on at once.
        if (next.deliverAt && *next.deliverAt <= until && (!next.startAt || *next.deliverAt <= *next.startAt)) {
            WireTimeline& w = Wire(next.deliverer);
            const WireByte byte = *w.sending;
            w.sending.reset();
            if (next.deliverer + 1 == count) {
                toPc.push_back({byte, *next.deliverAt});
            } else {
                // A wire idle until now starts no earlier than the byte that just arrived.
                MotorNode& to = nodes[size_t(next.deliverer + 1)];
                to.timeline.freeAt = std::max(to.timeline.freeAt, *next.deliverAt);
                to.Arrive(byte, *next.deliverAt, true);
            }
            continue;
        }
        if (!next.startAt || *next.startAt > until)
            return;
        if (next.starter < 0) {
            StartPc(*next.startAt);
            continue;
        }
        const std::optional<WireByte> byte = nodes[size_t(next.starter)].Transmit(*next.startAt);
        if (!byte)
            return;
        WireTimeline& w = Wire(next.starter);
        w.sending = byte;
        w.freeAt = *next.startAt + CharTime(byte->sentAt);
    }
}

void BusTopology::FromPc(const WireByte& byte, TimePoint now)
{
    for (MotorNode& n : nodes)
        n.Arrive(byte, now, false);
}

WireByte BusTopology::Combine(const std::vector<WireByte>& sent) const
{
    WireByte result = sent.front();
    bool same = true;
    uint8_t all = 0xFF, any = 0;
    for (const WireByte& b : sent) {
        same = same && b.value == result.value && b.sentAt == result.sentAt;
        all &= b.value;
        any |= b.value;
    }
    if (same)
        return result;
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
    return result;
}

bool BusTopology::Step(TimePoint now, std::vector<WireByte>& toPc)
{
    std::vector<WireByte> sent;
    for (MotorNode& n : nodes)
        if (auto out = n.Transmit(now))
            sent.push_back(*out);
    if (sent.empty())
        return false;
    toPc.push_back(Combine(sent));
    return true;
}

void BusTopology::WritePaced(const WireByte& byte, TimePoint writtenAt)
{
    m_fromPc.push_back({byte, writtenAt});
}

std::optional<TimePoint> BusTopology::MotorStart() const
{
    if (m_toPc.sending)
        return std::nullopt;
    std::optional<TimePoint> first;
    for (const MotorNode& n : nodes)
        if (auto t = n.NextStart(m_toPc.freeAt); t && (!first || *t < *first))
            first = t;
    return first;
}

std::optional<TimePoint> BusTopology::NextPacedEvent() const
{
    std::optional<TimePoint> next;
    for (std::optional<TimePoint> t : {m_pcWire.sending ? std::optional(m_pcWire.freeAt) : std::nullopt,
                                       m_toPc.sending ? std::optional(m_toPc.freeAt) : std::nullopt, PcStart(),
                                       MotorStart()})
        if (t && (!next || *t < *next))
            next = t;
    return next;
}

void BusTopology::RunPaced(TimePoint until, std::vector<TimedByte>& toPc)
{
    constexpr TimePoint never = TimePoint::max();
    for (int guard = 0; guard < 10000000; ++guard) {
        const TimePoint pcWhole = m_pcWire.sending ? m_pcWire.freeAt : never;
        const TimePoint motorWhole = m_toPc.sending ? m_toPc.freeAt : never;
        const TimePoint pcStart = PcStart().value_or(never);
        const std::optional<TimePoint> motorStart = MotorStart();
        const TimePoint start = std::min(pcStart, motorStart.value_or(never));
        if (pcWhole <= until && pcWhole <= start && pcWhole <= motorWhole) {
            const WireByte byte = *m_pcWire.sending;
            m_pcWire.sending.reset();
            for (MotorNode& n : nodes)
                n.Arrive(byte, pcWhole, false);
            continue;
        }
        if (motorWhole <= until && motorWhole <= start) {
            toPc.push_back({*m_toPc.sending, motorWhole});
            m_toPc.sending.reset();
            continue;
        }
        if (start > until)
            return;
        if (pcStart == start) {
            StartPc(start);
            continue;
        }
        // Every motor that starts before the first one's byte is over sends over it.
        Duration window{};
        for (const MotorNode& n : nodes)
            if (n.NextStart(m_toPc.freeAt) == motorStart)
                window = CharTime(n.motor.LineSide());
        std::vector<WireByte> sent;
        TimePoint end = start;
        for (MotorNode& n : nodes) {
            const std::optional<TimePoint> t = n.NextStart(m_toPc.freeAt);
            if (!t || *t >= start + window)
                continue;
            if (const std::optional<WireByte> byte = n.Transmit(*t)) {
                sent.push_back(*byte);
                end = std::max(end, *t + CharTime(byte->sentAt));
            }
        }
        if (sent.empty())
            return;
        m_toPc.sending = Combine(sent);
        m_toPc.freeAt = end;
    }
}

} // namespace vqxsim
