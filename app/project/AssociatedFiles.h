#pragma once
// Changes to a motor's associated files made from the configuration tree: adding files (chosen or
// dropped), removing one, and toggling the main file. Each reports whether the motor changed, so
// the caller marks the project modified only then.

#include <string>
#include <vector>

class CMotor;

// Adds each file the motor accepts (a file already there, or not a source file, is refused and
// skipped; a path longer than 260 characters is refused). Returns the list indexes of the added.
std::vector<int> AssociateFiles(CMotor& motor, const std::vector<std::string>& paths,
                                std::vector<std::string>* refusals = nullptr);
// Removes a file: a main file leaves the motor without one, later entries move up (the main
// index follows its file). False when there is no such file.
bool RemoveAssociatedFile(CMotor& motor, int index);
// The file becomes the main file, or, when it already is, the motor has none. False for no file.
bool ToggleMainFile(CMotor& motor, int index);
