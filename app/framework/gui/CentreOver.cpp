#include "app/framework/gui/CentreOver.h"

#include <QApplication>
#include <QLayout>
#include <QWidget>

namespace fw {

QWidget* OpenerWindow(QWidget* fallback)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && active->windowType() != Qt::Popup)
        return active;
    return fallback ? fallback->window() : nullptr;
}

void CentreOver(QWidget* window, const QWidget* over)
{
    over = over ? over->window() : nullptr;
    if (!window || !over || over == window || !over->isVisible())
        return;
    // The size it opens with: its layout's, once the layout has run.
    window->ensurePolished();
    if (QLayout* layout = window->layout())
        layout->activate();
    const QSize size = window->testAttribute(Qt::WA_Resized) || window->isVisible() ? window->size() : window->sizeHint();
    // A window not shown has no frame yet: it gets its owner's (the same window manager's).
    const QRect owner = over->frameGeometry();
    const QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size()
                                            : owner.size() - over->geometry().size();
    const QPoint centre = owner.center();
    window->move(centre.x() - (size.width() + frame.width()) / 2, centre.y() - (size.height() + frame.height()) / 2);
}

} // namespace fw
