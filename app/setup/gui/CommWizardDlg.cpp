#include "app/setup/gui/CommWizardDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/project/DifferentSettings.h"
#include "app/project/PollingHeld.h"
#include "app/project/gui/DifferentSettingsDlg.h"
#include "app/project/gui/ResolveMotorsDlg.h"
#include "app/setup/PortPages.h"
#include "app/setup/ProjectForms.h"
#include "app/setup/WizardFlow.h"
#include "app/setup/gui/ProjectPages.h"
#include "app/shell/CloseSequence.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/DialogWidgets.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/Help.h"
#include "app/shell/gui/PageDlg.h"
#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/detect/NetDetection.h"
#include "core/detect/RS232Chain.h"
#include "core/detect/RS485Bus.h"
#include "core/detect/USBDetection.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"
#include "platform/fs/AtomicFile.h"
#include "platform/serial/SerialProbe.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace dialogwidgets;

namespace {

QLabel* Text(QWidget* parent, const char* text)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setWordWrap(true);
    return label;
}

int Ask(ui::IQuestions& questions, const std::string& text, const std::string& title,
        uint32_t style = ui::MB_YESNO | ui::MB_ICONQUESTION)
{
    return ui::OptionMessageBox(questions, text, style, title);
}

void CloseQuietly(CCommPort& port)
{
    try {
        port.ClosePort();
    } catch (const CVQXException&) {
        // A port that is gone has nothing left to close.
    }
}

// "Motor Serial Number" (210): serial number, name and address of a motor on an RS-485 bus.
class CMotorSerialDlg : public QDialog {
public:
    CMotorSerialDlg(QWidget* parent, ui::IQuestions& questions, CMotor& motor, const CCommPort& port)
        : QDialog(parent), m_questions(questions), m_motor(motor), m_port(port)
    {
        setObjectName(QStringLiteral("210"));
        setWindowTitle(QStringLiteral("Motor Serial Number"));
        m_serial = new QLineEdit(fw::ToQt(motor.SerialNumber ? FormatSerialNumber(motor.SerialNumber) : ""), this);
        m_serial->setObjectName(QStringLiteral("1017"));
        m_name = new QLineEdit(fw::ToQt(motor.Name), this);
        m_name->setObjectName(QStringLiteral("1023"));
        m_address = new QLineEdit(this);
        m_address->setObjectName(QStringLiteral("1025"));
        // A motor without an address is offered the lowest one no motor of the port uses.
        int address = motor.Address;
        for (int a = 1; address < 1 && a <= port.MaxMotors; ++a)
            if (!port.GetMotor(a))
                address = a;
        m_address->setText(QString::number(std::max(address, 1)));
        auto* spin = new CUpDown(1014, m_address, 1, 120, this);
        auto* grid = new QGridLayout(this);
        grid->addWidget(new QLabel(QStringLiteral("Serial Number:"), this), 0, 0);
        grid->addWidget(m_serial, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Name"), this), 1, 0);
        grid->addWidget(m_name, 1, 1);
        grid->addWidget(new QLabel(QStringLiteral("Address"), this), 2, 0);
        grid->addWidget(m_address, 2, 1);
        grid->addWidget(spin, 2, 2);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
        buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
        connect(buttons, &QDialogButtonBox::accepted, this, &CMotorSerialDlg::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &CMotorSerialDlg::reject);
        grid->addWidget(buttons, 3, 0, 1, 3);
    }
    void accept() override
    {
        const uint32_t serial = ParseSerialNumber(fw::FromQt(m_serial->text()));
        if (serial == kNoSerialNumber) {
            StopBox(m_questions, "Please enter a Serial Number for this motor!");
            return;
        }
        if (m_name->text().isEmpty()) {
            StopBox(m_questions, "Please enter a name for this motor!");
            return;
        }
        // The port's address table ends at its highest address.
        const std::optional<int> address = setup::FieldInteger(fw::FromQt(m_address->text()));
        if (!address || *address < 1 || *address > m_port.MaxMotors) {
            StopBox(m_questions, "Please enter a motor address between 1 and " + std::to_string(m_port.MaxMotors) + "!");
            return;
        }
        // Motors addressed by their serial numbers would answer together at a shared address.
        for (int i = 0; i < m_port.motors.GetCount(); ++i)
            if (const CMotor* other = m_port.motors.GetAt(i); other != &m_motor && other->Address == *address) {
                StopBox(m_questions, "Another motor of this port uses address " + std::to_string(*address) + ".");
                return;
            }
        m_motor.SerialNumber = serial;
        m_motor.Name = fw::FromQt(m_name->text());
        m_motor.Address = *address;
        QDialog::accept();
    }

private:
    ui::IQuestions& m_questions;
    CMotor& m_motor;
    const CCommPort& m_port;
    QLineEdit* m_serial;
    QLineEdit* m_name;
    QLineEdit* m_address;
};

// The ports and motors of a project as the different-settings dialog shows them.
void FillTree(QTreeWidget* tree, const CProject& project, const char* root)
{
    std::vector<CCommPort*> ports;
    for (int i = 0; i < project.PortCount(); ++i)
        ports.push_back(project.Port(i));
    FillConfigTree(tree, ConfigurationTree(root, ports, true));
}

} // namespace

