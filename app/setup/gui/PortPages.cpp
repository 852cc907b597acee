#include "app/setup/gui/PortPages.h"

#include "app/framework/gui/ModalDialog.h"
#include "app/framework/gui/Text8.h"
#include "app/setup/PortPages.h"
#include "app/setup/gui/MotorSettingsDlg.h"
#include "app/shell/CommError.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/DialogWidgets.h"
#include "app/shell/gui/Help.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/OperationContext.h"
#include "platform/serial/SerialProbe.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace dialogwidgets;

namespace {

QComboBox* MakeCombo(QWidget* parent, int id)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::number(id));
    return c;
}

QRadioButton* MakeRadio(QWidget* parent, int id, const char* text)
{
    auto* r = new QRadioButton(QString::fromLatin1(text), parent);
    r->setObjectName(QString::number(id));
    return r;
}

} // namespace

// ---- "Port" -------------------------------------------------------------------------------------

CPortGeneralPage::CPortGeneralPage(CCommPort& port, std::vector<const CCommPort*> ports,
                                   platform::ISerialPortProbe* probe)
    : CPageDlgItem(332), m_port(port), m_ports(std::move(ports)), m_probe(probe)
{
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("1023"));
    m_rs232 = MakeRadio(this, 1461, "RS232");
    m_rs485 = MakeRadio(this, 1011, "RS485");
    m_ethernet = MakeRadio(this, 1462, "Ethernet");
    m_usb = MakeRadio(this, 1463, "USB");
    auto* group = new QButtonGroup(this);
    for (QRadioButton* r : {m_rs232, m_rs485, m_ethernet, m_usb})
        group->addButton(r);
    m_channel = MakeCombo(this, 1209);
    m_baud = MakeCombo(this, 1009);
    m_serial = MakeCombo(this, 1008);
    // Any device path can be typed besides the listed ones.
    m_serial->setEditable(true);
    m_serial->setInsertPolicy(QComboBox::NoInsert);
    m_serial->setMinimumContentsLength(24);
    m_serial->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_parity = MakeCombo(this, 1010);
    m_maxMotors = new QLineEdit(this);
    m_maxMotors->setObjectName(QStringLiteral("1000"));
    m_spin = new CUpDown(1030, m_maxMotors, 1, 120, this);
    for (int i = 0; i < 5; ++i) {
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QString::number(1456 + i));
    }
    for (const char* c : setup::kChannelNames)
        m_channel->addItem(QString::fromLatin1(c));
    for (int b : setup::kBaudRates)
        m_baud->addItem(QString::number(b));
    for (const char* p : setup::kParityNames)
        m_parity->addItem(QString::fromLatin1(p));

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Name:"), this), 0, 0);
    layout->addWidget(m_name, 0, 1, 1, 3);
    auto* types = new QHBoxLayout;
    for (QRadioButton* r : {m_rs232, m_rs485, m_ethernet, m_usb})
        types->addWidget(r);
    layout->addLayout(types, 1, 0, 1, 4);
    QWidget* fields[] = {m_serial, m_baud, m_parity, m_channel};
    for (int i = 0; i < 4; ++i) {
        layout->addWidget(m_labels[i], 2 + i, 0);
        layout->addWidget(fields[i], 2 + i, 1, 1, 2);
    }
    layout->addWidget(m_labels[4], 6, 0);
    layout->addWidget(m_maxMotors, 6, 1);
    layout->addWidget(m_spin, 6, 2, Qt::AlignLeft);
    layout->setRowStretch(7, 1);

    // Start.
    m_name->setText(fw::ToQt(port.Name));
    switch (port.CommType) {
    case COMM_RS485: m_rs485->setChecked(true); break;
    case COMM_ETHERNET: m_ethernet->setChecked(true); break;
    case COMM_USB: m_usb->setChecked(true); break;
    default: m_rs232->setChecked(true); break;
    }
    m_channel->setCurrentIndex(port.MotorChannel == 0 || port.MotorChannel == 1 ? port.MotorChannel : -1);
    ApplyTypeLayout();
    FillSerialPorts();
    SelectSerialPort(port.PortName);
    m_baud->setCurrentIndex(setup::BaudIndexOf(port.BitPerSec));
    m_parity->setCurrentIndex(setup::ParityIndexOf(port.Parity));
    if (!port.IsSerial()) {
        // A port stored as Ethernet or USB has no serial settings to show.
        for (QComboBox* c : {m_serial, m_baud, m_parity, m_channel})
            c->setCurrentIndex(-1);
    }
    m_maxMotors->setText(QString::number(port.MaxMotors));
    connect(group, &QButtonGroup::buttonClicked, this, [this] { ApplyTypeLayout(); });
}

