#include "tests/sim/wiring/LineRig.h"

namespace vqxsim {

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