CCommWizardDlg::CCommWizardDlg(QWidget* parent, CProject& project, const setup::SetupServices& services,
                               bool skipDecision)
    : QDialog(parent), m_project(project), m_services(services), m_skipDecision(skipDecision)
{
    setObjectName(QStringLiteral("205"));
    setWindowTitle(QStringLiteral("Communication Setup Wizard"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_working.SetContext(&project.Context());
    m_working.Copy(project);
    m_frame = new QStackedWidget(this);
    m_frame->setObjectName(QStringLiteral("1192"));

    // Page 1.
    auto* welcome = new QWidget;
    welcome->setObjectName(QStringLiteral("206"));
    auto* w = new QVBoxLayout(welcome);
    w->addWidget(Text(welcome, "Welcome to Communication Setup Wizard. This wizard helps you to setup a configuration to "
                               "communicate with all Tessaraxons(TM) connected to this computer"));
    w->addWidget(Text(welcome, "Before continuing, make sure that no other application is using any of the serial ports "
                               "connected to the Tessaraxons(TM). This wizard can NOT detect the motors on a port if the "
                               "port is being used by other applications."));
    w->addWidget(Text(welcome, "Click the \"Continue\" button when ready."));
    w->addStretch();
    // Page 2.
    auto* portsPage = new QWidget;
    portsPage->setObjectName(QStringLiteral("207"));
    auto* p = new QVBoxLayout(portsPage);
    p->addWidget(Text(portsPage, "Select the type of connection for the following detected communication ports, and "
                                 "click continue to go to next step."));
    m_ports = new QTableWidget(0, 3, portsPage);
    m_ports->setObjectName(QStringLiteral("1003"));
    m_ports->setHorizontalHeaderLabels({QStringLiteral("Name Port"), QStringLiteral("Serial Port"),
                                        QStringLiteral("Connection Type")});
    m_ports->horizontalHeader()->setStretchLastSection(true);
    m_ports->verticalHeader()->hide();
    p->addWidget(m_ports);
    // Page 3.
    auto* bus = new QWidget;
    bus->setObjectName(QStringLiteral("208"));
    auto* b = new QVBoxLayout(bus);
    m_busHeading = Text(bus, "");
    b->addWidget(m_busHeading);
    const char* questions[] = {
        "1- Has each motor been assigned a unique address?\n(Motors version 4.xx must be assigned a unique address "
        "in the user program)",
        "2- Is there only one motor connected to this port?",
        "3- Are all motors on the bus Version 5/Quintaloc(TM) motors?"};
    for (int i = 0; i < 3; ++i) {
        m_questionRows[i] = new QWidget(bus);
        auto* row = new QHBoxLayout(m_questionRows[i]);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(Text(m_questionRows[i], questions[i]), 1);
        m_yes[i] = new QRadioButton(QStringLiteral("Yes"), m_questionRows[i]);
        m_no[i] = new QRadioButton(QStringLiteral("No"), m_questionRows[i]);
        m_yes[i]->setObjectName(QStringLiteral("yes%1").arg(i + 1));
        m_no[i]->setObjectName(QStringLiteral("no%1").arg(i + 1));
        auto* group = new QButtonGroup(m_questionRows[i]);
        group->addButton(m_yes[i]);
        group->addButton(m_no[i]);
        row->addWidget(m_yes[i]);
        row->addWidget(m_no[i]);
        connect(group, &QButtonGroup::buttonClicked, this, [this] { UpdateRS485Questions(); });
        b->addWidget(m_questionRows[i]);
        if (i == 0) {
            m_maxRow = new QWidget(bus);
            auto* max = new QHBoxLayout(m_maxRow);
            max->setContentsMargins(0, 0, 0, 0);
            max->addWidget(Text(m_maxRow, "Max Address used in the RS485 bus:"));
            m_maxAddress = new QLineEdit(m_maxRow);
            m_maxAddress->setObjectName(QStringLiteral("1000"));
            max->addWidget(m_maxAddress);
            b->addWidget(m_maxRow);
        }
    }
    m_serialBox = new QWidget(bus);
    auto* s = new QGridLayout(m_serialBox);
    s->addWidget(Text(m_serialBox, "Please enter the serial number for the motors in the following list, or click the "
                                   "Detect button:"),
                 0, 0, 1, 2);
    m_serials = MakeReportList(1003, std::vector<QString>{QStringLiteral("Serial Number"), QStringLiteral("Name"),
                                                          QStringLiteral("Address")},
                               {100, 70, 50}, m_serialBox);
    m_serials->setObjectName(QStringLiteral("1003"));
    s->addWidget(m_serials, 1, 0);
    auto* serialButtons = new QVBoxLayout;
    auto button = [&](int id, const char* text, std::function<void()> act) {
        auto* btn = new QPushButton(QString::fromLatin1(text), m_serialBox);
        btn->setObjectName(QString::number(id));
        btn->setAutoDefault(false);
        connect(btn, &QPushButton::clicked, this, act);
        serialButtons->addWidget(btn);
    };
    button(2004, "Add", [this] { OnAddSerial(); });
    button(2008, "Edit", [this] { OnEditSerial(); });
    button(2005, "Delete", [this] { OnDeleteSerial(); });
    RouteListKeys(m_serials, [this] { OnAddSerial(); }, [this] { OnDeleteSerial(); }, {}, [this] { OnEditSerial(); });
    connect(m_serials, &QTreeWidget::itemDoubleClicked, this, [this] { OnEditSerial(); });
    button(1007, "Detect", [this] {
        CCommPort& port = *m_working.Port(m_currentPort);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        DetectRS485(port);
        QApplication::restoreOverrideCursor();
        CloseQuietly(port);
        FillSerialList();
    });
    serialButtons->addStretch();
    s->addLayout(serialButtons, 1, 1);
    b->addWidget(m_serialBox);
    b->addStretch();
    // Page 4.
    auto* finished = new QWidget;
    finished->setObjectName(QStringLiteral("209"));
    auto* f = new QVBoxLayout(finished);
    f->addWidget(Text(finished, "Communication Setup Wizard has finished configuring the communication ports and "
                                "motors. \n\nYou can see and edit current configuration using the Configuration View or "
                                "the \"Communication Settings\" menu command in \"Communication\" menu. "));
    f->addStretch();
    // Page 5.
    auto* decision = new QWidget;
    decision->setObjectName(QStringLiteral("222"));
    auto* d = new QGridLayout(decision);
    m_differs = Text(decision, "Detected configuration is different from the currently defined configuration:");
    d->addWidget(m_differs, 0, 0, 1, 2);
    m_current = new QTreeWidget(decision);
    m_current->setObjectName(QStringLiteral("1150"));
    m_current->setHeaderHidden(true);
    m_detected = new QTreeWidget(decision);
    m_detected->setObjectName(QStringLiteral("1149"));
    m_detected->setHeaderHidden(true);
    d->addWidget(m_current, 1, 0);
    d->addWidget(m_detected, 1, 1);
    m_seeDifferences = new QPushButton(QStringLiteral("See Differences"), decision);
    m_seeDifferences->setObjectName(QStringLiteral("1263"));
    m_seeDifferences->setAutoDefault(false);
    connect(m_seeDifferences, &QPushButton::clicked, this, &CCommWizardDlg::OnSeeDifferences);
    d->addWidget(m_seeDifferences, 2, 1, Qt::AlignRight);
    m_question = Text(decision, "What do you want to do?");
    d->addWidget(m_question, 2, 0);
    m_newProject = new QRadioButton(QStringLiteral("Make a new Project"), decision);
    m_newProject->setObjectName(QStringLiteral("1233"));
    m_addNew = new QRadioButton(QStringLiteral("Add all new detected ports and motors"), decision);
    m_addNew->setObjectName(QStringLiteral("1237"));
    m_replace = new QRadioButton(QStringLiteral("Replace current configuration with detected configuration"), decision);
    m_replace->setObjectName(QStringLiteral("1235"));
    d->addWidget(m_newProject, 3, 0, 1, 2);
    d->addWidget(m_addNew, 4, 0, 1, 2);
    d->addWidget(m_replace, 5, 0, 1, 2);

    for (QWidget* page : {welcome, portsPage, bus, finished, decision})
        m_frame->addWidget(page);
    m_continue = new QPushButton(QStringLiteral("Continue"), this);
    m_continue->setObjectName(QStringLiteral("1147"));
    m_continue->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("57670"));
    connect(m_continue, &QPushButton::clicked, this, &CCommWizardDlg::OnContinue);
    connect(cancel, &QPushButton::clicked, this, &CCommWizardDlg::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        static const int topics[] = {206, 207, 208, 209, 222};
        help::ShowHelpTopic(m_services.app, help::WindowTopic(topics[m_page - 1]));
    });
    help::HelpOnF1(help);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_continue);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame, 1);
    layout->addLayout(buttons);
    resize(560, 420);
    ShowPage(1);
}

