#include "tests/sim/usb/UsbTtyRig.h"

#include "tests/sim/wiring/PtyPort.h"

namespace vqxsim {

std::unique_ptr<UsbTtyRig> UsbTtyRig::Start(platform::usb::UsbSysfsTree& tree, const std::vector<MotorProfile>& motors,
                                            UsbOptions options, int firstTty)
{
    std::unique_ptr<UsbTtyRig> rig(new UsbTtyRig(tree));
    for (size_t i = 0; i < motors.size(); ++i) {
        auto port = std::make_unique<PtyPort>();
        const std::string path = port->Path();
        // One motor on a line of its own, as behind the fake bridge.
        rig->m_lines.push_back(SerialRig::Start(
            Populate(std::make_unique<BusTopology>(CollisionForm::Garbage), {motors[i]}, 0, SimClock::now()),
            std::move(port), SerialOptions{}, path));
        const std::string tty = "ttyUSB" + std::to_string(firstTty + int(i));
        tree.Add(tty, options.product, UsbSerialText(options, i, motors[i]), path);
        rig->m_ttys.push_back(tty);
    }
    return rig;
}

UsbTtyRig::~UsbTtyRig()
{
    for (const std::string& tty : m_ttys)
        m_tree.Remove(tty);
    for (auto& line : m_lines)
        line->Stop();
}

} // namespace vqxsim
