#pragma once
// The layout check of every window and dialog a GUI test shows: each visible label, button, check
// box, radio button, tab, list row and list header shows its whole text in its rectangle (measured
// with the widget's own font and style), a toolbar shows all its buttons, and no two visible
// sibling controls overlap.
//
//   for (const std::string& p : LayoutProblems(dialog)) ADD_FAILURE() << p;
//
// GuiTest::Snapshot runs it on everything it photographs.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <string>
#include <vector>

namespace layoutcheck {

inline std::string Describe(const QWidget* w)
{
    std::string s = w->metaObject()->className();
    if (!w->objectName().isEmpty())
        s += " #" + w->objectName().toStdString();
    return s;
}

inline QString Plain(QString text)
{
    // "&&" shows one ampersand, "&x" underlines x.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// What a rich-text label reads as: its text without markup, line breaks as "\n".
inline QString RichPlain(const QString& html)
{
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText().replace(QChar(0x2028), QLatin1Char('\n'));
}

// Rounding of fractional font metrics and styles: a pixel is no clipped letter.
inline constexpr int kSlack = 1;

inline void CheckLabel(const QLabel* label, std::vector<std::string>& out)
{
    const QString text = label->text();
    if (text.isEmpty() || label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)) || !label->pixmap().isNull())
        return;
    QRect r = label->contentsRect();
    const int m = label->margin();
    r.adjust(m, m, -m, -m);
    const QFontMetrics fm(label->font());
    const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | Qt::TextShowMnemonic;
    const QRect need = fm.boundingRect(QRect(0, 0, label->wordWrap() ? r.width() : 100000, 100000), flags, text);
    if (need.width() > r.width() + kSlack || need.height() > r.height() + kSlack)
        out.push_back(Describe(label) + " \"" + text.toStdString() + "\" needs " + std::to_string(need.width()) + "x" +
                      std::to_string(need.height()) + ", has " + std::to_string(r.width()) + "x" +
                      std::to_string(r.height()));
}

inline void CheckButton(const QAbstractButton* button, std::vector<std::string>& out)
{
    const QString text = Plain(button->text());
    if (text.isEmpty() || qobject_cast<const QToolButton*>(button))
        return;
    QStyle::SubElement element;
    if (qobject_cast<const QCheckBox*>(button))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton*>(button))
        element = QStyle::SE_RadioButtonContents;
    else if (qobject_cast<const QPushButton*>(button))
        element = QStyle::SE_PushButtonContents;
    else
        return;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QRect room = button->style()->subElementRect(element, &option, button);
    const QFontMetrics fm(button->font());
    int need = fm.horizontalAdvance(text);
    if (!button->icon().isNull())
        need += button->iconSize().width() + 4;
    if (need > room.width() + kSlack || fm.height() > room.height() + kSlack)
        out.push_back(Describe(button) + " \"" + text.toStdString() + "\" needs " + std::to_string(need) + ", has " +
                      std::to_string(room.width()));
}

inline void CheckTabs(const QTabBar* tabs, std::vector<std::string>& out)
{
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i))
            continue;
        const QRect r = tabs->tabRect(i);
        // A tab scrolled out of view is reached with the scroll buttons.
        if (r.right() < 0 || r.left() > tabs->width())
            continue;
        // The text, the style's space around it, an icon and the tab's buttons.
        const QFontMetrics fm(tabs->font());
        int need = fm.horizontalAdvance(Plain(tabs->tabText(i))) +
                   tabs->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs);
        if (!tabs->tabIcon(i).isNull())
            need += tabs->iconSize().width() + 4;
        for (auto side : {QTabBar::LeftSide, QTabBar::RightSide})
            if (QWidget* b = tabs->tabButton(i, side))
                need += b->width();
        if (r.width() + kSlack < need)
            out.push_back(Describe(tabs) + " tab \"" + tabs->tabText(i).toStdString() + "\" needs " +
                          std::to_string(need) + ", has " + std::to_string(r.width()));
    }
}

inline void CheckHeader(const QHeaderView* header, std::vector<std::string>& out)
{
    if (!header->isVisible() || !header->model())
        return;
    const QFontMetrics fm(header->font());
    for (int s = 0; s < header->count(); ++s) {
        if (header->isSectionHidden(s) || header->sectionSize(s) == 0)
            continue;
        const QString text = header->model()->headerData(s, header->orientation()).toString();
        if (text.isEmpty() || header->orientation() != Qt::Horizontal)
            continue;
        // The text and the style's margins on both sides.
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const int need = fm.horizontalAdvance(text) + 2 * margin;
        if (header->sectionSize(s) + kSlack < need)
            out.push_back(Describe(header) + " column \"" + text.toStdString() + "\" needs " + std::to_string(need) +
                          ", has " + std::to_string(header->sectionSize(s)));
    }
}

