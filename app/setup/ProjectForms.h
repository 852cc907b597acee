#pragma once
// The rules of the project name page, the ports page's edits, the "Communication Settings"
// session over a copy of the project, and the dotted-quad text the motor IP dialog stores.

#include "app/project/PollingHeld.h"
#include "app/shell/SmallForms.h"
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CProject;
namespace ui { class IQuestions; }

namespace setup {

// ---- Project name page -----------------------------------------------------------------------
// The folder above the project's folder (the folder part of the folder part of its file name).
std::string ProjectBaseFolder(const std::string& projectFile);
// Where the project goes: base folder + "/" + name.
std::string ProjectLocation(const std::string& baseFolder, const std::string& name);
// None when the name is accepted; a name that would reach into another folder is refused too.
std::optional<std::string> ProjectNameProblem(const std::string& name);
// Apply: the project's name and its file name location + "/" + name + ".spj".
void ApplyProjectName(CProject& project, const std::string& name, const std::string& location);

// ---- Ports page ------------------------------------------------------------------------------
// Deletes a port of the project for the page's Delete; a message when it is refused (no
// selection, the last port); asks before it deletes. True when the port was deleted.
bool DeletePortOfProject(CProject& project, int index, ui::IQuestions& questions);

using shell::CanonicalIPAddress;

// ---- "Communication Settings" ------------------------------------------------------------------
// While the dialog runs: the program's source tag on every analyzer page and the open ports
// recorded; at the end the recorded ports reopen (by device name) and the tag is cleared. The copy
// holds the project's ports closed until then, so polling is held as long.
class CCommunicationEdit {
public:
    explicit CCommunicationEdit(CProject& project);
    ~CCommunicationEdit();
    CCommunicationEdit(const CCommunicationEdit&) = delete;
    CCommunicationEdit& operator=(const CCommunicationEdit&) = delete;
    // The copy the dialog edits.
    CProject& Working() { return *m_working; }
    // OK: the project takes the edited ports (and is marked modified).
    void Commit();

private:
    CProject& m_project;
    PollingHeld m_held; // let go of after the ports reopened
    std::unique_ptr<CProject> m_working;
    std::vector<std::string> m_open;
};

} // namespace setup
