#pragma once
// Motors reached over Ethernet (loopback TCP) and behind the fake USB bridge.

#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "platform/net/NetSettings.h"
#include "tests/support/platform/FakeUsbBridge.h"
#include "tests/core/backends/LoopbackPorts.h"
#include "tests/e2e/TransferRig.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/usb/UsbRig.h"

namespace transfertest {

struct NetMotors : MotorsUnderTest {
    explicit NetMotors(std::vector<vqxsim::MotorProfile> profiles)
    {
        vqxsim::NetOptions o;
        o.tcpPort = tcpPort;
        o.discoveryPort = 0;
        rig = vqxsim::NetRig::Start(profiles, o);
        settings.tcpPort = tcpPort;
        settings.connectRetryMs = 50;
        scope = std::make_unique<platform::net::ScopedNetSettings>(settings);
        port.CommType = COMM_ETHERNET;
        port.Echo = 0;
        AddMotors(profiles.size());
        for (size_t i = 0; i < profiles.size(); ++i)
            Motor(static_cast<int>(i) + 1).Socket = std::make_shared<CMotorSocket>(rig->MotorAddress(i));
        port.OpenPort();
    }
    ~NetMotors() override { port.ClosePort(); }
    size_t Count() override { return rig->Count(); }
    void WithSim(int address, const std::function<void(vqxsim::SimMotor&)>& f) override
    {
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) { f(m); });
    }

    const int tcpPort = FreeLoopbackPort(4);
    std::unique_ptr<vqxsim::NetRig> rig;
    platform::net::NetSettings settings;
    std::unique_ptr<platform::net::ScopedNetSettings> scope;
};

struct UsbMotors : MotorsUnderTest {
    explicit UsbMotors(std::vector<vqxsim::MotorProfile> profiles)
    {
        for (auto& p : profiles)
            p.channel[0].baud = 38400;
        rig = vqxsim::UsbRig::Start(bridge, profiles);
        port.CommType = COMM_USB;
        port.Echo = 0;
        AddMotors(profiles.size());
        for (size_t i = 0; i < profiles.size(); ++i)
            Motor(static_cast<int>(i) + 1).USBCom =
                std::make_shared<CMotorUSB>(rig->Device(i)->Serial(), static_cast<int>(i));
        port.OpenPort();
    }
    ~UsbMotors() override { port.ClosePort(); }
    size_t Count() override { return rig->Count(); }
    void WithSim(int address, const std::function<void(vqxsim::SimMotor&)>& f) override
    {
        rig->WithMotor(static_cast<size_t>(address - 1), [&](vqxsim::SimMotor& m) { f(m); });
    }

    platform::usb::FakeUsbBridge bridge;
    platform::usb::ScopedUsbBridge bridgeScope{bridge};
    std::unique_ptr<vqxsim::UsbRig> rig;
};

} // namespace transfertest
