#include "app/setup/gui/MotorSettingsDlg.h"

#include "app/framework/gui/Text8.h"
#include "app/setup/MotorSettings.h"
#include "app/setup/PortPages.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/DialogWidgets.h"
#include "app/shell/gui/Help.h"
#include "core/VQXException.h"
#include "core/backends/MotorSocket.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/MotorModels.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/Questions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

using namespace dialogwidgets;

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString FormatFixed(double value, int decimals) { return QString::fromStdString(FormatDouble(value, decimals, false)); }

void SelectOrAdd(QComboBox* combo, const QString& text)
{
    int i = combo->findText(text);
    if (i < 0 && !text.isEmpty()) {
        combo->addItem(text);
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
    if (combo->isEditable())
        combo->setEditText(text);
}

} // namespace

CMotorSettingsDlg::CMotorSettingsDlg(QWidget* parent, CMotor& motor, const setup::SetupServices& services)
    : QDialog(parent), m_motor(motor), m_services(services), m_isNew(motor.Name.empty())
{
    setObjectName(QStringLiteral("335"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto edit = [this](int id) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(id));
        return e;
    };
    auto combo = [this](int id, bool editable) {
        auto* c = new QComboBox(this);
        c->setObjectName(QString::number(id));
        c->setEditable(editable);
        return c;
    };
    auto button = [this](int id, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        return b;
    };
    m_name = edit(1023);
    m_address = edit(1025);
    m_addressSpin = new CUpDown(1014, m_address, 1, 120, this);
    m_version = combo(1015, true);
    m_samplePeriod = edit(1016);
    m_serial = edit(1017);
    m_serialLabel = new QLabel(QStringLiteral("Serial Number:"), this);
    m_serialLabel->setObjectName(QStringLiteral("1273"));
    m_model = combo(1215, false);
    m_ip = edit(1018);
    m_ipLabel = new QLabel(QStringLiteral("IP Address:"), this);
    m_ipLabel->setObjectName(QStringLiteral("1481"));
    m_useScaling = new QCheckBox(QStringLiteral("Use Scaling"), this);
    m_useScaling->setObjectName(QStringLiteral("1220"));
    m_factor = edit(1000);
    m_unit = combo(1001, true);
    m_timeUnit = combo(1002, true);
    m_getInfo = button(1019, "Get Motor Info");
    m_webPage = button(1020, "Motor Web Page");
    m_factory = button(1492, "Factory Settings");

    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](QWidget* label, QWidget* field, QWidget* extra = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (extra)
            grid->addWidget(extra, row, 2, Qt::AlignLeft);
        ++row;
    };
    addRow(new QLabel(QStringLiteral("Motor Name:"), this), m_name);
    addRow(new QLabel(QStringLiteral("Motor Address:"), this), m_address, m_addressSpin);
    addRow(new QLabel(QStringLiteral("Version:"), this), m_version);
    addRow(new QLabel(QStringLiteral("Sample Period:"), this), m_samplePeriod);
    addRow(m_serialLabel, m_serial);
    addRow(new QLabel(QStringLiteral("Model:"), this), m_model);
    addRow(m_ipLabel, m_ip);

    auto* scaling = new QGroupBox(this);
    auto* sg = new QGridLayout(scaling);
    sg->addWidget(m_useScaling, 0, 0, 1, 3);
    sg->addWidget(new QLabel(QStringLiteral("Each revolution of the shaft equals to:"), scaling), 1, 0);
    sg->addWidget(m_factor, 1, 1);
    sg->addWidget(m_unit, 1, 2);
    sg->addWidget(new QLabel(QStringLiteral("Time units:"), scaling), 2, 0);
    sg->addWidget(m_timeUnit, 2, 2);

    auto* actions = new QHBoxLayout;
    actions->addWidget(m_getInfo);
    actions->addWidget(m_webPage);
    actions->addWidget(m_factory);
    actions->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("57670"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CMotorSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CMotorSettingsDlg::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        help::ShowHelpTopic(m_services.app, m_isNew ? "::/VQXUsersGuide\\Dialogs\\NewMotor.htm"
                                    : "::/VQXUsersGuide\\Dialogs\\MotorProperties.htm");
    });
    help::HelpOnF1(buttons->button(QDialogButtonBox::Help));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(scaling);
    layout->addLayout(actions);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Opening.
    setWindowTitle(m_isNew ? QStringLiteral("Add New Motor") : QStringLiteral("Motor Properties"));
    m_address->setEnabled(m_isNew);
    m_addressSpin->setEnabled(m_isNew);
    m_ip->setEnabled(m_isNew);
    m_factory->setVisible(!m_isNew);
    const CCommPort* port = motor.GetPort();
    const bool ethernet = port && port->CommType == COMM_ETHERNET;
    m_ip->setVisible(ethernet);
    m_ipLabel->setVisible(ethernet);
    m_getInfo->setVisible(!ethernet);
    m_webPage->setVisible(ethernet);
    if (ethernet && !motor.Socket)
        motor.Socket = std::make_shared<CMotorSocket>();
    if (ethernet)
        m_ip->setText(fw::ToQt(motor.EthernetAddress()));
    m_name->setText(fw::ToQt(motor.Name));
    m_addressSpin->SetRange(1, port ? port->MaxMotors : 120);
    m_address->setText(QString::number(motor.Address));
    FillMotorFields();
    m_useScaling->setChecked(motor.UseConversionFactor);
    m_factor->setText(FormatFixed(motor.ConversionFactor, 3));
    for (const char* u : {"Inch", "mm", "Deg.", "Rev."})
        m_unit->addItem(QString::fromLatin1(u));
    for (const char* u : {"Sec.", "Min."})
        m_timeUnit->addItem(QString::fromLatin1(u));
    SelectOrAdd(m_unit, fw::ToQt(motor.Unit));
    SelectOrAdd(m_timeUnit, fw::ToQt(motor.TimeUnit));
    UpdateScaling();

    connect(m_useScaling, &QCheckBox::toggled, this, &CMotorSettingsDlg::UpdateScaling);
    connect(m_version, &QComboBox::editTextChanged, this, &CMotorSettingsDlg::UpdateSerialVisibility);
    connect(m_getInfo, &QPushButton::clicked, this, &CMotorSettingsDlg::OnGetMotorInfo);
    connect(m_webPage, &QPushButton::clicked, this, &CMotorSettingsDlg::OnMotorWebPage);
    connect(m_factory, &QPushButton::clicked, this, &CMotorSettingsDlg::OnFactorySettings);
}

