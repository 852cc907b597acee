#pragma once
// Simulated motors behind the fake USB bridge: one bridge device per motor, with the motor
// interface's product text and a serial text of its own. The bridge passes bytes only while its
// rate equals the motor's, so the motor's speed is kept in step with what it has been told.

#include "tests/sim/wiring/LineRig.h"

#include "tests/support/platform/FakeUsbBridge.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vqxsim {

struct UsbOptions {
    // Serial texts of the devices; empty: "TQ" and the motor's serial number in hex.
    std::vector<std::string> serials;
    std::string product = platform::usb::kMotorProduct;
};

// The serial text of device index: the option's, else "TQ" and the motor's serial number in hex.
std::string UsbSerialText(const UsbOptions& options, size_t index, const MotorProfile& motor);

class UsbRig {
public:
    // Plugs one device per motor into the bridge (which the caller owns and installs).
    static std::unique_ptr<UsbRig> Start(platform::usb::FakeUsbBridge& bridge, const std::vector<MotorProfile>& motors,
                                         UsbOptions options = {});
    ~UsbRig();
    UsbRig(const UsbRig&) = delete;
    UsbRig& operator=(const UsbRig&) = delete;

    size_t Count() const { return m_links.size(); }
    const std::shared_ptr<platform::usb::FakeUsbDevice>& Device(size_t index) const { return m_links.at(index)->device; }

    template <class F>
    decltype(auto) WithMotor(size_t index, F&& f)
    {
        struct Waker {
            UsbRig* rig;
            ~Waker() { rig->m_changed.notify_all(); }
        } waker{this};
        std::lock_guard<std::mutex> lock(m_mutex);
        SimMotor& motor = m_links.at(index)->topology.nodes.at(0).motor;
        motor.AdvanceTo(SimClock::now());
        return f(motor);
    }

    void Stop();

private:
    struct Link {
        explicit Link(SimMotor motor);
        BusTopology topology{CollisionForm::Garbage}; // one motor on its own line
        std::shared_ptr<platform::usb::FakeUsbDevice> device;
    };

    UsbRig() = default;
    void Heard(Link& link, const uint8_t* bytes, size_t count);
    // Sends what is ready on one link; called with the lock held.
    void Deliver(Link& link, TimePoint now);
    void Run();

    std::vector<std::unique_ptr<Link>> m_links;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace vqxsim
