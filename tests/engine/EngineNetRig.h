#pragma once
// Ethernet motors for a client of the engine: each test on loopback addresses of its own, so that
// tests run in parallel do not meet; the engine reads where to look from the environment when it
// first needs it.

#include "tests/sim/net/NetRig.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// "127.x.y." for the running test.
inline std::string TestLoopbackBase()
{
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return "127." + std::to_string(200 + std::hash<std::string>{}(test) % 50) + "." + std::to_string(getpid() % 250) +
           ".";
}

// Motors listening on TCP 10001 at firstAddress and the addresses after it, with discovery on a
// port of their own. Their interfaces are wired to the channel the engine takes for their firmware:
// 0 for the 46 series, else 1.
inline std::unique_ptr<vqxsim::NetRig> StartNetMotorsAt(const std::vector<vqxsim::MotorProfile>& motors,
                                                        const std::string& firstAddress)
{
    vqxsim::NetOptions o;
    o.firstAddress = firstAddress;
    o.tcpPort = 10001;
    o.discoveryPort = 0;
    o.channel = !motors.empty() && motors[0].firmware.rfind("46", 0) == 0 ? 0 : 1;
    return vqxsim::NetRig::Start(motors, o);
}

// Points the engine's discovery and connections at rig's motors (before its first network call).
inline void PointEngineAt(const vqxsim::NetRig& rig)
{
    setenv("VQX_NET_BROADCAST", "127.255.255.255", 1);
    setenv("VQX_NET_UDP_PORT", std::to_string(rig.DiscoveryPort()).c_str(), 1);
    setenv("VQX_NET_UDP_LOCAL_PORT", "0", 1);
    setenv("VQX_NET_UDP_LOCAL_ADDRESS", "127.0.0.1", 1);
    setenv("VQX_NET_TCP_PORT", "10001", 1);
}
