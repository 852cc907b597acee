#pragma once
// The send bar's byte field (control 1000): shows the byte editor's text and hands it every key and
// click; nothing reaches the text except through the editor (no free typing, pasting or dropping).

#include "app/setup/SendBar.h"

#include <QLineEdit>

class CSendBarEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSendBarEdit(QWidget* parent = nullptr);
    sda::CSendBar& Bar() { return m_bar; }
    // A key meant for the bar (also from the analyzer's display); false when the bar does not take it.
    bool TakeKey(QKeyEvent* event);
    void SetFormat(int format);
    // Shows the editor's state (after a change made outside the widget).
    void Sync();

Q_SIGNALS:
    // Enter (with the terminator), F9 (without).
    void sendWanted(bool appendTerminator);
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    sda::CSendBar m_bar;
};
