#pragma once
// Jogger's window: binds the press/release of the four direction buttons, the jog timer and the
// position poll to the Jogger logic; engine failures and refused fields show a message box.

#include "samples/jogger/Jogger.h"

#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace jogger {

class JoggerForm : public QWidget {
    Q_OBJECT
public:
    explicit JoggerForm(std::unique_ptr<vqxclient::EngineLink> engine, QWidget* parent = nullptr);
    ~JoggerForm() override;

    // "VQXEngine Error!" with the exclamation icon; tests replace it.
    std::function<void(const QString& text)> showError;
    Jogger& Logic() { return m_logic; }
    QTimer* JogTimer() const { return m_jogTimer; }
    QTimer* PollTimer() const { return m_pollTimer; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void TakeFields();
    void Report(bool ok);
    void Refresh();

    std::unique_ptr<vqxclient::EngineLink> m_engine;
    Jogger m_logic;
    QComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QLineEdit* m_count = nullptr;
    QLineEdit *m_speed = nullptr, *m_accel = nullptr, *m_step = nullptr;
    QLineEdit *m_minX = nullptr, *m_maxX = nullptr, *m_minY = nullptr, *m_maxY = nullptr;
    QPushButton *m_up = nullptr, *m_down = nullptr;
    QLineEdit *m_xPos = nullptr, *m_yPos = nullptr;
    QLabel *m_xStatus = nullptr, *m_yStatus = nullptr;
    QTimer* m_jogTimer = nullptr;
    QTimer* m_pollTimer = nullptr;
};

} // namespace jogger
