#include "app/tools/gui/ListColumns.h"

#include <QAbstractItemModel>
#include <QTreeWidget>

#include <algorithm>

namespace tools::gui {

void FitColumnToValues(QTreeWidget* list, int column)
{
    // Every row counts, also those scrolled out of view (the view's own hint looks only at the
    // rows shown).
    const QAbstractItemModel* model = list->model();
    int need = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        need = std::max(need, list->sizeHintForIndex(model->index(row, column)).width());
    if (need > list->columnWidth(column))
        list->setColumnWidth(column, need);
}

} // namespace tools::gui