CCommWizardDlg::~CCommWizardDlg() { m_working.CloseAllPorts(); }

ui::IQuestions& CCommWizardDlg::Questions() const { return m_services.app.Questions(); }

void CCommWizardDlg::ShowPage(int page)
{
    m_page = page;
    m_frame->setCurrentIndex(page - 1);
    m_continue->setText(page >= 4 ? QStringLiteral("Finish") : QStringLiteral("Continue"));
}

void CCommWizardDlg::OnContinue()
{
    switch (m_page) {
    case 1: {
        // The working project's ports become the ports of this computer that can be opened.
        platform::SystemSerialProbe system;
        platform::ISerialPortProbe& probe = m_services.probe ? *m_services.probe : system;
        if (!setup::ListWizardPorts(m_working, probe)) {
            StopBox(Questions(), "No Communication port was found.");
            reject();
            return;
        }
        FillPorts();
        ShowPage(2);
        return;
    }
    case 2: {
        std::vector<std::string> choices;
        for (int r = 0; r < m_ports->rowCount(); ++r)
            choices.push_back(fw::FromQt(static_cast<QComboBox*>(m_ports->cellWidget(r, 2))->currentText()));
        setup::ApplyConnections(m_working, choices);
        DetectSerialNetworkUsb();
        m_currentPort = -1;
        NextRS485Port();
        return;
    }
    case 3:
        if (ContinueRS485())
            NextRS485Port();
        return;
    default:
        if (Finish())
            accept();
        return;
    }
}

