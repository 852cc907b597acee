#include "app/shell/CloseSequence.h"

#include "core/ui/Questions.h"

namespace shell {

bool RunCloseSequence(ICloseParticipant& p)
{
    if (!p.CloseHookAllows())
        return false;
    if (!p.SaveModifiedDocuments())
        return false;
    if (!p.ToolWindowsCanClose())
        return false;

    if (!p.ProjectIsDefault())
        p.WriteLastWorkspace(p.ProjectPath());
    else if (p.FrameVisible())
        p.WriteLastWorkspace("");

    if (p.SaveWorkspaceSetting()) {
        if (!p.SaveProject())
            return false;
    } else if (p.ProjectModified() && !p.ProjectIsDefault()) {
        const int answer = p.AskSaveProject();
        if (answer == ui::IDCANCEL)
            return false;
        if (answer == ui::IDYES && !p.SaveProject())
            return false;
    }

    p.CloseTunerAndPlayground();
    p.ClosePorts();
    p.CloseToolWindows();
    p.SaveWindowPos();
    p.StopPollTimer();
    p.DestroyFindDialog();
    p.CloseDocumentsAndDestroy();
    return true;
}

} // namespace shell
