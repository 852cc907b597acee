#pragma once
// Small painted controls of the playground: the LED (display or clickable), the rotary knob that
// reports the turn the user asks for, and the press-and-hold jog button.
#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace tools::gui {

// A round lamp: state -1 grey, 0 off, 1 on. Clickable only when enabled (the I/O LEDs).
class LedButton : public QAbstractButton {
public:
    explicit LedButton(QWidget* parent, QColor on = QColor(0, 200, 0));
    void SetState(int state);
    int State() const { return m_state; }
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_state = -1;
    QColor m_on;
};

// The knob: shows an angle (degrees counter-clockwise from 3 o'clock) and reports the change a
// click or drag asks for; it never turns itself.
class RotButton : public QAbstractButton {
public:
    explicit RotButton(QWidget* parent);
    void SetAngle(double degrees);
    double Angle() const { return m_angle; }
    std::function<void(double change)> turned;
    QSize sizeHint() const override { return {64, 64}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent*) override {}

private:
    void Report(const QPoint& at);
    double m_angle = 0;
};

// A button that tells apart a click from a hold of 300 ms: 3 held, 1 released after holding,
// 2 released before.
class HoldButton : public QPushButton {
public:
    HoldButton(const QString& text, QWidget* parent);
    std::function<void(int code)> hold;

private:
    QTimer m_timer;
    bool m_held = false;
};

} // namespace tools::gui