void CCommWizardDlg::FillPorts()
{
    const int rows = std::min(m_working.PortCount(), setup::kMaxWizardRows);
    m_ports->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const setup::ConnectionRow row = setup::ConnectionRowFor(*m_working.Port(r));
        m_ports->setItem(r, 0, new QTableWidgetItem(fw::ToQt(row.name)));
        m_ports->setItem(r, 1, new QTableWidgetItem(fw::ToQt(row.device)));
        auto* combo = new QComboBox(m_ports);
        for (const std::string& c : row.choices)
            combo->addItem(fw::ToQt(c));
        combo->setCurrentIndex(row.selected);
        combo->setEnabled(row.enabled);
        m_ports->setCellWidget(r, 2, combo);
    }
}

void CCommWizardDlg::DetectSerialNetworkUsb()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool stopSerial = false;
    for (int i = 0; i < m_working.PortCount() && !stopSerial; ++i) {
        CCommPort& port = *m_working.Port(i);
        if (port.CommType != COMM_RS232)
            continue;
        const setup::PortOutcome outcome =
            setup::DetectRS232Port(port, Questions(), [](CCommPort& p, int flags, bool address) {
                try {
                    return address ? AddressServos(p, flags) : DetectRS232Chain(p, flags);
                } catch (const CVQXException&) {
                    return 0x40;
                }
            });
        stopSerial = outcome == setup::PortOutcome::StopAll;
        CloseQuietly(port);
    }
    auto lastOf = [this](uint8_t type) -> const CCommPort* {
        const CCommPort* last = nullptr;
        for (int i = 0; i < m_project.PortCount(); ++i)
            if (m_project.Port(i)->CommType == type)
                last = m_project.Port(i);
        return last;
    };
    for (int i = 0; i < m_working.PortCount(); ++i) {
        CCommPort& port = *m_working.Port(i);
        if (port.CommType != COMM_ETHERNET && port.CommType != COMM_USB)
            continue;
        const bool net = port.CommType == COMM_ETHERNET;
        for (;;) {
            int result = 0;
            try {
                result = net ? DetectNetMotors(port, lastOf(COMM_ETHERNET), 0x1000000)
                             : DetectUSBMotors(port, lastOf(COMM_USB), 0x1000000);
            } catch (const CVQXException&) {
                result = net ? 0x80 : 0x100;
            }
            if (result & 1)
                break;
            const char* text =
                net ? (result & 0x80 ? "VQX could not communicate over the network. Please check your network "
                                       "settings.\n\nDo you want to try again?"
                                     : "VQX was not able to find any motors on the network. Please check the power, "
                                       "network connections, and port settings.\n\nDo you want to try again?")
                    : (result & 0x100 ? "VQX could not communicate with the USB motors. Please make sure the drivers "
                                        "are installed correctly and at least one USB Motor is connected and powered "
                                        "on.\n\nDo you want to try again?"
                                      : "VQX was not able to find any motors on the USB ports. Please check the "
                                        "power, connections, and port settings.\n\nDo you want to try again?");
            if (Ask(Questions(), text, "Detecting Motors on " + port.Name) != ui::IDYES)
                break;
        }
        CloseQuietly(port);
    }
    QApplication::restoreOverrideCursor();
}

