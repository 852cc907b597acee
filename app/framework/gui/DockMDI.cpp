#include "app/framework/gui/DockMDI.h"

#include "app/framework/gui/DockDlg.h"

#include <QApplication>
#include <QMdiArea>
#include <QStyle>

#include <algorithm>

namespace fw {
namespace {

Qt::DockWidgetArea AreaOf(DockSide side)
{
    switch (side) {
    case DockSide::Left: return Qt::LeftDockWidgetArea;
    case DockSide::Top: return Qt::TopDockWidgetArea;
    case DockSide::Right: return Qt::RightDockWidgetArea;
    case DockSide::Bottom: return Qt::BottomDockWidgetArea;
    case DockSide::Floating: break;
    }
    return Qt::NoDockWidgetArea;
}

DockSide SideOfArea(Qt::DockWidgetArea area)
{
    switch (area) {
    case Qt::LeftDockWidgetArea: return DockSide::Left;
    case Qt::TopDockWidgetArea: return DockSide::Top;
    case Qt::RightDockWidgetArea: return DockSide::Right;
    case Qt::BottomDockWidgetArea: return DockSide::Bottom;
    default: break;
    }
    return DockSide::Floating;
}

bool Horizontal(DockSide side) { return side == DockSide::Top || side == DockSide::Bottom; }

// Bars on the top and bottom lie in rows one above the other, bars on the left and right side by
// side, as the bars' row layout puts them.
Qt::Orientation StackOf(DockSide side) { return Horizontal(side) ? Qt::Vertical : Qt::Horizontal; }

PlacementRect RectOf(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

} // namespace

CDockMDI::CDockMDI(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setCentralWidget(m_mdi);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
}

bool CDockMDI::AddDockDlg(CDockDlg* bar)
{
    auto slot = std::find(m_bars.begin(), m_bars.end(), nullptr);
    if (slot == m_bars.end())
        return false;
    *slot = bar;
    bar->setParent(this);
    const DockSide side = SideOf(bar->Record().where2Dock);
    if (side == DockSide::Floating) {
        addDockWidget(Qt::BottomDockWidgetArea, bar);
        bar->setFloating(true);
    } else {
        addDockWidget(AreaOf(side), bar, StackOf(side));
    }
    bar->hide();
    return true;
}

std::vector<CDockDlg*> CDockMDI::BarsInUse() const
{
    std::vector<CDockDlg*> bars;
    for (CDockDlg* b : m_bars) {
        if (!b)
            break;
        bars.push_back(b);
    }
    return bars;
}

std::vector<DockBarRecord> CDockMDI::CollectDockLayout()
{
    const auto bars = BarsInUse();
    std::vector<DockBarRecord> records;
    for (CDockDlg* bar : bars) {
        DockBarRecord& r = bar->Record();
        r.showed = bar->isHidden() ? 0 : 1;
        if (bar->isFloating()) {
            r.floatingRect = RectOf(bar->geometry());
            r.style = CBRS_FLOATING | (r.style & CBRS_ALIGN_ANY);
            r.where2Dock = 0;
            r.posInDockArr = 0;
        } else {
            const DockSide side = SideOfArea(dockWidgetArea(bar));
            const QRect g = bar->geometry();
            if (!bar->isHidden())
                r.dockingRect = RectOf(g);
            // The far edge of the floating rectangle follows the docked size.
            if (bar->isHidden())
                ;
            else if (Horizontal(side))
                r.floatingRect.bottom = r.floatingRect.top + g.height();
            else
                r.floatingRect.right = r.floatingRect.left + g.width();
            r.style = AlignmentOf(side);
            r.where2Dock = Where2DockOnSave(r.style);
            // Position: 1-based place along the side among the shown bars docked there. A hidden
            // bar has no place on screen; it keeps the position it was last put at.
            if (!bar->isHidden()) {
                int pos = 1;
                for (CDockDlg* other : bars) {
                    if (other == bar || other->isHidden() || other->isFloating() ||
                        dockWidgetArea(other) != dockWidgetArea(bar))
                        continue;
                    const QRect o = other->geometry();
                    const bool before = Horizontal(side)
                                            ? (o.top() < g.top() || (o.top() == g.top() && o.left() < g.left()))
                                            : (o.left() < g.left() || (o.left() == g.left() && o.top() < g.top()));
                    if (before)
                        ++pos;
                }
                r.posInDockArr = pos;
            }
        }
        records.push_back(r);
    }
    return records;
}

void CDockMDI::RestoreDockLayout(const std::vector<DockBarRecord>& records)
{
    const auto bars = BarsInUse();
    const size_t n = std::min(bars.size(), records.size());
    std::vector<DockBarRecord> applied(records.begin(), records.begin() + n);
    for (size_t i = 0; i < n; ++i)
        bars[i]->Record() = applied[i];
    // Every bar is hidden while the layout is rebuilt, then shown as stored.
    for (size_t i = 0; i < n; ++i)
        bars[i]->hide();
    for (int i : DockRestoreOrder(applied)) {
        CDockDlg* bar = bars[i];
        const DockBarRecord& r = applied[i];
        const DockSide side = SideOf(r.where2Dock);
        if (side == DockSide::Floating) {
            bar->setFloating(true);
            bar->setGeometry(r.floatingRect.left, r.floatingRect.top, std::max(10, r.floatingRect.Width()),
                             std::max(10, r.floatingRect.Height()));
        } else {
            bar->setFloating(false);
            removeDockWidget(bar);
            addDockWidget(AreaOf(side), bar, StackOf(side));
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const DockBarRecord& r = applied[i];
        bars[i]->setVisible(r.showed != 0);
        const DockSide side = SideOf(r.where2Dock);
        if (side != DockSide::Floating && r.showed) {
            const bool horizontal = Horizontal(side);
            const int size = std::max(10, horizontal ? r.floatingRect.Height() : r.floatingRect.Width());
            resizeDocks({bars[i]}, {size}, horizontal ? Qt::Vertical : Qt::Horizontal);
        }
    }
}

void CDockMDI::ShowControlBar(CDockDlg* bar, bool show)
{
    if (bar)
        bar->setVisible(show);
}

void CDockMDI::PlaceOwnedWindow(QWidget* window) const
{
    // A window placed already (a stored placement, or an earlier opening) keeps its place.
    if (!window || !window->isWindow() || window == this || !isVisible() || window->testAttribute(Qt::WA_Moved))
        return;
    const QPoint corner = m_mdi->mapToGlobal(QPoint(0, 0));
    const PlacementRect area{corner.x(), corner.y(), corner.x() + m_mdi->width(), corner.y() + m_mdi->height()};
    std::vector<PlacementPoint> held;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != window && top->isVisible() && top->parentWidget() && top->parentWidget()->window() == this) {
            const QPoint at = top->frameGeometry().topLeft();
            held.push_back({at.x(), at.y()});
        }
    // Not shown yet: it opens at its size hint unless it was given a size.
    const QSize size = window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint();
    const int step = std::max(24, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window) + 4);
    if (const auto at = CascadeOverWorkArea(area, size.width(), size.height(), held, step))
        window->move(at->x, at->y);
}

void CDockMDI::PlaceOverOwnersWorkArea(QWidget* window)
{
    QWidget* owner = window && window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (auto* frame = qobject_cast<CDockMDI*>(owner))
        frame->PlaceOwnedWindow(window);
}

} // namespace fw

