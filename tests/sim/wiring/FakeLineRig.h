#pragma once
// Simulated motors on the in-process fake serial line, for what a pseudo-terminal cannot carry:
// framing errors of colliding answers, and runs on a hand-driven clock.
//
// The motors answer inside the PC's write, on its thread: the whole answer is worked out at once,
// each byte scheduled on the line at the time it would arrive, measured on the platform clock. So a
// test may use a ManualClock and the answers still come at the right moments.

#include "tests/sim/wiring/LineRig.h"

#include "tests/support/platform/FakeSerialLine.h"

#include <functional>
#include <memory>
#include <vector>

namespace vqxsim {

struct FakeLineOptions {
    bool pacing = false;        // one character time per byte of every transmitter
    CollisionForm collision = CollisionForm::FramingError;
    int busChannel = 0;
    bool garbleMismatchToPc = false;
    // Each byte reaches the PC's waiting read when it is whole, to the microsecond (for benchmarks:
    // the read waits out its last stretch awake).
    bool exactArrival = false;
    // Sees each write of the PC as it comes, one call per write (how the PC cuts its bytes).
    std::function<void(const std::vector<uint8_t>&)> pcWriteTap;
};

class FakeLineRig final : public LineRig {
public:
    // The line is made here; the PC opens it by Name() through the platform's serial devices.
    static std::unique_ptr<FakeLineRig> Chain(const std::vector<MotorProfile>& motors, const std::string& name,
                                              FakeLineOptions options = {});
    static std::unique_ptr<FakeLineRig> Bus(const std::vector<MotorProfile>& motors, const std::string& name,
                                            FakeLineOptions options = {});
    ~FakeLineRig() override;

    const std::shared_ptr<platform::FakeSerialLine>& Line() const { return m_line; }
    // Processor time the simulation took on the PC's thread: the motors inside its writes, the line
    // in its reads waiting for an exact arrival (a real line takes none of the PC's).
    double SimulatorCpuSeconds();

private:
    FakeLineRig(std::unique_ptr<Topology> topology, const std::string& name, FakeLineOptions options);
    void Wake() override;
    TimePoint Now() const override;
    // Feeds what the PC wrote and sends every answer that follows from it.
    void Pump(const std::vector<uint8_t>& fromPc);
    // Unpaced lines: rounds in which every transmitter sends at most one byte.
    void RunAhead(const std::vector<uint8_t>& fromPc, TimePoint start, const LineSettings& pc,
                  std::vector<TimedByte>& out);

    std::shared_ptr<platform::FakeSerialLine> m_line;
    FakeLineOptions m_options;
    double m_motorCpu = 0; // seconds, guarded by the rig's lock
};

// The motors' view of the line settings the PC chose.
LineSettings MotorView(const platform::SerialLineSettings& line);

} // namespace vqxsim
