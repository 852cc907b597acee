#include "app/shell/gui/StartDlg.h"

#include "core/ui/Questions.h"
#include "app/shell/SmallForms.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CStartDlg::CStartDlg(const std::vector<std::string>& recent, ui::IQuestions& questions, QWidget* parent)
    : QDialog(parent), m_questions(questions), m_list(new QTreeWidget(this)), m_check(new QCheckBox(this))
{
    setObjectName(QStringLiteral("265"));
    setWindowTitle(QStringLiteral("Welcome to VQX!"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    const char* texts[4] = {"Open a recently used Project:", "Open an existing Project", "Make a new Project",
                            "Detect motors. (No Project)"};
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        m_radios[i] = new QRadioButton(QString::fromLatin1(texts[i]), this);
        m_radios[i]->setObjectName(QString::number(shell::kStartOpenRecent + i));
        layout->addWidget(m_radios[i]);
        if (i == 0)
            layout->addWidget(m_list);
    }
    m_radios[0]->setChecked(true);
    m_list->setObjectName(QStringLiteral("1026"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Name")});
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (size_t i = 0; i < recent.size(); ++i) {
        if (recent[i].empty())
            continue;
        auto* item = new QTreeWidgetItem({QString::fromStdString(recent[i])});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        m_list->addTopLevelItem(item);
    }
    m_list->resizeColumnToContents(0);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        m_bDontDisplay = m_check->isChecked();
        m_result = item->data(0, Qt::UserRole).toInt();
        QDialog::done(QDialog::Accepted);
    });
    m_check->setObjectName(QStringLiteral("1244"));
    m_check->setText(QStringLiteral("Don't display this dialog box again"));
    layout->addWidget(m_check);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CStartDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStartDlg::reject);
    layout->addWidget(buttons);
}

QRadioButton* CStartDlg::Radio(int id) const
{
    const int i = id - shell::kStartOpenRecent;
    return i >= 0 && i < 4 ? m_radios[i] : nullptr;
}

int CStartDlg::DoModal()
{
    m_result = -1;
    exec();
    return m_result;
}

void CStartDlg::accept()
{
    m_bDontDisplay = m_check->isChecked();
    int checked = shell::kStartOpenRecent;
    for (int i = 0; i < 4; ++i)
        if (m_radios[i]->isChecked())
            checked = shell::kStartOpenRecent + i;
    QTreeWidgetItem* item = m_list->currentItem();
    const auto result =
        shell::StartDlgResult(checked, item && item->isSelected() ? item->data(0, Qt::UserRole).toInt() : -1);
    if (!result) {
        ui::OptionMessageBox(m_questions, shell::kStartSelectItem, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return;
    }
    m_result = *result;
    QDialog::accept();
}

void CStartDlg::reject()
{
    m_bDontDisplay = m_check->isChecked();
    m_result = -1;
    QDialog::reject();
}
