#pragma once
// Simulated motors behind the kernel's USB-serial driver, as a program on Linux finds them: each
// motor on a pseudo-terminal of its own, listed in a sysfs tree as a USB device with the motor
// interface's product text and a serial text. A program whose USB bridge looks in the tree (the
// Linux bridge under VQX_USB_ROOT) talks to them through its real tty code, in any process: the
// engine library carries its own copy of the bridge, which a fake installed here would not reach.

#include "tests/sim/usb/UsbRig.h"
#include "tests/sim/wiring/SerialRig.h"

#include "tests/support/platform/UsbSysfsTree.h"

#include <memory>
#include <string>
#include <vector>

namespace vqxsim {

class UsbTtyRig {
public:
    // Plugs one tty per motor into the tree, named "ttyUSB<firstTty + i>".
    static std::unique_ptr<UsbTtyRig> Start(platform::usb::UsbSysfsTree& tree, const std::vector<MotorProfile>& motors,
                                            UsbOptions options = {}, int firstTty = 0);
    // Unplugs the ttys again.
    ~UsbTtyRig();
    UsbTtyRig(const UsbTtyRig&) = delete;
    UsbTtyRig& operator=(const UsbTtyRig&) = delete;

    size_t Count() const { return m_lines.size(); }
    // The line of motor index (0-based): one motor on it, at index 0.
    SerialRig& Line(size_t index) { return *m_lines.at(index); }
    const std::string& Tty(size_t index) const { return m_ttys.at(index); }

    template <class F>
    decltype(auto) WithMotor(size_t index, F&& f)
    {
        return m_lines.at(index)->WithMotor(0, std::forward<F>(f));
    }

private:
    explicit UsbTtyRig(platform::usb::UsbSysfsTree& tree) : m_tree(tree) {}

    platform::usb::UsbSysfsTree& m_tree;
    std::vector<std::unique_ptr<SerialRig>> m_lines;
    std::vector<std::string> m_ttys;
};

} // namespace vqxsim
