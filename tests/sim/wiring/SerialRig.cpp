#include "tests/sim/wiring/SerialRig.h"

#include "tests/sim/wiring/PtyPort.h"
#include "platform/serial/SerialDevice.h"

#include <algorithm>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

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
    m_thread = std::thread([this] { Run(); });
    // Before the PC opens the line again (at a new rate) or purges it, the bytes it wrote are taken
    // at the settings they were written with: a real line has sent them by then.
    if (!m_path.empty())
        platform::SetSerialLineHook(m_path, [this] {
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
        platform::SetSerialLineHook(m_path, nullptr);
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

void SerialRig::TakeFromPc(TimePoint now)
{
    // The settings are looked at after the bytes are read, never before: the PC changes them only
    // when it opens the line again, and the line hook (which waits for this lock) first takes what
    // the last session wrote. So whatever is read here was written at the settings in force once
    // it is read. Looked at before the read, a rig that loses the processor between the two would
    // take the first bytes of the PC's next session (written just after it set a new rate) for
    // bytes at the old rate, and the motors would not hear them.
    std::vector<uint8_t> taken;
    uint8_t buffer[4096];
    for (size_t n; (n = m_port->ReadFromPc(buffer, sizeof buffer)) > 0;)
        taken.insert(taken.end(), buffer, buffer + n);
    if (taken.empty())
        return;
    const LineSettings pc = m_port->PcSettings();
    for (uint8_t value : taken) {
        const WireByte byte{value, pc, false};
        if (m_options.pacing)
            m_topology->WritePaced(byte, now);
        else
            m_topology->FromPc(byte, now);
    }
}

void SerialRig::StepLine(TimePoint now)
{
    const LineSettings pc = m_port->PcSettings();
    std::vector<TimedByte> moved;
    if (m_options.pacing)
        m_topology->RunPaced(now, moved);
    else
        m_topology->RunDue(now, moved);
    for (const TimedByte& t : moved)
        if (auto b = ForPc(t.byte, pc, m_options.garbleMismatchToPc))
            m_toPc.push_back(*b);
}

void SerialRig::Settle()
{
    const TimePoint now = SimClock::now();
    TakeFromPc(now);
    StepLine(now);
}

std::optional<TimePoint> SerialRig::Serve()
{
    const TimePoint now = SimClock::now();
    TakeFromPc(now);
    StepLine(now);
    while (!m_toPc.empty() && m_port->WriteToPc(m_toPc.front()))
        m_toPc.pop_front();
    if (m_options.pacing) {
        const std::optional<TimePoint> next = m_topology->NextPacedEvent();
        // Work that cannot move although it is due is not polled for in a tight loop.
        return next && *next <= now ? now + std::chrono::milliseconds(1) : next;
    }
    // Unpaced, only answers that wait on time need the thread later.
    const std::optional<TimePoint> ready = m_topology->NextReady();
    return ready && *ready > now ? ready : std::nullopt;
}

void SerialRig::Run()
{
    // Wake-ups to the microsecond: a paced line delivers each byte when it is whole.
    if (m_options.pacing)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (m_options.realTime) {
        const sched_param lowestRealTime{sched_get_priority_min(SCHED_FIFO)};
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &lowestRealTime); // refused: normal priority
    }
    std::optional<TimePoint> next;
    bool outputPending;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        next = Serve();
        outputPending = !m_toPc.empty();
    }
    while (!m_stop) {
        // Something due is served at once; an idle line still looks around now and then (answers
        // whose motor is still booting, for one).
        Duration wait = std::chrono::milliseconds(50);
        if (next)
            wait = std::clamp<Duration>(*next - SimClock::now(), Duration::zero(), wait);
        if (outputPending)
            wait = std::min<Duration>(wait, std::chrono::milliseconds(10)); // the PC's queue was full
        pollfd fds[2];
        nfds_t count = 0;
        fds[count++] = {m_wake[0], POLLIN, 0};
        if (m_port->ReadFd() >= 0) {
            short events = POLLIN;
            if (outputPending && m_port->WriteFd() == m_port->ReadFd())
                events |= POLLOUT;
            fds[count++] = {m_port->ReadFd(), events, 0};
        } else {
            wait = std::min<Duration>(wait, std::chrono::milliseconds(1));
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        const timespec timeout{time_t(ns / 1000000000), long(ns % 1000000000)};
        ppoll(fds, count, &timeout, nullptr);
        char drain[64];
        while (m_wake[0] >= 0 && read(m_wake[0], drain, sizeof drain) > 0) {
        }
        if (m_stop)
            break;
        std::lock_guard<std::mutex> lock(m_mutex);
        next = Serve();
        outputPending = !m_toPc.empty();
    }
}

} // namespace vqxsim
