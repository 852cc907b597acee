#include "app/setup/gui/SendBarEdit.h"

#include "app/framework/gui/Text8.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

CSendBarEdit::CSendBarEdit(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("1000"));
    setToolTip(QStringLiteral("Type data to be sent"));
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFont(QFont(QStringLiteral("Courier New")));
}

void CSendBarEdit::Sync()
{
    setText(fw::ToQt(m_bar.Text()));
    setCursorPosition(m_bar.CursorColumn());
}

void CSendBarEdit::SetFormat(int format)
{
    m_bar.SetFormat(format);
    Sync();
}

bool CSendBarEdit::TakeKey(QKeyEvent* event)
{
    using Key = sda::CSendBar::Key;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: Q_EMIT sendWanted(true); return true;
    case Qt::Key_F9: Q_EMIT sendWanted(false); return true;
    case Qt::Key_Escape: Q_EMIT escapePressed(); return true;
    case Qt::Key_Backspace: m_bar.Press(Key::Backspace); break;
    case Qt::Key_Delete: m_bar.Press(Key::Delete); break;
    case Qt::Key_Home: m_bar.Press(Key::Home); break;
    case Qt::Key_End: m_bar.Press(Key::End); break;
    case Qt::Key_Left: m_bar.Press(Key::Left); break;
    case Qt::Key_Right: m_bar.Press(Key::Right); break;
    default: {
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString text = event->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false;
        const std::string bytes = fw::FromQt(text);
        for (char c : bytes)
            m_bar.Type(c);
        break;
    }
    }
    Sync();
    return true;
}

void CSendBarEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || !TakeKey(event))
        event->ignore();
}

void CSendBarEdit::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    m_bar.ClickAt(cursorPositionAt(event->position().toPoint()));
    Sync();
}

void CSendBarEdit::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CSendBarEdit::inputMethodEvent(QInputMethodEvent* event)
{
    for (char c : fw::FromQt(event->commitString()))
        m_bar.Type(c);
    Sync();
    event->accept();
}
