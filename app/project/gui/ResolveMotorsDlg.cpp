#include "app/project/gui/ResolveMotorsDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/Project.h"
#include "app/res/gui/Icons.h"
#include "core/ui/InfoView.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* MakeList(QWidget* parent, int id, const QStringList& columns, const std::vector<int>& widths)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::number(id));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setHeaderLabels(columns);
    for (size_t i = 0; i < widths.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), widths[i]);
    list->setIconSize(QSize(16, 16));
    return list;
}


} // namespace

CResolveMotorsDlg::CResolveMotorsDlg(QWidget* parent, CCommPort& port, CCommPort& detected, CProject& project)
    : QDialog(parent), m_form(port, detected), m_project(project)
{
    Build();
}

CResolveMotorsDlg::CResolveMotorsDlg(QWidget* parent, const std::vector<CCommPort*>& defined,
                                     const std::vector<CCommPort*>& detected, CProject& project)
    : QDialog(parent), m_form(defined, detected), m_project(project)
{
    Build();
}

CResolveMotorsDlg::CResolveMotorsDlg(QWidget* parent, CMotor& motor, CMotor& detected, CProject& project)
    : QDialog(parent), m_form(motor, detected), m_project(project)
{
    Build();
}

void CResolveMotorsDlg::Build()
{
    setObjectName(QStringLiteral("227"));
    setWindowTitle(QString::fromLatin1(CResolveMotorsForm::kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_motors = MakeList(this, CResolveMotorsForm::kMotorList,
                        {QStringLiteral("Motor"), QStringLiteral("Defined"), QStringLiteral("Detected"), QStringLiteral("Action")},
                        {130, 100, 100, 100});
    m_parameters = MakeList(this, CResolveMotorsForm::kParameterList,
                            {QStringLiteral("Parameter"), QStringLiteral("Defined"), QStringLiteral("Detected")}, {130, 100, 100});
    m_parameters->setSelectionMode(QAbstractItemView::NoSelection);
    m_first = new QPushButton(this);
    m_first->setObjectName(QString::number(CResolveMotorsForm::kFirstButton));
    m_second = new QPushButton(this);
    m_second->setObjectName(QString::number(CResolveMotorsForm::kSecondButton));
    connect(m_first, &QPushButton::clicked, this, [this] {
        m_form.ActFirst(SelectedRow());
        RefreshRows();
    });
    connect(m_second, &QPushButton::clicked, this, [this] {
        m_form.ActSecond(SelectedRow());
        RefreshRows();
    });
    connect(m_motors, &QTreeWidget::currentItemChanged, this, [this] { ShowRow(SelectedRow()); });

    auto* all = new QGridLayout;
    const struct {
        int id;
        const char* text;
    } allButtons[] = {
        {CResolveMotorsForm::kAddAllNew, "Add All New Detected"},
        {CResolveMotorsForm::kIgnoreAllNew, "Ignore All New Detected"},
        {CResolveMotorsForm::kUpdateAllDifferent, "Update All Different"},
        {CResolveMotorsForm::kIgnoreAllDifferent, "Ignore All Detected Different Motors"},
        {CResolveMotorsForm::kDeleteAllUndetected, "Delete All Undetected"},
        {CResolveMotorsForm::kLeaveAllUndetected, "Leave All Undetected in Project"},
    };
    int n = 0;
    for (const auto& b : allButtons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setObjectName(QString::number(b.id));
        const int id = b.id;
        connect(button, &QPushButton::clicked, this, [this, id] {
            m_form.OnAllButton(id);
            RefreshRows();
        });
        all->addWidget(button, n / 2, n % 2);
        ++n;
    }

    auto* rowButtons = new QHBoxLayout;
    rowButtons->addStretch();
    rowButtons->addWidget(m_first);
    rowButtons->addWidget(m_second);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Apply and Exit"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CResolveMotorsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CResolveMotorsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_motors);
    layout->addLayout(rowButtons);
    layout->addWidget(m_parameters);
    layout->addLayout(all);
    layout->addWidget(buttons);
    RefreshRows();
    if (!m_form.Rows().empty())
        m_motors->setCurrentItem(m_motors->topLevelItem(0));
    // One row: the dialog needs less room for its lists.
    resize(480, m_form.Rows().size() == 1 ? 560 * 230 / 288 : 560);
}

void CResolveMotorsDlg::RefreshRows()
{
    const int selected = SelectedRow();
    const auto& rows = m_form.Rows();
    while (m_motors->topLevelItemCount() > static_cast<int>(rows.size()))
        delete m_motors->takeTopLevelItem(m_motors->topLevelItemCount() - 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = m_motors->topLevelItem(static_cast<int>(i));
        if (!item)
            item = new QTreeWidgetItem(m_motors);
        const ResolveRow& r = rows[i];
        item->setText(0, fw::ToQt(r.Name()));
        item->setText(1, r.defined ? QStringLiteral("Yes") : QStringLiteral("No"));
        item->setText(2, r.detected ? QStringLiteral("Yes") : QStringLiteral("No"));
        item->setText(3, QString::fromLatin1(ResolveActionText(r.action)));
    }
    ShowRow(selected >= 0 ? selected : 0);
}

int CResolveMotorsDlg::SelectedRow() const
{
    QTreeWidgetItem* item = m_motors->currentItem();
    return item ? m_motors->indexOfTopLevelItem(item) : -1;
}

void CResolveMotorsDlg::ShowRow(int row)
{
    m_parameters->clear();
    const auto& rows = m_form.Rows();
    const bool valid = row >= 0 && row < static_cast<int>(rows.size());
    m_first->setEnabled(valid);
    m_second->setEnabled(valid);
    if (!valid)
        return;
    const ResolveRow& r = rows[static_cast<size_t>(row)];
    m_first->setText(QString::fromLatin1(CResolveMotorsForm::FirstButtonText(r)));
    m_second->setText(QString::fromLatin1(CResolveMotorsForm::SecondButtonText(r)));
    const QIcon differs = res::BoxIcon(0x30);
    for (const ResolveParameter& p : CResolveMotorsForm::Parameters(r)) {
        auto* item = new QTreeWidgetItem(m_parameters, {fw::ToQt(p.name), fw::ToQt(p.defined), fw::ToQt(p.detected)});
        if (p.differs)
            item->setIcon(0, differs);
    }
}

void CResolveMotorsDlg::accept()
{
    std::vector<std::string> refused;
    m_form.Apply(&m_project, &refused, motorGoing);
    for (const std::string& line : refused)
        m_project.Context().Info().AddError(line);
    QDialog::accept();
}
