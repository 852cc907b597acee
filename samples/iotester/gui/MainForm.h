#pragma once
// IoTester's window ("Tessaraxon I/O Test"): binds the pins' buttons and LEDs, the connection and
// polling indicators and the 100 ms timer to the IoTester logic.

#include "samples/iotester/IoTester.h"

#include <QWidget>

#include <array>
#include <memory>

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace iotester {

class MainForm : public QWidget {
    Q_OBJECT
public:
    explicit MainForm(std::unique_ptr<vqxclient::EngineLink> engine, QWidget* parent = nullptr);
    ~MainForm() override;

    IoTester& Logic() { return m_logic; }
    // Shows the logic's state on the controls (after every event and tick).
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Tick();

    std::unique_ptr<vqxclient::EngineLink> m_engine;
    IoTester m_logic;
    std::array<QRadioButton*, 4> m_ports{};
    QPushButton* m_connect = nullptr;
    QFrame* m_connectShape = nullptr;
    std::array<QPushButton*, 7> m_pins{};
    std::array<QFrame*, 7> m_leds{};
    QPushButton* m_startPolling = nullptr;
    QFrame* m_pollingShape = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_command = nullptr;
    QLineEdit* m_response = nullptr;
    QLineEdit* m_count = nullptr;
    QPlainTextEdit* m_status = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace iotester
