#pragma once
// The project name page (template 330: name, location, Browse), the ports page (template 331: the
// project's ports with Add, Delete, Properties), the "Communication Settings" dialog over a copy of
// the project, and the motor IP dialog (template 283). Rules: setup/ProjectForms, setup/PortPages.

#include "app/shell/gui/PageDlg.h"

#include <functional>
#include <string>

class CProject;
class QLabel;
class QLineEdit;
class QTreeWidget;
namespace platform { class ISerialPortProbe; }

class CProjectNamePage : public CPageDlgItem {
    Q_OBJECT
public:
    explicit CProjectNamePage(CProject& project);
    bool Validate() override;
    void Apply() override;
    void OnHelp() override;
    void OnBrowse();
    // The folder picker; default: the shell's select-folder dialog.
    static std::function<std::string(QWidget*, const std::string&)>& ChooseFolder();

private:
    CProject& m_project;
    std::string m_base;
    QLineEdit* m_name;
    QLineEdit* m_location;
};

class CPortsPage : public CPageDlgItem {
    Q_OBJECT
public:
    CPortsPage(CProject& project, std::string helpTopic, platform::ISerialPortProbe* probe = nullptr);
    bool Validate() override;
    void OnHelp() override;
    void Refill();
    void OnAdd();
    void OnDelete();
    void OnProperties();
    QTreeWidget* List() const { return m_list; }

private:
    CProject& m_project;
    std::string m_helpTopic;
    platform::ISerialPortProbe* m_probe;
    QTreeWidget* m_list;
};

// "Communication Settings": the ports page on a copy of the project; on OK the project takes the
// copy and `changed` rebuilds what shows the ports. True on OK.
bool EditCommunication(QWidget* parent, CProject& project, const std::function<void()>& changed = {},
                       platform::ISerialPortProbe* probe = nullptr);
// The same edit of the project's ports under another title and help topic ("Project properties").
bool EditProjectPorts(QWidget* parent, CProject& project, const QString& title, const std::string& helpTopic,
                      const std::function<void()>& changed = {}, platform::ISerialPortProbe* probe = nullptr);
