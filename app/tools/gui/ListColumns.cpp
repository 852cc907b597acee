#include "app/tools/gui/ListColumns.h"

#include <QAbstractItemModel>
#include <QTreeWidget>

#include <algorithm>

namespace tools::gui {

void FitColumnToValues(QTreeWidget* list, int column, int row)
{
    // Every row counts, also those scrolled out of view (the view's own hint looks only at the
    // rows shown).
    const QAbstractItemModel* model = list->model();
    const int first = row >= 0 ? row : 0;
    const int end = row >= 0 ? std::min(row + 1, list->topLevelItemCount()) : list->topLevelItemCount();
    int need = 0;
    for (int r = first; r < end; ++r)
        need = std::max(need, list->sizeHintForIndex(model->index(r, column)).width());
    if (need > list->columnWidth(column))
        list->setColumnWidth(column, need);
}

} // namespace tools::gui
