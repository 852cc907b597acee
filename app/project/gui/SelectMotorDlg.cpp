#include "app/project/gui/SelectMotorDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/Project.h"
#include "core/ui/Questions.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* id, const char* title)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(id));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QString::fromLatin1(title)});
    list->setColumnWidth(0, 250);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumWidth(260);
    return list;
}


} // namespace

CSelectMotorDlg::CSelectMotorDlg(QWidget* parent, const CProject& project, uint32_t* selection, int flags,
                                 const std::string& prompt, bool* blind)
    : QDialog(parent),
      m_questions(project.Context().Questions()),
      m_form(selectmotor::PortEntries(project), selection ? *selection : 0, flags, prompt),
      m_selection(selection),
      m_blindOut(blind)
{
    setObjectName(QStringLiteral("150"));
    setWindowTitle(QStringLiteral("Select Motor"));
    auto* text = new QLabel(fw::ToQt(m_form.Prompt()), this);
    text->setObjectName(QStringLiteral("1074"));
    text->setWordWrap(true);
    m_ports = MakeList(this, "1003", "Ports");
    m_motors = MakeList(this, "1024", "Motors");
    auto* addressLabel = new QLabel(QStringLiteral("Address:"), this);
    m_address = new QSpinBox(this);
    m_address->setObjectName(QStringLiteral("1025"));
    m_address->setRange(m_form.MinAddress(), selectmotor::CSelectMotorForm::kMaxAddress);
    m_blind = new QCheckBox(QStringLiteral("Blind Download"), this);
    m_blind->setObjectName(QStringLiteral("1268"));
    m_blind->setVisible(m_form.BlindShown());
    if (blind)
        m_blind->setChecked(*blind);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectMotorDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSelectMotorDlg::reject);

    auto* lists = new QHBoxLayout;
    lists->addWidget(m_ports);
    lists->addWidget(m_motors);
    auto* address = new QHBoxLayout;
    address->addWidget(addressLabel);
    address->addWidget(m_address);
    address->addStretch();
    address->addWidget(m_blind);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(lists);
    layout->addLayout(address);
    layout->addWidget(buttons);

    const std::vector<std::string> portRows = m_form.PortRows();
    for (const std::string& row : portRows)
        m_ports->addTopLevelItem(new QTreeWidgetItem(QStringList{fw::ToQt(row)}));
    m_updating = true;
    m_ports->setCurrentItem(m_ports->topLevelItem(m_form.PortRow()));
    m_address->setValue(m_form.FieldAddress());
    m_updating = false;
    ShowMotors();

    connect(m_ports, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_updating)
            return;
        m_form.SelectPortRow(m_ports->indexOfTopLevelItem(m_ports->currentItem()));
        ShowMotors();
    });
    connect(m_motors, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_updating)
            return;
        m_form.SelectMotorRow(m_motors->indexOfTopLevelItem(m_motors->currentItem()));
        m_updating = true;
        m_address->setValue(m_form.FieldAddress());
        m_updating = false;
    });
    connect(m_address, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_updating)
            return;
        m_form.SetAddress(value);
        ShowMotors();
    });
    connect(m_motors, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
}

void CSelectMotorDlg::ShowMotors()
{
    m_updating = true;
    m_motors->clear();
    for (const selectmotor::MotorRow& row : m_form.MotorRows())
        m_motors->addTopLevelItem(new QTreeWidgetItem(QStringList{fw::ToQt(row.text)}));
    if (m_form.MotorRowSelected() >= 0)
        m_motors->setCurrentItem(m_motors->topLevelItem(m_form.MotorRowSelected()));
    m_updating = false;
}

void CSelectMotorDlg::accept()
{
    std::string message;
    if (!m_form.Accept(&message)) {
        ui::OptionMessageBox(m_questions, message, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
        return;
    }
    if (m_selection)
        *m_selection = m_form.Selection();
    if (m_blindOut)
        *m_blindOut = m_blind->isChecked();
    QDialog::accept();
}
