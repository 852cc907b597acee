#pragma once
// The value columns of the tools' lists (monitor, motor view's monitor page, chart view): as wide
// as their widest value, so that a six-digit number or an error text is never cut to "...".

class QTreeWidget;

namespace tools::gui {

// Widens `column` to its widest cell (of `row` alone when one is given: the row a poll step
// changed); never narrows it, so that values that grow and shrink while polling do not make the
// columns jump.
void FitColumnToValues(QTreeWidget* list, int column, int row = -1);

} // namespace tools::gui
