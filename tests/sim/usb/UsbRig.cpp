#include "tests/sim/usb/UsbRig.h"

#include <cstdio>

namespace vqxsim {

std::string UsbSerialText(const UsbOptions& options, size_t index, const MotorProfile& motor)
{
    if (index < options.serials.size() && !options.serials[index].empty())
        return options.serials[index];
    char text[16];
    std::snprintf(text, sizeof text, "TQ%08X", unsigned(motor.serial));
    return text;
}

UsbRig::Link::Link(SimMotor motor)
{
    topology.nodes.emplace_back(std::move(motor));
}

std::unique_ptr<UsbRig> UsbRig::Start(platform::usb::FakeUsbBridge& bridge, const std::vector<MotorProfile>& motors,
                                      UsbOptions options)
{
    std::unique_ptr<UsbRig> rig(new UsbRig());
    const TimePoint now = SimClock::now();
    for (size_t i = 0; i < motors.size(); ++i) {
        auto link = std::make_unique<Link>(SimMotor(motors[i], now));
        link->device = bridge.AddDevice(UsbSerialText(options, i, motors[i]), options.product);
        link->device->SetPeerBaud(uint32_t(link->topology.nodes[0].motor.LineSide().baud));
        Link* raw = link.get();
        UsbRig* self = rig.get();
        link->device->SetPeerListener([self, raw](const uint8_t* bytes, size_t count) { self->Heard(*raw, bytes, count); });
        rig->m_links.push_back(std::move(link));
    }
    rig->m_thread = std::thread([r = rig.get()] { r->Run(); });
    return rig;
}

UsbRig::~UsbRig()
{
    Stop();
    for (auto& link : m_links)
        link->device->SetPeerListener(nullptr);
}

void UsbRig::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop.exchange(true))
            return;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

// On the PC's thread, inside its write: the bridge has already checked the rates.
void UsbRig::Heard(Link& link, const uint8_t* bytes, size_t count)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const TimePoint now = SimClock::now();
        SimMotor& motor = link.topology.nodes[0].motor;
        for (size_t i = 0; i < count; ++i)
            link.topology.FromPc(WireByte{bytes[i], motor.LineSide(), false}, now);
        Deliver(link, now);
    }
    m_changed.notify_all();
}

void UsbRig::Deliver(Link& link, TimePoint now)
{
    // The bridge passes bytes only at the motor's rate, which BAUD or a reset may have changed.
    link.device->SetPeerBaud(uint32_t(link.topology.nodes[0].motor.LineSide().baud));
    std::vector<TimedByte> out;
    link.topology.RunDue(now, out);
    std::string bytes;
    for (const TimedByte& t : out)
        bytes += char(t.byte.value);
    if (!bytes.empty())
        link.device->PeerWrite(bytes);
}

// Answers that wait on time (EEPROM writes, the checksum, reply delays) leave from here.
void UsbRig::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        TimePoint now = SimClock::now();
        TimePoint wake = now + Ms(50);
        for (auto& link : m_links) {
            Deliver(*link, now);
            if (auto next = link->topology.NextReady(); next && *next > now)
                wake = std::min(wake, *next);
        }
        m_changed.wait_until(lock, wake);
    }
}

} // namespace vqxsim
