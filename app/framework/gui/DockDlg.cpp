#include "app/framework/gui/DockDlg.h"

#include <QAbstractButton>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace fw {

CDockDlg::CDockDlg(const QString& title, int id, uint32_t where2Dock, PlacementRect floatingRect, QWidget* parent)
    : QDockWidget(title, parent), m_id(id)
{
    setObjectName(QString::number(id));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_record.floatingRect = floatingRect;
    m_record.where2Dock = where2Dock;
    m_record.style = where2Dock ? where2Dock : CBRS_FLOATING;
    for (auto* button : findChildren<QAbstractButton*>()) {
        if (button->objectName() == QLatin1String("qt_dockwidget_closebutton"))
            button->setToolTip(QStringLiteral("Hide %1 View").arg(title));
    }
    resize(floatingRect.Width(), floatingRect.Height());
}

int CDockDlg::GetHelpTopicAt(const QPoint*) const { return m_id; }

void FocusActiveDocument(QWidget* inBar)
{
    for (QWidget* w = inBar; w; w = w->parentWidget())
        if (auto* main = qobject_cast<QMainWindow*>(w)) {
            if (auto* mdi = main->findChild<QMdiArea*>())
                if (QMdiSubWindow* active = mdi->activeSubWindow(); active && active->widget())
                    active->widget()->setFocus();
            return;
        }
}

} // namespace fw
