#include "tests/sim/wiring/FakeLineRig.h"

#include "platform/clock/Clock.h"
#include "tests/support/platform/ThreadCpuTime.h"

namespace vqxsim {
namespace {
// Answers later than this are not scheduled: nothing the PC does waits that long.
constexpr auto kHorizon = std::chrono::seconds(30);

} // namespace

LineSettings MotorView(const platform::SerialLineSettings& line)
{
    LineSettings s;
    s.baud = line.baud;
    switch (line.parity) {
    case platform::SerialParity::None: s.parity = 'N'; break;
    case platform::SerialParity::Odd: s.parity = 'O'; break;
    case platform::SerialParity::Even: s.parity = 'E'; break;
    default: s.parity = 'I'; break;
    }
    return s;
}

std::unique_ptr<FakeLineRig> FakeLineRig::Chain(const std::vector<MotorProfile>& motors, const std::string& name,
                                                FakeLineOptions options)
{
    return std::unique_ptr<FakeLineRig>(new FakeLineRig(
        Populate(std::make_unique<ChainTopology>(), motors, 0, platform::Now()), name, options));
}

std::unique_ptr<FakeLineRig> FakeLineRig::Bus(const std::vector<MotorProfile>& motors, const std::string& name,
                                              FakeLineOptions options)
{
    return std::unique_ptr<FakeLineRig>(new FakeLineRig(
        Populate(std::make_unique<BusTopology>(options.collision), motors, options.busChannel, platform::Now()), name,
        options));
}

FakeLineRig::FakeLineRig(std::unique_ptr<Topology> topology, const std::string& name, FakeLineOptions options)
    : LineRig(std::move(topology)), m_line(platform::FakeSerialLine::Create(name)), m_options(options)
{
    m_line->SetExactArrival(m_options.exactArrival);
    m_line->SetHostWriteHook([this](platform::FakeSerialLine&, const std::vector<uint8_t>& bytes) {
        if (m_options.pcWriteTap)
            m_options.pcWriteTap(bytes);
        Pump(bytes);
        return true;
    });
}

FakeLineRig::~FakeLineRig()
{
    m_line->SetHostWriteHook(nullptr);
}

TimePoint FakeLineRig::Now() const
{
    return platform::Now();
}

void FakeLineRig::Wake()
{
    Pump({});
}

void FakeLineRig::RunAhead(const std::vector<uint8_t>& fromPc, TimePoint start, const LineSettings& pc,
                           std::vector<TimedByte>& out)
{
    for (uint8_t b : fromPc)
        m_topology->FromPc(WireByte{b, pc, false}, start);

    // Runs the line ahead in time until nothing more will move, keeping each byte's time.
    TimePoint t = start;
    for (int i = 0; i < 100000; ++i) {
        m_topology->RunDue(t, out);
        const std::optional<TimePoint> next = m_topology->NextReady();
        if (!next || *next <= t || *next - start > kHorizon)
            break;
        t = *next;
    }
}

double FakeLineRig::SimulatorCpuSeconds()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_motorCpu + m_line->ExactArrivalCpuSeconds();
}

void FakeLineRig::Pump(const std::vector<uint8_t>& fromPc)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const double cpu0 = platform::ThreadCpuSeconds();
    struct Charge {
        double& total;
        double from;
        ~Charge() { total += platform::ThreadCpuSeconds() - from; }
    } charge{m_motorCpu, cpu0};
    const TimePoint start = platform::Now();
    const LineSettings pc = MotorView(m_line->HostLine());
    std::vector<TimedByte> out;
    // Paced, every transmitter keeps its own timeline, so that what the PC writes while earlier
    // bytes are still on the line follows them closely instead of waiting for them to leave it.
    if (m_options.pacing) {
        for (uint8_t b : fromPc)
            m_topology->WritePaced(WireByte{b, pc, false}, start);
        m_topology->RunPaced(start + kHorizon, out);
    } else {
        RunAhead(fromPc, start, pc, out);
    }
    for (const TimedByte& timed : out) {
        auto b = ForPc(timed.byte, pc, m_options.garbleMismatchToPc);
        if (!b)
            continue;
        const uint32_t errors = b->lineError ? platform::kLineFrame : 0;
        if (timed.at <= start)
            m_line->PeerWrite(&b->value, 1, errors);
        else
            m_line->PeerWriteAfter(timed.at - start, std::string_view(reinterpret_cast<const char*>(&b->value), 1),
                                  errors);
    }
}

} // namespace vqxsim
