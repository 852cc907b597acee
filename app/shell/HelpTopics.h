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
// The topic of a window, dialog page or box by its template or help id: the guide's page (and
// anchor) that describes it, or the page of its own ("<id>.htm") that holds its text.
std::string WindowTopic(int templateId);
// A topic as the help opens it: a numbered page ("209.htm", "::/209.htm") is its WindowTopic; any
// other topic is itself.
std::string ResolveTopic(const std::string& topic);
// The numbers that have a topic (WindowTopic), in no particular order.
std::vector<int> NumberedTopics();

// Every topic any of the programs can open.
const std::vector<std::string>& KnownTopics();

} // namespace help
