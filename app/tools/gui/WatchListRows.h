#pragma once
// The rows of a watch list as the monitor window and the motor view's monitor page show them:
// caption with its state image, the value as text or LED icon, the row's check box.

#include <QString>

class CWatchItem;
class QTreeWidget;
class QTreeWidgetItem;
namespace tools {
class CWatchList;
}

namespace tools::gui {

// One row from its item; while polling is stopped every row shows the disabled image.
void ShowWatchRow(QTreeWidgetItem* row, CWatchItem& item, bool polling);
// Every row afresh, the selection kept, the columns sized (the value column stays in view).
void FillWatchList(QTreeWidget* list, const CWatchList& items, bool polling);
// The value column as shown (text, or the LED's name for an icon row).
QString WatchValueShown(const QTreeWidget* list, int row);

} // namespace tools::gui