void CCommWizardDlg::NextRS485Port()
{
    for (int i = m_currentPort + 1; i < m_working.PortCount(); ++i) {
        if (m_working.Port(i)->CommType == COMM_RS485) {
            m_currentPort = i;
            ShowRS485Page();
            return;
        }
    }
    EndOfDetection();
}

void CCommWizardDlg::ShowRS485Page()
{
    const CCommPort& port = *m_working.Port(m_currentPort);
    m_busHeading->setText(QStringLiteral("Detecting motors in \"%1\".").arg(fw::ToQt(port.Name)));
    m_yes[0]->setChecked(true);
    (port.motors.GetCount() <= 1 ? m_yes[1] : m_no[1])->setChecked(true);
    (port.AllVer5s ? m_yes[2] : m_no[2])->setChecked(true);
    m_maxAddress->setText(QString::number(port.MaxMotors));
    FillSerialList();
    UpdateRS485Questions();
    ShowPage(3);
}

void CCommWizardDlg::UpdateRS485Questions()
{
    const bool q1 = m_yes[0]->isChecked();
    const bool q2 = m_yes[1]->isChecked();
    m_maxRow->setVisible(q1);
    m_questionRows[1]->setVisible(!q1);
    m_questionRows[2]->setVisible(!q1 && !q2);
    m_serialBox->setVisible(!q1 && !q2 && m_yes[2]->isChecked());
}

void CCommWizardDlg::FillSerialList()
{
    std::vector<std::array<std::string, 3>> rows;
    const CCommPort& port = *m_working.Port(m_currentPort);
    for (int m = 0; m < port.motors.GetCount(); ++m) {
        const CMotor& motor = *port.motors.GetAt(m);
        rows.push_back({FormatSerialNumber(motor.SerialNumber), motor.Name, std::to_string(motor.Address)});
    }
    FillReportList(m_serials, rows);
}

