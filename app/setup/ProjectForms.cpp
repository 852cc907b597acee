#include "app/setup/ProjectForms.h"

#include "app/project/Project.h"
#include "app/setup/PortPages.h"
#include "core/analyzer/TrafficLog.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/Questions.h"

#include <array>
#include <cstdio>

namespace setup {

std::string ProjectBaseFolder(const std::string& projectFile) { return GetFolderPart(GetFolderPart(projectFile)); }

std::string ProjectLocation(const std::string& baseFolder, const std::string& name) { return baseFolder + "/" + name; }

std::optional<std::string> ProjectNameProblem(const std::string& name)
{
    if (name.empty())
        return std::string("You must enter a name for the project!");
    // The name becomes a folder and a file name: it must not lead elsewhere.
    if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
        return std::string("A project name cannot contain \"/\" or \"\\\", nor be \".\" or \"..\".");
    return std::nullopt;
}

void ApplyProjectName(CProject& project, const std::string& name, const std::string& location)
{
    project.Name = name;
    project.FileName = location + "/" + name + ".spj";
}

bool DeletePortOfProject(CProject& project, int index, ui::IQuestions& questions)
{
    if (index < 0 || index >= project.PortCount()) {
        ui::OptionMessageBox(questions, kSelectItem, ui::MB_OK | ui::MB_ICONHAND);
        return false;
    }
    if (project.PortCount() == 1) {
        ui::OptionMessageBox(questions, kLastPort, ui::MB_OK | ui::MB_ICONHAND);
        return false;
    }
    if (ui::OptionMessageBox(questions, kDeletePortQuestion, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::MB_DEFBUTTON2) !=
        ui::IDYES)
        return false;
    project.RemovePort(index);
    return true;
}

CCommunicationEdit::CCommunicationEdit(CProject& project)
    : m_project(project), m_held(project), m_working(std::make_unique<CProject>()), m_open(project.RememberOpenPorts())
{
    if (ITrafficLog* log = project.Context().TrafficLog())
        log->SetPageFlags(-1, SDA_FROM_PROGRAM, true);
    m_working->SetContext(&project.Context());
    m_working->Copy(project);
}

CCommunicationEdit::~CCommunicationEdit()
{
    m_project.ReopenPorts(m_open);
    if (ITrafficLog* log = m_project.Context().TrafficLog())
        log->SetPageFlags(-1, SDA_FROM_PROGRAM, false);
}

void CCommunicationEdit::Commit()
{
    m_project.CloseAllPorts();
    m_project.Copy(*m_working);
    m_project.modified = true;
}

} // namespace setup