// The rows of a plain list: a row's text is whole in the list's width (a name read by scrolling
// sideways is cut as the user first sees it).
inline void CheckListRows(const QListView* list, std::vector<std::string>& out)
{
    if (!list->model() || list->viewMode() != QListView::ListMode)
        return;
    const int width = list->viewport()->width();
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
        const QModelIndex index = list->model()->index(row, list->modelColumn(), list->rootIndex());
        if (list->isRowHidden(row))
            continue;
        const QString text = index.data().toString();
        if (text.isEmpty())
            continue;
        const QRect r = list->visualRect(index).translated(list->horizontalScrollBar()->value(), 0);
        // What the list's delegate asks for the row: icon, text and margins.
        const int need = list->sizeHintForIndex(index).width();
        if (r.left() + need > width + kSlack)
            out.push_back(Describe(list) + " row \"" + text.toStdString() + "\" needs " + std::to_string(need) +
                          ", has " + std::to_string(width - r.left()));
    }
}

// The cells of a list of rows and columns whose text needs more room than its column gives (the
// list shows it cut to "..."): the value lists of the tools are checked with it.
inline std::vector<std::string> CutCells(const QTreeView* list)
{
    std::vector<std::string> out;
    const QAbstractItemModel* model = list->model();
    if (!model)
        return out;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            const QString text = index.data().toString();
            if (text.isEmpty() || list->isColumnHidden(column))
                continue;
            // What the list's delegate asks for the cell: icon, text and margins.
            const int need = list->sizeHintForIndex(index).width();
            if (list->columnWidth(column) + kSlack < need)
                out.push_back(Describe(list) + " row " + std::to_string(row) + " column " + std::to_string(column) +
                              " \"" + text.toStdString() + "\" needs " + std::to_string(need) + ", has " +
                              std::to_string(list->columnWidth(column)));
        }
    return out;
}

// A visible question ("...?") comes with something to answer it: a button, a choice or a field
// beside it.
inline void CheckQuestion(const QLabel* label, std::vector<std::string>& out)
{
    if (!label->text().trimmed().endsWith(QLatin1Char('?')) || !label->parentWidget())
        return;
    for (QObject* o : label->parentWidget()->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w != label && w->isVisible() &&
            (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
             qobject_cast<QAbstractSpinBox*>(w)))
            return;
    }
    out.push_back(Describe(label) + " \"" + label->text().toStdString() + "\" asks, but nothing beside it answers");
}

// Controls that take a place of their own in a dialog (complex widgets' own parts are theirs).
inline bool IsControl(const QWidget* w)
{
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractScrollArea*>(w) ||
           qobject_cast<const QGroupBox*>(w) || qobject_cast<const QTabWidget*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const QProgressBar*>(w) ||
           (qobject_cast<const QAbstractSlider*>(w) && !qobject_cast<const QScrollBar*>(w));
}

// Parents whose children are placed by the widget itself (not a form of controls).
inline bool ArrangesItsOwnChildren(const QWidget* parent)
{
    return qobject_cast<const QAbstractScrollArea*>(parent) || qobject_cast<const QTabBar*>(parent) ||
           qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent) ||
           qobject_cast<const QAbstractButton*>(parent) || (parent->parentWidget() &&
                                                            qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) &&
                                                            static_cast<const QAbstractScrollArea*>(parent->parentWidget())->viewport() == parent);
}

inline void CheckOverlaps(const QWidget* parent, std::vector<std::string>& out)
{
    if (ArrangesItsOwnChildren(parent))
        return;
    std::vector<const QWidget*> controls;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow() && w->isVisible() && IsControl(w) && !w->geometry().isEmpty())
            controls.push_back(w);
    }
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            // A group box and the controls drawn over its frame are not siblings here; two rects
            // that share a pixel line are rounding.
            const QRect both = controls[i]->geometry().intersected(controls[j]->geometry());
            if (both.width() > 2 && both.height() > 2)
                out.push_back(Describe(controls[i]) + " and " + Describe(controls[j]) + " overlap");
        }
}

// A toolbar shows every button: none is hidden behind its overflow arrow.
inline void CheckToolbar(const QToolBar* bar, std::vector<std::string>& out)
{
    // The toolkit's own print preview sizes its window and toolbar itself.
    if (bar->window()->inherits("QPrintPreviewDialog"))
        return;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        const QWidget* button = bar->widgetForAction(a);
        if (!button || !button->isVisible())
            out.push_back(Describe(bar) + " hides \"" + Plain(a->text()).toStdString() + "\" behind its overflow");
    }
}

// Every problem of a shown window; none for a window that is not shown (it has no layout yet).
inline std::vector<std::string> LayoutProblems(QWidget* window)
{
    std::vector<std::string> out;
    if (!window || !window->isVisible())
        return out;
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : all) {
        if (!w->isVisible() || (w != window && w->isWindow()) || w->width() <= 0 || w->height() <= 0)
            continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            CheckLabel(label, out);
            CheckQuestion(label, out);
        }
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            CheckButton(button, out);
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            CheckTabs(tabs, out);
        else if (auto* header = qobject_cast<QHeaderView*>(w))
            CheckHeader(header, out);
        else if (auto* list = qobject_cast<QListView*>(w))
            CheckListRows(list, out);
        else if (auto* bar = qobject_cast<QToolBar*>(w))
            CheckToolbar(bar, out);
        CheckOverlaps(w, out);
    }
    return out;
}

} // namespace layoutcheck
