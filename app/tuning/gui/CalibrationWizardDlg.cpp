#include "app/tuning/gui/CalibrationWizardDlg.h"

#include "app/framework/gui/DockMDI.h"
#include "app/framework/gui/Text8.h"
#include "app/framework/gui/ToolTimer.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace tuning::gui {
namespace {

using namespace calwizard;

QPushButton* Button(const char* text, int id, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

// What the motor prints, for the log: its line ends as line breaks, the backspace that ends the
// test and other control bytes left out.
QString MotorText(const std::string& bytes)
{
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            if (i + 1 >= bytes.size() || bytes[i + 1] != '\n')
                text += '\n';
        } else if (c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) {
            text += c;
        }
    }
    return fw::ToQt(text);
}

} // namespace

CCalibrationWizardDlg::CCalibrationWizardDlg(QWidget* parent, CMotor& motor, Mode mode, platform::Profile& profile,
                                             const shell::CAppContext& app, std::string programFolder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("280"));
    setWindowTitle(QStringLiteral("Factory Calibration"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_description = new QLabel(this);
    m_description->setObjectName(QString::number(kDescription));
    m_description->setWordWrap(true);
    m_description->setMinimumWidth(460);
    auto* powerLabel = new QLabel(QStringLiteral("Calibration Power:"), this);
    m_power = new QSpinBox(this);
    m_power->setObjectName(QString::number(kPower));
    m_power->setRange(0, 100);
    m_power->setSuffix(QStringLiteral(" %"));
    m_default = Button("Default", kDefault, this);
    m_sizeLabel = new QLabel(QStringLiteral("Motor Size:"), this);
    m_sizeLabel->setObjectName(QString::number(kSizeLabel));
    m_size = new QComboBox(this);
    m_size->setObjectName(QString::number(kSizeCombo));
    m_start = Button("Start", kStart, this);
    m_stop = Button("Stop", kStop, this);
    m_getInfo = Button("Get Motor Info", kGetInfo, this);
    m_details = Button("Details", kDetails, this);
    auto* help = Button("Help", kHelp, this);
    auto* close = Button("Close", 2, this);
    m_log = new QTextEdit(this);
    m_log->setObjectName(QString::number(kLog));
    m_log->setReadOnly(true);
    m_log->setMinimumHeight(220);
    m_clear = Button("Clear", kClear, this);
    m_status = new QLabel(this);
    m_status->setObjectName(QString::number(kStatus));
    m_status->setWordWrap(true);

    auto* settings = new QGridLayout;
    settings->addWidget(powerLabel, 0, 0);
    settings->addWidget(m_power, 0, 1);
    settings->addWidget(m_default, 0, 2);
    settings->addWidget(m_sizeLabel, 1, 0);
    settings->addWidget(m_size, 1, 1, 1, 2);
    settings->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_start, m_stop, m_getInfo, m_details, help, close})
        buttons->addWidget(b);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_log, 1);
    logRow->addWidget(m_clear, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_description);
    column->addLayout(settings);
    column->addLayout(buttons);
    column->addWidget(m_status);
    column->addLayout(logRow, 1);

    ICalibrationWizardView& view = *this;
    m_form = std::make_unique<CCalibrationWizard>(motor, mode, profile, app.Questions(), view, std::move(programFolder));
    setWindowTitle(fw::ToQt(m_form->Title()));
    m_description->setText(fw::ToQt(m_form->Description()));

    connect(m_power, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_refreshing)
            m_form->SetPowerPercent(v);
    });
    connect(m_size, &QComboBox::activated, this, [this](int index) { m_form->SelectSize(index); });
    connect(m_default, &QPushButton::clicked, this, [this] { m_form->OnDefault(); });
    connect(m_start, &QPushButton::clicked, this, [this] {
        m_form->OnStart();
        Refresh();
    });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_form->OnStop(); });
    connect(m_getInfo, &QPushButton::clicked, this, [this] { m_form->OnGetMotorInfo(); });
    connect(m_details, &QPushButton::clicked, this, [this] {
        m_form->OnDetails();
        Refresh();
    });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_form->OnClearLog(); });
    connect(help, &QPushButton::clicked, this, [this, &app] { help::ShowHelpTopic(app, m_form->HelpTopic()); });
    help::HelpOnF1(help);
    connect(close, &QPushButton::clicked, this, &CCalibrationWizardDlg::reject);
}

