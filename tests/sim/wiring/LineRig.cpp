#include "tests/sim/wiring/LineRig.h"

namespace vqxsim {

LineRig::LineRig(std::unique_ptr<Topology> topology) : m_topology(std::move(topology))
{
    for (size_t i = 0; i < m_topology->nodes.size(); ++i)
        m_topology->nodes[i].motor.commandWatch = [this, i](const std::string& command) {
            m_received.push_back({i, command});
            if (m_received.size() > kReceivedKept) {
                m_received.pop_front();
                ++m_receivedDropped;
            }
        };
}

std::vector<LineRig::Received> LineRig::ReceivedSince(size_t mark)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Settle();
    const size_t from = mark > m_receivedDropped ? mark - m_receivedDropped : 0;
    if (from >= m_received.size())
        return {};
    return {m_received.begin() + std::ptrdiff_t(from), m_received.end()};
}

size_t LineRig::ReceivedMark()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Settle();
    return m_receivedDropped + m_received.size();
}

void LineRig::PowerCycle(size_t index)
{
    TimePoint now = Now();
    WithMotor(index, [now](SimMotor& m) { m.PowerCycle(now); });
}

std::unique_ptr<Topology> Populate(std::unique_ptr<Topology> t, const std::vector<MotorProfile>& motors, int channel,
                                   TimePoint now)
{
    for (const MotorProfile& p : motors) {
        SimMotor m(p, now);
        m.lineChannel = channel & 1;
        t->nodes.emplace_back(std::move(m));
    }
    return t;
}

std::vector<MotorProfile> MakeProfiles(size_t n, const MotorProfile& base, bool addressed)
{
    std::vector<MotorProfile> out(n, base);
    for (size_t i = 0; i < n; ++i) {
        out[i].serial = base.serial + uint32_t(i);
        if (addressed)
            out[i].address = int(i + 1);
    }
    return out;
}

} // namespace vqxsim
