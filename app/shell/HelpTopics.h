#pragma once
// The help topics the programs open, without Qt: the topic paths as the code passes them (a page
// of the user guide, at an anchor after "#"), where each one's file lies in the help folder, and
// the list of all of them (the guide is checked against it).

#include <string>
#include <utility>
#include <vector>

namespace help {

// "page.htm#anchor" -> "page.htm" and "anchor".
std::pair<std::string, std::string> SplitAnchor(const std::string& topic);
// The file of a topic below the help folder: "::/" and leading separators dropped, backslashes
// made slashes ("::/VQXUsersGuide\Dialogs\NewPort.htm#MotorsPage" -> "VQXUsersGuide/Dialogs/NewPort.htm").
std::string TopicPage(const std::string& topic);

// The contents page, and the pages of two commands of the Help menu.
inline constexpr const char* kContentsTopic = "index.htm";
inline constexpr const char* kKeywordIndexTopic = "index.htm#keywords";
inline constexpr const char* kProgrammersGuideTopic = "ProgrammersGuide/index.htm";
inline constexpr const char* kSynmoveTopic = "Synmove/index.htm";
// The page F1 opens for a window of the main frame: its dialog template id ("<id>.htm").
std::string WindowTopic(int templateId);

// Every topic any of the programs can open.
const std::vector<std::string>& KnownTopics();

} // namespace help
