#include "app/project/ProjectShell.h"

#include "core/settings/Options.h"

void CProjectShell::RunStartup()
{
    if (m_project.Context().Options().RestoreSerialState)
        m_project.OpenSavedPorts();
    if (m_project.Context().Options().RunStartup && runMacro)
        if (CMacro* startup = m_project.StartupMacro())
            runMacro(*startup);
}
