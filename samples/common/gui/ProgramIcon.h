#pragma once
// The window icon of each of the engine's client programs ("synmove", "iotester", "jogger"), drawn
// for the suite, set for every window of the program.

#include <QIcon>

namespace vqxclient {

QIcon ProgramIcon(const char* program);
// One of the client programs' button pictures (icons/buttons/<name>.svg).
QIcon ButtonPicture(const char* name);
// Makes it the icon of every window the program opens, and names the program's desktop entry
// ("vqx-<program>") so that the desktop shows its windows under that entry.
void UseProgramIcon(const char* program);

} // namespace vqxclient
