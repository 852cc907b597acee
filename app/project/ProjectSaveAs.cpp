#include "app/project/ProjectSaveAs.h"

#include "app/project/Project.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "platform/paths/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
bool SameFolder(const std::string& a, const std::string& b)
{
    auto trim = [](std::string s) {
        while (s.size() > 1 && (s.back() == '/' || s.back() == '\\'))
            s.pop_back();
        return Lower(platform::TranslatePath(s));
    };
    return trim(a) == trim(b);
}
} // namespace

std::string NotCopiedNote(const std::vector<std::string>& files)
{
    if (files.empty())
        return {};
    std::string list;
    for (const std::string& f : files)
        list += f + "\n";
    return "NOTE:\nThe following files were not copied to the new project folder:\n\n" + list;
}

SaveAsOutcome SaveProjectAs(CProject& project, CProject& renamed)
{
    SaveAsOutcome outcome;
    const std::string folder = platform::FolderPart(renamed.FileName);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        outcome.error = "Cannot make project folder.\n" + (ec ? ec.message() : std::string(std::strerror(ENOTDIR)));
        return outcome;
    }
    renamed.isDefault = false;
    renamed.Path = folder;
    const std::string oldFolder = project.isDefault ? std::string() : project.Path;
    for (int p = 0; p < renamed.PortCount(); ++p) {
        CCommPort* port = renamed.Port(p);
        for (int m = 0; m < port->MotorCount(); ++m) {
            CMotor* motor = port->motors.GetAt(m);
            for (int f = 0; f < motor->associatedFiles.GetCount(); ++f) {
                CAssociatedFile* entry = motor->associatedFiles.GetAt(f);
                const std::string& source = entry->FileName;
                if (oldFolder.empty() || !SameFolder(platform::FolderPart(source), oldFolder)) {
                    outcome.notCopied.push_back(source);
                    continue;
                }
                const std::string target = platform::JoinPath(folder, platform::FileNamePart(source));
                std::error_code copyError;
                // An existing file is never overwritten, and the entry keeps pointing at the
                // file it was made for.
                if (fs::exists(target) ||
                    !fs::copy_file(platform::TranslatePath(source), target, fs::copy_options::none, copyError)) {
                    outcome.notCopied.push_back(source);
                    continue;
                }
                entry->FileName = target;
            }
        }
    }
    if (!renamed.Save()) {
        outcome.error = "Cannot write to the project file.";
        return outcome;
    }
    project.Copy(renamed);
    project.modified = false;
    outcome.saved = true;
    return outcome;
}
