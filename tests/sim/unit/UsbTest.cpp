// Motors behind the fake USB bridge: enumeration texts, rate matching and the bridge's reset.

#include "tests/sim/unit/PcLine.h"
#include "tests/sim/usb/UsbRig.h"

#include <gtest/gtest.h>

namespace vqxsim::test {
namespace {

namespace usb = platform::usb;

std::string Ask(usb::FakeUsbBridge& bridge, usb::Handle h, const std::string& frame, size_t n)
{
    size_t written = 0;
    bridge.Write(h, reinterpret_cast<const uint8_t*>(frame.data()), frame.size(), written);
    std::string out;
    uint8_t buffer[256];
    for (int i = 0; i < 20 && out.size() < n; ++i) {
        size_t read = 0;
        bridge.Read(h, buffer, n - out.size(), read);
        out.append(reinterpret_cast<char*>(buffer), read);
    }
    return out;
}

TEST(Usb, DevicesCarryTheMotorProductAndTheirSerialTexts)
{
    usb::FakeUsbBridge bridge;
    UsbOptions o;
    o.serials = {"TQ-A1", "TQ-B2"};
    auto rig = UsbRig::Start(bridge, MakeProfiles(2), o);
    int count = 0;
    ASSERT_EQ(bridge.DeviceCount(count), usb::Status::Success);
    ASSERT_EQ(count, 2);
    std::string text;
    bridge.DeviceText(1, text, usb::ProductSelector::Description);
    EXPECT_EQ(text, "Tessaraxon(TM) USB Interface");
    bridge.DeviceText(1, text, usb::ProductSelector::SerialNumber);
    EXPECT_EQ(text, "TQ-B2");
}

TEST(Usb, MotorHearsOnlyAtItsRateAndFollowsTheBaudCommand)
{
    usb::FakeUsbBridge bridge;
    auto rig = UsbRig::Start(bridge, MakeProfiles(1));
    usb::Handle h = usb::kInvalidHandle;
    ASSERT_EQ(bridge.Open(0, h), usb::Status::Success);
    bridge.SetTimeouts(h, 50, 1000);
    bridge.SetBaudRate(h, 38400);
    EXPECT_EQ(Ask(bridge, h, "\x80RSP\r", 10), "") << "the motor runs at 9600";
    // The bridge's reset sweep: at each rate wake the motor and move it to 38400.
    for (uint32_t rate : {115200u, 19200u, 9600u, 4800u, 2400u}) {
        bridge.SetBaudRate(h, rate);
        for (const char* f : {"\x80WAKE\r", "\x80WAKE\r", "\x80IFX\r", "\x80WAKE\r", "\x80WAKE\r", "\x80" "BAUD38400\r"})
            Ask(bridge, h, f, 0);
    }
    bridge.SetBaudRate(h, 38400);
    Ask(bridge, h, "\x80\r", 0);
    Ask(bridge, h, "\x80" "ECHO_OFF\r", 0);
    EXPECT_EQ(Ask(bridge, h, "\x80RSP\r", 10), "24576/450\r") << "no echo over USB";
    EXPECT_EQ(rig->WithMotor(0, [](SimMotor& m) { return m.Channel(0).baud; }), 38400);
    // An answer that waits for an EEPROM write still arrives.
    rig->WithMotor(0, [](SimMotor& m) { m.knobs.eepromWriteMs = 30; });
    EXPECT_EQ(Ask(bridge, h, "\x80" "EPTR=10 VST(aaa,1) RBs\r", 2), "0\r");
    bridge.Close(h);
}

} // namespace
} // namespace vqxsim::test
