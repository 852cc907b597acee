#include "app/tools/gui/MonitorWindows.h"

#include "app/framework/LongOperation.h"
#include "app/project/TerminalPane.h"
#include "app/project/gui/ProjectSession.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/gui/MainFrame.h"
#include "app/tools/gui/MonitorDlg.h"
#include "core/port/CommPort.h"

#include <QApplication>

namespace {

int FreeSlot(const CMainFrame& frame)
{
    for (int i = 0; i < shell::kToolSlots; ++i)
        if (!frame.MonitorWindow(i))
            return i;
    return -1;
}

// The motor at (port index, address) of the project; none for a port index the project lacks.
CMotor* FindMotor(CProjectSession& session, int portIndex, int address)
{
    CCommPort* port = portIndex >= 0 && portIndex < session.Project().PortCount() ? session.Project().Port(portIndex)
                                                                                    : nullptr;
    return port ? port->GetMotor(address) : nullptr;
}

} // namespace

bool CanOpenMonitorWindow(const CMainFrame& frame)
{
    return FreeSlot(frame) >= 0;
}

CMonitorDlg* OpenMonitorWindow(CMainFrame& frame, CProjectSession& session, const std::string& path)
{
    const int slot = FreeSlot(frame);
    if (slot < 0)
        return nullptr;
    CProjectSession* s = &session;
    tools::MonitorServices services;
    services.find = [s](int portIndex, int address) { return FindMotor(*s, portIndex, address); };
    services.pollingAllowed = [s] { return s->Project().pollingAllowed && !fw::LongOperation::Active(); };
    services.commError = &session.CommErrorHandler();
    services.questions = &session.Project().Context().Questions();
    services.currentMotor = [s]() -> std::pair<int, int> {
        CTerminalBar& bar = s->TerminalBar();
        const int tab = bar.CurrentTab();
        if (tab < 0 || tab >= s->Project().PortCount())
            return {-1, -1};
        CTerminalPane& pane = bar.Pane(tab);
        CMotor* motor = pane.port && pane.targetIndex >= 0 ? pane.port->motors.GetAt(pane.targetIndex) : nullptr;
        return motor ? std::make_pair(tab, motor->Address) : std::make_pair(-1, -1);
    };
    WatchDlgServices items;
    items.target = [s](int portIndex, int address) { return tools::TargetOf(FindMotor(*s, portIndex, address)); };
    items.questions = services.questions;
    CMainFrame* f = &frame;
    items.chooseMotor = [s, f](uint32_t key) -> std::optional<tools::WatchTarget> {
        uint32_t selection = key;
        CSelectMotorDlg dlg(QApplication::activeWindow() ? QApplication::activeWindow() : f, s->Project(), &selection, 2);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return tools::TargetOf(FindMotor(*s, static_cast<int>(selection & 0xFFFF), static_cast<int>(selection >> 16)));
    };
    auto* dlg = new CMonitorDlg(&frame, slot, std::move(services), std::move(items),
                                [f](CMonitorDlg* closed) { f->ClearToolSlot(closed); });
    if (!path.empty()) {
        if (!dlg->OpenFile(path)) {
            delete dlg;
            return nullptr;
        }
    } else {
        dlg->StartNew();
    }
    frame.SetMonitorWindow(slot, dlg);
    dlg->show();
    return dlg;
}
