#pragma once
// Where a dialog or a please-wait box opens: centred over the window that opened it (a tool
// window's box over that window, not over the main window or the screen's corner), at the size
// it opens with. Called before the window is shown; the window manager may nudge it.

class QWidget;

namespace fw {

// The window the user works in now: the modal box open, else the program's active window (a
// tool window, the main window), else `fallback`.
QWidget* OpenerWindow(QWidget* fallback);
// Moves `window` (not shown yet, or shown) so that it is centred over `over`'s window; nothing
// when `over` is null or hidden.
void CentreOver(QWidget* window, const QWidget* over);

} // namespace fw
