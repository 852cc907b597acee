#include "tests/support/platform/FakeSerialLine.h"

#include "tests/support/platform/ThreadCpuTime.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <sys/prctl.h>

namespace platform {

namespace {

std::mutex g_registryMutex;
std::map<std::string, std::weak_ptr<FakeSerialLine>>& Registry()
{
    static std::map<std::string, std::weak_ptr<FakeSerialLine>> registry;
    return registry;
}

// The named lines as devices of OpenSerialDevice, installed with the first named line.
class CFakeLineSource final : public ISerialDeviceSource {
public:
    bool Has(const std::string& name) override { return FakeSerialLine::Find(name) != nullptr; }
    std::unique_ptr<SerialDevice> Open(const std::string& name, const SerialLineSettings& line,
                                       std::string* error) override
    {
        if (auto fake = FakeSerialLine::Find(name))
            return fake->OpenHost(line, error);
        if (error)
            *error = "no such line";
        return nullptr;
    }
};

void InstallFakeLines()
{
    static CFakeLineSource source;
    static std::once_flag once;
    std::call_once(once, [] { SetSerialDeviceSource(&source); });
}

// Host reads wait in real time (on the line's condition variable) only under the steady clock;
// under any other clock they move that clock instead.
bool RealTime() { return dynamic_cast<SteadyClock*>(&GetClock()) != nullptr; }

// How often a host read waiting in real time looks whether the peer side is still there.
constexpr auto kOrphanCheck = std::chrono::milliseconds(10);

// How much earlier than a byte's arrival an exact read wakes: more than a timed wake-up ends late
// on an idle virtual machine, with the timer slack taken away.
constexpr auto kExactEarly = std::chrono::microseconds(200);

// Takes the calling thread's timer slack away for a wait, and gives it back: the thread is the
// caller's.
class ScopedNoTimerSlack {
public:
    ScopedNoTimerSlack() : m_saved(prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL))
    {
        if (m_saved > 1)
            prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    ~ScopedNoTimerSlack()
    {
        if (m_saved > 1)
            prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(m_saved), 0UL, 0UL, 0UL);
    }
    ScopedNoTimerSlack(const ScopedNoTimerSlack&) = delete;
    ScopedNoTimerSlack& operator=(const ScopedNoTimerSlack&) = delete;

private:
    long m_saved;
};

} // namespace

// The end a port opens. It keeps the line object alive; once every peer-side holder has dropped
// the line, the other end is gone and reads and writes fail as on an unplugged device.
class FakeHostEnd final : public SerialDevice {
public:
    explicit FakeHostEnd(std::shared_ptr<FakeSerialLine> line) : m_line(std::move(line)) {}
    ~FakeHostEnd() override { m_line->HostClosed(); }

    bool SetLine(const SerialLineSettings& line) override
    {
        if (!m_line->HostSetLine(line)) {
            m_error = EINVAL;
            return false;
        }
        return true;
    }
    SerialLineSettings GetLine() const override { return m_line->HostLine(); }
    bool SetTimeouts(const SerialTimeouts& timeouts) override
    {
        m_line->HostSetTimeouts(timeouts);
        return true;
    }
    SerialTimeouts GetTimeouts() const override { return m_line->HostTimeouts(); }
    bool Read(uint8_t* buffer, size_t n, size_t& got) override
    {
        got = 0;
        if (!Orphaned() && m_line->HostRead(buffer, n, got))
            return true;
        m_error = EIO;
        return false;
    }
    bool Write(const uint8_t* bytes, size_t n, size_t& written) override
    {
        written = 0;
        if (Orphaned() || !m_line->HostWrite(bytes, n)) {
            m_error = EIO;
            return false;
        }
        written = n;
        return true;
    }
    size_t Queued() override { return m_line->HostQueued(); }
    bool Purge(bool output, bool input) override
    {
        m_line->HostPurge(output, input);
        return true;
    }
    uint32_t TakeLineErrors() override { return m_line->HostTakeErrors(); }
    int LastError() const override { return m_error; }

private:
    bool Orphaned() const { return m_line.use_count() == 1; }

    std::shared_ptr<FakeSerialLine> m_line;
    int m_error = 0;
};