CCalibrationWizardDlg::~CCalibrationWizardDlg()
{
    for (auto& [id, timer] : m_timers)
        timer->Stop();
    // The wizard gives the port back while the window still stands.
    m_form.reset();
    while (m_cursor > 0) {
        QApplication::restoreOverrideCursor();
        --m_cursor;
    }
}

int CCalibrationWizardDlg::DoModal()
{
    m_form->Init();
    Refresh();
    fw::CDockMDI::PlaceOverOwnersWorkArea(this);
    const int result = exec();
    if (m_afterEnd) {
        // Posted: it runs once this window and its wizard are gone.
        QObject* context = parentWidget() ? static_cast<QObject*>(parentWidget()) : qApp;
        QTimer::singleShot(0, context, m_afterEnd);
    }
    return result;
}

QString CCalibrationWizardDlg::LogText() const { return m_log->toPlainText(); }

void CCalibrationWizardDlg::reject()
{
    if (m_ending)
        return;
    m_form->OnClose();
}

void CCalibrationWizardDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void CCalibrationWizardDlg::Log(const std::string& text, LogFormat format)
{
    QTextCharFormat f;
    if (format == LogFormat::Output) {
        f.setForeground(Qt::black);
        f.setFontWeight(QFont::Normal);
    } else {
        f.setForeground(format == LogFormat::Error ? QColor(255, 0, 0) : QColor(0, 0, 255));
        f.setFontWeight(QFont::Bold);
    }
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(format == LogFormat::Output ? MotorText(text) : fw::ToQt(text), f);
    m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void CCalibrationWizardDlg::ClearLog() { m_log->clear(); }

void CCalibrationWizardDlg::SetStatus(const std::string& text) { m_status->setText(fw::ToQt(text)); }

void CCalibrationWizardDlg::SetTimer(int id, int ms)
{
    fw::ToolTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new fw::ToolTimer(this);
        timer->SetSingleShot(true);
        connect(timer, &fw::ToolTimer::timeout, this, [this, id] {
            if (m_form && !m_ending)
                m_form->OnTimer(id);
        });
    }
    timer->Start(ms);
}

void CCalibrationWizardDlg::KillTimer(int id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->Stop();
}

void CCalibrationWizardDlg::WaitCursor(bool on)
{
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_cursor;
    } else if (m_cursor > 0) {
        QApplication::restoreOverrideCursor();
        --m_cursor;
    }
}

void CCalibrationWizardDlg::Refresh()
{
    if (!m_form)
        return;
    m_refreshing = true;
    const CCalibrationWizard& f = *m_form;
    if (m_size->count() != static_cast<int>(f.SizeNames().size())) {
        m_size->clear();
        for (const std::string& name : f.SizeNames())
            m_size->addItem(fw::ToQt(name));
    }
    m_size->setCurrentIndex(f.SelectedSize());
    m_size->setVisible(f.SizeChoiceVisible());
    m_sizeLabel->setVisible(f.SizeChoiceVisible());
    m_power->setValue(f.PowerPercent());
    for (QWidget* w : std::initializer_list<QWidget*>{m_size, m_start, m_getInfo, m_clear, m_default, m_power})
        w->setEnabled(f.ControlsEnabled());
    m_stop->setEnabled(f.StopEnabled());
    const bool collapsed = f.Collapsed();
    if (m_log->isHidden() != collapsed) {
        m_log->setVisible(!collapsed);
        m_clear->setVisible(!collapsed);
        layout()->activate();
        adjustSize();
    }
    m_refreshing = false;
}

void CCalibrationWizardDlg::EndDialog(int result)
{
    m_ending = true;
    for (auto& [id, timer] : m_timers)
        timer->Stop();
    done(result);
}

void CCalibrationWizardDlg::PostRecalibrate(int portIndex, int address)
{
    auto run = recalibrate;
    if (run)
        m_afterEnd = [run, portIndex, address] { run(portIndex, address); };
}

} // namespace tuning::gui
