#pragma once
// The Ethernet back end of one motor: a TCP connection to the motor's command port, kept by a
// worker thread that connects (retrying until it succeeds or is closed) and then receives into a
// 1000-byte ring that reads on the caller's thread empty. It also serves discovery as a UDP socket.
//
// The ring never overwrites unread bytes: when it is full the worker stops receiving and TCP holds
// the motor back. All shared state is guarded by the one mutex of this object. A lost connection
// is noticed by the worker; the next read (once the ring is empty), write or send throws 1043.
// Close stops the worker through a flag and a waker and joins it.

#include "core/backends/MotorBackEnd.h"
#include "platform/net/Socket.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class CMotorSocket : public CMotorBackEnd {
public:
    enum State { StateConnected = 1, StateConnecting = 2, StateIdle = 3, StateClosing = 4 };
    enum Mode { ModeTCP = 1, ModeUDP = 2, ModeUDPBroadcast = 6 };
    static constexpr size_t kRingSize = 1000;
    // How long a write may wait for room in the socket's send buffer.
    static constexpr int kSendTimeoutMs = 1000;

    CMotorSocket() = default;
    explicit CMotorSocket(std::string host, int port = 0);
    ~CMotorSocket() override;
    // Copies hold the address only; they start closed.
    CMotorSocket(const CMotorSocket& other);
    // Closes both objects and copies IPAddress and Port.
    CMotorSocket& operator=(const CMotorSocket& other);

    // Connects to host (or the stored IPAddress when host is null) on port; with waitMs > 0 waits
    // that long for the connection. The worker keeps trying after a timeout until Close. Returns
    // whether the connection is up. Closes first unless idle.
    bool OpenTCP(const std::string* host, int port, int waitMs);
    // A datagram socket on the local discovery address and port (port <= 0: the settings' local
    // UDP port), with broadcast allowed when asked. Returns whether it is bound.
    bool OpenUDP(int port, bool broadcast, int waitMs = 0);
    void Close();

    // Up to n bytes from the ring, waiting up to timeoutMs for them all; returns the count read
    // (0 when nothing came: not an error here). Not connected, or the connection lost and the ring
    // empty: 1043. A NUL follows the bytes when fewer than n came.
    void Read(uint8_t* buffer, size_t n, size_t& count, int timeoutMs);
    // Sends every byte; returns the count. Not connected, connection lost or no room within
    // kSendTimeoutMs: 1043.
    size_t Write(const uint8_t* bytes, size_t n);
    // One datagram to the motors' discovery port at address (empty: the broadcast address).
    // Not a UDP socket: 1043. Returns whether it went out.
    bool SendTo(const uint8_t* bytes, size_t n, const std::string& address = "");
    // One datagram from the UDP socket within timeoutMs (0: only what waits); false when none.
    // Not a UDP socket: 1043.
    bool ReceiveFrom(uint8_t* buffer, size_t max, size_t& count, std::string& fromAddress, int timeoutMs);
    // Reads with timeout 0, 100 bytes at a time, until nothing is left. After a lost connection it
    // only empties the ring (the next read or write raises 1043).
    void Drain() override;
    // Bytes waiting in the ring.
    size_t BytesAvailable() const;
    int GetState() const;
    bool IsConnected() const;

    // Four dotted decimal groups, each 0..255.
    static bool IsValidIPAddress(const std::string& text);

    // ---- The port's view of this motor ----
    // Connects to IPAddress on the settings' TCP port.
    bool Connect(int waitMs) override;
    void Disconnect() override { Close(); }
    void WriteBytes(const uint8_t* bytes, size_t n) override { Write(bytes, n); }
    size_t Read(uint8_t* buffer, size_t n, int timeoutMs) override;

    // The stored form, inside the group the owner opened ("Socket").
    template <class Archive> void Serialize(Archive& ar)
    {
        ar.SerializeString("IPAddress", IPAddress, "");
        ar.SerializeInt("Port", Port, 0);
    }

    std::string IPAddress; // host name or dotted address
    int Port = 0;

private:
    void Worker(std::string host, int port);
    bool WaitForStop(int ms); // under no lock; true when stopping
    bool UsableLocked() const;
    void CheckUdp() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv; // state, ring contents and ring room changes
    platform::net::Waker m_waker; // ends the worker's socket waits
    platform::net::Socket m_socket;
    std::thread m_worker;
    int m_mode = ModeTCP;
    int m_state = StateIdle;
    bool m_stop = false;
    bool m_lost = false;
    uint8_t m_ring[kRingSize] = {};
    size_t m_readIndex = 0;
    size_t m_count = 0;
};
