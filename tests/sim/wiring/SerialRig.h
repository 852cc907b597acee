#pragma once
// Simulated motors on one serial line, run in real time on a thread of their own: a daisy chain or a
// bus behind a pseudo-terminal (or another PC port), with all motors reachable for inspection.

#include "tests/sim/wiring/LineRig.h"
#include "tests/sim/wiring/PcPort.h"

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vqxsim {

struct SerialOptions {
    // Time the line as real wires do instead of passing bytes on at once: every transmitter, the
    // PC's included, sends a byte in one character time at its speed, and a byte reaches the PC
    // when it is whole. Timed in microseconds on the monotonic clock; a late wake-up catches up.
    bool pacing = false;
    // Runs the line's thread at real-time priority where the system allows it: the line stands for
    // hardware, which neither waits for a processor nor lags behind the PC on a loaded machine. A
    // pseudo-terminal only tells the speed the PC set when the rig looks, so a rig that looks late
    // would take bytes the PC wrote before a rate change for bytes sent after it.
    bool realTime = true;
    CollisionForm collision = CollisionForm::Garbage;
    // The motor channel a bus is wired to (the chain always uses channel 0).
    int busChannel = 0;
    // Bytes that reach the PC at another speed or parity than its own arrive as garbage instead of
    // not at all.
    bool garbleMismatchToPc = false;
};

class SerialRig final : public LineRig {
public:
    // Motors in chain order: the first hears the PC's transmit line, the last talks to its receiver.
    static std::unique_ptr<SerialRig> Chain(const std::vector<MotorProfile>& motors, SerialOptions options = {});
    static std::unique_ptr<SerialRig> Bus(const std::vector<MotorProfile>& motors, SerialOptions options = {});
    // Any topology behind any PC port that a thread can serve.
    static std::unique_ptr<SerialRig> Start(std::unique_ptr<Topology> topology, std::unique_ptr<PcPort> port,
                                            SerialOptions options = {}, std::string devicePath = {});
    ~SerialRig() override;

    // The path the PC opens (the pseudo-terminal's slave side); empty for other ports.
    const std::string& DevicePath() const { return m_path; }
    // Stops the line's thread; the motors stay inspectable.
    void Stop();

private:
    SerialRig(std::unique_ptr<Topology> topology, std::unique_ptr<PcPort> port, SerialOptions options, std::string path);
    void Run();
    // Takes what the PC has sent, at the PC's settings now (on a paced line: onto the PC's wire at
    // now). Called with the lock held.
    void TakeFromPc(TimePoint now);
    // Runs what is due by now and queues what reaches the PC. Called with the lock held.
    void StepLine(TimePoint now);
    // Catches up with what the PC has written and what is due: on an unpaced line a motor looked at
    // right after the PC wrote to it (a command without a reply) has heard it; on a paced line it
    // has heard what is whole by now, as on real wires.
    void Settle() override;
    void Wake() override;
    // Moves what is due by now; returns when the line next needs the thread, if it does. Called
    // with the lock held.
    std::optional<TimePoint> Serve();

    std::unique_ptr<PcPort> m_port;
    SerialOptions m_options;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    int m_wake[2] = {-1, -1};
    std::deque<WireByte> m_toPc; // the motors' bytes not yet taken by the PC's end
    std::thread m_thread;
};

} // namespace vqxsim