std::shared_ptr<FakeSerialLine> FakeSerialLine::Create(const std::string& name)
{
    std::shared_ptr<FakeSerialLine> line(new FakeSerialLine(name));
    if (!name.empty()) {
        InstallFakeLines();
        std::lock_guard<std::mutex> lock(g_registryMutex);
        Registry()[name] = line;
    }
    return line;
}

std::shared_ptr<FakeSerialLine> FakeSerialLine::Find(const std::string& name)
{
    if (name.empty())
        return nullptr;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second.lock();
}

FakeSerialLine::FakeSerialLine(std::string name) : m_name(std::move(name)) {}

FakeSerialLine::~FakeSerialLine()
{
    if (m_name.empty())
        return;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    auto it = Registry().find(m_name);
    if (it != Registry().end() && it->second.expired())
        Registry().erase(it);
}

std::unique_ptr<SerialDevice> FakeSerialLine::OpenHost(const SerialLineSettings& line, std::string* error)
{
    // One lock from the check to the claim, so that of several openers at once only one wins.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hostOpen) {
        if (error)
            *error = m_name + ": in use by another program";
        return nullptr;
    }
    if (m_unplugged) {
        if (error)
            *error = m_name + ": no such device";
        return nullptr;
    }
    if (!LineSupported(line)) {
        if (error)
            *error = m_name + ": line settings refused";
        return nullptr;
    }
    m_line = line;
    m_hostOpen = true;
    m_timeouts = {};
    return std::make_unique<FakeHostEnd>(shared_from_this());
}

bool FakeSerialLine::PeerGone() const
{
    // The host end holds one reference; with no other holder the peer side has dropped the line.
    return weak_from_this().use_count() <= 1;
}

bool FakeSerialLine::HostIsOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hostOpen;
}

SerialLineSettings FakeSerialLine::HostLine() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_line;
}

SerialTimeouts FakeSerialLine::HostTimeouts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_timeouts;
}

int FakeSerialLine::PurgeCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_purges;
}

std::vector<uint8_t> FakeSerialLine::HostWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_written;
}

void FakeSerialLine::ClearHostWritten()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_written.clear();
}

std::vector<uint8_t> FakeSerialLine::TakeHostBytes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<uint8_t> out(m_toPeer.begin(), m_toPeer.end());
    m_toPeer.clear();
    return out;
}

std::vector<uint8_t> FakeSerialLine::WaitHostBytes(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return !m_toPeer.empty(); });
    std::vector<uint8_t> out(m_toPeer.begin(), m_toPeer.end());
    m_toPeer.clear();
    return out;
}

void FakeSerialLine::SetHostWriteHook(HostWriteHook hook)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = std::move(hook);
}

void FakeSerialLine::PeerWrite(std::string_view bytes, uint32_t lineErrors)
{
    PeerWrite(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), lineErrors);
}

void FakeSerialLine::PeerWrite(const uint8_t* bytes, size_t n, uint32_t lineErrors)
{
    const TimePoint now = Now();
    std::lock_guard<std::mutex> lock(m_mutex);
    QueueToHost(ApplyFaults(Direction::ToHost, bytes, n), now, lineErrors);
    m_changed.notify_all();
}

void FakeSerialLine::PeerWriteAfter(Duration delay, std::string_view bytes, uint32_t lineErrors)
{
    const TimePoint start = Now() + delay;
    std::lock_guard<std::mutex> lock(m_mutex);
    QueueToHost(ApplyFaults(Direction::ToHost, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), start,
                lineErrors);
    m_changed.notify_all();
}

void FakeSerialLine::SetByteTime(Duration perByte)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_byteTime = perByte;
}

void FakeSerialLine::QueueToHost(const std::vector<uint8_t>& bytes, TimePoint start, uint32_t errors)
{
    TimePoint at = std::max(start, m_lastArrival);
    if (m_byteTime == Duration::zero())
        at = start; // bytes without a line time arrive when sent, even behind scheduled ones
    for (size_t i = 0; i < bytes.size(); ++i) {
        at += m_byteTime;
        m_toHost.push_back({bytes[i], at, i == 0 ? errors : 0u});
        m_lastArrival = std::max(m_lastArrival, at);
    }
    if (bytes.empty() && errors)
        m_pendingErrors |= errors;
    // Keep the queue in arrival order so that reads take bytes as they come.
    std::stable_sort(m_toHost.begin(), m_toHost.end(),
                     [](const Timed& a, const Timed& b) { return a.arrival < b.arrival; });
}

