#include "app/framework/gui/CentreOver.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace fw {

namespace {

// The windows the user worked in, the latest first: between a box that just went and the next
// window's activation, none is active, and the one the user came from is still the opener.
std::vector<QPointer<QWidget>>& RecentlyActive()
{
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

void Activated(QWidget* window)
{
    auto& recent = RecentlyActive();
    std::erase_if(recent, [window](const QPointer<QWidget>& w) { return !w || w == window; });
    recent.insert(recent.begin(), window);
    if (recent.size() > 16)
        recent.pop_back();
}

} // namespace

QWidget* OpenerWindow(QWidget* fallback)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && active->windowType() != Qt::Popup)
        return active;
    for (const QPointer<QWidget>& w : RecentlyActive())
        if (w && w->isVisible())
            return w;
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
    // A window not on the screen yet has no frame: it gets its owner's (the same window manager's).
    const QRect owner = over->frameGeometry();
    QSize frame = window->isVisible() ? window->frameGeometry().size() - window->size() : QSize();
    if (frame.isNull())
        frame = owner.size() - over->geometry().size();
    const QSize outer = size + frame;
    const QPoint centre = owner.center();
    QPoint at(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
    // Over a window near the screen's edge: on the screen still, its title bar first.
    if (const QScreen* screen = over->screen()) {
        const QRect desk = screen->availableGeometry();
        at.setX(std::max(desk.left(), std::min(at.x(), desk.right() + 1 - outer.width())));
        at.setY(std::max(desk.top(), std::min(at.y(), desk.bottom() + 1 - outer.height())));
    }
    window->move(at);
}

namespace {

// Placed by the filter below: placed again when shown again, as long as nobody moved it since.
constexpr char kPlacedHere[] = "fwCentredWhenShown";

class DialogPlacer final : public QObject {
public:
    explicit DialogPlacer(QObject* owner) : QObject(owner) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::WindowActivate && watched->isWidgetType()) {
            auto* window = static_cast<QWidget*>(watched);
            if (window->isWindow() && window->windowType() != Qt::Popup && window->windowType() != Qt::ToolTip)
                Activated(window);
            return false;
        }
        if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous() || !watched->isWidgetType())
            return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || !dialog->isWindow())
            return false;
        if (type == QEvent::Hide) {
            // The next show centres it afresh, over where its opener is then.
            if (dialog->property(kPlacedHere).toBool()) {
                dialog->setAttribute(Qt::WA_Moved, false);
                dialog->setProperty(kPlacedHere, false);
            }
            return false;
        }
        // Before the dialog's own show handling: a dialog moved here is not placed again by the
        // toolkit, and one the program placed itself is left where it is.
        if (dialog->testAttribute(Qt::WA_Moved))
            return false;
        QWidget* parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
        QWidget* over = parent && parent->isVisible() ? parent : OpenerWindow(nullptr);
        if (!over || over == dialog || !over->isVisible())
            return false;
        CentreOver(dialog, over);
        dialog->setProperty(kPlacedHere, true);
        return false;
    }
};

} // namespace

void CentreDialogsWhenShown(QObject* owner) { new DialogPlacer(owner); }

} // namespace fw
