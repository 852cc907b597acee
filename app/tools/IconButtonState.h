#pragma once
// The icon button's rules without widgets: which of its three icons a state shows, whether a new
// state needs a redraw, and press-and-hold: held for 300 ms on the button's clock reports 3 once,
// a release after that 1, a release before it 2 (a click).

#include "platform/clock/Clock.h"

#include <optional>

namespace tools {

class IconButtonState {
public:
    static constexpr int kHoldMs = 300;
    static constexpr int kHeld = 3, kReleasedAfterHold = 1, kClicked = 2;

    // The icon for a state: 0 for state 0, 1 for state 1, 2 for every other state.
    static int IconOf(int state) { return state == 0 ? 0 : state == 1 ? 1 : 2; }

    int State() const { return m_state; }
    // True when the state changed (the button is redrawn); the same state changes nothing.
    bool SetState(int state);

    bool holdNotifications = false;
    // The press starts the hold time on `clock`.
    void Press(platform::Clock& clock);
    // Called by the button's timer: code 3 once when the hold time has passed, else none.
    std::optional<int> Check(platform::Clock& clock);
    // The release: 1 after a hold, 2 before it; none without hold notifications or a press.
    std::optional<int> Release(platform::Clock& clock);
    bool Pressed() const { return m_pressed; }

private:
    int m_state = -1;
    bool m_pressed = false;
    bool m_fired = false;
    platform::TimePoint m_pressedAt{};
};

} // namespace tools
