#include "app/tuning/gui/TunerCommand.h"

#include "app/project/Project.h"
#include "app/project/gui/TerminalBar.h"
#include "app/shell/CommandIds.h"
#include "app/shell/FrameCommandTable.h"
#include "app/tuning/gui/TunerDlg.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <QPointer>

namespace tuning::gui {

std::function<bool(int id)> SessionTunerHandler(TunerWiring w)
{
    auto current = std::make_shared<QPointer<CTunerDlg>>();
    return [w, current](int id) {
        if (w.alive.expired() || (id != cmd::ID_TUNER && id != shell::ids::kTreeTuneMotor))
            return false;
        uint32_t key = 0;
        if (id == cmd::ID_TUNER) {
            if (CTunerDlg* open = current->data()) {
                open->showNormal();
                open->raise();
                open->activateWindow();
                return true;
            }
            const int tab = w.bar ? w.bar->CurrentTab() : 0;
            const int address = w.bar ? w.bar->GetTargetAddress(-1) : 0;
            key = MotorKey(tab < 0 ? 0 : tab, address < 0 ? 0 : address);
        } else {
            CMotor* motor = w.selectedMotor ? w.selectedMotor() : nullptr;
            if (!motor || !motor->GetPort())
                return true;
            key = MotorKey(motor->GetPort()->id, motor->Address);
            if (CTunerDlg* open = current->data()) {
                // Its programs go back now; the window itself goes after this event.
                open->closed = nullptr;
                open->RequestClose();
                if (w.setSlot)
                    w.setSlot(nullptr);
                *current = nullptr;
            }
        }
        CTunerDlg::Wiring wiring;
        wiring.context = w.project ? &w.project->Context() : nullptr;
        wiring.scanner = w.scanner;
        wiring.project = w.project;
        wiring.desktop = w.desktop;
        wiring.commError = w.commError;
        wiring.help = w.help;
        auto* dlg = new CTunerDlg(std::move(wiring), key, w.mainWindow);
        if (!dlg->Show()) {
            delete dlg;
            return true;
        }
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        *current = dlg;
        auto setSlot = w.setSlot;
        dlg->closed = [setSlot] {
            if (setSlot)
                setSlot(nullptr);
        };
        if (setSlot)
            setSlot(dlg);
        return true;
    };
}

} // namespace tuning::gui