void CCommWizardDlg::OnAddSerial()
{
    CCommPort& port = *m_working.Port(m_currentPort);
    auto motor = std::make_unique<CMotor>();
    motor->Name = "Motor" + std::to_string(port.motors.GetCount() + 1) + "-" + port.Name;
    CMotorSerialDlg dlg(this, Questions(), *motor, port);
    if (dlg.exec() != QDialog::Accepted)
        return;
    if (const std::optional<std::string> refused = setup::AddMotorToPort(port, std::move(motor)))
        StopBox(Questions(), *refused);
    FillSerialList();
}

void CCommWizardDlg::OnEditSerial()
{
    const int row = SelectedRow(m_serials);
    if (row < 0) {
        StopBox(Questions(), setup::kSelectItem);
        return;
    }
    CCommPort& port = *m_working.Port(m_currentPort);
    CMotorSerialDlg dlg(this, Questions(), *port.motors.GetAt(row), port);
    if (dlg.exec() == QDialog::Accepted)
        port.RebuildAddressTable();
    FillSerialList();
}

void CCommWizardDlg::OnSeeDifferences()
{
    std::vector<CCommPort*> defined, detected;
    for (int i = 0; i < m_project.PortCount(); ++i)
        defined.push_back(m_project.Port(i));
    for (int i = 0; i < m_working.PortCount(); ++i)
        detected.push_back(m_working.Port(i));
    CResolveMotorsDlg dlg(this, defined, detected, m_project);
    dlg.exec();
    if (changed)
        changed();
    // What was resolved is compared again, and the trees show it; the choice stays.
    setup::CompareDetectedConfiguration(m_project, m_working);
    FillTree(m_current, m_project, "Current Configuration");
    FillTree(m_detected, m_working, "Detected Configuration");
}

void CCommWizardDlg::OnDeleteSerial()
{
    const int row = SelectedRow(m_serials);
    if (row < 0) {
        StopBox(Questions(), setup::kSelectItem);
        return;
    }
    if (!AskYesNo(Questions(), setup::kDeleteMotorQuestion, true))
        return;
    setup::DeleteMotorAt(*m_working.Port(m_currentPort), row);
    FillSerialList();
}

bool CCommWizardDlg::ContinueRS485()
{
    CCommPort& port = *m_working.Port(m_currentPort);
    const std::string title = "Detecting Motors on " + port.Name;
    struct Wait {
        Wait() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~Wait() { QApplication::restoreOverrideCursor(); }
    };
    try {
        if (m_yes[0]->isChecked()) {
            if (const std::optional<std::string> problem = setup::BusMaxAddressProblem(fw::FromQt(m_maxAddress->text()))) {
                StopBox(Questions(), *problem);
                return false;
            }
            port.SetMaxMotors(m_maxAddress->text().toInt());
            Wait wait;
            ScanRS485Addresses(port, 0x10C0000);
        } else if (m_yes[1]->isChecked()) {
            Wait wait;
            DetectSingleRS485(port);
        } else if (m_yes[2]->isChecked()) {
            if (port.motors.GetCount() == 0) {
                StopBox(Questions(), "Please enter the Serial Number(s) for Version 5/Quintaloc(TM) Motors.");
                return false;
            }
            Wait wait;
            AddressRS485BySerial(port);
        } else {
            CloseQuietly(port);
            return Ask(Questions(), "This wizard can detect motors on RS-485 bus, if\n   - all motors are version 5/Quintaloc(TM) "
                       "motors with known Serial Numbers, or\n   - all motors are uniquely addressed by a program "
                       "downloaded to each one of them.\n\nYour setting shows that neither of these conditions are "
                       "true. Do you want to skip detecting motors on this port and continue with other RS485 "
                       "ports?\n\nTo skip this port and continue with next port, click \"Yes\".\nTo check the "
                       "connections and settings and try again, click \"No\".",
                       title) == ui::IDYES;
        }
    } catch (const CVQXException& e) {
        StopBox(Questions(), e.GetMessage());
    }
    CloseQuietly(port);
    if (port.motors.GetCount() > 0)
        return true;
    return Ask(Questions(), "No motor was found in this port. Do you want to skip detecting motors on this port and continue with "
               "other RS485 ports?\n\nTo skip this port and continue with next port, click \"Yes\".\nTo check the "
               "connections and settings and try again, click \"No\".",
               title, ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2) == ui::IDYES;
}

