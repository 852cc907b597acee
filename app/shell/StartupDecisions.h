#pragma once
// The decisions of the program's start that need no window: how the command line is read, and
// what the user sees first.

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The command line as one text: the arguments joined by blanks (one argument stays as it is).
std::string JoinArguments(const std::vector<std::string>& arguments);
// Trims blank, tab, "-" and double quote from the left and blank, tab and double quote from the
// right.
std::string TrimCommandLine(std::string_view raw);

struct CommandLineChoice {
    bool play = false;        // "Play" (any case): play mode, no project path
    std::string projectPath;  // the project to open (the one given in, unless changed)
    std::string extension;    // the last three characters, lower case; empty when none named
    bool opensDocument = false; // a .tqs, .tqc, .trm or .ssf to open as a document
    std::string trimmed;      // the trimmed command line
};
// Classifies the command line: "Play" turns on play mode and clears the project path; a text
// ending in "spj" is the project; "tqs", "tqc", "trm" and "ssf" clear the project path (the
// document is opened by the shell command); any other extension leaves the project path.
CommandLineChoice ClassifyCommandLine(std::string_view raw, std::string projectPath);

enum class FirstScreen { Playground, Welcome, StartQuestion, Tip };

struct FirstScreenInputs {
    bool showPlayground = true;  // "OptionBoxes"\"ShowPlayground"
    bool play = false;
    bool playgroundAvailable = true; // the playground window exists in this program
    std::string extension;       // of the command line
    bool firstRun = true;        // "Workspace"\"FirstRun"
    bool defaultProject = true;  // the project is the default (untitled) one
    bool startQuestion = true;   // "OptionBoxes"\"StartQuestion"
    bool commandLineEmpty = true;
};
// What the user sees first. The playground when it is asked for (or play mode) and no document
// was named; else, for the default project, the first-run welcome or the start question (only
// with an empty command line); else the tip of the day. A named document skips the playground,
// the welcome and the start question.
FirstScreen ChooseFirstScreen(const FirstScreenInputs& in);

// The main frame's title: "Tessaraxon Interface", with " - [child]" when an MDI child is active
// and not maximised, and "project - " in front for a project other than the default one.
std::string FrameTitle(std::string_view projectName, bool defaultProject, std::string_view activeChild,
                       bool childMaximised);
inline constexpr const char* kFrameTitle = "Tessaraxon Interface";

} // namespace shell
