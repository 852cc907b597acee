#pragma once
// The project name page (template 330: name, location, Browse), the ports page (template 331: the
// project's ports with Add, Delete, Properties), the "Communication Settings" dialog over a copy of
// the project, and the motor IP dialog (template 283). Rules: setup/ProjectForms, setup/PortPages.

#include "app/setup/gui/SetupServices.h"
#include "app/shell/gui/PageDlg.h"

#include <functional>
#include <string>

class CProject;
class QLabel;
class QLineEdit;
class QTreeWidget;

class CProjectNamePage : public CPageDlgItem {
    Q_OBJECT
public:
    // Browse picks the folder through the context's desktop services.
    CProjectNamePage(CProject& project, shell::CAppContext& app);
    bool Validate() override;
    void Apply() override;
    std::string HelpTopic() const override;
    void OnBrowse();

private:
    CProject& m_project;
    shell::CAppContext& m_app;
    std::string m_base;
    QLineEdit* m_name;
    QLineEdit* m_location;
};

class CPortsPage : public CPageDlgItem {
    Q_OBJECT
public:
    CPortsPage(CProject& project, std::string helpTopic, const setup::SetupServices& services);
    bool Validate() override;
    std::string HelpTopic() const override;
    void Refill();
    void OnAdd();
    void OnDelete();
    void OnProperties();
    QTreeWidget* List() const { return m_list; }

private:
    CProject& m_project;
    std::string m_helpTopic;
    setup::SetupServices m_services;
    QTreeWidget* m_list;
};

// "Communication Settings": the ports page on a copy of the project; on OK `changing` is told
// while the project's ports and motors are still there, then the project takes the copy and
// `changed` rebuilds what shows the ports. True on OK.
bool EditCommunication(QWidget* parent, CProject& project, const setup::SetupServices& services,
                       const std::function<void()>& changed = {}, const std::function<void()>& changing = {});
// The same edit of the project's ports under another title and help topic ("Project properties").
bool EditProjectPorts(QWidget* parent, CProject& project, const QString& title, const std::string& helpTopic,
                      const setup::SetupServices& services, const std::function<void()>& changed = {},
                      const std::function<void()>& changing = {});
