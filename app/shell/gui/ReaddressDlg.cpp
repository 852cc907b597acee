#include "app/shell/gui/ReaddressDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/shell/SmallForms.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CReaddressDlg::CReaddressDlg(QWidget* parent, const shell::CAppContext& app, CCommPort& port, CMotor& motor)
    : QDialog(parent), m_app(app), m_port(port), m_motor(motor), m_text(new QLabel(this)), m_combo(new QComboBox(this))
{
    setObjectName(QStringLiteral("284"));
    setWindowTitle(QStringLiteral("Set Motor Address"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_text->setObjectName(QStringLiteral("1454"));
    m_text->setText(fw::ToQt(shell::ReaddressText(motor.Name, motor.SerialNumber, motor.Address)));
    m_combo->setObjectName(QStringLiteral("1493"));
    const shell::ReaddressChoices choices = shell::ReaddressAddresses(port, motor);
    for (int a : choices.addresses)
        m_combo->addItem(QString::number(a), a);
    m_combo->setCurrentIndex(choices.selected);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("57670"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CReaddressDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CReaddressDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { help::ShowHelpTopic(m_app, "284.htm"); });
    help::HelpOnF1(buttons->button(QDialogButtonBox::Help));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_combo);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CReaddressDlg::accept()
{
    const int address = m_combo->currentData().toInt();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto error = shell::SetMotorAddress(m_port, m_motor, address, pollingAllowed, changed);
    QApplication::restoreOverrideCursor();
    if (error)
        ui::OptionMessageBox(m_app.Questions(), *error, ui::MB_OK | ui::MB_ICONHAND, {}, {}, {});
    QDialog::accept();
}
