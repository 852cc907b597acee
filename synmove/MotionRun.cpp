#include "synmove/MotionRun.h"

#include "samples/common/Numbers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <limits>
#include <pthread.h>
#include <sched.h>
#include <system_error>

namespace synmove {
namespace {

using Clock = std::chrono::steady_clock;

std::string Format(const char* format, long long a)
{
    char text[200];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

// How long the motors may go without taking a slot before the run is given up: two of the
// file's longest time steps and five seconds of slack for the line.
std::chrono::milliseconds NoProgressLimit(const MotionTable& table, double sampleRate)
{
    int64_t longest = 32;
    for (size_t i = 1; i < table.Count(); ++i)
        longest = std::max<int64_t>(longest, int64_t(table.records[i].time) - table.records[i - 1].time);
    return std::chrono::milliseconds(5000 + int64_t(2000.0 * double(longest) / std::max(sampleRate, 1.0)));
}

constexpr auto kOriginMoveLimit = std::chrono::seconds(120);

} // namespace

void MotionRun::RunMotion(const MotionTable& table, const RunSettings& settings, RunEvents& events)
{
    if (m_running)
        return;
    Finish();
    // A new host for each run: the one of the earlier run goes first.
    m_engine.reset();
    try {
        m_engine = m_factory();
    } catch (const vqxclient::HostCreationError& e) {
        throw CSynmoveException(e.what());
    }
    m_table = &table;
    m_settings = settings;
    m_events = &events;
    m_running = true;
    m_stopRequested = false;
    m_progress = -1;
    try {
        m_worker = std::thread([this] { MotionThreadProc(); });
    } catch (const std::system_error&) {
        // Nothing runs: the dialog must be able to run again and to close.
        m_running = false;
        m_engine.reset();
        throw CSynmoveException("Cannot create thread!");
    }
    // Time-critical where the system allows it; otherwise the run goes on at normal priority.
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (const int error = pthread_setschedparam(m_worker.native_handle(), SCHED_FIFO, &param))
        events.Log(std::string("Cannot set thread priority! (") + std::strerror(error) + "): the run goes on at normal priority.");
}

void MotionRun::Finish()
{
    if (m_worker.joinable())
        m_worker.join();
}

void MotionRun::MotionThreadProc()
{
    Perform();
    m_running = false;
    m_events->RunEnded();
}

void MotionRun::Publish(int64_t index)
{
    const int64_t last = int64_t(m_table->Count()) - 1;
    m_progress = int32_t(std::clamp<int64_t>(index, -1, last));
}

void MotionRun::CheckStop()
{
    if (!m_stopRequested)
        return;
    StopAll();
    throw CSynmoveException();
}

// "S" to every motor of the chain (address 0).
void MotionRun::StopAll()
{
    m_engine->SetDefaultMotor(0);
    m_engine->WriteCommand("S");
    m_mayMove = false;
}

void MotionRun::Perform()
{
    vqxclient::EngineLink& e = *m_engine;
    bool opened = false;
    bool failed = false;
    m_mayMove = false;
    try {
        e.OpenPort(m_settings.port);
        opened = true;
        e.SetBaudRate(38400);
        const int32_t chain = e.AddressMotorChain();
        SettleMotorsUsed(chain);
        StartMotion(chain);
        CheckStop();
        const double rate = e.SampleRate(1);
        if (!(rate > 0))
            throw CSynmoveException("Cannot read the sample rate of motor 1!");
        m_sampleRate = rate;
        m_events->ShowTotals(int32_t(m_table->Count()), m_table->records.back().time / rate, m_motorsUsed);
        Stream();
        FinalHold();
    } catch (const CSynmoveException& x) {
        failed = true;
        if (!x.Silent())
            m_events->ShowError("Error", x.Text());
    } catch (const vqxclient::EngineFailure& x) {
        failed = true;
        m_events->ShowError("VQXEngine Error!", Format("VQXEngine Error Code:%lld\n", x.code) + x.what());
    }
    // No motor is left moving after a failure; the line may be the reason, so this is best effort.
    if (failed && m_mayMove) {
        try {
            StopAll();
        } catch (const vqxclient::EngineFailure&) {
        }
    }
    if (opened) {
        try {
            e.SetBaudRate(9600);
            e.ClosePort();
        } catch (const vqxclient::EngineFailure& x) {
            if (!failed)
                m_events->ShowError("VQXEngine Error!", Format("VQXEngine Error Code:%lld\n", x.code) + x.what());
            try {
                e.ClosePort();
            } catch (const vqxclient::EngineFailure&) {
            }
        }
    }
}

void MotionRun::SettleMotorsUsed(int32_t chain)
{
    if (chain < 1)
        throw CSynmoveException("No motor answered in the chain!");
    // Six origins, six map entries, and host mode for at most six motors.
    if (chain > 6)
        throw CSynmoveException(Format("The chain has %lld motors: a motion file drives at most 6!\nNo motor was moved.", chain));
    const int32_t columns = m_table->columns;
    // Settled once per chosen file, and again when the chain is now shorter than the motors used.
    if (m_motorsUsed != 0 && m_motorsUsed <= chain)
        return;
    if (chain > columns) {
        if (!m_events->AskYesNo("The number of motors in the chain is more than that specified in the file.\nDo you want to continue?"))
            throw CSynmoveException();
        m_motorsUsed = columns;
    } else if (chain < columns) {
        if (!m_events->AskYesNo("The number of motors in the chain is less than that specified in the file.\nDo you want to continue?"))
            throw CSynmoveException();
        m_motorsUsed = chain;
    } else {
        m_motorsUsed = chain;
    }
}

void MotionRun::StartMotion(int32_t chain)
{
    vqxclient::EngineLink& e = *m_engine;
    const int used = m_motorsUsed;
    const MotorMap& map = m_settings.map;
    for (int k = 0; k < 6; ++k)
        m_origin[size_t(k)] = 0;
    for (int k = 0; k < used; ++k) {
        e.SetDefaultMotor(map[size_t(k)]);
        const std::string reply = e.GetResponseOf("RP");
        const auto position = vqxclient::LeadingInteger(reply);
        if (!position || *position < std::numeric_limits<int32_t>::min() || *position > std::numeric_limits<int32_t>::max())
            throw CSynmoveException(Format("Cannot read the position of motor %lld!", map[size_t(k)]));
        m_origin[size_t(k)] = int32_t(*position);
    }
    if (m_table->records.front().time != 0) {
        // The motors hold where they stand at clock 0; every file position is absolute.
        e.Initialize(chain);
        for (int k = 0; k < used; ++k) {
            e.WritePosition(map[size_t(k)], m_origin[size_t(k)]);
            m_origin[size_t(k)] = 0;
        }
        e.WriteClock(0, 0);
    } else if (m_settings.origin == OriginMode::MoveToOrigin) {
        e.SetDefaultMotor(0);
        m_mayMove = true;
        for (const std::string& c : {std::string("MP"), std::string("P=0"), "V=" + std::to_string(m_settings.v),
                                     "A=" + std::to_string(m_settings.a), std::string("G")})
            e.WriteCommand(c);
        // Every motor of the chain, used or not, reaches the origin.
        for (int32_t address = 1; address <= chain; ++address) {
            e.SetDefaultMotor(address);
            const auto until = Clock::now() + kOriginMoveLimit;
            for (;;) {
                const std::string reply = e.GetResponseOf("RBt");
                if (!reply.empty() && reply[0] == '0')
                    break;
                CheckStop();
                if (Clock::now() > until)
                    throw CSynmoveException(Format("Motor %lld did not reach the origin!", address));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        m_mayMove = false;
        for (int k = 0; k < 6; ++k)
            m_origin[size_t(k)] = 0;
        e.Initialize(chain);
    } else {
        // Positions are relative to where each motor stands.
        e.Initialize(chain);
    }
    // Every position sent must be a 32-bit number.
    for (size_t i = 0; i < m_table->Count(); ++i)
        for (int k = 0; k < used; ++k) {
            const int64_t p = int64_t(m_table->Position(i, k)) + m_origin[size_t(k)];
            if (p < std::numeric_limits<int32_t>::min() || p > std::numeric_limits<int32_t>::max())
                throw CSynmoveException(Format("Position out of range in line %lld!", m_table->records[i].line));
        }
}

void MotionRun::Stream()
{
    vqxclient::EngineLink& e = *m_engine;
    const MotionTable& t = *m_table;
    const int used = m_motorsUsed;
    const size_t count = t.Count();
    m_mayMove = true;
    for (size_t i = 0; i < count; ++i) {
        CheckStop();
        for (int k = 0; k < used; ++k)
            e.WritePosition(m_settings.map[size_t(k)], t.Position(i, k) + OriginOf(k));
        const int32_t time = t.records[i].time;
        // The engine closes a slot with the previous step by itself; the clock goes out only
        // where the step changes, and for the first two records and the last.
        if (i < 2 || i + 1 == count || int64_t(time) != 2 * int64_t(t.records[i - 1].time) - t.records[i - 2].time)
            e.WriteClock(0, time);
        Publish(int64_t(i) - (e.TrajectorySlots() - e.SlotsNeeded(1)));
    }
    e.Run();
    const int64_t last = int64_t(count) - 1;
    WaitWhile([&] { return e.CheckStatus(1) < 5; }, last);
    const int32_t end = t.records.back().time;
    for (int32_t extra : {1024, 2048, 3072, 4096})
        e.WriteClock(0, end + extra);
    WaitWhile([&] { return e.TrajectorySlots() - e.CheckStatus(1) > 3; }, last + 4);
}

// Polls until the motors have taken enough, publishing the progress; a stop request or motors
// that take nothing for too long end the run.
void MotionRun::WaitWhile(const std::function<bool()>& moreToWait, int32_t progressBase)
{
    vqxclient::EngineLink& e = *m_engine;
    const auto limit = NoProgressLimit(*m_table, m_sampleRate);
    int32_t queued = std::numeric_limits<int32_t>::min();
    auto lastChange = Clock::now();
    while (moreToWait()) {
        const int32_t nowQueued = e.TrajectorySlots() - e.SlotsNeeded(1);
        Publish(int64_t(progressBase) - nowQueued);
        CheckStop();
        if (nowQueued != queued) {
            queued = nowQueued;
            lastChange = Clock::now();
        } else if (Clock::now() - lastChange > limit) {
            throw CSynmoveException("The motors stopped taking the motion!");
        }
    }
}

void MotionRun::FinalHold()
{
    vqxclient::EngineLink& e = *m_engine;
    const MotionTable& t = *m_table;
    StopAll();
    e.WriteCommand("MP");
    // Each used motor holds the file's last position with a position move of its own; motors of
    // the chain the file does not drive are not moved.
    for (int k = 0; k < m_motorsUsed; ++k) {
        e.SetDefaultMotor(m_settings.map[size_t(k)]);
        e.WriteCommand("P=" + std::to_string(t.Position(t.Count() - 1, k) + OriginOf(k)));
        e.WriteCommand("V=" + std::to_string(m_settings.v));
        e.WriteCommand("A=" + std::to_string(m_settings.a));
        e.WriteCommand("G");
    }
    Publish(int64_t(t.Count()) - 1);
}

} // namespace synmove
