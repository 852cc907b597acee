#include "app/tools/gui/MonitorWindows.h"

#include "app/framework/LongOperation.h"
#include "app/project/TerminalPane.h"
#include "app/project/Project.h"
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
CMotor* FindMotor(const CProject& project, int portIndex, int address)
{
    CCommPort* port = portIndex >= 0 && portIndex < project.PortCount() ? project.Port(portIndex) : nullptr;
    return port ? port->GetMotor(address) : nullptr;
}

} // namespace

CMonitorDlg* OpenMonitorWindow(const MonitorWindowSources& sources, const std::string& path)
{
    CMainFrame& frame = sources.frame;
    const int slot = FreeSlot(frame);
    if (slot < 0)
        return nullptr;
    CProject* project = &sources.project;
    CTerminalBar* terminal = &sources.bar;
    tools::MonitorServices services;
    services.find = [project](int portIndex, int address) { return FindMotor(*project, portIndex, address); };
    services.pollingAllowed = [project] { return project->pollingAllowed && !fw::LongOperation::Active(); };
    services.commError = &sources.query;
    services.questions = &project->Context().Questions();
    services.currentMotor = [project, terminal]() -> std::pair<int, int> {
        const int tab = terminal->CurrentTab();
        if (tab < 0 || tab >= project->PortCount())
            return {-1, -1};
        CTerminalPane& pane = terminal->Pane(tab);
        CMotor* motor = pane.port && pane.targetIndex >= 0 ? pane.port->motors.GetAt(pane.targetIndex) : nullptr;
        return motor ? std::make_pair(tab, motor->Address) : std::make_pair(-1, -1);
    };
    WatchDlgServices items;
    items.target = [project](int portIndex, int address) {
        return tools::TargetOf(FindMotor(*project, portIndex, address));
    };
    items.questions = services.questions;
    CMainFrame* f = &frame;
    items.chooseMotor = [project, f](uint32_t key) -> std::optional<tools::WatchTarget> {
        uint32_t selection = key;
        CSelectMotorDlg dlg(QApplication::activeWindow() ? QApplication::activeWindow() : f, *project, &selection, 2);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return tools::TargetOf(
            FindMotor(*project, static_cast<int>(selection & 0xFFFF), static_cast<int>(selection >> 16)));
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
