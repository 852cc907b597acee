#include "app/shell/PollCycle.h"

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

int PollCycle::Tick(const Sources& s)
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
        if (s.monitors) {
            if (const int slot = NextOccupied(*s.monitors, m_monitorCursor); slot >= 0) {
                m_monitorCursor = (slot + 1) % kToolSlots;
                if ((*s.monitors)[slot]->PollStep())
                    return kTerminalOrMonitorDelayMs;
            }
        }
        [[fallthrough]];
    case 2:
        m_state = s.playground ? 3 : 0;
        if (s.views) {
            if (const int slot = NextOccupied(*s.views, m_viewCursor); slot >= 0) {
                m_viewCursor = (slot + 1) % kToolSlots;
                if ((*s.views)[slot]->PollStep())
                    return kViewOrPlaygroundDelayMs;
            }
        }
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
    return kIdleDelayMs;
}

} // namespace shell
