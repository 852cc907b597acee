#pragma once
// A window timer that honours the long-operation flag: while a long operation runs (the
// please-wait dialog is up) it does not fire; when the operation ends, a timer that was running
// starts again. Every timer of a tool window that may talk to a motor is one of these.

#include <QObject>
#include <QTimer>

namespace fw {

class ToolTimer : public QObject {
    Q_OBJECT
public:
    explicit ToolTimer(QObject* parent = nullptr);
    ~ToolTimer() override;

    void SetSingleShot(bool single) { m_timer.setSingleShot(single); }
    void SetPrecise(bool precise) { m_timer.setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer); }
    // Starts (or restarts) the timer; while a long operation runs it starts when that ends.
    void Start(int ms);
    void Stop();
    // Armed: started and not stopped (it may be held by a long operation).
    bool IsArmed() const { return m_armed; }
    bool IsRunning() const { return m_timer.isActive(); }
    int Interval() const { return m_timer.interval(); }

Q_SIGNALS:
    void timeout();

private:
    void OnLongOperation(bool active);

    QTimer m_timer;
    bool m_armed = false;
    int m_listener = 0;
};

} // namespace fw
