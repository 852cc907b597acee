#pragma once
// Simulated Ethernet motors that the PC discovers on loopback: the motors on addresses of the
// running test's own (so that tests run in parallel do not meet), and the network settings that
// send the discovery there, in force while the object lives.

#include "platform/net/NetSettings.h"
#include "tests/sim/net/NetRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

struct LoopbackNet {
    explicit LoopbackNet(const std::vector<vqxsim::MotorProfile>& profiles, vqxsim::NetOptions o = {})
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        base = "127." + std::to_string(100 + std::hash<std::string>{}(test) % 100) + "." +
               std::to_string(getpid() % 250) + ".";
        o.firstAddress = base + "2";
        o.tcpPort = 10001;
        o.discoveryPort = 0;
        o.ipRestartMs = 50;
        rig = vqxsim::NetRig::Start(profiles, o);
        platform::net::NetSettings s;
        s.broadcastAddress = "127.255.255.255";
        s.udpPort = rig->DiscoveryPort();
        s.udpLocalPort = 0;
        s.udpLocalAddress = "127.0.0.1";
        s.tcpPort = 10001;
        settings = std::make_unique<platform::net::ScopedNetSettings>(s);
    }

    std::string base; // "127.x.y." : the motors are at base + "2", "3", ...
    std::unique_ptr<vqxsim::NetRig> rig;
    std::unique_ptr<platform::net::ScopedNetSettings> settings;
};
