#include "app/project/ProjectShell.h"

#include "core/settings/Options.h"

void CProjectShell::RunStartup()
{
    if (GetOptions().RestoreSerialState)
        m_project.OpenSavedPorts();
    if (GetOptions().RunStartup && runMacro)
        if (CMacro* startup = m_project.StartupMacro())
            runMacro(*startup);
}
