#include "app/tools/gui/IconButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace tools::gui {

CIconButton::CIconButton(QWidget* parent, platform::Clock& clock) : QAbstractButton(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(IconButtonState::kHoldMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // The timer may come a little early or late; the clock decides.
        if (const auto code = m_logic.Check(m_clock)) {
            if (notify)
                notify(*code);
        } else if (m_logic.Pressed()) {
            m_timer.start(5);
        }
    });
    setFocusPolicy(Qt::NoFocus);
}

void CIconButton::SetIcons(const QIcon& icon0, const QIcon& icon1, const QIcon& iconOther, QSize size)
{
    m_icons[0] = icon0;
    m_icons[1] = icon1.isNull() ? icon0 : icon1;
    m_icons[2] = iconOther.isNull() ? icon0 : iconOther;
    m_size = size;
    setFixedSize(size);
}

void CIconButton::SetState(int state)
{
    if (m_logic.SetState(state))
        update();
}

void CIconButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    const QPoint at = isDown() ? QPoint(1, 1) : QPoint(0, 0);
    const QIcon& icon = m_icons[IconButtonState::IconOf(m_logic.State())];
    QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    p.drawPixmap(at, icon.pixmap(m_size, mode));
    if (framed) {
        const QColor light = palette().highlight().color(), dark = palette().shadow().color();
        p.setPen(isDown() ? dark : light);
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(isDown() ? light : dark);
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
}

void CIconButton::mousePressEvent(QMouseEvent* e)
{
    QAbstractButton::mousePressEvent(e);
    if (e->button() != Qt::LeftButton || !m_logic.holdNotifications)
        return;
    m_logic.Press(m_clock);
    m_timer.start(IconButtonState::kHoldMs);
}

void CIconButton::mouseReleaseEvent(QMouseEvent* e)
{
    QAbstractButton::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    m_timer.stop();
    if (const auto code = m_logic.Release(m_clock); code && notify)
        notify(*code);
}

QIcon LedIcon(bool lit, QColor on, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(lit ? on : QColor(0xC0, 0xC0, 0xC0));
    p.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    return QIcon(pm);
}

} // namespace tools::gui
