#include "app/tools/gui/MotorFlagsPage.h"

#include "app/tools/gui/IconButton.h"


#include <QCheckBox>

#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tools::gui {

using namespace flags;

CMotorFlagsPage::CMotorFlagsPage(QWidget* parent, CMotorFlagsForm& form,
                                 std::function<void(const std::string&)> message,
                                 std::function<void(const std::function<void()>&)> refresh)
    : QWidget(parent), m_form(form), m_message(std::move(message)), m_refreshScope(std::move(refresh))
{
    setObjectName(QStringLiteral("250"));
    m_buttons = PagePollButtons::Make(this, {[this] { return m_form.StartPolling(); },
                                             [this] { m_form.SetPolling(false); }, [this] { return m_form.Refresh(); },
                                             m_message, m_refreshScope, [this] { Show(); }});
    auto* wLabel = new QLabel(QStringLiteral("W:"), this);
    m_w = new QLineEdit(this);
    m_w->setObjectName(QString::number(kWValue));
    m_w->setMaximumWidth(120);
    m_include = new QCheckBox(QStringLiteral("Include Bits not in W"), this);
    m_include->setObjectName(QString::number(kIncludeNotInW));
    m_include->setToolTip(QStringLiteral("Check to include the flags that are not reported as bits of W"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(kList));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Flag"), QStringLiteral("Status"),
                             QStringLiteral("Bit"), QStringLiteral("To Clear"), QStringLiteral("Related Commands"),
                             QStringLiteral("W Value")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* row = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_buttons.poll, m_buttons.stop, m_buttons.refresh,
                                                      m_buttons.indicator})
        row->addWidget(w);
    row->addStretch();
    auto* wRow = new QHBoxLayout;
    wRow->addWidget(wLabel);
    wRow->addWidget(m_w);
    wRow->addWidget(m_include);
    wRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addLayout(row);
    layout->addLayout(wRow);
    layout->addWidget(m_list, 1);

    connect(m_include, &QCheckBox::toggled, this, [this](bool on) {
        if (m_showing)
            return;
        m_form.IncludeNotInW = on;
        Rebuild();
    });
    connect(m_w, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_form.TypeW(text.toStdString()))
            Show();
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 2 && m_form.ToggleListRow(m_list->indexOfTopLevelItem(item)))
            Show();
    });
    Rebuild();
}

void CMotorFlagsPage::Rebuild()
{
    m_showing = true;
    m_include->setChecked(m_form.IncludeNotInW);
    m_showing = false;
    m_list->clear();
    for (const FlagListRow& r : m_form.ListRows()) {
        QStringList texts;
        for (const std::string& c : r.columns)
            texts << QString::fromStdString(c);
        auto* item = new QTreeWidgetItem(texts);
        if (r.tableRow < 0 && !r.columns[0].empty()) {
            QFont f = item->font(0);
            f.setBold(true);
            item->setFont(0, f);
            item->setFirstColumnSpanned(true);
        }
        m_list->addTopLevelItem(item);
    }
    for (int c = 0; c < 7; ++c)
        m_list->resizeColumnToContents(c);
    // The Status column holds "Asserted" whenever a flag is set, also when none is set now.
    const int status = m_list->fontMetrics().horizontalAdvance(QString::fromLatin1(kAsserted)) + 16;
    m_list->setColumnWidth(2, std::max({60, status, m_list->columnWidth(2)}));
    Show();
}

void CMotorFlagsPage::Show()
{
    const auto rows = m_form.ListRows();
    for (int i = 0; i < m_list->topLevelItemCount() && i < static_cast<int>(rows.size()); ++i) {
        const QString status = QString::fromStdString(rows[static_cast<size_t>(i)].columns[2]);
        if (rows[static_cast<size_t>(i)].tableRow >= 0 && m_list->topLevelItem(i)->text(2) != status)
            m_list->topLevelItem(i)->setText(2, status);
    }
    const bool polling = m_form.Polling();
    if (polling || !m_w->hasFocus())
        m_w->setText(QString::fromStdString(m_form.WText()));
    m_w->setReadOnly(polling);
    m_w->setToolTip(polling ? QStringLiteral("Current Value of W") : QStringLiteral("Enter the value of W"));
    m_buttons.Show(polling, m_form.Link());
}

} // namespace tools::gui
