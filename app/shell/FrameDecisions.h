#pragma once
// Decisions of main-frame commands that need no window: what a drop of files on the frame does,
// and the layout "Where are my windows?" puts the four bars back into.

#include "app/framework/DockLayout.h"

#include <array>
#include <string>
#include <vector>

namespace shell {

enum class DropAction {
    Nothing,          // no files
    InvalidCombination, // a project file among two or more files
    OpenProject,      // exactly one project file, not the open one
    ProjectAlreadyOpen,
    OpenDocuments,    // no project file: the files open as documents
};
inline constexpr const char* kInvalidDropText = "Invalid combination of files dropped on VQX!";
// A project file is one whose last three characters are "spj" (any case); the open project's path
// is compared ignoring case.
DropAction ClassifyDroppedFiles(const std::vector<std::string>& files, const std::string& openProjectPath);

// The bars in the frame's order: information, terminal, configuration, serial data analyzer.
enum BarIndex { kInfoBarIndex = 0, kTerminalBarIndex = 1, kConfigBarIndex = 2, kAnalyzerBarIndex = 3 };
// The records of the window reset for a frame client area: W and H are a fifth of its width and
// height. The information bar docks at the bottom, the other three on the left at positions 1, 3
// (configuration, terminal) and 5 (analyzer); each keeps the visibility given.
std::array<fw::DockBarRecord, 4> WindowResetLayout(int clientWidth, int clientHeight,
                                                   const std::array<bool, 4>& visible);

} // namespace shell
