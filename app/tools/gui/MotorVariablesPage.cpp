#include "app/tools/gui/MotorVariablesPage.h"

#include "app/framework/gui/Text8.h"
#include "app/tools/gui/IconButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tools::gui {

using namespace variables;

CMotorVariablesPage::CMotorVariablesPage(QWidget* parent, CMotorVariablesForm& form,
                                         std::function<void(const std::string&)> message,
                                         std::function<void(const std::function<void()>&)> refresh,
                                         std::function<void()> memoryMap)
    : QWidget(parent), m_form(form), m_message(std::move(message)), m_refreshScope(std::move(refresh))
{
    setObjectName(QStringLiteral("233"));
    m_buttons = PagePollButtons::Make(this, {[this] { return m_form.StartPolling(); },
                                             [this] { m_form.SetPolling(false); }, [this] { return m_form.Refresh(); },
                                             m_message, m_refreshScope, [this] {
                                                 for (int n = 0; n < m_form.Count(); ++n)
                                                     ShowValue(n);
                                                 Show();
                                             }});
    auto* memMap = new QPushButton(QStringLiteral("Mem. Map"), this);
    memMap->setObjectName(QString::number(kMemMap));
    memMap->setToolTip(QStringLiteral("Show Memory Map of user variables"));
    m_hex = new QCheckBox(QStringLiteral("Hex Display"), this);
    m_hex->setObjectName(QString::number(kHex));
    m_hex->setToolTip(QStringLiteral("Display values in hexadecimal format"));
    auto* label = new QLabel(QStringLiteral("User Variables:"), this);
    label->setObjectName(QString::number(kRangeLabel));
    m_ranges = new QComboBox(this);
    m_ranges->setObjectName(QString::number(kRangeList));
    m_ranges->setToolTip(QStringLiteral("Select the range of user variables"));
    for (const char* text : kRangeTexts)
        m_ranges->addItem(QString::fromLatin1(text));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QString::number(kList));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Parameter"),
                             QStringLiteral("Value")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int c = 0; c < 4; ++c)
        m_list->setColumnWidth(c, 100);

    auto* row = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_buttons.poll, m_buttons.stop, m_buttons.refresh, memMap, m_hex,
                                                      m_buttons.indicator})
        row->addWidget(w);
    row->addStretch();
    row->addWidget(label);
    row->addWidget(m_ranges);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addLayout(row);
    layout->addWidget(m_list, 1);

    connect(memMap, &QPushButton::clicked, this, [memoryMap] {
        if (memoryMap)
            memoryMap();
    });
    connect(m_hex, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_showing)
            m_form.Hex = on;
    });
    connect(m_ranges, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int range) {
        if (m_showing)
            return;
        m_form.SetRange(range);
        Rebuild();
    });
    Rebuild();
}

void CMotorVariablesPage::Rebuild()
{
    m_showing = true;
    m_ranges->setCurrentIndex(m_form.CurParam);
    m_hex->setChecked(m_form.Hex);
    m_showing = false;
    m_list->clear();
    const int count = m_form.Count();
    for (int r = 0; r < m_form.Rows(); ++r)
        m_list->addTopLevelItem(new QTreeWidgetItem(QStringList{QString(), QString(), QString(), QString()}));
    for (int n = 0; n < count; ++n) {
        const VariableCell cell = CellOf(n, count);
        m_list->topLevelItem(cell.row)->setText(cell.nameColumn, QString::fromStdString(VariableName(m_form.CurParam, n)));
        ShowValue(n);
    }
    m_list->resizeColumnToContents(0);
    Show();
}

void CMotorVariablesPage::ShowValue(int n)
{
    const VariableCell cell = CellOf(n, m_form.Count());
    if (QTreeWidgetItem* item = m_list->topLevelItem(cell.row))
        item->setText(cell.valueColumn, fw::ToQt(m_form.Value(n)));
}

QString CMotorVariablesPage::ValueShown(int n) const
{
    const VariableCell cell = CellOf(n, m_form.Count());
    QTreeWidgetItem* item = m_list->topLevelItem(cell.row);
    return item ? item->text(cell.valueColumn) : QString();
}

void CMotorVariablesPage::Show()
{
    if (m_form.LastRead() >= 0)
        ShowValue(m_form.LastRead());
    const bool polling = m_form.Polling();
    m_buttons.Show(polling, m_form.Link());
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::Text, polling ? Qt::black : QColor(0x80, 0x80, 0x80));
    m_list->setPalette(pal);
}

} // namespace tools::gui
