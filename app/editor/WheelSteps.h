#pragma once
// The editor scrolls one line for every 40 units of wheel distance (a common wheel's notch of 120
// is three lines). A wheel of finer resolution sends less than 40 at a time: what is left over is
// carried to the next turn in the same direction, so that such a wheel scrolls too.

namespace editor {

class CWheelSteps {
public:
    static constexpr int kUnitsPerLine = 40;

    // The lines to scroll for a wheel distance: positive scrolls up, negative down.
    int Lines(int delta)
    {
        if ((delta > 0 && m_rest < 0) || (delta < 0 && m_rest > 0))
            m_rest = 0; // a turn the other way starts afresh
        m_rest += delta;
        const int lines = m_rest / kUnitsPerLine;
        m_rest -= lines * kUnitsPerLine;
        return lines;
    }

private:
    int m_rest = 0;
};

} // namespace editor
