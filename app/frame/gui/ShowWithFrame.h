#pragma once
// Windows the project reopens while the main window is still hidden (at start, when the
// playground is the program's only window) appear with the main window, not before it.

#include <functional>

class QWidget;

// Runs `show` now when `frame` is visible; otherwise once the frame has been shown, unless
// `window` is gone by then.
void ShowWithFrame(QWidget& frame, QWidget& window, std::function<void()> show);
