#pragma once
// F1 in a modal dialog does what its Help button does, as in every dialog of the desktop; windows
// that give F1 a meaning of their own are modeless and keep it.

class QObject;

namespace shell {

// Watches the key presses of the whole program for as long as `owner` lives: F1 in the active
// modal dialog clicks its Help button (the button named "57670", the help command, or captioned
// "Help"), when it has one that is shown and enabled.
void InstallDialogHelpKey(QObject* owner);

} // namespace shell
