#pragma once
// "Save Project As": the project, already copied and named by the user (a project file in a folder
// of its own), gets that folder; the associated files of the old project's folder are copied into
// it, the new project is saved and becomes the open project.

#include <string>
#include <vector>

class CProject;

struct SaveAsOutcome {
    bool saved = false;
    std::string error;                  // why nothing was saved (the folder could not be made)
    std::vector<std::string> notCopied; // associated files that kept their old path
};

// The text of the note on files not copied (empty when all were).
std::string NotCopiedNote(const std::vector<std::string>& files);

// `renamed` is the copy of `project` with its new Name and FileName. A file of the old folder is
// copied (never over an existing file: then it keeps its old path and is listed, as are files
// from other folders) and the motor's entry points to the copy. On success `project` becomes the
// new project; on failure it is left as it was.
SaveAsOutcome SaveProjectAs(CProject& project, CProject& renamed);
