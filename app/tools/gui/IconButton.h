#pragma once
// The icon button: one of three icons by its state (LEDs, the link indicator) and, when asked,
// press-and-hold notifications to its owner: 3 held for 300 ms, 1 released after holding, 2
// released before. The rules are IconButtonState's; the hold time runs on the given clock.

#include "app/tools/IconButtonState.h"

#include <QAbstractButton>
#include <QIcon>
#include <QTimer>

#include <functional>

namespace tools::gui {

class CIconButton : public QAbstractButton {
public:
    explicit CIconButton(QWidget* parent, platform::Clock& clock = platform::GetClock());

    // icon1 and iconOther default to icon0. The button takes icon0's size.
    void SetIcons(const QIcon& icon0, const QIcon& icon1 = {}, const QIcon& iconOther = {}, QSize size = {14, 14});
    void SetState(int state);
    int State() const { return m_logic.State(); }
    bool framed = false;
    void SetHoldNotifications(bool on) { m_logic.holdNotifications = on; }
    // The owner's notification: (code, the button's control id from its object name).
    std::function<void(int code)> notify;
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    IconButtonState m_logic;
    platform::Clock& m_clock;
    QTimer m_timer;
    QIcon m_icons[3];
    QSize m_size{14, 14};
};

// Painted LED icons: a round lamp in `on` colour, or grey when off.
QIcon LedIcon(bool lit, QColor on = QColor(230, 0, 0), int size = 14);

} // namespace tools::gui
