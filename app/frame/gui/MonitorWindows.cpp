#include "app/frame/gui/MonitorWindows.h"

#include "app/framework/LongOperation.h"
#include "app/project/Project.h"
#include "app/frame/gui/MainFrame.h"
#include "app/tools/gui/MonitorDlg.h"
#include "app/tools/gui/SessionMotors.h"

namespace {

int FreeSlot(const CMainFrame& frame)
{
    for (int i = 0; i < shell::kToolSlots; ++i)
        if (!frame.MonitorWindow(i))
            return i;
    return -1;
}

} // namespace

CMonitorDlg* OpenMonitorWindow(const MonitorWindowSources& sources, const std::string& path, std::string* problem,
                               bool show)
{
    CMainFrame& frame = sources.frame;
    const int slot = FreeSlot(frame);
    if (slot < 0) {
        if (problem)
            *problem = "Cannot open more than " + std::to_string(shell::kToolSlots) + " monitor windows.";
        return nullptr;
    }
    CProject* project = &sources.project;
    CTerminalBar* terminal = &sources.bar;
    tools::MonitorServices services;
    services.find = [project](int portIndex, int address) { return tools::FindProjectMotor(*project, portIndex, address); };
    services.pollingAllowed = [project] { return project->pollingAllowed && !fw::LongOperation::Active(); };
    services.commError = &sources.query;
    services.questions = &project->Context().Questions();
    services.currentMotor = [project, terminal] { return tools::TerminalMotor(*project, *terminal); };
    WatchDlgServices items = tools::WatchDialogServices(frame, *project, frame.Context());
    CMainFrame* f = &frame;
    auto* dlg = new CMonitorDlg(&frame, slot, std::move(services), std::move(items),
                                [f](CMonitorDlg* closed) { f->ClearToolSlot(closed); });
    if (!path.empty()) {
        if (!dlg->OpenFile(path, problem)) {
            delete dlg;
            return nullptr;
        }
    } else {
        dlg->StartNew();
    }
    frame.SetMonitorWindow(slot, dlg);
    frame.PlaceOwnedWindow(dlg);
    if (show)
        dlg->show();
    return dlg;
}
