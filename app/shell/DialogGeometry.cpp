#include "app/shell/DialogGeometry.h"

#include <algorithm>

namespace shell {

OptionBoxGeometry LayoutOptionBox(bool iconShown, const MeasureText& measure)
{
    OptionBoxGeometry g;
    // The text rectangle starts at (50,10)-(450,100) with an icon, (10,10)-(410,100) without.
    const int left = iconShown ? 50 : 10;
    const int top = 10;
    Box measured = measure ? measure(400) : Box{0, 0, 400, 90};
    const int textWidth = std::max(320, measured.w);
    const int textHeight = iconShown ? std::max(30, measured.h) : measured.h;
    g.text = {left, top, textWidth, textHeight};
    g.icon = {10, top, 32, 32};
    const int extra = iconShown ? 65 : 25;
    g.width = textWidth + extra;
    g.height = textHeight + 110;
    const int bottom = g.text.Bottom();
    g.check = {10, bottom + 10, g.width - 20, 20};
    g.buttons[0] = {10, bottom + 35, 100, 25};
    g.buttons[1] = {(g.width - 100) / 2, bottom + 35, 100, 25};
    g.buttons[2] = {g.width - 115, bottom + 35, 100, 25};
    return g;
}

PageDlgGeometry LayoutPageDlg(bool listStyle, int largestPageWidth, int largestPageHeight, int listWidth)
{
    PageDlgGeometry g;
    const int w = std::max(11, largestPageWidth);
    const int h = std::max(36, largestPageHeight);
    // Restore Defaults (120), a gap, then OK, Cancel and Help (80 each, 10 apart).
    constexpr int kButtonRow = 120 + 10 + 260;
    const int row = std::max(w, kButtonRow);
    if (listStyle) {
        const int list = std::max(140, listWidth);
        g.area = {list + 20, 10, w, h};
        g.selector = {10, 10, list, h + 30};
        g.width = row + list + 40;
        g.height = h + 85;
    } else {
        g.area = {10, 35, w, h};
        g.selector = {10, 10, w, 25};
        g.width = row + 30;
        g.height = h + 120;
    }
    const int y = g.area.Bottom() + 15;
    const int right = g.area.x + row;
    g.restoreDefaults = {g.area.x, y, 120, 25};
    g.help = {right - 80, y, 80, 25};
    g.cancel = {right - 90 - 80, y, 80, 25};
    g.ok = {right - 180 - 80, y, 80, 25};
    return g;
}

} // namespace shell