void CCommWizardDlg::EndOfDetection()
{
    std::string report = "Communication Setup Wizard Detected Configuration:\n";
    for (const std::string& text : m_working.DetectionReport({}))
        report += text;
    m_project.Context().Info().AddInfo(report);
    const bool differs = setup::CompareDetectedConfiguration(m_project, m_working);
    if (!differs || m_skipDecision) {
        ShowPage(4);
        return;
    }
    FillDecisionTrees();
    ShowPage(5);
}

void CCommWizardDlg::FillDecisionTrees()
{
    FillTree(m_current, m_project, "Current Configuration");
    FillTree(m_detected, m_working, "Detected Configuration");
    const bool fresh = m_project.isDefault;
    (fresh ? m_replace : m_addNew)->setChecked(true);
    // A new, unnamed project shows only what was found; Finish replaces its configuration.
    for (QWidget* w : {static_cast<QWidget*>(m_current), static_cast<QWidget*>(m_newProject),
                       static_cast<QWidget*>(m_addNew), static_cast<QWidget*>(m_replace),
                       static_cast<QWidget*>(m_seeDifferences), static_cast<QWidget*>(m_question),
                       static_cast<QWidget*>(m_differs)})
        w->setVisible(!fresh);
}

bool CCommWizardDlg::Finish()
{
    if (m_page == 5 && m_newProject->isChecked()) {
        CProject made;
        made.SetContext(&m_project.Context());
        made.MakeNewName(m_project);
        setup::ReplaceConfiguration(made, m_working);
        made.isDefault = false;
        CPageDlg dlg(this, m_services.app, QStringLiteral("New Project"));
        dlg.AddPage(QStringLiteral("General"), new CProjectNamePage(made, m_services.app));
        if (dlg.exec() != QDialog::Accepted)
            return false;
        const std::string folder = GetFolderPart(made.FileName);
        if (!platform::MakeFolders(folder)) {
            StopBox(Questions(), "Cannot make project folder.\n" + GetLastErrorText());
            return false;
        }
        made.Path = folder; // the files of the tree are shown relative to it
        // The current project's changes are offered to be saved before it is replaced.
        if (m_project.modified && !m_project.isDefault) {
            const int answer = ui::OptionMessageBox(Questions(), shell::kSaveProjectQuestion,
                                                    ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
            if (answer == ui::IDCANCEL || (answer == ui::IDYES && !m_project.Save()))
                return false;
        }
        if (!made.Save())
            return false;
        m_project.CloseAllPorts();
        m_project.Copy(made);
        // Saved as it is: the caller makes it the program's project (recent list, bars, folder).
        if (changed)
            changed();
        return true;
    } else if (m_page == 5 && m_addNew->isChecked()) {
        setup::AddDetectedConfiguration(m_project, m_working);
    } else {
        setup::ReplaceConfiguration(m_project, m_working);
    }
    m_project.modified = true;
    if (changed)
        changed();
    return true;
}

bool RunCommWizard(QWidget* parent, CProject& project, const setup::SetupServices& services, bool skipDecision,
                   const std::function<void()>& changed)
{
    if (project.PortCount() >= 10) {
        ui::OptionMessageBox(services.app.Questions(), "Too many serial ports!", ui::MB_OK | ui::MB_ICONHAND, "Error!");
        return false;
    }
    ITrafficLog* log = project.Context().TrafficLog();
    if (log)
        log->SetPageFlags(-1, SDA_FROM_PROGRAM, true);
    const std::vector<std::string> open = project.RememberOpenPorts();
    // The project's ports stay closed while the wizard runs: no window polls them meanwhile.
    PollingHeld held(project);
    project.CloseAllPorts();
    CCommWizardDlg dlg(parent, project, services, skipDecision);
    dlg.changed = changed;
    const bool ok = dlg.exec() == QDialog::Accepted;
    // The devices were the wizard's while it ran; those open before are open again (by name).
    project.ReopenPorts(open);
    if (log)
        log->SetPageFlags(-1, SDA_FROM_PROGRAM, false);
    return ok;
}
