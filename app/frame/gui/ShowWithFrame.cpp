#include "app/frame/gui/ShowWithFrame.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Waits for the frame's first show, then hands the window its show and goes.
class ShowWhenFrameShows final : public QObject {
public:
    ShowWhenFrameShows(QWidget& frame, QWidget& window, std::function<void()> show)
        : QObject(&frame), m_window(&window), m_show(std::move(show))
    {
        frame.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Show) {
            parent()->removeEventFilter(this);
            // After the frame's own show, so that the window comes up over it.
            if (QWidget* window = m_window.data())
                QTimer::singleShot(0, window, std::move(m_show));
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_show;
};

} // namespace

void ShowWithFrame(QWidget& frame, QWidget& window, std::function<void()> show)
{
    if (frame.isVisible()) {
        show();
        return;
    }
    new ShowWhenFrameShows(frame, window, std::move(show));
}