void CMotorSettingsDlg::FillMotorFields()
{
    m_samplePeriod->setText(FormatFixed(m_motor.SamplePeriod, 6));
    const bool newer = setup::IsNewerClass(m_motor);
    m_model->clear();
    m_version->clear();
    if (newer) {
        const CMotorModels& models = GetMotorModels();
        for (int i = 0; i < models.GetCount(); ++i)
            m_model->addItem(fw::ToQt(models.Get(i)->Name), i);
        m_model->setCurrentIndex(m_model->findData(m_motor.MotorType));
        const std::string versions = m_services.knownVersions ? m_services.knownVersions() : std::string();
        for (const std::string& v : setup::KnownVersionEntries(versions))
            m_version->addItem(fw::ToQt(v));
    } else {
        m_model->addItem(fw::ToQt(m_motor.Model), -1);
        m_model->setCurrentIndex(0);
    }
    m_version->setEditText(fw::ToQt(m_motor.Version));
    m_serial->setText(fw::ToQt(FormatSerialNumber(m_motor.SerialNumber)));
    for (QWidget* w : {static_cast<QWidget*>(m_version), static_cast<QWidget*>(m_samplePeriod),
                       static_cast<QWidget*>(m_serial), static_cast<QWidget*>(m_model)})
        w->setEnabled(newer);
    UpdateSerialVisibility();
}

void CMotorSettingsDlg::UpdateSerialVisibility()
{
    const bool shown = setup::SerialFieldShown(fw::FromQt(m_version->currentText()));
    m_serial->setVisible(shown);
    m_serialLabel->setVisible(shown);
}

void CMotorSettingsDlg::UpdateScaling()
{
    const bool on = m_useScaling->isChecked();
    m_factor->setEnabled(on);
    m_unit->setEnabled(on);
    m_timeUnit->setEnabled(on);
}

ui::IQuestions& CMotorSettingsDlg::Questions() const { return m_services.app.Questions(); }

void CMotorSettingsDlg::OnGetMotorInfo()
{
    const std::optional<int> address = setup::FieldInteger(fw::FromQt(m_address->text()));
    if (!address || *address < 1 || *address > MAX_MOTOR_ADDRESS) {
        StopBox(Questions(), "Please enter a motor address between 1 and 120!");
        return;
    }
    try {
        WaitCursor wait;
        setup::ReadMotorIdentity(m_motor, *address);
    } catch (const CVQXException& e) {
        StopBox(Questions(), e.GetMessage());
    }
    FillMotorFields();
}

void CMotorSettingsDlg::OnMotorWebPage()
{
    if (m_motor.Socket)
        m_services.app.Desktop().OpenUrl(QUrl(QStringLiteral("http://%1").arg(m_ip->text())));
}

void CMotorSettingsDlg::OnFactorySettings()
{
    shell::FileChoice choice;
    choice.title = QStringLiteral("Open factory settings file");
    choice.filter = QStringLiteral("VQX ADB Files (*.adb);;All Files (*)");
    const QString file = m_services.app.Desktop().ChooseOpenFile(this, choice);
    if (file.isEmpty())
        return;
    std::vector<uint8_t> bytes;
    if (!setup::ReadWholeFile(file.toStdString(), bytes)) {
        StopBox(Questions(), "Cannot open the file specified!");
        return;
    }
    setup::ImageResult result;
    {
        WaitCursor wait;
        result = setup::ApplySettingsImage(m_motor, bytes, Questions());
    }
    if (result == setup::ImageResult::Applied)
        QDialog::accept();
}

void CMotorSettingsDlg::accept()
{
    setup::MotorSettingsEntries e;
    e.name = fw::FromQt(m_name->text());
    e.address = fw::FromQt(m_address->text());
    e.version = fw::FromQt(m_version->currentText());
    e.samplePeriod = fw::FromQt(m_samplePeriod->text());
    e.serial = fw::FromQt(m_serial->text());
    e.modelIndex = setup::IsNewerClass(m_motor) ? m_model->currentData().toInt() : -1;
    if (m_model->currentIndex() < 0)
        e.modelIndex = -1;
    e.ipAddress = fw::FromQt(m_ip->text());
    e.useScaling = m_useScaling->isChecked();
    e.factor = fw::FromQt(m_factor->text());
    e.unit = fw::FromQt(m_unit->currentText());
    e.timeUnit = fw::FromQt(m_timeUnit->currentText());
    const setup::MotorSettingsOutcome outcome = setup::ApplyMotorSettings(m_motor, m_isNew, e);
    if (outcome.error) {
        StopBox(Questions(), *outcome.error);
        return;
    }
    if (outcome.identityChanged &&
        ui::OptionMessageBox(Questions(), setup::kSendIdentityQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION) ==
            ui::IDYES) {
        std::optional<std::string> error;
        {
            WaitCursor wait;
            error = setup::SendIdentityToMotor(m_motor);
        }
        if (error)
            StopBox(Questions(), *error);
    }
    QDialog::accept();
}
