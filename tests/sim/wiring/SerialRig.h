#pragma once
// Simulated motors on one serial line, run in real time on a thread of their own: a daisy chain or a
// bus behind a pseudo-terminal (or another PC port), with all motors reachable for inspection.

#include "tests/sim/wiring/LineRig.h"
#include "tests/sim/wiring/PcPort.h"

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vqxsim {

struct SerialOptions {
    // Send at the line rate (bits per character / baud per character) instead of at once, so that
    // timings and benchmarks are realistic.
    bool pacing = false;
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
    // Takes what the PC has sent, at the PC's settings now. Called with the lock held.
    void TakeFromPc(TimePoint now);
    // Runs the motors' due steps and queues what they send for the PC. Called with the lock held.
    void StepLine(TimePoint now);
    // What the PC has written has reached the motors, and what is due has run: a motor looked at
    // right after the PC wrote to it (a command without a reply) has heard it.
    void Settle() override;
    void Wake() override;
    int WaitMs(TimePoint now, bool outputPending);

    std::unique_ptr<PcPort> m_port;
    SerialOptions m_options;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    int m_wake[2] = {-1, -1};
    TimePoint m_nextRound;
    std::deque<WireByte> m_toPc; // the motors' bytes not yet taken by the PC's end
    std::thread m_thread;
};

} // namespace vqxsim