std::vector<uint8_t> FakeSerialLine::ApplyFaults(Direction dir, const uint8_t* bytes, size_t n)
{
    const int d = dir == Direction::ToPeer ? 0 : 1;
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t index = m_count[d]++;
        bool drop = false;
        uint8_t value = bytes[i];
        for (auto it = m_faults.begin(); it != m_faults.end();) {
            if (it->dir != dir || it->index != index) {
                ++it;
                continue;
            }
            if (it->kind == Fault::Insert)
                out.insert(out.end(), it->bytes.begin(), it->bytes.end());
            else if (it->kind == Fault::Drop)
                drop = true;
            else
                value = it->value;
            it = m_faults.erase(it);
        }
        if (!drop)
            out.push_back(value);
    }
    return out;
}

void FakeSerialLine::DropBytes(Direction dir, size_t skip, size_t count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const uint64_t base = m_count[dir == Direction::ToPeer ? 0 : 1] + skip;
    for (size_t i = 0; i < count; ++i)
        m_faults.push_back({dir, base + i, Fault::Drop, 0, {}});
}

void FakeSerialLine::ChangeByte(Direction dir, size_t skip, uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back({dir, m_count[dir == Direction::ToPeer ? 0 : 1] + skip, Fault::Change, value, {}});
}

void FakeSerialLine::InsertBytes(Direction dir, size_t skip, std::string_view bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back({dir, m_count[dir == Direction::ToPeer ? 0 : 1] + skip, Fault::Insert, 0, std::string(bytes)});
}

void FakeSerialLine::InjectLineError(uint32_t flags)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pendingErrors |= flags;
}

void FakeSerialLine::SendBreak()
{
    const uint8_t nul = 0;
    PeerWrite(&nul, 1, kLineBreak);
}

void FakeSerialLine::Unplug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugged = true;
    m_changed.notify_all();
}

void FakeSerialLine::Replug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugged = false;
}

size_t FakeSerialLine::TakeArrived(uint8_t* buffer, size_t n, TimePoint now, TimePoint* lastArrival)
{
    size_t got = 0;
    while (got < n && !m_toHost.empty() && m_toHost.front().arrival <= now) {
        const Timed& t = m_toHost.front();
        buffer[got++] = t.byte;
        m_pendingErrors |= t.errors;
        if (lastArrival)
            *lastArrival = t.arrival;
        m_toHost.pop_front();
    }
    return got;
}

bool FakeSerialLine::HostRead(uint8_t* buffer, size_t n, size_t& got)
{
    got = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_unplugged)
        return false;
    if (n == 0)
        return true;
    const SerialTimeouts t = m_timeouts;
    const bool immediate = t.ReadIntervalTimeout == kMaxTimeout && t.ReadTotalTimeoutMultiplier == 0 &&
                           t.ReadTotalTimeoutConstant == 0;
    const bool anyByte = t.ReadIntervalTimeout == kMaxTimeout && t.ReadTotalTimeoutMultiplier == kMaxTimeout &&
                         t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < kMaxTimeout;
    const bool useInterval = !immediate && !anyByte && t.ReadIntervalTimeout > 0;
    const uint64_t totalMs = anyByte ? t.ReadTotalTimeoutConstant
                                     : uint64_t(t.ReadTotalTimeoutMultiplier) * n + t.ReadTotalTimeoutConstant;
    const bool hasTotal = anyByte || totalMs > 0;
    const TimePoint start = Now();
    const TimePoint deadline = start + std::chrono::milliseconds(std::min<uint64_t>(totalMs, 0x7FFFFFFFu));
    TimePoint lastByte = start;

    for (;;) {
        const TimePoint now = Now();
        got += TakeArrived(buffer + got, n - got, now, &lastByte);
        if (got == n || (anyByte && got > 0) || immediate)
            return true;
        // When does this read give up?
        bool limited = hasTotal;
        TimePoint limit = deadline;
        if (useInterval && got > 0) {
            const TimePoint gap = lastByte + std::chrono::milliseconds(t.ReadIntervalTimeout);
            limit = limited ? std::min(limit, gap) : gap;
            limited = true;
        }
        if (limited && now >= limit)
            return true;
        const bool scheduled = !m_toHost.empty();
        TimePoint wake = limit;
        bool forArrival = false;
        if (scheduled) {
            // Like a driver told how many bytes to wait for, the read wakes once they are all there
            // (or all that is scheduled), not byte by byte, unless a gap between bytes is timed.
            const size_t wanted = useInterval || anyByte ? 1 : n - got;
            const TimePoint ready = m_toHost[std::min(wanted, m_toHost.size()) - 1].arrival;
            if (!limited || ready < limit) {
                wake = ready;
                forArrival = true;
            }
        } else if (!limited && !RealTime()) {
            return true; // nothing will ever come under a clock that only moves when slept: never hang
        }
        if (RealTime()) {
            // In slices: nothing signals when the peer side drops the line, so look again now and then.
            const auto slice = std::chrono::steady_clock::now() + kOrphanCheck;
            if (!limited && !scheduled)
                m_changed.wait_until(lock, slice);
            else if (forArrival && m_exactArrival && wake <= slice)
                WaitExactly(lock, wake);
            else
                m_changed.wait_until(lock, std::min(wake, slice));
        } else {
            lock.unlock();
            GetClock().SleepFor(wake - now);
            lock.lock();
        }
        if (m_unplugged || PeerGone())
            return false;
    }
}

