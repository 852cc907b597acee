#pragma once
// The pixel rules of the shared dialogs (in device-independent pixels; the toolkit scales them on
// a high-density screen): the remembered-answer box sizes itself to its text, the page selector to
// its largest page.

#include <functional>

namespace shell {

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool operator==(const Box&) const = default;
};

struct OptionBoxGeometry {
    int width = 0, height = 0;
    Box text, icon, check;
    Box buttons[3]; // left, middle, right
};
// The text is measured word-wrapped within a width; `measure(width)` gives the text's size.
using MeasureText = std::function<Box(int wrapWidth)>;
OptionBoxGeometry LayoutOptionBox(bool iconShown, const MeasureText& measure);

struct PageDlgGeometry {
    int width = 0, height = 0;
    Box area;     // where every page is placed
    Box selector; // tab strip or icon list
    Box restoreDefaults, help, cancel, ok;
};
// `largestPage`: the largest client width and height among the pages. `listWidth`: what the icon
// list needs to show its longest page name (never narrower than 140). The button row always fits:
// Restore Defaults, OK, Cancel and Help never overlap, however small the pages.
PageDlgGeometry LayoutPageDlg(bool listStyle, int largestPageWidth, int largestPageHeight, int listWidth = 140);

} // namespace shell
