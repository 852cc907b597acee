#include "app/tools/gui/WatchListRows.h"

#include "app/framework/gui/Text8.h"
#include "app/tools/WatchList.h"
#include "app/tools/gui/ListColumns.h"
#include "app/tools/gui/WatchIcons.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace tools::gui {

void ShowWatchRow(QTreeWidgetItem* row, CWatchItem& watch, bool polling)
{
    const WatchRowState state = watch.UpdateListRow(false);
    const int image = polling ? state.stateImage : CWatchItem::kImageDisabled;
    row->setIcon(0, watchicons::StripImage(image));
    row->setText(1, fw::ToQt(state.text));
    // The whole text, however narrow the column (an error explains itself in full).
    row->setToolTip(1, fw::ToQt(state.text));
    if (state.iconImage >= 0) {
        row->setIcon(1, watchicons::StripImage(state.iconImage));
        row->setData(1, Qt::UserRole, fw::ToQt(watch.ValueText));
    } else {
        row->setIcon(1, QIcon());
        row->setData(1, Qt::UserRole, QVariant());
    }
    if (QTreeWidget* list = row->treeWidget())
        FitColumnToValues(list, 1, list->indexOfTopLevelItem(row));
}

void FillWatchList(QTreeWidget* list, const CWatchList& items, bool polling)
{
    const auto selected = list->selectedItems();
    const int selectedRow = selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.front());
    list->clear();
    for (int i = 0; i < items.Count(); ++i) {
        auto* row = new QTreeWidgetItem(QStringList{fw::ToQt(items.At(i)->Caption), QString()});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, items.At(i)->Enabled ? Qt::Checked : Qt::Unchecked);
        list->addTopLevelItem(row);
        ShowWatchRow(row, *items.At(i), polling);
    }
    if (items.Count() > 0)
        list->resizeColumnToContents(0);
    else
        list->setColumnWidth(0, list->header()->sectionSizeHint(0));
    // The value column stays in view: a long caption does not push it out of the window.
    const int room = list->viewport()->width() - 100;
    if (room > 100 && list->columnWidth(0) > room)
        list->setColumnWidth(0, room);
    list->setColumnWidth(1, std::max(100, list->header()->sectionSizeHint(1)));
    FitColumnToValues(list, 1);
    if (QTreeWidgetItem* row = list->topLevelItem(selectedRow))
        list->setCurrentItem(row);
}

QString WatchValueShown(const QTreeWidget* list, int row)
{
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item)
        return {};
    if (!item->text(1).isEmpty() || item->icon(1).isNull())
        return item->text(1);
    return item->data(1, Qt::UserRole).toString();
}

} // namespace tools::gui