void FakeSerialLine::WaitExactly(std::unique_lock<std::mutex>& lock, TimePoint until)
{
    const TimePoint early = until - kExactEarly;
    if (std::chrono::steady_clock::now() < early) {
        const ScopedNoTimerSlack exact;
        m_changed.wait_until(lock, early);
        return; // the caller looks again, and comes back for the rest
    }
    lock.unlock();
    const double cpu = ThreadCpuSeconds();
    while (std::chrono::steady_clock::now() < until) {
    }
    const double spent = ThreadCpuSeconds() - cpu;
    lock.lock();
    m_exactArrivalCpu += spent;
}

void FakeSerialLine::SetExactArrival(bool exact)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_exactArrival = exact;
}

double FakeSerialLine::ExactArrivalCpuSeconds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exactArrivalCpu;
}

bool FakeSerialLine::HostWrite(const uint8_t* bytes, size_t n)
{
    HostWriteHook hook;
    std::vector<uint8_t> delivered;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged)
            return false;
        m_written.insert(m_written.end(), bytes, bytes + n);
        delivered = ApplyFaults(Direction::ToPeer, bytes, n);
        hook = m_hook;
        if (!hook)
            m_toPeer.insert(m_toPeer.end(), delivered.begin(), delivered.end());
        m_changed.notify_all();
    }
    if (hook && !hook(*this, delivered)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_toPeer.insert(m_toPeer.end(), delivered.begin(), delivered.end());
        m_changed.notify_all();
    }
    return true;
}

size_t FakeSerialLine::HostQueued()
{
    const TimePoint now = Now();
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t n = 0;
    for (const Timed& t : m_toHost) {
        if (t.arrival > now)
            break;
        ++n;
    }
    return n;
}

void FakeSerialLine::HostPurge(bool /*output*/, bool input)
{
    const TimePoint now = Now();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_purges;
    // Output goes to the peer at once, so there is never unsent output to discard; bytes still on
    // their way (scheduled later) are not in the queue yet and survive an input purge.
    if (input)
        while (!m_toHost.empty() && m_toHost.front().arrival <= now)
            m_toHost.pop_front();
}

uint32_t FakeSerialLine::HostTakeErrors()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const uint32_t flags = m_pendingErrors;
    m_pendingErrors = 0;
    return flags;
}

bool FakeSerialLine::LineSupported(const SerialLineSettings& line)
{
    return IsSupportedBaud(line.baud) && line.dataBits >= 5 && line.dataBits <= 8 &&
           (line.stopBits == 1 || line.stopBits == 2) && static_cast<int>(line.parity) <= 4;
}

bool FakeSerialLine::HostSetLine(const SerialLineSettings& line)
{
    if (!LineSupported(line))
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_line = line;
    return true;
}

void FakeSerialLine::HostSetTimeouts(const SerialTimeouts& t)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_timeouts = t;
}

void FakeSerialLine::HostClosed()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hostOpen = false;
}

} // namespace platform
