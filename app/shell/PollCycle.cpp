#include "app/shell/PollCycle.h"

#include <algorithm>

namespace shell {

int PollCycle::NextOccupied(const PollSlots& slots, int cursor)
{
    for (int i = 0; i < kToolSlots; ++i) {
        const int slot = (cursor + i) % kToolSlots;
        if (slots[slot])
            return slot;
    }
    return -1;
}

bool PollCycle::PollNext(const PollSlots& slots, int& cursor)
{
    // A window with nothing to ask sent nothing: the turn goes on to the next window of its kind,
    // so that an idle window does not hand its kind's turn to the other kinds. Each slot once, read
    // when it comes up (an earlier step may have closed it).
    const int start = cursor;
    for (int i = 0; i < kToolSlots; ++i) {
        const int slot = (start + i) % kToolSlots;
        if (!slots[slot])
            continue;
        cursor = (slot + 1) % kToolSlots;
        if (slots[slot]->PollStep())
            return true;
    }
    return false;
}

int PollCycle::Tick(const Sources& s)
{
    const int delay = Step(s);
    if (delay != 0) {
        m_idleTicks = 0;
        return delay;
    }
    return IdleDelay();
}

int PollCycle::IdleDelay()
{
    // 5 ms for a while, then 10, 20, 40 and the longest rest, for as long as nothing asks.
    if (m_idleTicks < kRestAfterIdleTicks + 4)
        ++m_idleTicks;
    if (m_idleTicks <= kRestAfterIdleTicks)
        return kIdleDelayMs;
    return std::min(kIdleDelayMs << (m_idleTicks - kRestAfterIdleTicks), kRestingDelayMaxMs);
}

// One tick's steps: the delay the step that worked asks for, 0 when none worked.
int PollCycle::Step(const Sources& s)
{
    // The states fall through in order from where the last tick stopped; a tick never wraps.
    switch (m_state) {
    case 0:
        m_state = 1;
        if (s.terminal && s.terminal())
            return kTerminalOrMonitorDelayMs;
        [[fallthrough]];
    case 1:
        m_state = 2;
        if (s.monitors && PollNext(*s.monitors, m_monitorCursor))
            return kTerminalOrMonitorDelayMs;
        [[fallthrough]];
    case 2:
        m_state = s.playground ? 3 : 0;
        if (s.views && PollNext(*s.views, m_viewCursor))
            return kViewOrPlaygroundDelayMs;
        [[fallthrough]];
    case 3:
        // Reached from state 2 without a playground too; then there is nothing to poll here.
        m_state = 0;
        if (s.playground && s.playground->PollStep())
            return kViewOrPlaygroundDelayMs;
        break;
    default:
        m_state = 0;
        break;
    }
    return 0;
}

} // namespace shell
