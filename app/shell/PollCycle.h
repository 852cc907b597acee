#pragma once
// The main frame's poll cycle: one timer whose every tick lets one tool exchange at most one
// query with a motor. A tick starts at the state where the previous tick stopped and falls through
// terminal bar (0), next monitor window (1), next motor view (2) and playground (3) until one step
// reports work; the timer is then set to 5 ms after a terminal or monitor step, 3 ms after a
// motor-view or playground step, and 5 ms when no step worked. The next monitor window (or view)
// is the next in slot order that has something to ask: one with nothing to ask passes the turn on
// to the one after it, within the same state. The cursors keep their place between ticks, so the
// kinds alternate query by query and every window of a kind gets its turn in slot order.
//
// A cycle that has found nothing to do for a while rests: after kRestAfterIdleTicks ticks in a row
// without work each further idle tick doubles the delay, up to kRestingDelayMaxMs, until a step
// works again or Wake() is called (a tool window comes). Only text a motor sends unasked waits
// for it, in the port, and a window that starts to ask gets its first turn within that time.

#include <array>
#include <functional>

namespace shell {

// What the main frame polls: a tool window that makes at most one query per call and reports
// whether it did (monitor windows, motor views, the playground).
class IPollingWindow {
public:
    virtual ~IPollingWindow() = default;
    virtual bool PollStep() = 0;
};

inline constexpr int kToolSlots = 10;
using PollSlots = std::array<IPollingWindow*, kToolSlots>;

inline constexpr int kFirstPollDelayMs = 10;
inline constexpr int kTerminalOrMonitorDelayMs = 5;
inline constexpr int kViewOrPlaygroundDelayMs = 3;
inline constexpr int kIdleDelayMs = 5;
inline constexpr int kRestAfterIdleTicks = 20;
inline constexpr int kRestingDelayMaxMs = 50;

class PollCycle {
public:
    // What one tick may poll. The slots are read when their state comes up, so a window that a
    // step before closed is not polled.
    struct Sources {
        std::function<bool()> terminal; // CTerminalBar::PollIncoming; none: nothing read
        const PollSlots* monitors = nullptr;
        const PollSlots* views = nullptr;
        IPollingWindow* playground = nullptr;
    };

    // Runs one tick and returns the delay to the next one in milliseconds.
    int Tick(const Sources& sources);

    // Something may ask soon (a tool window was opened): the next idle ticks wait 5 ms again.
    void Wake() { m_idleTicks = 0; }
    // The cycle rests: its idle delay has grown beyond 5 ms.
    bool Resting() const { return m_idleTicks > kRestAfterIdleTicks; }

    int State() const { return m_state; }
    int MonitorCursor() const { return m_monitorCursor; }
    int ViewCursor() const { return m_viewCursor; }

    // The next occupied slot at or after the cursor (after 9 comes 0); -1 when all are empty.
    static int NextOccupied(const PollSlots& slots, int cursor);

private:
    // One turn of a kind: from the cursor, each occupied slot once, until a window reports work;
    // the cursor ends after the last window asked.
    static bool PollNext(const PollSlots& slots, int& cursor);
    int Step(const Sources& sources);
    int IdleDelay();

    int m_state = 0;
    int m_monitorCursor = 0;
    int m_viewCursor = 0;
    int m_idleTicks = 0; // ticks in a row that found nothing to do
};

} // namespace shell
