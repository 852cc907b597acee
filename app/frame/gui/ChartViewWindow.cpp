#include "app/frame/gui/ChartViewWindow.h"

#include "app/framework/gui/ModalDialog.h"
#include "app/shell/gui/Help.h"

#include "app/project/Project.h"
#include "app/frame/gui/MainFrame.h"
#include "app/tools/gui/ChartViewDlg.h"
#include "app/tools/gui/SessionMotors.h"
#include "app/tools/gui/WatchItemDlg.h"

#include <QDialog>

namespace {

using Added = chartview::CChartViewForm::Added;

// The watch item dialog on a chart item. Add mode: the dialog holds a watch item of its own and
// hands each finished one over; the chart copies it with the dialog's scale into a chart item.
bool RunItemDialog(const WatchDlgServices& services, QWidget* parent, CChartItem& item, bool addMode,
                   const std::function<Added(const CChartItem&)>& add)
{
    if (!addMode) {
        fw::ModalDialog<CWatchItemDlg> dlg(parent, &item.Item, true, services, true, item.Min, item.Max);
        if (dlg.exec() != QDialog::Accepted || !dlg)
            return false;
        item.Min = dlg->Form().minimum;
        item.Max = dlg->Form().maximum;
        return true;
    }
    auto* held = new CWatchItem;
    held->Copy(item.Item);
    CWatchItemDlg* shown = nullptr;
    WatchDlgServices withAdd = services;
    withAdd.add = [&shown, &add](CWatchItem* finished) -> CWatchItem* {
        CChartItem chosen;
        chosen.Item.Copy(*finished);
        chosen.Min = shown->Form().minimum;
        chosen.Max = shown->Form().maximum;
        switch (add(chosen)) {
        case Added::Duplicate:
            return finished;
        case Added::Full:
            delete finished;
            return nullptr;
        case Added::More:
        default: {
            auto* next = new CWatchItem;
            next->Copy(*finished);
            delete finished;
            return next;
        }
        }
    };
    fw::ModalDialog<CWatchItemDlg> dlg(parent, held, true, withAdd, true, item.Min, item.Max);
    shown = dlg.get();
    return dlg.exec() == QDialog::Accepted;
}

} // namespace

CChartViewDlg* OpenChartView(CMainFrame& frame, CProject& project, CTerminalBar& bar)
{
    if (auto* existing = dynamic_cast<CChartViewDlg*>(frame.ChartView())) {
        existing->showNormal();
        existing->raise();
        existing->activateWindow();
        return existing;
    }
    CProject* p = &project;
    CTerminalBar* terminal = &bar;
    const WatchDlgServices services = tools::WatchDialogServices(frame, project, frame.Context());
    auto* view = new CChartViewDlg(
        [p](int portIndex, int address) { return tools::FindProjectMotor(*p, portIndex, address); },
        project.Context().Questions(),
        [services](QWidget* parent, CChartItem& item, bool addMode, const auto& add) {
            return RunItemDialog(services, parent, item, addMode, add);
        },
        &frame);
    view->currentMotor = [p, terminal] { return tools::TerminalMotor(*p, *terminal); };
    view->portsHeld = [p] { return p->pollingHeld > 0; };
    shell::CAppContext* context = &frame.Context();
    view->showHelp = [context](const std::string& topic) { help::ShowHelpTopic(*context, topic); };
    CMainFrame* f = &frame;
    view->onClosed = [f, view] { f->ClearToolSlot(view); };
    frame.SetChartView(view);
    frame.PlaceOwnedWindow(view);
    view->Show();
    return view;
}
