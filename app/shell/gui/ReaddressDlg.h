#pragma once
// "Set Motor Address": the motor's name, serial number and address (1454), the free addresses
// (1493) with its own selected, OK, Cancel and Help.

#include <QDialog>

#include <functional>

class CCommPort;
class CMotor;
class QComboBox;
class QLabel;

namespace shell {
class CAppContext;
}

class CReaddressDlg : public QDialog {
    Q_OBJECT
public:
    // `app`: its questions tell why an address could not be set; Help opens its topic there.
    CReaddressDlg(QWidget* parent, const shell::CAppContext& app, CCommPort& port, CMotor& motor);
    QComboBox* Addresses() const { return m_combo; }
    QLabel* Text() const { return m_text; }

    // The project's polling-allowed flag (none: no project) and what follows a changed address
    // (rebuild the tree and the port tabs, mark the project modified).
    bool* pollingAllowed = nullptr;
    std::function<void()> changed;

protected:
    void accept() override;

private:
    const shell::CAppContext& m_app;
    CCommPort& m_port;
    CMotor& m_motor;
    QLabel* m_text;
    QComboBox* m_combo;
};
