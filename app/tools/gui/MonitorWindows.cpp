#include "app/tools/gui/MonitorWindows.h"

#include "app/framework/LongOperation.h"
#include "app/project/gui/ProjectSession.h"
#include "app/shell/gui/MainFrame.h"
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
    services.find = [s](int portIndex, int address) { return tools::FindSessionMotor(*s, portIndex, address); };
    services.pollingAllowed = [s] { return s->Project().pollingAllowed && !fw::LongOperation::Active(); };
    services.commError = &session.CommErrorHandler();
    services.questions = &session.Project().Context().Questions();
    services.currentMotor = [s] { return tools::CurrentSessionMotor(*s); };
    WatchDlgServices items = tools::WatchDialogServices(frame, session);
    CMainFrame* f = &frame;
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
