#include "app/framework/gui/PaintNow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLayout>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace fw {

namespace {

// The window system's events and those the program posted; no input, sockets or timers.
constexpr QEventLoop::ProcessEventsFlags kNoInput =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;

bool OnScreen(const QWidget* window)
{
    if (!window)
        return false;
    const QWindow* handle = window->windowHandle();
    return window->isVisible() && handle && handle->isExposed();
}

} // namespace

void ShowPainted(QWidget* window, int maxWaitMs)
{
    if (!window)
        return;
    window->show();
    const QDeadlineTimer deadline(maxWaitMs);
    QCoreApplication::processEvents(kNoInput);
    while (!OnScreen(window) && !deadline.hasExpired()) {
        QThread::msleep(2);
        QCoreApplication::processEvents(kNoInput);
    }
    PaintNow(window);
}

void PaintNow(QWidget* window)
{
    if (!OnScreen(window))
        return;
    // Texts changed just now: the window takes its new size before it is painted.
    if (QLayout* layout = window->layout())
        layout->activate();
    window->repaint();
    // What was painted goes out to the window system now, not with the next events.
    QCoreApplication::processEvents(kNoInput);
}

} // namespace fw