int CPortGeneralPage::CheckedType() const
{
    if (m_rs485->isChecked())
        return COMM_RS485;
    if (m_ethernet->isChecked())
        return COMM_ETHERNET;
    if (m_usb->isChecked())
        return COMM_USB;
    return COMM_RS232;
}

void CPortGeneralPage::ApplyTypeLayout()
{
    const setup::PortTypeLayout layout = setup::LayoutForType(CheckedType(), m_port.CommType);
    if (layout.clearSelections) {
        for (QComboBox* c : {m_serial, m_baud, m_parity, m_channel})
            c->setCurrentIndex(-1);
    }
    for (QComboBox* c : {m_serial, m_baud, m_parity, m_channel})
        c->setVisible(layout.serialControls);
    if (layout.channelForcedTo0)
        m_channel->setCurrentIndex(0);
    m_channel->setEnabled(layout.channelEnabled);
    for (int i = 0; i < 4; ++i)
        m_labels[i]->setText(fw::ToQt(layout.labels[static_cast<size_t>(i)]));
    m_labels[4]->setText(QString::fromLatin1(setup::kMaxMotorLabel));
}

platform::ISerialPortProbe& CPortGeneralPage::Probe()
{
    return m_probe ? *m_probe : m_systemProbe;
}

void CPortGeneralPage::SelectSerialPort(const std::string& portName)
{
    const int index = setup::SerialPortIndexOf(m_entries, portName);
    m_serial->setCurrentIndex(index);
    if (index < 0 && !portName.empty() && portName[0] == '/')
        m_serial->setEditText(fw::ToQt(portName));
}

void CPortGeneralPage::FillSerialPorts()
{
    const int selected = m_serial->currentIndex();
    const QString typed = m_serial->currentText();
    const bool wasTyped = selected < 0 || m_serial->itemText(selected) != typed;
    m_entries = setup::SerialPortEntries(Probe());
    m_serial->clear();
    for (const setup::SerialPortEntry& entry : m_entries) {
        m_serial->addItem(fw::ToQt(entry.text));
        m_serial->setItemData(m_serial->count() - 1, fw::ToQt(entry.portName), Qt::ToolTipRole);
    }
    m_serial->setCurrentIndex(wasTyped ? -1 : selected);
    if (wasTyped)
        m_serial->setEditText(typed);
}

bool CPortGeneralPage::Validate()
{
    setup::PortGeneralEntries e;
    e.name = fw::FromQt(m_name->text());
    e.maxMotors = fw::FromQt(m_maxMotors->text());
    e.type = CheckedType();
    const setup::SerialChoice choice =
        setup::ChooseSerialPort(m_entries, m_serial->currentIndex(), fw::FromQt(m_serial->currentText()), Probe());
    e.serialPort = choice.portName;
    e.serialAvailable = choice.available;
    e.baudIndex = m_baud->currentIndex();
    e.parityIndex = m_parity->currentIndex();
    e.channelIndex = m_channel->currentIndex();
    return setup::ValidatePortGeneral(m_port, m_ports, e, m_port.Context().Questions());
}

std::string CPortGeneralPage::HelpTopic() const
{
    return m_port.id == -1 ? "::/VQXUsersGuide\\Dialogs\\NewPort.htm" : "::/VQXUsersGuide\\Dialogs\\PortProperties.htm";
}

// ---- "Motors" -----------------------------------------------------------------------------------

CPortMotorsPage::CPortMotorsPage(CCommPort& port, const setup::SetupServices& services)
    : CPageDlgItem(333), m_port(port), m_services(services)
{
    m_list = MakeReportList(1026, setup::kMotorColumns, setup::kMotorColumnWidths, this);
    RouteListKeys(m_list, [this] { OnAdd(); }, [this] { OnDelete(); }, [this] { OnProperties(); });
    auto button = [this](int id, const char* text, void (CPortMotorsPage::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(button(2004, "Add", &CPortMotorsPage::OnAdd));
    buttons->addWidget(button(2005, "Delete", &CPortMotorsPage::OnDelete));
    buttons->addWidget(button(1006, "Properties", &CPortMotorsPage::OnProperties));
    buttons->addWidget(button(1007, "Detect", &CPortMotorsPage::OnDetect));
    buttons->addWidget(button(1002, "Delete All", &CPortMotorsPage::OnDeleteAll));
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnProperties(); });
    Refill();
}

