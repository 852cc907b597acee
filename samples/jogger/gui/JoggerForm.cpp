#include "samples/jogger/gui/JoggerForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace jogger {
namespace {

QLineEdit* Edit(const QString& text, const char* name)
{
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    return e;
}

} // namespace

JoggerForm::JoggerForm(std::unique_ptr<vqxclient::EngineLink> engine, QWidget* parent)
    : QWidget(parent), m_engine(std::move(engine)), m_logic(*m_engine)
{
    setWindowTitle("Jogger");
    showError = [this](const QString& text) { QMessageBox::warning(this, "VQXEngine Error!", text); };
    auto* layout = new QGridLayout(this);

    m_port = new QComboBox;
    m_port->setObjectName("PortCombo");
    m_port->addItems({"Com1", "Com2", "Com3", "Com4"});
    m_baud = new QComboBox;
    m_baud->setObjectName("BaudRateCombo");
    m_baud->addItems({"9600", "19200", "38400"});
    auto* open = new QPushButton("Open");
    open->setObjectName("OpenButton");
    m_count = Edit("N/A", "NoOfMotorsEdit");
    m_count->setReadOnly(true);
    layout->addWidget(new QLabel("Communication Port:"), 0, 0);
    layout->addWidget(m_port, 0, 1);
    layout->addWidget(new QLabel("Baud Rate:"), 1, 0);
    layout->addWidget(m_baud, 1, 1);
    layout->addWidget(open, 0, 2);
    layout->addWidget(new QLabel("No of Motors:"), 1, 2);
    layout->addWidget(m_count, 1, 3);

    const Fields defaults;
    m_speed = Edit(QString::fromStdString(defaults.speed), "SpeedEdit");
    m_accel = Edit(QString::fromStdString(defaults.accel), "AccelEdit");
    m_step = Edit(QString::fromStdString(defaults.step), "StepEdit");
    layout->addWidget(new QLabel("Jog Speed:"), 2, 0);
    layout->addWidget(m_speed, 2, 1);
    layout->addWidget(new QLabel("Jog Acceleration:"), 3, 0);
    layout->addWidget(m_accel, 3, 1);
    layout->addWidget(new QLabel("Jog Step:"), 4, 0);
    layout->addWidget(m_step, 4, 1);
    auto* commit = new QPushButton("Apply Changes");
    commit->setObjectName("CommitChanges");
    layout->addWidget(commit, 4, 2);

    auto* range = new QGroupBox("Jogging Range:");
    auto* r = new QGridLayout(range);
    m_minX = Edit(QString::fromStdString(defaults.minX), "MinX");
    m_maxX = Edit(QString::fromStdString(defaults.maxX), "MaxX");
    m_minY = Edit(QString::fromStdString(defaults.minY), "MinY");
    m_maxY = Edit(QString::fromStdString(defaults.maxY), "MaxY");
    r->addWidget(m_minX, 0, 0);
    r->addWidget(new QLabel("< X <"), 0, 1);
    r->addWidget(m_maxX, 0, 2);
    r->addWidget(m_minY, 1, 0);
    r->addWidget(new QLabel("< Y <"), 1, 1);
    r->addWidget(m_maxY, 1, 2);
    m_minY->setEnabled(false);
    m_maxY->setEnabled(false);
    layout->addWidget(range, 5, 0, 1, 4);

    auto* left = new QPushButton("Left");
    auto* right = new QPushButton("Right");
    m_up = new QPushButton("Up");
    m_down = new QPushButton("Down");
    left->setObjectName("LeftButton");
    right->setObjectName("RightButton");
    m_up->setObjectName("UpButton");
    m_down->setObjectName("DownButton");
    m_up->setEnabled(false);
    m_down->setEnabled(false);
    layout->addWidget(m_up, 6, 1);
    layout->addWidget(left, 7, 0);
    layout->addWidget(right, 7, 2);
    layout->addWidget(m_down, 8, 1);

    m_xPos = Edit("N/A", "XPos");
    m_yPos = Edit("N/A", "YPos");
    layout->addWidget(new QLabel("X:"), 9, 0);
    layout->addWidget(m_xPos, 9, 1);
    layout->addWidget(new QLabel("Y:"), 10, 0);
    layout->addWidget(m_yPos, 10, 1);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* header = new QLabel(kHeader);
    header->setObjectName("HeaderLabel");
    m_xStatus = new QLabel;
    m_xStatus->setObjectName("XStatus");
    m_yStatus = new QLabel;
    m_yStatus->setObjectName("YStatus");
    for (QLabel* l : {header, m_xStatus, m_yStatus}) {
        l->setFont(fixed);
        layout->addWidget(l, layout->rowCount(), 0, 1, 4);
    }
    // The column heads line up with the status columns: two characters of "X:" before them.
    header->setIndent(QFontMetrics(fixed).horizontalAdvance("X:"));

    m_jogTimer = new QTimer(this);
    m_jogTimer->setInterval(300);
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(300);
    connect(m_jogTimer, &QTimer::timeout, this, [this] {
        TakeFields();
        if (m_logic.JogTimer())
            m_jogTimer->stop();
        if (!m_logic.Error().empty())
            Report(false);
    });
    connect(m_pollTimer, &QTimer::timeout, this, [this] {
        m_logic.Poll();
        Refresh();
    });
    connect(open, &QPushButton::clicked, this, [this] {
        TakeFields();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool ok = m_logic.Open(m_port->currentText().toStdString(), m_baud->currentText().toStdString());
        QApplication::restoreOverrideCursor();
        if (m_logic.Opened())
            m_count->setText(QString::number(m_logic.MotorCount()));
        const bool two = m_logic.MotorCount() >= 2;
        for (QWidget* w : std::initializer_list<QWidget*>{m_up, m_down, m_minY, m_maxY})
            w->setEnabled(two);
        if (ok)
            m_pollTimer->start();
        Report(ok);
    });
    connect(commit, &QPushButton::clicked, this, [this] {
        TakeFields();
        Report(m_logic.CommitChanges());
    });
    const struct {
        QPushButton* button;
        Direction direction;
    } buttons[] = {{left, kLeft}, {right, kRight}, {m_up, kUp}, {m_down, kDown}};
    for (const auto& b : buttons) {
        const Direction d = b.direction;
        connect(b.button, &QPushButton::pressed, this, [this, d] {
            TakeFields();
            m_logic.ButtonDown(d);
            m_jogTimer->start();
        });
        connect(b.button, &QPushButton::released, this, [this, d] {
            m_jogTimer->stop();
            TakeFields();
            Report(m_logic.ButtonUp(d));
        });
    }
}

JoggerForm::~JoggerForm() = default;

void JoggerForm::TakeFields()
{
    Fields& f = m_logic.fields;
    f.speed = m_speed->text().toStdString();
    f.accel = m_accel->text().toStdString();
    f.step = m_step->text().toStdString();
    f.minX = m_minX->text().toStdString();
    f.maxX = m_maxX->text().toStdString();
    f.minY = m_minY->text().toStdString();
    f.maxY = m_maxY->text().toStdString();
}

void JoggerForm::Report(bool ok)
{
    if (!ok)
        showError(QString::fromStdString(m_logic.Error()));
}

void JoggerForm::Refresh()
{
    m_xPos->setText(QString::fromStdString(m_logic.XPos()));
    m_yPos->setText(QString::fromStdString(m_logic.YPos()));
    m_xStatus->setText(QString::fromStdString(m_logic.XStatus()));
    m_yStatus->setText(QString::fromStdString(m_logic.YStatus()));
}

void JoggerForm::closeEvent(QCloseEvent* event)
{
    m_jogTimer->stop();
    m_pollTimer->stop();
    m_logic.Close();
    event->accept();
}

} // namespace jogger
