#include "app/project/gui/DifferentSettingsDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/gui/ConfigBar.h"
#include "app/project/gui/ResolveMotorsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

void AddChildren(QTreeWidgetItem* parent, const ConfigTreeItem& item)
{
    for (const ConfigTreeItem& child : item.children) {
        auto* node = new QTreeWidgetItem(parent, {fw::ToQt(child.text)});
        node->setIcon(0, ConfigTreeImage(child.image));
        node->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(child.motor)));
        AddChildren(node, child);
    }
}

QTreeWidget* MakeTree(QWidget* parent, int id)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::number(id));
    tree->setHeaderHidden(true);
    tree->setIconSize(QSize(16, 16));
    tree->setMinimumSize(220, 200);
    return tree;
}

} // namespace

void FillConfigTree(QTreeWidget* tree, const ConfigTreeItem& root)
{
    tree->clear();
    auto* top = new QTreeWidgetItem(tree, {fw::ToQt(root.text)});
    top->setIcon(0, ConfigTreeImage(root.image));
    QFont bold = top->font(0);
    bold.setBold(true);
    top->setFont(0, bold);
    AddChildren(top, root);
    tree->expandAll();
}

CMotor* MotorOfTreeItem(QTreeWidgetItem* item)
{
    return item ? static_cast<CMotor*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

CDifferentSettingsDlg::CDifferentSettingsDlg(QWidget* parent, CCommPort& port, CCommPort& detected, CProject& project)
    : QDialog(parent), m_defined{&port}, m_detected{&detected}, m_listForm(false), m_project(project)
{
    Build(ConfigurationTree(CDifferentSettingsForm::kCurrentRoot, m_defined, false),
          ConfigurationTree(CDifferentSettingsForm::kDetectedRoot, m_detected, false));
}

CDifferentSettingsDlg::CDifferentSettingsDlg(QWidget* parent, const std::vector<CCommPort*>& defined,
                                             const std::vector<CCommPort*>& detected, CProject& project)
    : QDialog(parent), m_defined(defined), m_detected(detected), m_listForm(true), m_project(project)
{
    Build(ConfigurationTree(CDifferentSettingsForm::kCurrentRoot, m_defined, true),
          ConfigurationTree(CDifferentSettingsForm::kDetectedRoot, m_detected, true));
}

void CDifferentSettingsDlg::Build(const ConfigTreeItem& current, const ConfigTreeItem& detected)
{
    setObjectName(QStringLiteral("223"));
    setWindowTitle(QString::fromLatin1(CDifferentSettingsForm::kTitle));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromLatin1(CDifferentSettingsForm::kText), this));

    auto* trees = new QGridLayout;
    QTreeWidget* currentTree = MakeTree(this, CDifferentSettingsForm::kCurrentTree);
    QTreeWidget* detectedTree = MakeTree(this, CDifferentSettingsForm::kDetectedTree);
    FillConfigTree(currentTree, current);
    FillConfigTree(detectedTree, detected);
    trees->addWidget(currentTree, 0, 0);
    trees->addWidget(detectedTree, 0, 1);
    layout->addLayout(trees);
    for (QTreeWidget* tree : {currentTree, detectedTree})
        connect(tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
            if (CMotor* motor = MotorOfTreeItem(item); motor && openMotorView)
                openMotorView(motor);
        });

    layout->addWidget(new QLabel(QString::fromLatin1(CDifferentSettingsForm::kQuestion), this));
    auto* group = new QButtonGroup(this);
    for (const auto& choice : CDifferentSettingsForm::Choices()) {
        auto* radio = new QRadioButton(QString::fromLatin1(choice.text), this);
        radio->setObjectName(QString::number(choice.id));
        radio->setChecked(choice.id == m_form.Chosen());
        group->addButton(radio, choice.id);
        layout->addWidget(radio);
    }
    m_dontShow = new QCheckBox(QStringLiteral("Don't show this dialog box again"), this);
    m_dontShow->setObjectName(QString::number(CDifferentSettingsForm::kDontShowAgain));
    layout->addWidget(m_dontShow);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        m_form.Choose(id);
        m_dontShow->setEnabled(m_form.DontShowEnabled());
        m_dontShow->setChecked(m_form.DontShowAgain());
    });
    connect(m_dontShow, &QCheckBox::toggled, this, [this](bool on) { m_form.SetDontShowAgain(on); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    QPushButton* see = buttons->addButton(QStringLiteral("See Differences"), QDialogButtonBox::ActionRole);
    see->setObjectName(QString::number(CDifferentSettingsForm::kSeeDifferences));
    connect(see, &QPushButton::clicked, this, &CDifferentSettingsDlg::SeeDifferences);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDifferentSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDifferentSettingsDlg::reject);
    layout->addWidget(buttons);
}

void CDifferentSettingsDlg::accept() { done(m_form.Ok()); }

// Cancel answers as the dialog's Cancel button always did (none of the four answers): nothing is
// merged, the port stays as it was.
void CDifferentSettingsDlg::reject() { done(kCancelled); }

void CDifferentSettingsDlg::SeeDifferences()
{
    std::unique_ptr<CResolveMotorsDlg> dlg;
    if (m_listForm)
        dlg = std::make_unique<CResolveMotorsDlg>(this, m_defined, m_detected, m_project);
    else
        dlg = std::make_unique<CResolveMotorsDlg>(this, *m_defined[0], *m_detected[0], m_project);
    dlg->motorGoing = motorGoing;
    if (dlg->exec() == QDialog::Accepted)
        done(0);
}

int CDifferentSettingsDlg::DoModalOrRemembered()
{
    return ::DoModalOrRemembered([this] { return exec(); });
}
