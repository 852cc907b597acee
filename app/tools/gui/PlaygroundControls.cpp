#include "app/tools/gui/PlaygroundControls.h"

#include "app/tools/PlaygroundMath.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include <cmath>

namespace tools::gui {

LedButton::LedButton(QWidget* parent, QColor on) : QAbstractButton(parent), m_on(on)
{
    setFixedSize(16, 16);
    setFocusPolicy(Qt::NoFocus);
}

void LedButton::SetState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    update();
}

void LedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = m_state == 1 ? m_on : m_state == 0 ? QColor(90, 90, 90) : QColor(192, 192, 192);
    p.setPen(QPen(isEnabled() ? Qt::black : Qt::gray, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, width() - 3, height() - 3));
}

RotButton::RotButton(QWidget* parent) : QAbstractButton(parent)
{
    setFixedSize(64, 64);
    setFocusPolicy(Qt::NoFocus);
}

void RotButton::SetAngle(double degrees)
{
    m_angle = NormalizeAngle(degrees);
    update();
}

void RotButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect r = rect().adjusted(1, 1, -2, -2);
    p.fillRect(rect(), palette().button());
    p.setPen(Qt::black);
    p.setBrush(isEnabled() ? palette().base() : palette().button());
    p.drawEllipse(r);
    const QPointF c = QRectF(r).center();
    const double radius = r.height() / 2;
    const double theta = -m_angle * 0.017453292519943334;
    p.drawLine(c, QPointF(c.x() + std::trunc(radius * std::cos(theta)), c.y() + std::trunc(radius * std::sin(theta))));
}

void RotButton::Report(const QPoint& at)
{
    if (!turned)
        return;
    const double a = KnobPointAngle(at.x(), at.y(), width(), height());
    turned(KnobChange(a, m_angle));
}

void RotButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        Report(e->position().toPoint());
}

void RotButton::mouseMoveEvent(QMouseEvent* e)
{
    if ((e->buttons() & Qt::LeftButton) && rect().contains(e->position().toPoint()))
        Report(e->position().toPoint());
}

HoldButton::HoldButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(300);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_held = true;
        if (hold)
            hold(3);
    });
    connect(this, &QPushButton::pressed, this, [this] {
        m_held = false;
        m_timer.start();
    });
    connect(this, &QPushButton::released, this, [this] {
        m_timer.stop();
        if (hold)
            hold(m_held ? 1 : 2);
        m_held = false;
    });
}

} // namespace tools::gui
