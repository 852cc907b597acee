#include "samples/iotester/gui/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace iotester {
namespace {

QFrame* Shape(const char* name)
{
    auto* f = new QFrame;
    f->setObjectName(name);
    f->setFixedSize(18, 18);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    return f;
}

// Red (255) / green (65280) / the button face.
void Paint(QFrame* shape, bool green, bool faceWhenOff = false)
{
    QPalette p = shape->palette();
    const QColor off = faceWhenOff ? QApplication::palette().color(QPalette::Button) : QColor(255, 0, 0);
    p.setColor(QPalette::Window, green ? QColor(0, 255, 0) : off);
    shape->setPalette(p);
    shape->setProperty("lit", green);
}

QPushButton* Button(const QString& text, const QString& name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

} // namespace

MainForm::MainForm(std::unique_ptr<vqxclient::EngineLink> engine, QWidget* parent)
    : QWidget(parent), m_engine(std::move(engine)), m_logic(*m_engine)
{
    setWindowTitle("Tessaraxon I/O Test");
    auto* layout = new QGridLayout(this);

    auto* connection = new QGroupBox("RS232 Serial Connection");
    auto* c = new QHBoxLayout(connection);
    for (int i = 0; i < 4; ++i) {
        m_ports[size_t(i)] = new QRadioButton(QString("Com%1").arg(i + 1));
        m_ports[size_t(i)]->setObjectName(QString("UICom%1").arg(i + 1));
        c->addWidget(m_ports[size_t(i)]);
    }
    m_ports[0]->setChecked(true);
    m_connect = Button("Connect", "UIConnect");
    m_connectShape = Shape("UIConnectShape");
    c->addWidget(m_connect);
    c->addWidget(m_connectShape);
    layout->addWidget(connection, 0, 0, 1, 2);

    auto* pins = new QGroupBox;
    auto* p = new QGridLayout(pins);
    for (int i = 0; i < IoTester::kPins; ++i) {
        p->addWidget(new QLabel(QString("I/O Pin %1").arg(QChar('A' + i))), i, 0);
        m_pins[size_t(i)] = Button("Input", QString("UIIOButtons%1").arg(i));
        m_leds[size_t(i)] = Shape("UILED");
        m_leds[size_t(i)]->setObjectName(QString("UILED%1").arg(i));
        p->addWidget(m_pins[size_t(i)], i, 1);
        p->addWidget(m_leds[size_t(i)], i, 2);
        connect(m_pins[size_t(i)], &QPushButton::clicked, this, [this, i] {
            m_logic.PinClicked(i);
            Refresh();
        });
    }
    layout->addWidget(pins, 1, 0, 3, 1);

    auto* all = new QGroupBox("Effects all I/O");
    auto* a = new QVBoxLayout(all);
    auto* allInput = Button("All Input", "UIAllInput");
    auto* allHigh = Button("All High (Off)", "UIAllHigh");
    auto* allLow = Button("All Low (On)", "UIAllLow");
    auto* sequence = Button("Sequence All", "UISequenceAll");
    auto* stopSequence = Button("Stop Sequence", "UIStopSequence");
    for (QPushButton* b : {allInput, allHigh, allLow, sequence, stopSequence})
        a->addWidget(b);
    layout->addWidget(all, 1, 1);

    auto* side = new QGridLayout;
    m_startPolling = Button("Start Polling", "UIStartPolling");
    m_pollingShape = Shape("UPPollingShape");
    side->addWidget(m_startPolling, 0, 0);
    side->addWidget(m_pollingShape, 0, 1);
    m_address = new QLineEdit("1");
    m_address->setObjectName("UIMotorAddress");
    side->addWidget(new QLabel("Motor Address:"), 1, 0);
    side->addWidget(m_address, 1, 1);
    m_command = new QLineEdit;
    m_command->setObjectName("UICommand");
    m_response = new QLineEdit;
    m_response->setObjectName("UIResponse");
    side->addWidget(new QLabel("Sent Command:"), 2, 0);
    side->addWidget(m_command, 2, 1);
    side->addWidget(new QLabel("Received Response:"), 3, 0);
    side->addWidget(m_response, 3, 1);
    auto* counter = new QGroupBox("Polling Count");
    m_count = new QLineEdit("0");
    m_count->setObjectName("UIPollingCount");
    (new QVBoxLayout(counter))->addWidget(m_count);
    side->addWidget(counter, 4, 0, 1, 2);
    auto* stop = Button("Stop", "UIStop");
    auto* restart = Button("Restart", "UIRestart");
    side->addWidget(stop, 5, 0);
    side->addWidget(restart, 5, 1);
    layout->addLayout(side, 2, 1);

    auto* statusBox = new QGroupBox("Status Display");
    m_status = new QPlainTextEdit;
    m_status->setObjectName("UIStatus");
    (new QVBoxLayout(statusBox))->addWidget(m_status);
    layout->addWidget(statusBox, 4, 0, 1, 2);

    const auto wire = [this](QPushButton* b, std::function<void()> f) {
        connect(b, &QPushButton::clicked, this, [this, f = std::move(f)] {
            f();
            Refresh();
        });
    };
    wire(m_connect, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        int port = 0;
        for (int i = 0; i < 4; ++i)
            if (m_ports[size_t(i)]->isChecked())
                port = i;
        m_logic.ConnectClicked(QString("Com%1").arg(port + 1).toStdString());
        QApplication::restoreOverrideCursor();
    });
    wire(allInput, [this] { m_logic.AllInput(); });
    wire(allHigh, [this] { m_logic.AllHigh(); });
    wire(allLow, [this] { m_logic.AllLow(); });
    wire(sequence, [this] { m_logic.SequenceAll(); });
    wire(stopSequence, [this] { m_logic.StopSequence(); });
    wire(m_startPolling, [this] { m_logic.StartPollingClicked(); });
    wire(stop, [this] { m_logic.StopClicked(); });
    wire(restart, [this] { m_logic.RestartClicked(); });
    connect(m_address, &QLineEdit::textChanged, this, [this](const QString& t) { m_logic.SetMotorAddressText(t.toStdString()); });

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &MainForm::Tick);
    m_timer->start(100);
    Refresh();
}

MainForm::~MainForm() = default;

void MainForm::Tick()
{
    m_logic.Tick();
    Refresh();
}

void MainForm::Refresh()
{
    m_connect->setText(m_logic.Connected() ? "Disconnect" : "Connect");
    Paint(m_connectShape, m_logic.Connected());
    m_startPolling->setText(m_logic.Polling() ? "Stop Polling" : "Start Polling");
    Paint(m_pollingShape, m_logic.Polling());
    for (int i = 0; i < IoTester::kPins; ++i) {
        m_pins[size_t(i)]->setText(IoTester::Caption(m_logic.State(i)));
        Paint(m_leds[size_t(i)], m_logic.Led(i), true);
    }
    m_command->setText(QString::fromStdString(m_logic.SentCommand()));
    m_response->setText(QString::fromStdString(m_logic.Response()));
    m_count->setText(QString::number(m_logic.PollsMade()));
    const std::string lines = m_logic.TakeStatusLines();
    if (!lines.empty()) {
        m_status->moveCursor(QTextCursor::End);
        m_status->insertPlainText(QString::fromStdString(lines).remove('\r'));
    }
}

void MainForm::closeEvent(QCloseEvent* event)
{
    m_timer->stop();
    if (m_logic.Connected())
        m_logic.ConnectClicked({});
    event->accept();
}

} // namespace iotester
