#include "app/tools/gui/PlaygroundCommand.h"

#include "app/shell/CommandIds.h"
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

} // namespace tools::gui
