#pragma once
// Motors on one serial line, driven under one lock: the part every kind of line shares.

#include "tests/sim/wiring/Topology.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vqxsim {

class LineRig {
public:
    virtual ~LineRig() = default;
    LineRig(const LineRig&) = delete;
    LineRig& operator=(const LineRig&) = delete;

    size_t Count() const { return m_topology->Count(); }

    // Runs f(SimMotor&) on motor index (0 = first in a chain) under the line's lock and returns
    // what f returns, after the bytes the PC has written so far have reached the motors. Knobs and
    // state changed there take effect at once; output f queued is sent.
    template <class F>
    decltype(auto) WithMotor(size_t index, F&& f)
    {
        struct Waker {
            LineRig* rig;
            ~Waker() { rig->Wake(); }
        } waker{this};
        std::lock_guard<std::mutex> lock(m_mutex);
        Settle();
        SimMotor& motor = m_topology->nodes.at(index).motor;
        motor.AdvanceTo(Now()); // the shaft has moved meanwhile
        return f(motor);
    }

    // Switches the motor off and on again: power-up state from its profile and EEPROM.
    void PowerCycle(size_t index);

    // A command one motor took in while selected.
    struct Received {
        size_t motor;
        std::string command;
    };
    // Every command the motors of the line took in, in the order they took it (the last 10000),
    // after the bytes the PC has written so far have reached them: who was asked what, and when.
    std::vector<Received> ReceivedSince(size_t mark = 0);
    // A mark for ReceivedSince: the commands taken in so far are left out.
    size_t ReceivedMark();

protected:
    explicit LineRig(std::unique_ptr<Topology> topology);
    // Something changed outside the line's own flow: let it look at the motors again.
    virtual void Wake() = 0;
    // Called with the lock held before a motor is looked at: a line whose thread may lag behind
    // what the PC already wrote catches up first.
    virtual void Settle() {}
    virtual TimePoint Now() const { return SimClock::now(); }

    std::unique_ptr<Topology> m_topology;
    std::mutex m_mutex;

private:
    static constexpr size_t kReceivedKept = 10000;
    std::deque<Received> m_received; // under m_mutex, like the motors that fill it
    size_t m_receivedDropped = 0;    // taken in before the oldest kept
};

// Motors built from the profiles, attached to the given channel, in a topology.
std::unique_ptr<Topology> Populate(std::unique_ptr<Topology> topology, const std::vector<MotorProfile>& motors,
                                   int channel, TimePoint now);

// n profiles like base, with serial numbers base.serial, base.serial+1, ... and, when addressed,
// power-up addresses 1..n.
std::vector<MotorProfile> MakeProfiles(size_t n, const MotorProfile& base = {}, bool addressed = false);

} // namespace vqxsim
