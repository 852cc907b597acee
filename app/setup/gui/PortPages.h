#pragma once
// The port dialogs: "Add New Port" / "Port Properties" are a page-selector dialog with the pages
// "Port" (CPortGeneralPage, template 332) and "Motors" (CPortMotorsPage, template 333) over a
// working copy of the port. Rules: setup/PortPages.

#include "app/setup/PortPages.h"
#include "app/setup/gui/SetupServices.h"
#include "app/shell/gui/PageDlg.h"
#include "platform/serial/SerialProbe.h"

#include <functional>
#include <vector>

class CCommPort;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeWidget;
namespace ui { class IQuestions; }
namespace dialogwidgets { class CUpDown; }

class CPortGeneralPage : public CPageDlgItem {
    Q_OBJECT
public:
    // `ports` are the project's ports (for the one-Ethernet and one-USB rules); the probe lists
    // the serial devices (null: the machine's).
    CPortGeneralPage(CCommPort& port, std::vector<const CCommPort*> ports, platform::ISerialPortProbe* probe = nullptr);

    bool CanLeavePage() override { return Validate(); }
    bool Validate() override;
    std::string HelpTopic() const override;
    // Refills the serial port list, keeping the selected entry.
    void FillSerialPorts();

private:
    void ApplyTypeLayout();
    int CheckedType() const;
    platform::ISerialPortProbe& Probe();
    // Selects the entry of a port name, or shows a device path outside the list as typed text.
    void SelectSerialPort(const std::string& portName);

    CCommPort& m_port;
    std::vector<const CCommPort*> m_ports;
    platform::ISerialPortProbe* m_probe;
    platform::SystemSerialProbe m_systemProbe;
    std::vector<setup::SerialPortEntry> m_entries;
    QLineEdit* m_name;
    QRadioButton* m_rs232;
    QRadioButton* m_rs485;
    QRadioButton* m_ethernet;
    QRadioButton* m_usb;
    QComboBox* m_channel;
    QComboBox* m_baud;
    QComboBox* m_serial;
    QComboBox* m_parity;
    QLineEdit* m_maxMotors;
    dialogwidgets::CUpDown* m_spin;
    QLabel* m_labels[5];
};

class CPortMotorsPage : public CPageDlgItem {
    Q_OBJECT
public:
    CPortMotorsPage(CCommPort& port, const setup::SetupServices& services);

    bool CanLeavePage() override { return Validate(); }
    bool Validate() override;
    std::string HelpTopic() const override;
    void Refill();
    QTreeWidget* List() const { return m_list; }

    void OnAdd();
    void OnDelete();
    void OnProperties();
    void OnDetect();
    void OnDeleteAll();

private:
    ui::IQuestions& Questions() const;

    CCommPort& m_port;
    setup::SetupServices m_services;
    QTreeWidget* m_list;
};

// Runs "Add New Port" (isNew) or "Port Properties" on a working copy of a port; true on OK (the
// copy then holds the entries).
bool RunPortDialog(QWidget* parent, CCommPort& workingCopy, const std::vector<const CCommPort*>& ports, bool isNew,
                   const setup::SetupServices& services);
// "Port Properties" of a port of a list: on a copy; on OK `accepted` runs, then the port takes the
// copy and keeps its index. The port is closed while its copy is edited. True on OK.
bool EditPortOfList(QWidget* parent, CCommPort& port, const std::vector<const CCommPort*>& ports,
                    const setup::SetupServices& services, const std::function<void()>& accepted = {});
