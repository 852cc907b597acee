#include "synmove/gui/SynmoveApp.h"

#include "platform/registry/Profile.h"
#include "samples/common/gui/ProgramIcon.h"
#include "synmove/gui/SynmoveDlg.h"

namespace synmove {

int CSynmoveApp::InitInstance()
{
    platform::Profile& profile = platform::AppProfile();
    profile.SetRegistryKey("Korvessan");
    profile.SetApplicationName("Synmove");
    vqxclient::UseProgramIcon("synmove");
    CSynmoveDlg dlg(profile, [] { return vqxclient::CreateEngineHost(true); });
    dlg.exec();
    return 0;
}

} // namespace synmove
