#include "app/tools/gui/SessionMotors.h"

#include "app/project/TerminalPane.h"
#include "app/project/gui/ProjectSession.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/gui/MainFrame.h"
#include "core/port/CommPort.h"

#include <QApplication>

namespace tools {

CMotor* FindSessionMotor(CProjectSession& session, int portIndex, int address)
{
    CCommPort* port = portIndex >= 0 && portIndex < session.Project().PortCount() ? session.Project().Port(portIndex)
                                                                                    : nullptr;
    return port ? port->GetMotor(address) : nullptr;
}

std::pair<int, int> CurrentSessionMotor(CProjectSession& session)
{
    CTerminalBar& bar = session.TerminalBar();
    const int tab = bar.CurrentTab();
    if (tab < 0 || tab >= session.Project().PortCount())
        return {-1, -1};
    CTerminalPane& pane = bar.Pane(tab);
    CMotor* motor = pane.port && pane.targetIndex >= 0 ? pane.port->motors.GetAt(pane.targetIndex) : nullptr;
    return motor ? std::make_pair(tab, motor->Address) : std::make_pair(-1, -1);
}

WatchDlgServices WatchDialogServices(CMainFrame& frame, CProjectSession& session)
{
    CProjectSession* s = &session;
    CMainFrame* f = &frame;
    WatchDlgServices items;
    items.target = [s](int portIndex, int address) { return TargetOf(FindSessionMotor(*s, portIndex, address)); };
    items.questions = &session.Project().Context().Questions();
    items.chooseMotor = [s, f](uint32_t key) -> std::optional<WatchTarget> {
        uint32_t selection = key;
        CSelectMotorDlg dlg(QApplication::activeWindow() ? QApplication::activeWindow() : f, s->Project(), &selection, 2);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return TargetOf(FindSessionMotor(*s, static_cast<int>(selection & 0xFFFF), static_cast<int>(selection >> 16)));
    };
    return items;
}

} // namespace tools
