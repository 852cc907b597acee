#include "app/project/AssociatedFiles.h"

#include "core/motor/Motor.h"

namespace {
constexpr size_t kMaxDroppedPath = 260;
}

std::vector<int> AssociateFiles(CMotor& motor, const std::vector<std::string>& paths, std::vector<std::string>* refusals)
{
    std::vector<int> added;
    for (const std::string& path : paths) {
        if (path.size() > kMaxDroppedPath) {
            if (refusals)
                refusals->push_back("The path \"" + path.substr(0, 60) + "...\" is too long.");
            continue;
        }
        auto note = [refusals](const std::string& text) {
            if (refusals)
                refusals->push_back(text);
        };
        if (motor.AddAssociatedFile(path, note))
            added.push_back(motor.associatedFiles.GetCount() - 1);
    }
    return added;
}

bool RemoveAssociatedFile(CMotor& motor, int index)
{
    if (!motor.associatedFiles.GetAt(index))
        return false;
    const int main = motor.mainAssociatedFile;
    // The list owns its entries: keep copies of the others and put them back in order.
    CAssociatedFileList rest;
    for (int i = 0; i < motor.associatedFiles.GetCount(); ++i) {
        if (i == index)
            continue;
        auto* copy = new CAssociatedFile(*motor.associatedFiles.GetAt(i));
        rest.Add(copy);
    }
    motor.associatedFiles.CopyFrom(rest);
    motor.SetMainAssociatedFile(main == index ? -1 : main > index ? main - 1 : main);
    return true;
}

bool ToggleMainFile(CMotor& motor, int index)
{
    if (!motor.associatedFiles.GetAt(index))
        return false;
    motor.SetMainAssociatedFile(motor.mainAssociatedFile == index ? -1 : index);
    return true;
}
