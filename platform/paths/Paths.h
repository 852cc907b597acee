#pragma once
// Where the suite finds its files on Linux.
//
// Program folder (g_strAppFolder): the folder of shipped, read-only data.
//   1. $VQX_HOME when set;
//   2. the staging folder of the build tree (<build>/staging/share/vqx) when the running program
//      lies inside that build tree;
//   3. <exe folder>/../share/vqx when it exists (a relocated install);
//   4. <install prefix>/share/vqx.
// User data folder: $XDG_DATA_HOME/korvessan/vqx (default ~/.local/share/korvessan/vqx). Files the
// programs write beside the program (the default project "\Def.bin", copied language files,
// the sample project) go there; reads look there first, then in the program folder.
//
// Paths in the programs' own texts are written with backslashes ("\Def.bin", "\Include\%s"); they are
// joined to a folder with "/" (JoinPath). Paths stored in files keep their bytes as they were
// stored and are translated only when used (TranslatePath).

#include <string>
#include <string_view>

// The program folder, without a trailing "/". Empty until InitAppFolder() or AppFolder() runs
// (it is constant-initialised, so a static initialiser may call AppFolder() safely).
extern std::string g_strAppFolder;

namespace platform {

// Computes the program folder (rules above), stores it in g_strAppFolder and returns it.
const std::string& InitAppFolder();
// g_strAppFolder, computed on first use.
const std::string& AppFolder();
// Sets the program folder explicitly (tests, or a command-line override).
void SetAppFolder(std::string folder);

// The install prefix compiled into the build (CMAKE_INSTALL_PREFIX).
std::string CompiledInstallPrefix();
// The prefix in use: the build tree's staging prefix (<build>/staging) when the running program
// lies in the build tree, else the prefix of a relocated install, else the compiled prefix.
std::string ActivePrefix();
// Whether the running program lies inside the build tree it was built in.
bool RunningFromBuildTree();
// The absolute path of the running program ("" when unknown).
std::string ExecutablePath();

// $XDG_CONFIG_HOME/korvessan (default ~/.config/korvessan).
std::string UserConfigFolder();
// $XDG_DATA_HOME/korvessan/vqx (default ~/.local/share/korvessan/vqx).
std::string UserDataFolder();

// A backslash path or a stored path, for use: every backslash becomes "/".
std::string TranslatePath(std::string_view path);
// folder + tail with exactly one "/" between them; the tail is translated ("\Def.bin").
std::string JoinPath(std::string_view folder, std::string_view tail);
// For reading a data file named by a backslash path such as "\Def.bin": the file in the user
// data folder when it exists, else the file in the program folder (returned even when it does
// not exist either, so that the caller's open fails with a meaningful name).
std::string FindDataFile(std::string_view tail);
// For writing a data file: its path in the user data folder, whose folders are created.
std::string UserDataPath(std::string_view tail);

// True for "/..." and for the absolute forms "\..." and "X:\..." / "X:/...".
bool IsAbsolutePath(std::string_view path);
// The part after the last "/" or "\".
std::string FileNamePart(std::string_view path);
// The part before the last "/" or "\" ("" when there is none).
std::string FolderPart(std::string_view path);

} // namespace platform
