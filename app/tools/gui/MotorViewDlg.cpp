#include "app/tools/gui/MotorViewDlg.h"

#include "app/framework/gui/OwnedWindow.h"
#include "app/framework/WindowPlacement.h"
#include "app/framework/gui/Text8.h"
#include "app/tools/gui/MotorFlagsPage.h"
#include "app/tools/gui/MotorMonitorPage.h"
#include "app/tools/gui/MotorStatusPage.h"
#include "app/tools/gui/MotorVariablesPage.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/ui/Questions.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace tools::motorview;

CMotorViewDlg::CMotorViewDlg(QWidget* parent, int slotIndex, CMotor* motor, int portIndex, MotorViewServices services,
                             std::function<void(CMotorViewDlg*)> closed, std::unique_ptr<CMotor> owned)
    : QWidget(parent, fw::kOwnedWindowFlags), m_services(std::move(services)), m_closed(std::move(closed)),
      m_owned(std::move(owned))
{
    setObjectName(QStringLiteral("216"));
    setMinimumSize(100, 100);
    // The monitor page's form reports to its widget, so the widget comes first.
    m_monitor = new tools::gui::CMotorMonitorPage(nullptr, m_services.items);
    m_form = std::make_unique<tools::CMotorViewForm>(slotIndex, motor, portIndex, m_services.monitor, *m_monitor);

    auto message = [this](const std::string& text) { Message(text); };
    auto refresh = [this](const std::function<void()>& run) { RefreshScope(run); };
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QString::number(kTabControl));
    m_tabs->tabBar()->setToolTip(QString::fromLatin1(kTabTip));
    m_status = new tools::gui::CMotorStatusPage(m_tabs, m_form->Status(), message, refresh);
    tools::gui::MotorInfoPageServices info = m_services.info;
    info.changed = [this] { MotorChanged(); };
    m_info = new tools::gui::CMotorInfoPage(m_tabs, m_form->Link(), info);
    m_variables = new tools::gui::CMotorVariablesPage(m_tabs, m_form->Variables(), message, refresh, [this] {
        if (m_services.help)
            m_services.help(kMemMapHelpTopic);
    });
    m_flags = new tools::gui::CMotorFlagsPage(m_tabs, m_form->Flags(), message, refresh);
    QWidget* pages[kTabs] = {m_status, m_info, m_monitor, m_variables, m_flags};
    for (int i = 0; i < kTabs; ++i)
        m_tabs->addTab(pages[i], QString::fromLatin1(kTabLabels[i]));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        m_form->SelectTab(tab);
        ShowCurrentPage();
    });
    resize(720, 520);
    if (motor)
        MotorChanged();
}

CMotorViewDlg::~CMotorViewDlg()
{
    // The monitor page's widget goes with the tabs; the form that reports to it goes first.
    m_form.reset();
}

void CMotorViewDlg::Message(const std::string& text)
{
    if (m_services.monitor.questions)
        ui::OptionMessageBox(*m_services.monitor.questions, text, ui::MB_OK | ui::MB_ICONERROR);
}

void CMotorViewDlg::RefreshScope(const std::function<void()>& run)
{
    if (m_services.setPollingAllowed)
        m_services.setPollingAllowed(false);
    run();
    if (m_services.setPollingAllowed)
        m_services.setPollingAllowed(true);
}

void CMotorViewDlg::MotorChanged()
{
    if (!m_form->Motor())
        return;
    setWindowTitle(fw::ToQt(m_form->Caption()));
    m_form->MotorChanged();
    if (!m_started) {
        // The motor's own template, once the view has its motor.
        m_started = true;
        m_form->Monitor().Start();
        m_monitor->SetForm(&m_form->Monitor());
        m_info->Refresh(); // refreshes the pages again through MotorChanged
        return;
    }
    m_status->UpdateForMotor();
    m_flags->Rebuild();
    m_variables->Rebuild();
    m_monitor->StateChanged();
}

void CMotorViewDlg::ShowPage(int tab)
{
    m_form->SelectTab(tab);
    m_tabs->setCurrentIndex(m_form->CurrentTab());
    ShowCurrentPage();
    show();
    raise();
}

void CMotorViewDlg::ShowCurrentPage()
{
    switch (m_form->CurrentTab()) {
    case kStatusTab: m_status->Show(); break;
    case kInfoTab: m_info->ShowFields(); break;
    case kMonitorTab: m_monitor->StateChanged(); break;
    case kVariablesTab: m_variables->Show(); break;
    case kFlagsTab: m_flags->Show(); break;
    default: break;
    }
}

bool CMotorViewDlg::PollStep()
{
    if (m_closing)
        return false;
    const bool worked = m_form->PollStep();
    // The step may have ended with the view letting go of its motor (it is closing then).
    if (worked && !m_closing && m_form->Motor())
        ShowCurrentPage();
    return worked;
}

bool CMotorViewDlg::CanClose()
{
    return m_form->CanClose();
}

void CMotorViewDlg::RequestClose()
{
    if (m_closing)
        return;
    m_closing = true;
    // From now on no page touches the motor: it may be gone when the caller returns.
    m_form->ForgetMotor();
    hide();
    if (m_closed)
        m_closed(this);
    deleteLater();
}

void CMotorViewDlg::SessionChanged(const shell::SessionChange& change)
{
    if (m_closing || !change.Takes(m_form->Motor()))
        return;
    m_form->Monitor().List().Modified = false;
    RequestClose();
}

void CMotorViewDlg::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !m_form->CanClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_closing) {
        m_closing = true;
        m_form->ForgetMotor();
        if (m_closed)
            m_closed(this);
        deleteLater();
    }
}

void CMotorViewDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F1:
        if (m_services.help)
            m_services.help(m_form->HelpTopic());
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return; // OK and Cancel do nothing here
    default: QWidget::keyPressEvent(event);
    }
}

std::string CMotorViewDlg::PlacementText() const
{
    fw::WindowPlacement p;
    const QRect n = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.showCmd = isMaximized() ? fw::SW_SHOWMAXIMIZED : isMinimized() ? fw::SW_SHOWMINIMIZED : fw::SW_SHOWNORMAL;
    p.normal = {n.left(), n.top(), n.left() + n.width(), n.top() + n.height()};
    std::string text = "<";
    text += fw::FormatPlacement(p);
    text += '>';
    return text;
}

bool CMotorViewDlg::SaveState(const std::string& group, CTagArchive& ar, const tools::MotorIndexes& indexes,
                              const tools::MotorByIndexes& find)
{
    if (ar.IsStoring())
        m_form->Placement = PlacementText();
    const bool bound = m_form->SaveState(group, ar, indexes, find);
    if (!ar.IsStoring() && bound)
        MotorChanged();
    return bound;
}

void CMotorViewDlg::LoadState()
{
    std::string text = m_form->Placement;
    if (!text.empty() && text.front() == '<')
        text.erase(0, 1);
    const auto placement = fw::ParsePlacement(text);
    if (placement && !placement->normal.Empty()) {
        const fw::PlacementRect& r = placement->normal;
        setGeometry(r.left, r.top, r.Width(), r.Height());
    }
    ShowPage(m_form->CurrentTab());
    // The stored show command too: a view left maximised or minimised comes back so.
    if (placement && placement->showCmd == fw::SW_SHOWMAXIMIZED)
        showMaximized();
    else if (placement && placement->showCmd == fw::SW_SHOWMINIMIZED)
        showMinimized();
}