void CPortMotorsPage::Refill() { FillReportList(m_list, setup::MotorRows(m_port)); }

ui::IQuestions& CPortMotorsPage::Questions() const { return m_services.app.Questions(); }

void CPortMotorsPage::OnAdd()
{
    if (m_port.motors.GetCount() >= CMotorList::Capacity) {
        StopBox(Questions(), setup::kTooManyMotors);
        return;
    }
    auto motor = std::make_unique<CMotor>();
    motor->SetPort(&m_port);
    CMotorSettingsDlg dlg(this, *motor, m_services);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (const std::optional<std::string> refused = setup::AddMotorToPort(m_port, std::move(motor)))
        StopBox(Questions(), *refused);
    Refill();
}

void CPortMotorsPage::OnProperties()
{
    CMotor* motor = m_port.motors.GetAt(SelectedRow(m_list));
    if (!motor) {
        StopBox(Questions(), setup::kSelectItem);
        return;
    }
    // A copy that borrows the motor's connections, so that editing it neither opens nor closes them.
    CMotor copy;
    copy.shared = true;
    copy = *motor;
    CMotorSettingsDlg dlg(this, copy, m_services);
    if (dlg.exec() == QDialog::Accepted)
        *motor = copy;
    Refill();
}

void CPortMotorsPage::OnDelete()
{
    const int row = SelectedRow(m_list);
    if (row < 0) {
        StopBox(Questions(), setup::kSelectItem);
        return;
    }
    if (!AskYesNo(Questions(), setup::kDeleteMotorQuestion, true))
        return;
    setup::DeleteMotorAt(m_port, row);
    Refill();
}

void CPortMotorsPage::OnDeleteAll()
{
    if (!AskYesNo(Questions(), setup::kDeleteAllQuestion, true))
        return;
    setup::DeleteAllMotors(m_port);
    Refill();
}

void CPortMotorsPage::OnDetect()
{
    if (m_port.motors.GetCount() > 0 && !AskYesNo(Questions(), setup::kDetectQuestion, true))
        return;
    if (commerror::ICommErrorHandler* handler = m_services.detect)
        handler->OnCommError(commerror::kDetectTakeAsFound, commerror::Target::Port(&m_port));
    Refill();
    try {
        m_port.ClosePort();
    } catch (const CVQXException&) {
        // Closing a port that is already gone has nothing left to report.
    }
}

bool CPortMotorsPage::Validate()
{
    if (const std::optional<std::string> problem = setup::MotorListProblem(m_port)) {
        StopBox(Questions(), *problem);
        return false;
    }
    return true;
}

std::string CPortMotorsPage::HelpTopic() const
{
    return m_port.id == -1 ? "::/VQXUsersGuide\\Dialogs\\NewPort.htm#MotorsPage"
                           : "::/VQXUsersGuide\\Dialogs\\PortProperties.htm#MotorsPage";
}

bool RunPortDialog(QWidget* parent, CCommPort& workingCopy, const std::vector<const CCommPort*>& ports, bool isNew,
                   const setup::SetupServices& services)
{
    // Over the window that asked (the playground), which may go while the dialog waits.
    fw::ModalDialog<CPageDlg> dlg(parent, services.app,
                                  isNew ? QStringLiteral("Add New Port") : QStringLiteral("Port Properties"));
    dlg->AddPage(QStringLiteral("Port"), new CPortGeneralPage(workingCopy, ports, services.probe));
    dlg->AddPage(QStringLiteral("Motors"), new CPortMotorsPage(workingCopy, services));
    return dlg.exec() == QDialog::Accepted;
}

bool EditPortOfList(QWidget* parent, CCommPort& port, const std::vector<const CCommPort*>& ports,
                    const setup::SetupServices& services, const std::function<void()>& accepted)
{
    CCommPort copy;
    copy.SetContext(&port.Context());
    copy = port; // the live port lets go of its device while the copy is edited
    copy.id = port.id;
    if (!RunPortDialog(parent, copy, ports, false, services))
        return false;
    if (accepted)
        accepted();
    const int id = port.id;
    port = copy;
    port.id = id;
    port.RebuildAddressTable();
    return true;
}
