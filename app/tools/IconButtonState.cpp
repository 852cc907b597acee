#include "app/tools/IconButtonState.h"

namespace tools {

bool IconButtonState::SetState(int state)
{
    if (state == m_state)
        return false;
    m_state = state;
    return true;
}

void IconButtonState::Press(platform::Clock& clock)
{
    if (!holdNotifications)
        return;
    m_pressed = true;
    m_fired = false;
    m_pressedAt = clock.Now();
}

std::optional<int> IconButtonState::Check(platform::Clock& clock)
{
    if (!m_pressed || m_fired || clock.Now() - m_pressedAt < std::chrono::milliseconds(kHoldMs))
        return std::nullopt;
    m_fired = true;
    return kHeld;
}

std::optional<int> IconButtonState::Release(platform::Clock&)
{
    if (!m_pressed)
        return std::nullopt;
    m_pressed = false;
    return m_fired ? kReleasedAfterHold : kClicked;
}

} // namespace tools
