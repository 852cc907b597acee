#pragma once
// Help topics are local HTML files in the program folder's "help" folder, opened with the
// desktop's browser. A topic that is missing fails quietly: one line in the information view.

#include <functional>
#include <string>

namespace help {

// The help folder: <program folder>/help.
std::string HelpFolder();
// The file of a topic path ("VQXUsersGuide\Options\SDA.htm", "::/HowToUseVQXHelp.htm").
std::string TopicFile(const std::string& topic);
// Opens a topic; false (and an information line) when its file is missing or cannot be shown.
bool ShowHelpTopic(const std::string& topic);
// "Contents" and "Index" open the help folder's index page; anything else is a topic.
bool HtmlHelpCommand(const std::string& name);
// How a file is shown (tests replace it; default: the desktop's browser). Returns success.
std::function<bool(const std::string& file)>& Opener();

} // namespace help
