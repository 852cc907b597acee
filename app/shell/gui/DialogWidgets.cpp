#include "app/shell/gui/DialogWidgets.h"

#include "app/framework/gui/Text8.h"
#include "app/shell/SmallForms.h"
#include "core/ui/Questions.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace dialogwidgets {

CUpDown::CUpDown(int id, QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_min(min), m_max(max)
{
    setObjectName(QString::number(id));
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    for (QToolButton* b : {up, down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
    }
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
}

void CUpDown::SetRange(int min, int max)
{
    m_min = min;
    m_max = max;
}

void CUpDown::Step(int delta)
{
    const std::optional<int> value = shell::FieldInteger(fw::FromQt(m_buddy->text()));
    // In 64 bits: the field may hold INT_MAX typed by hand, and one more must clamp, not wrap.
    const long long wanted = value ? static_cast<long long>(*value) + delta : m_min;
    const int next = static_cast<int>(std::clamp<long long>(wanted, m_min, m_max));
    m_buddy->setText(QString::number(next));
}

QTreeWidget* MakeReportList(int id, const std::vector<QString>& titles, const std::vector<int>& widths, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::number(id));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(QStringList(titles.begin(), titles.end()));
    for (size_t i = 0; i < widths.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), widths[i]);
    list->header()->setStretchLastSection(true);
    return list;
}

void FillReportListRows(QTreeWidget* list, const std::vector<std::vector<std::string>>& rows)
{
    const int selected = SelectedRow(list);
    list->clear();
    for (const auto& row : rows) {
        QStringList texts;
        for (const std::string& cell : row)
            texts << fw::ToQt(cell);
        list->addTopLevelItem(new QTreeWidgetItem(texts));
    }
    if (selected >= 0 && selected < list->topLevelItemCount())
        list->setCurrentItem(list->topLevelItem(selected));
}

namespace {

class CListKeys : public QObject {
public:
    CListKeys(QObject* parent, std::function<void()> add, std::function<void()> remove, std::function<void()> properties,
              std::function<void()> edit)
        : QObject(parent), m_add(std::move(add)), m_remove(std::move(remove)), m_properties(std::move(properties)),
          m_edit(std::move(edit))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const std::function<void()>& act =
                key == Qt::Key_Insert   ? m_add
                : key == Qt::Key_Delete ? m_remove
                : key == Qt::Key_Space  ? m_properties
                : key == Qt::Key_F2     ? m_edit
                                        : m_none;
            if (act) {
                act();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_add, m_remove, m_properties, m_edit, m_none;
};

} // namespace

void RouteListKeys(QTreeWidget* list, std::function<void()> add, std::function<void()> remove,
                   std::function<void()> properties, std::function<void()> edit)
{
    list->installEventFilter(
        new CListKeys(list, std::move(add), std::move(remove), std::move(properties), std::move(edit)));
}

int SelectedRow(QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->indexOfTopLevelItem(items.front());
}

void StopBox(ui::IQuestions& questions, const std::string& text)
{
    ui::OptionMessageBox(questions, text, ui::MB_OK | ui::MB_ICONHAND);
}

bool AskYesNo(ui::IQuestions& questions, const std::string& text, bool defaultNo)
{
    return ui::OptionMessageBox(questions, text,
                                ui::MB_YESNO | ui::MB_ICONEXCLAMATION | (defaultNo ? ui::MB_DEFBUTTON3 : 0)) ==
           ui::IDYES;
}

} // namespace dialogwidgets
