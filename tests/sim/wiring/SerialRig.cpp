#include "tests/sim/wiring/SerialRig.h"

#include "tests/sim/wiring/PtyPort.h"
#include "platform/serial/SerialDevice.h"

#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vqxsim {

std::unique_ptr<SerialRig> SerialRig::Chain(const std::vector<MotorProfile>& motors, SerialOptions options)
{
    auto port = std::make_unique<PtyPort>();
    std::string path = port->Path();
    return Start(Populate(std::make_unique<ChainTopology>(), motors, 0, SimClock::now()), std::move(port), options, path);
}

std::unique_ptr<SerialRig> SerialRig::Bus(const std::vector<MotorProfile>& motors, SerialOptions options)
{
    auto port = std::make_unique<PtyPort>();
    std::string path = port->Path();
    return Start(Populate(std::make_unique<BusTopology>(options.collision), motors, options.busChannel, SimClock::now()),
                 std::move(port), options, path);
}

std::unique_ptr<SerialRig> SerialRig::Start(std::unique_ptr<Topology> topology, std::unique_ptr<PcPort> port,
                                            SerialOptions options, std::string devicePath)
{
    return std::unique_ptr<SerialRig>(
        new SerialRig(std::move(topology), std::move(port), options, std::move(devicePath)));
}

SerialRig::SerialRig(std::unique_ptr<Topology> topology, std::unique_ptr<PcPort> port, SerialOptions options,
                     std::string path)
    : LineRig(std::move(topology)), m_port(std::move(port)), m_options(options), m_path(std::move(path))
{
    if (pipe2(m_wake, O_NONBLOCK | O_CLOEXEC) != 0)
        m_wake[0] = m_wake[1] = -1;
    m_nextRound = SimClock::now();
    m_thread = std::thread([this] { Run(); });
    // Before the PC opens the line again (at a new rate), the bytes its last session wrote are
    // taken at that session's settings: a real line has sent them by then.
    if (!m_path.empty())
        platform::SetSerialOpenHook(m_path, [this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            TakeFromPc(SimClock::now());
        });
}

SerialRig::~SerialRig()
{
    Stop();
    for (int fd : m_wake)
        if (fd >= 0)
            close(fd);
}

void SerialRig::Stop()
{
    if (m_stop.exchange(true))
        return;
    if (!m_path.empty())
        platform::SetSerialOpenHook(m_path, nullptr);
    Wake();
    if (m_thread.joinable())
        m_thread.join();
}

void SerialRig::Wake()
{
    if (m_wake[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = write(m_wake[1], &c, 1);
    }
}

// How long the thread may sleep before something is due. Called with the lock held.
int SerialRig::WaitMs(TimePoint now, bool outputPending)
{
    int64_t wait = 50;
    auto until = [&](TimePoint t) {
        return std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(t - now).count() + 1);
    };
    if (m_topology->Pending(now))
        wait = m_options.pacing ? std::min(wait, until(m_nextRound)) : 0;
    if (auto next = m_topology->NextReady(); next && *next > now)
        wait = std::min(wait, until(*next));
    if (outputPending)
        wait = std::min<int64_t>(wait, 10);
    return int(wait);
}

void SerialRig::TakeFromPc(TimePoint now)
{
    const LineSettings pc = m_port->PcSettings();
    uint8_t buffer[4096];
    for (size_t n; (n = m_port->ReadFromPc(buffer, sizeof buffer)) > 0;)
        for (size_t i = 0; i < n; ++i)
            m_topology->FromPc(WireByte{buffer[i], pc, false}, now);
}

void SerialRig::StepLine(TimePoint now)
{
    const LineSettings pc = m_port->PcSettings();
    std::vector<TimedByte> stepped;
    m_topology->RunDue(now, m_options.pacing ? CharTime(pc) : Duration::zero(), m_nextRound, stepped);
    for (const TimedByte& t : stepped)
        if (auto b = ForPc(t.byte, pc, m_options.garbleMismatchToPc))
            m_toPc.push_back(*b);
}

void SerialRig::Settle()
{
    const TimePoint now = SimClock::now();
    TakeFromPc(now);
    StepLine(now);
}

void SerialRig::Run()
{
    while (!m_stop) {
        int waitMs;
        bool outputPending;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            outputPending = !m_toPc.empty();
            waitMs = WaitMs(SimClock::now(), outputPending);
        }
        pollfd fds[2];
        nfds_t count = 0;
        fds[count++] = {m_wake[0], POLLIN, 0};
        if (m_port->ReadFd() >= 0) {
            short events = POLLIN;
            if (outputPending && m_port->WriteFd() == m_port->ReadFd())
                events |= POLLOUT;
            fds[count++] = {m_port->ReadFd(), events, 0};
        } else {
            waitMs = std::min(waitMs, 1);
        }
        poll(fds, count, waitMs);
        char drain[64];
        while (m_wake[0] >= 0 && read(m_wake[0], drain, sizeof drain) > 0) {
        }
        if (m_stop)
            break;

        std::lock_guard<std::mutex> lock(m_mutex);
        Settle();
        while (!m_toPc.empty() && m_port->WriteToPc(m_toPc.front()))
            m_toPc.pop_front();
    }
}

} // namespace vqxsim
