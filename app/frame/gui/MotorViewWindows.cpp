#include "app/frame/gui/MotorViewWindows.h"
#include "app/frame/gui/ShowWithFrame.h"

#include "app/frame/gui/MainFrame.h"
#include "app/framework/LongOperation.h"
#include "app/project/SelectMotor.h"
#include "app/project/gui/MotorDetailsDlg.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/Help.h"
#include "app/tools/gui/MotorViewDlg.h"
#include "app/tools/gui/SessionMotors.h"
#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"

namespace {

constexpr const char* kMotorViewPrompt =
    "Please select the serial port and then a motor from lists, or enter the motor address. You can also double "
    "click on a motor in the Project View.";

std::string ViewGroup(int i) { return "MV" + std::to_string(i); }

} // namespace

CMotorViewWindows::CMotorViewWindows(Sources sources) : m_sources(std::move(sources))
{
    m_sources.project.SetSectionOwner(kMotorViewsSection, this);
}

CMotorViewWindows::~CMotorViewWindows()
{
    m_sources.project.SetSectionOwner(kMotorViewsSection, nullptr);
}

int CMotorViewWindows::FreeSlot() const
{
    for (int i = 0; i < shell::kToolSlots; ++i)
        if (!m_sources.frame.MotorView(i))
            return i;
    return -1;
}

int CMotorViewWindows::PortIndexOf(const CMotor* motor) const
{
    for (int p = 0; motor && p < m_sources.project.PortCount(); ++p)
        if (m_sources.project.Port(p) == motor->GetPort())
            return p;
    return -1;
}

CMotorViewDlg* CMotorViewWindows::Create(int slot, CMotor* motor, std::unique_ptr<CMotor> owned)
{
    CProject* project = &m_sources.project;
    CMainFrame* frame = &m_sources.frame;
    MotorViewServices s;
    s.monitor.commError = &m_sources.query;
    s.monitor.questions = &project->Context().Questions();
    s.monitor.pollingAllowed = [project] { return project->pollingAllowed && !fw::LongOperation::Active(); };
    s.items = tools::WatchDialogServices(*frame, *project, frame->Context());
    s.info.getInfo.defaultProject = [project] { return project->isDefault; };
    s.info.getInfo.resolve = m_sources.resolve;
    s.info.getInfo.questions = &project->Context().Questions();
    s.info.editProperties = m_sources.editProperties;
    s.info.details = [frame](CMotor& m) {
        CMotorDetailsDlg dlg(frame, m);
        dlg.exec();
    };
    s.help = [frame](const std::string& topic) { help::ShowHelpTopic(frame->Context(), topic); };
    s.setPollingAllowed = [project](bool allowed) { project->pollingAllowed = allowed ? 1 : 0; };
    auto* view = new CMotorViewDlg(frame, slot, motor, PortIndexOf(motor ? motor : owned.get()), std::move(s),
                                   [frame](CMotorViewDlg* closed) { frame->ClearToolSlot(closed); }, std::move(owned));
    frame->SetMotorView(slot, view);
    // A placement the project keeps for the view is applied over this one when it loads.
    frame->PlaceOwnedWindow(view);
    return view;
}

CMotorViewDlg* CMotorViewWindows::Open(CMotor* motor, std::unique_ptr<CMotor> owned, int tab)
{
    const int slot = FreeSlot();
    if (slot < 0 || !(motor || owned))
        return nullptr;
    CMotor* shown = motor ? motor : owned.get();
    CMotorViewDlg* view = Create(slot, shown, std::move(owned));
    view->ShowPage(tab);
    return view;
}

void CMotorViewWindows::OnMotorViewCommand()
{
    if (FreeSlot() < 0)
        return;
    CProject& project = m_sources.project;
    const int tab = m_sources.bar.CurrentTab();
    uint32_t selection = selectmotor::MakeSelection(tab, m_sources.bar.GetTargetAddress(tab));
    CSelectMotorDlg dlg(&m_sources.frame, project, &selection, 0, kMotorViewPrompt);
    if (dlg.exec() != QDialog::Accepted)
        return;
    CCommPort* port = project.Port(selectmotor::PortOf(selection));
    if (!port)
        return;
    const int address = selectmotor::AddressOf(selection);
    if (CMotor* motor = port->GetMotor(address)) {
        Open(motor);
        return;
    }
    // No motor of the project answers to that address: one made for the view, identity read first.
    auto temporary = std::make_unique<CMotor>();
    temporary->Address = address;
    temporary->SetPort(port);
    temporary->Name = "Motor Address=" + std::to_string(address) + " in port \"" + port->Name + "\"";
    try {
        temporary->ReadVersion();
    } catch (const CVQXException& e) {
        ui::CInfoView& info = project.Context().Info();
        info.Show(false);
        info.AddException(e);
    }
    Open(nullptr, std::move(temporary));
}

void CMotorViewWindows::SerializeSection(const std::string&, CTagArchive& ar)
{
    CProject& project = m_sources.project;
    CMainFrame& frame = m_sources.frame;
    if (ar.IsStoring()) {
        // Views of motors the project holds; a view of a motor made for it alone is not kept.
        std::vector<std::pair<CMotorViewDlg*, tools::MotorIndexes>> views;
        for (int slot = 0; slot < shell::kToolSlots; ++slot) {
            auto* view = dynamic_cast<CMotorViewDlg*>(frame.MotorView(slot));
            const CMotor* motor = view ? view->Motor() : nullptr;
            const int port = PortIndexOf(motor);
            if (motor && port >= 0 && motor->GetListIndex() >= 0)
                views.push_back({view, {port, motor->GetListIndex()}});
        }
        int32_t count = static_cast<int32_t>(views.size());
        ar.SerializeInt("NoOfMVs", count, 0);
        for (size_t i = 0; i < views.size(); ++i)
            views[i].first->SaveState(ViewGroup(static_cast<int>(i)), ar, views[i].second, {});
        return;
    }
    int32_t count = 0;
    ar.SerializeInt("NoOfMVs", count, 0);
    count = std::clamp<int32_t>(count, 0, shell::kToolSlots);
    auto find = [&project](int portIndex, int motorIndex) -> CMotor* {
        CCommPort* port = project.Port(portIndex);
        return port ? port->motors.GetAt(motorIndex) : nullptr;
    };
    std::vector<CMotorViewDlg*> restored;
    for (int i = 0; i < count; ++i) {
        const int slot = FreeSlot();
        if (slot < 0)
            break;
        CMotorViewDlg* view = Create(slot, nullptr, {});
        if (!view->SaveState(ViewGroup(i), ar, {}, find)) {
            // Its motor is no longer in the project: the view is dropped.
            frame.ClearToolSlot(view);
            delete view;
            continue;
        }
        restored.push_back(view);
    }
    // At start the views come with the main window.
    for (CMotorViewDlg* view : restored)
        ShowWithFrame(frame, *view, [view] { view->LoadState(); });
}
