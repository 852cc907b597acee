#pragma once
// An in-process serial line: a host end that implements SerialDevice (what a port opens) and a
// peer end (where scripted tests and simulated motors sit), with fault injection.
//
// Time: bytes sent by the peer carry an arrival time. Host reads wait on the injectable clock: with
// a ManualClock a read that times out advances the clock instead of sleeping, and a peer must then
// answer synchronously (from the host-write hook) or schedule its bytes in advance. With the steady
// clock a peer may also run on its own thread; host reads then wait in real time for its bytes.

#include "platform/clock/Clock.h"
#include "platform/serial/SerialDevice.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FakeSerialLine : public std::enable_shared_from_this<FakeSerialLine> {
public:
    // A line; with a non-empty name it can be opened through OpenSerialDevice(name) for as long as
    // it lives (names must be unique among living lines): the first named line installs the fake
    // lines as the serial device source.
    static std::shared_ptr<FakeSerialLine> Create(const std::string& name = {});
    ~FakeSerialLine();
    FakeSerialLine(const FakeSerialLine&) = delete;
    FakeSerialLine& operator=(const FakeSerialLine&) = delete;

    const std::string& Name() const { return m_name; }
    // The living line registered under a name, or null.
    static std::shared_ptr<FakeSerialLine> Find(const std::string& name);

    // ---- Host end ----
    // Opens the host end with the given line settings; null when it is already open or the settings
    // are refused. Once the peer side has dropped every reference to the line, the host end fails
    // its reads and writes as an unplugged device does.
    std::unique_ptr<SerialDevice> OpenHost(const SerialLineSettings& line, std::string* error = nullptr);
    bool HostIsOpen() const;
    // The line settings and timeouts the host put in force (what a motor would be clocked at).
    SerialLineSettings HostLine() const;
    SerialTimeouts HostTimeouts() const;
    // How many purges the host made, and of which queues.
    int PurgeCount() const;

    // ---- Peer end: what the host wrote ----
    // Every byte the host wrote since the line was made (or the last ClearHostWritten), exactly as
    // the host sent it, before any injected fault.
    std::vector<uint8_t> HostWritten() const;
    void ClearHostWritten();
    // Bytes delivered to the peer (after faults) and not yet taken.
    std::vector<uint8_t> TakeHostBytes();
    // For a peer on its own thread: waits (real time) until at least one byte is there or the
    // timeout passes, then takes them all.
    std::vector<uint8_t> WaitHostBytes(std::chrono::milliseconds timeout);
    // Called synchronously inside every host write, with the bytes as they reach the peer (after
    // faults), in the host's thread and without the line's lock held: the hook may PeerWrite the
    // answer. The bytes are also queued for TakeHostBytes unless the hook returns true (consumed).
    using HostWriteHook = std::function<bool(FakeSerialLine& line, const std::vector<uint8_t>& bytes)>;
    void SetHostWriteHook(HostWriteHook hook);

    // ---- Peer end: writing to the host ----
    // Queues bytes for the host. Each byte arrives after the previous one plus the byte time
    // (SetByteTime; 0 by default: at once). lineErrors is raised for the host when it reads the
    // first of these bytes.
    void PeerWrite(std::string_view bytes, uint32_t lineErrors = 0);
    void PeerWrite(const uint8_t* bytes, size_t n, uint32_t lineErrors = 0);
    // Queues bytes that start arriving delay after now; lineErrors as for PeerWrite.
    void PeerWriteAfter(Duration delay, std::string_view bytes, uint32_t lineErrors = 0);
    void SetByteTime(Duration perByte);
    // Hands each scheduled byte to a waiting host read at the moment it arrives, to the
    // microsecond, instead of when a timed wake-up happens to end (tens of microseconds late on a
    // virtual machine): the read wakes a little early and waits the rest out awake. For benchmarks
    // that set the host against the line; the processor time spent awake is the line's.
    void SetExactArrival(bool exact);
    double ExactArrivalCpuSeconds() const;

    // ---- Faults ----
    enum class Direction { ToPeer, ToHost };
    // Faults apply to a byte counted from the next byte to pass in that direction (skip = 0: the
    // next byte, 1: the one after it, ...).
    void DropBytes(Direction dir, size_t skip, size_t count = 1);
    void ChangeByte(Direction dir, size_t skip, uint8_t value);
    void InsertBytes(Direction dir, size_t skip, std::string_view bytes); // before that byte
    // Raises line-error flags for the host's next error query (parity, framing, overrun, ...).
    void InjectLineError(uint32_t flags);
    // A break: a NUL byte arrives with the break flag.
    void SendBreak();
    // The cable is pulled: host reads and writes fail at once until Replug.
    void Unplug();
    void Replug();

private:
    friend class FakeHostEnd;
    struct Timed {
        uint8_t byte;
        TimePoint arrival;
        uint32_t errors;
    };
    struct Fault {
        Direction dir;
        uint64_t index; // absolute byte number in that direction
        enum Kind { Drop, Change, Insert } kind;
        uint8_t value;
        std::string bytes;
    };

    explicit FakeSerialLine(std::string name);
    std::vector<uint8_t> ApplyFaults(Direction dir, const uint8_t* bytes, size_t n); // locked
    void QueueToHost(const std::vector<uint8_t>& bytes, TimePoint start, uint32_t errors); // locked

    // Host-end operations (called by the host device).
    bool HostRead(uint8_t* buffer, size_t n, size_t& got);
    bool HostWrite(const uint8_t* bytes, size_t n);
    size_t HostQueued();
    void HostPurge(bool output, bool input);
    uint32_t HostTakeErrors();
    bool HostSetLine(const SerialLineSettings& line);
    static bool LineSupported(const SerialLineSettings& line);
    bool PeerGone() const;
    void HostSetTimeouts(const SerialTimeouts& t);
    void HostClosed();
    size_t TakeArrived(uint8_t* buffer, size_t n, TimePoint now, TimePoint* lastArrival); // locked
    // Real time: returns at `until` or a little after an earlier change on the line.
    void WaitExactly(std::unique_lock<std::mutex>& lock, TimePoint until);

    const std::string m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_hostOpen = false;
    bool m_unplugged = false;
    SerialLineSettings m_line;
    SerialTimeouts m_timeouts;
    int m_purges = 0;
    std::deque<Timed> m_toHost;
    TimePoint m_lastArrival{};
    Duration m_byteTime{};
    bool m_exactArrival = false;
    double m_exactArrivalCpu = 0; // seconds
    uint32_t m_pendingErrors = 0;
    std::vector<uint8_t> m_written;
    std::deque<uint8_t> m_toPeer;
    uint64_t m_count[2] = {0, 0};
    std::vector<Fault> m_faults;
    HostWriteHook m_hook;
};

} // namespace platform
