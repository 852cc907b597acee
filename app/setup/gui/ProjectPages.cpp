#include "app/setup/gui/ProjectPages.h"

#include "app/framework/gui/Text8.h"
#include "app/project/Project.h"
#include "app/setup/PortPages.h"
#include "app/setup/ProjectForms.h"
#include "app/setup/gui/PortPages.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/DialogWidgets.h"
#include "app/shell/gui/Help.h"
#include "core/VQXException.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace dialogwidgets;

// ---- Project name -------------------------------------------------------------------------------

CProjectNamePage::CProjectNamePage(CProject& project, shell::CAppContext& app)
    : CPageDlgItem(330), m_project(project), m_app(app), m_base(setup::ProjectBaseFolder(project.FileName))
{
    m_name = new QLineEdit(fw::ToQt(project.Name), this);
    m_name->setObjectName(QStringLiteral("1023"));
    m_location = new QLineEdit(this);
    m_location->setObjectName(QStringLiteral("1001"));
    m_location->setMinimumWidth(280);
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    browse->setObjectName(QStringLiteral("1002"));
    browse->setAutoDefault(false);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Project Name:"), this), 0, 0);
    layout->addWidget(m_name, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Location:"), this), 1, 0);
    layout->addWidget(m_location, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->setRowStretch(2, 1);
    m_location->setText(fw::ToQt(setup::ProjectLocation(m_base, project.Name)));
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& name) {
        m_location->setText(fw::ToQt(setup::ProjectLocation(m_base, fw::FromQt(name))));
    });
    connect(browse, &QPushButton::clicked, this, &CProjectNamePage::OnBrowse);
}

void CProjectNamePage::OnBrowse()
{
    const std::string chosen = m_app.Desktop().ChooseFolder(this, QString::fromStdString(m_base)).toStdString();
    if (chosen.empty())
        return;
    m_base = chosen;
    m_location->setText(fw::ToQt(setup::ProjectLocation(m_base, fw::FromQt(m_name->text()))));
}

bool CProjectNamePage::Validate()
{
    const std::string name = fw::FromQt(m_name->text());
    if (const std::optional<std::string> problem = setup::ProjectNameProblem(name)) {
        StopBox(m_app.Questions(), *problem);
        return false;
    }
    m_project.Name = name;
    return true;
}

void CProjectNamePage::Apply()
{
    setup::ApplyProjectName(m_project, fw::FromQt(m_name->text()), fw::FromQt(m_location->text()));
}

std::string CProjectNamePage::HelpTopic() const
{
    return !m_project.Path.empty() ? "::/VQXUsersGuide\\Dialogs\\SaveProjectAs.htm"
                                   : "::/VQXUsersGuide\\Dialogs\\NewProject.htm#GeneralPage";
}

// ---- Ports --------------------------------------------------------------------------------------

CPortsPage::CPortsPage(CProject& project, std::string helpTopic, const setup::SetupServices& services)
    : CPageDlgItem(331), m_project(project), m_helpTopic(std::move(helpTopic)), m_services(services)
{
    m_list = MakeReportList(1026, setup::kPortColumns, setup::kPortColumnWidths, this);
    m_list->setMinimumWidth(440);
    RouteListKeys(m_list, [this] { OnAdd(); }, [this] { OnDelete(); }, [this] { OnProperties(); });
    auto* buttons = new QHBoxLayout;
    auto button = [&](int id, const char* text, void (CPortsPage::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* add = button(2004, "Add", &CPortsPage::OnAdd);
    button(2005, "Delete", &CPortsPage::OnDelete);
    button(1006, "Properties", &CPortsPage::OnProperties);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this, add] {
        add->setFocus();
        OnProperties();
    });
    Refill();
}

void CPortsPage::Refill()
{
    std::vector<std::array<std::string, 4>> rows;
    for (int i = 0; i < m_project.PortCount(); ++i)
        rows.push_back(setup::PortRow(*m_project.Port(i)));
    FillReportList(m_list, rows);
}

namespace {

std::vector<const CCommPort*> PortsOf(const CProject& project)
{
    std::vector<const CCommPort*> ports;
    for (int i = 0; i < project.PortCount(); ++i)
        ports.push_back(project.Port(i));
    return ports;
}

} // namespace

void CPortsPage::OnAdd()
{
    if (m_project.PortCount() >= CProject::kMaxPorts) {
        StopBox(m_services.app.Questions(), setup::kTooManyPorts);
        return;
    }
    auto port = std::make_unique<CCommPort>();
    port->SetContext(&m_project.Context());
    if (RunPortDialog(this, *port, PortsOf(m_project), true, m_services))
        m_project.AddPort(std::move(port));
    Refill();
}

void CPortsPage::OnProperties()
{
    CCommPort* port = m_project.Port(SelectedRow(m_list));
    if (!port) {
        StopBox(m_services.app.Questions(), setup::kSelectItem);
        return;
    }
    EditPortOfList(this, *port, PortsOf(m_project), m_services);
    Refill();
}

void CPortsPage::OnDelete()
{
    if (setup::DeletePortOfProject(m_project, SelectedRow(m_list), m_services.app.Questions()))
        Refill();
}

bool CPortsPage::Validate()
{
    if (const std::optional<std::string> problem = setup::PortListProblem(m_project)) {
        StopBox(m_services.app.Questions(), *problem);
        return false;
    }
    return true;
}

std::string CPortsPage::HelpTopic() const
{
    return m_helpTopic.empty() ? CPageDlgItem::HelpTopic() : "::/VQXUsersGuide\\Dialogs\\" + m_helpTopic;
}

bool EditCommunication(QWidget* parent, CProject& project, const setup::SetupServices& services,
                       const std::function<void()>& changed, const std::function<void()>& changing)
{
    return EditProjectPorts(parent, project, QStringLiteral("Communication Settings"), "CommunicationSettings.htm",
                            services, changed, changing);
}

bool EditProjectPorts(QWidget* parent, CProject& project, const QString& title, const std::string& helpTopic,
                      const setup::SetupServices& services, const std::function<void()>& changed,
                      const std::function<void()>& changing)
{
    setup::CCommunicationEdit edit(project);
    CPageDlg dlg(parent, services.app, title);
    dlg.AddPage(QStringLiteral("Ports"), new CPortsPage(edit.Working(), helpTopic, services));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    if (changing)
        changing();
    try {
        edit.Commit();
    } catch (const CVQXException& e) {
        StopBox(services.app.Questions(), e.GetMessage());
    }
    if (changed)
        changed();
    return true;
}
