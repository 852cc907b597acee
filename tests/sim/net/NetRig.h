#pragma once
// Simulated motors with Ethernet interfaces: each motor on its own loopback address with a TCP
// listener, and one responder for the UDP discovery and set-address datagrams, all run in real time
// on a thread of their own.

#include "tests/sim/motor/SimMotor.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vqxsim {

struct NetOptions {
    std::string firstAddress = "127.0.0.2"; // motors at .2, .3, ... (the last number counts up)
    int tcpPort = 10001;                    // 0: a free port for each motor (TcpPort tells which)
    int discoveryPort = 30718;              // 0: a free port (DiscoveryPort tells which)
    // Where the responder listens for the discovery broadcast. Broadcasts to 255.255.255.255 do not
    // travel on the loopback interface, so the PC broadcasts to the loopback net's broadcast address.
    std::string listenAddress = "127.255.255.255";
    int ipRestartMs = 200; // an interface given a new address is silent this long
    int repliesPerQuery = 1; // each interface answers a discovery query this many times
    // Another device on the net: from the first discovery query on it sends the querying socket a
    // datagram of its own (30 bytes, not a discovery reply) this often; 0: no such device.
    int foreignDatagramMs = 0;
    // The motor channel the interface is wired to (sleep, echo and wake are per channel).
    int channel = 0;
};

using HardwareId = std::array<uint8_t, 6>;

class NetRig {
public:
    // Throws std::runtime_error when a socket cannot be bound.
    static std::unique_ptr<NetRig> Start(const std::vector<MotorProfile>& motors, NetOptions options = {});
    ~NetRig();
    NetRig(const NetRig&) = delete;
    NetRig& operator=(const NetRig&) = delete;

    size_t Count() const { return m_motors.size(); }
    std::string MotorAddress(size_t index);
    int TcpPort(size_t index);
    int DiscoveryPort() const { return m_discoveryPort; }
    HardwareId Id(size_t index);
    // The interface answers discovery but refuses TCP connections (a motor on another subnet).
    void SetRefuseTcp(size_t index, bool refuse);

    // Runs f(SimMotor&) under the rig's lock and returns what f returns; output f queued is sent.
    template <class F>
    decltype(auto) WithMotor(size_t index, F&& f)
    {
        struct Waker {
            NetRig* rig;
            ~Waker() { rig->Wake(); }
        } waker{this};
        std::lock_guard<std::mutex> lock(m_mutex);
        MotorAt(index).AdvanceTo(SimClock::now());
        return f(MotorAt(index));
    }

    void Stop();

    struct Station;

private:
    explicit NetRig(NetOptions options);
    SimMotor& MotorAt(size_t index);
    void Wake();
    void Run();
    void OnDatagram(const uint8_t* data, size_t size, const void* from, unsigned fromLength);
    void Serve(TimePoint now);
    void SendForeign(TimePoint now);

    NetOptions m_options;
    std::vector<std::unique_ptr<Station>> m_motors;
    int m_responder = -1;
    int m_discoveryPort = 0;
    int m_wake[2] = {-1, -1};
    int m_foreign = -1;            // the other device's socket
    uint32_t m_querierIp = 0;      // where the other device sends (0: no query seen yet)
    uint16_t m_querierPort = 0;
    TimePoint m_nextForeign;
    std::mutex m_mutex;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace vqxsim
