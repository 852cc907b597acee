#pragma once
// Streaming a checked motion table into the motors through the engine's host mode, on a worker
// thread. The user-interface thread starts the run (RunMotion) and may request a stop; the worker
// (MotionThreadProc) makes every engine call of the run and publishes its progress in atomics
// that the dialog's timer reads. Questions, messages and the end of the run reach the dialog
// through RunEvents, which the dialog implements with queued calls to its own thread.

#include "samples/common/EngineLink.h"
#include "synmove/MotionFile.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace synmove {

enum class OriginMode { MoveToOrigin, StartFromCurrent };

struct RunSettings {
    std::string port = "Com1";
    OriginMode origin = OriginMode::MoveToOrigin;
    int32_t v = 100000; // speed and acceleration of the origin move and the final hold
    int32_t a = 100;
    MotorMap map{1, 2, 3, 4, 5, 6};
};

// Called on the worker thread.
class RunEvents {
public:
    virtual ~RunEvents() = default;
    // "Warning!" with Yes and No; waits for the answer.
    virtual bool AskYesNo(const std::string& text) = 0;
    // A message box with the error icon.
    virtual void ShowError(const std::string& title, const std::string& text) = 0;
    virtual void ShowTotals(int32_t records, double seconds, int32_t motors) = 0;
    // One line for the program's log (standard error).
    virtual void Log(const std::string& line) = 0;
    // The worker is done (running is clear): the dialog shows the progress once more, joins the
    // worker (Finish), updates its buttons and releases the table.
    virtual void RunEnded() = 0;
};

class MotionRun {
public:
    using EngineFactory = std::function<std::unique_ptr<vqxclient::EngineLink>()>;

    explicit MotionRun(EngineFactory factory) : m_factory(std::move(factory)) {}
    ~MotionRun() { Finish(); }
    MotionRun(const MotionRun&) = delete;
    MotionRun& operator=(const MotionRun&) = delete;

    // User-interface thread, after ReadMotionFile and ValidateMotion: creates the engine host and
    // the worker. Throws CSynmoveException for the start's failures (nothing runs then).
    // `table` must stay unchanged until RunEnded.
    void RunMotion(const MotionTable& table, const RunSettings& settings, RunEvents& events);
    // Stop: only requests; the worker acts on it at its next check.
    void RequestStop() { m_stopRequested = true; }
    // Joins an ended worker (called by the dialog on RunEnded, and at destruction).
    void Finish();
    // A new file was chosen: the number of motors is settled again at the next run.
    void ForgetMotorsUsed() { m_motorsUsed = 0; }

    // ---- shared with the dialog's timer ----
    bool Running() const { return m_running; }
    // The record the motors are executing; -1 = nothing to show. Always within the table.
    int32_t ProgressIndex() const { return m_progress; }
    int32_t MotorsUsed() const { return m_motorsUsed; }
    int32_t Origin(int column) const { return m_origin[size_t(column)]; }
    double SampleRate() const { return m_sampleRate; }

    // The worker's body (public so that a test can run it on its own thread).
    void MotionThreadProc();

private:
    void Perform();
    void SettleMotorsUsed(int32_t chain);
    void StartMotion(int32_t chain);
    void Stream();
    void WaitWhile(const std::function<bool()>& moreToWait, int32_t progressBase);
    void FinalHold();
    void StopAll();
    void CheckStop();
    void Publish(int64_t index);
    int32_t OriginOf(int column) const { return m_origin[size_t(column)]; }

    EngineFactory m_factory;
    std::unique_ptr<vqxclient::EngineLink> m_engine;
    std::thread m_worker;
    const MotionTable* m_table = nullptr;
    RunSettings m_settings;
    RunEvents* m_events = nullptr;

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<int32_t> m_progress{-1};
    std::atomic<int32_t> m_motorsUsed{0};
    std::array<std::atomic<int32_t>, 6> m_origin{};
    std::atomic<double> m_sampleRate{0};
    bool m_mayMove = false; // motors may be moving: an abort stops them
};

} // namespace synmove
