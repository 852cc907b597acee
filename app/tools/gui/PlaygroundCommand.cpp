#include "app/tools/gui/PlaygroundCommand.h"

#include "app/project/Project.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/CommandIds.h"
#include "core/port/CommPort.h"
#include "app/shell/FrameCommandTable.h"
#include "app/tools/gui/PlaygroundDlg.h"
#include "platform/registry/Profile.h"

#include <QPointer>

#include <memory>

namespace tools::gui {
std::function<bool(int id)> PlaygroundCommandHandler(PlaygroundWiring w)
{
    auto current = std::make_shared<QPointer<CPlaygroundDlg>>();
    return [w, current](int id) {
        if (id != cmd::ID_PLAYGROUND && id != shell::ids::kTreePlayground)
            return false;
        CMotor* motor = id == cmd::ID_PLAYGROUND ? (w.terminalMotor ? w.terminalMotor() : nullptr)
                                                 : (w.selectedMotor ? w.selectedMotor() : nullptr);
        if (CPlaygroundDlg* open = current->data()) {
            if (id == shell::ids::kTreePlayground && motor)
                open->SelectMotor(motor);
            open->showNormal();
            open->raise();
            open->activateWindow();
            return true;
        }
        PlaygroundSettings settings;
        settings.downloadPollProgram = platform::AppProfile().GetInt("OptionBoxes", "DownloadPollProgram", 0) != 0;
        settings.showAtStartup = platform::AppProfile().GetInt("OptionBoxes", "ShowPlayground", 1) != 0;
        auto* dlg = new CPlaygroundDlg(*w.context, *w.scanner, w.ports, settings, w.mainWindow);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        dlg->commError = w.commError;
        dlg->help = w.help;
        dlg->SetPortDialogs(w.portDialogs);
        *current = dlg;
        auto setSlot = w.setSlot;
        dlg->closed = [setSlot] {
            if (setSlot)
                setSlot(nullptr);
        };
        if (setSlot)
            setSlot(dlg);
        dlg->Show(motor, 0);
        return true;
    };
}

std::function<bool(int id)> SessionPlaygroundHandler(QWidget* mainWindow,
                                                     std::function<void(shell::IToolWindow*)> setSlot,
                                                     CScanner& scanner, CProject& project, CTerminalBar& bar,
                                                     std::function<CMotor*()> selectedMotor, std::weak_ptr<int> alive,
                                                     commerror::ICommErrorHandler* commError,
                                                     CPlaygroundDlg::PortDialogs portDialogs,
                                                     std::function<void(const std::string&)> help)
{
    PlaygroundWiring w;
    w.mainWindow = mainWindow;
    w.setSlot = std::move(setSlot);
    w.context = &project.Context();
    w.scanner = &scanner;
    w.commError = commError;
    w.portDialogs = std::move(portDialogs);
    w.help = std::move(help);
    w.ports = [&project, alive] {
        std::vector<CCommPort*> ports;
        if (!alive.expired())
            for (int i = 0; i < project.PortCount(); ++i)
                ports.push_back(project.Port(i));
        return ports;
    };
    // The terminal's current port and its target motor; no guess when there is none.
    w.terminalMotor = [&project, &bar, alive]() -> CMotor* {
        if (alive.expired())
            return nullptr;
        CCommPort* port = project.Port(bar.CurrentTab());
        return port ? port->GetMotor(bar.GetTargetAddress(-1)) : nullptr;
    };
    w.selectedMotor = [selectedMotor, alive]() -> CMotor* { return alive.expired() ? nullptr : selectedMotor(); };
    auto handler = PlaygroundCommandHandler(std::move(w));
    return [handler, alive](int id) { return !alive.expired() && handler(id); };
}

} // namespace tools::gui
