#pragma once
// Boxes shown right before the program blocks (a long operation runs on the user-interface
// thread and handles events only between its steps): without these, such a box stays an empty
// frame until the operation's next step, because the window system shows a new window only
// after a round trip and Qt paints nothing into a window that is not shown yet.

class QWidget;

namespace fw {

// Shows the top-level window `window` and returns once its contents are painted on the screen:
// waits, at most `maxWaitMs`, until the window system has put the window up, handling only the
// window system's events and those the program posted meanwhile (no input, sockets or timers;
// the please-wait dialog's callers hold the long-operation flag as well), then paints it.
void ShowPainted(QWidget* window, int maxWaitMs = 1000);
// Paints the shown window `window` at once with its current contents (texts set just before a
// blocking step); nothing while it is not on the screen.
void PaintNow(QWidget* window);

} // namespace fw
