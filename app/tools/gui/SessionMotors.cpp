#include "app/tools/gui/SessionMotors.h"

#include "app/framework/gui/ModalDialog.h"
#include "app/project/Project.h"
#include "app/project/TerminalPane.h"
#include "app/project/gui/SelectMotorDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/gui/Help.h"
#include "core/port/CommPort.h"

#include <QApplication>
#include <QWidget>

namespace tools {

CMotor* FindProjectMotor(const CProject& project, int portIndex, int address)
{
    CCommPort* port = portIndex >= 0 && portIndex < project.PortCount() ? project.Port(portIndex) : nullptr;
    return port ? port->GetMotor(address) : nullptr;
}

std::pair<int, int> TerminalMotor(const CProject& project, CTerminalBar& bar)
{
    const int tab = bar.CurrentTab();
    if (tab < 0 || tab >= project.PortCount())
        return {-1, -1};
    CTerminalPane& pane = bar.Pane(tab);
    CMotor* motor = pane.port && pane.targetIndex >= 0 ? pane.port->motors.GetAt(pane.targetIndex) : nullptr;
    return motor ? std::make_pair(tab, motor->Address) : std::make_pair(-1, -1);
}

WatchDlgServices WatchDialogServices(QWidget& parent, CProject& project, const shell::CAppContext& app)
{
    CProject* p = &project;
    QWidget* f = &parent;
    WatchDlgServices items;
    items.target = [p](int portIndex, int address) { return TargetOf(FindProjectMotor(*p, portIndex, address)); };
    items.questions = &project.Context().Questions();
    items.chooseMotor = [p, f](uint32_t key) -> std::optional<WatchTarget> {
        uint32_t selection = key;
        // Over the item dialog that asks, which may go with its window while this one waits.
        fw::ModalDialog<CSelectMotorDlg> dlg(QApplication::activeWindow() ? QApplication::activeWindow() : f, *p,
                                             &selection, 2);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return TargetOf(FindProjectMotor(*p, static_cast<int>(selection & 0xFFFF), static_cast<int>(selection >> 16)));
    };
    items.help = [&app](const std::string& topic) { help::ShowHelpTopic(app, topic); };
    return items;
}

} // namespace tools
