#include "tests/sim/wiring/MotorNode.h"

#include <algorithm>

namespace vqxsim {

void MotorNode::Arrive(const WireByte& byte, TimePoint now, bool forwarding)
{
    if (byte.lineError || byte.sentAt != motor.LineSide())
        return;
    if (forwarding && motor.EchoesNow(now)) {
        WireByte out{byte.value, motor.LineSide(), false};
        int& drop = motor.knobs.dropEchoBytes;
        int& corrupt = motor.knobs.corruptEchoBytes;
        if (drop != 0) {
            if (drop > 0)
                --drop;
        } else {
            if (corrupt != 0) {
                out.value ^= 0x01;
                if (corrupt > 0)
                    --corrupt;
            }
            m_forward.push_back(out);
            ++m_forwardQueued;
        }
    }
    motor.SetReplyBarrier(m_forwardQueued);
    motor.Receive(byte.value, now);
}

bool MotorNode::AnswerReady(TimePoint now) const
{
    const auto& outbox = motor.Outbox();
    if (outbox.empty() || motor.Booting(now))
        return false;
    const Reply& head = outbox.front();
    return head.readyAt <= now && m_forwardSent >= head.barrier;
}

bool MotorNode::Pending(TimePoint now) const
{
    return !m_forward.empty() || AnswerReady(now);
}

std::optional<TimePoint> MotorNode::NextStart(TimePoint freeAt) const
{
    if (!m_forward.empty())
        return freeAt;
    const auto& outbox = motor.Outbox();
    if (outbox.empty() || m_forwardSent < outbox.front().barrier)
        return std::nullopt;
    return std::max({freeAt, outbox.front().readyAt, motor.BootsUntil()});
}

std::optional<WireByte> MotorNode::Transmit(TimePoint now)
{
    const bool answer = AnswerReady(now);
    const bool forward = !m_forward.empty();
    if (!answer && !forward)
        return std::nullopt;
    const bool takeForward = forward && (!answer || !m_lastWasForward);
    m_lastWasForward = takeForward;
    if (takeForward) {
        WireByte b = m_forward.front();
        m_forward.pop_front();
        ++m_forwardSent;
        return b;
    }
    auto& outbox = motor.Outbox();
    Reply& head = outbox.front();
    WireByte b{head.bytes[head.sent++], motor.LineSide(), false};
    if (head.sent >= head.bytes.size())
        outbox.pop_front();
    return b;
}

std::optional<TimePoint> MotorNode::NextReady() const
{
    const auto& outbox = motor.Outbox();
    if (outbox.empty())
        return std::nullopt;
    return outbox.front().readyAt;
}

} // namespace vqxsim
