#pragma once
// Where a dialog or a please-wait box opens: centred over the window that opened it (a tool
// window's box over that window, not over the main window or the screen's corner), at the size
// it opens with, kept on that window's screen. Called before the window is shown; the window
// manager may nudge it.

class QObject;
class QWidget;

namespace fw {

// The window the user works in now: the modal box open, else the program's active window (a
// tool window, the main window), else the one active last that is still shown (once
// CentreDialogsWhenShown watches), else `fallback`.
QWidget* OpenerWindow(QWidget* fallback);
// Moves `window` (not shown yet, or shown) so that it is centred over `over`'s window; nothing
// when `over` is null or hidden.
void CentreOver(QWidget* window, const QWidget* over);
// From now until `owner` goes, every dialog the program shows without placing it itself is
// centred by CentreOver as it is shown, before its first frame: over its parent's window, or
// over the window the user works in when it has no shown parent. It opens at the size its layout
// settled on, over where the window manager has its opener, instead of where the toolkit guesses
// from the frames of other windows. A dialog the program moved itself keeps its place.
void CentreDialogsWhenShown(QObject* owner);

} // namespace fw
