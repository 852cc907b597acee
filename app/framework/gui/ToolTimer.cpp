#include "app/framework/gui/ToolTimer.h"

#include "app/framework/LongOperation.h"

namespace fw {

ToolTimer::ToolTimer(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_timer.isSingleShot())
            m_armed = false;
        if (LongOperation::Active()) {
            // A tick that was already due when the operation began: keep it for later.
            m_armed = true;
            m_timer.stop();
            return;
        }
        Q_EMIT timeout();
    });
    m_listener = LongOperation::AddListener([this](bool active) { OnLongOperation(active); });
}

ToolTimer::~ToolTimer() { LongOperation::RemoveListener(m_listener); }

void ToolTimer::Start(int ms)
{
    m_armed = true;
    m_timer.setInterval(ms);
    if (LongOperation::Active())
        m_timer.stop();
    else
        m_timer.start();
}

void ToolTimer::Stop()
{
    m_armed = false;
    m_timer.stop();
}

void ToolTimer::OnLongOperation(bool active)
{
    if (active)
        m_timer.stop();
    else if (m_armed)
        m_timer.start();
}

} // namespace fw
