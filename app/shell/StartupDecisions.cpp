#include "app/shell/StartupDecisions.h"

#include <cctype>

namespace shell {
namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::string JoinArguments(const std::vector<std::string>& arguments)
{
    std::string out;
    for (const auto& a : arguments) {
        if (!out.empty())
            out += ' ';
        out += a;
    }
    return out;
}

std::string TrimCommandLine(std::string_view raw)
{
    size_t b = 0;
    while (b < raw.size() && (raw[b] == ' ' || raw[b] == '\t' || raw[b] == '-' || raw[b] == '"'))
        ++b;
    size_t e = raw.size();
    while (e > b && (raw[e - 1] == ' ' || raw[e - 1] == '\t' || raw[e - 1] == '"'))
        --e;
    return std::string(raw.substr(b, e - b));
}

CommandLineChoice ClassifyCommandLine(std::string_view raw, std::string projectPath)
{
    CommandLineChoice c;
    c.trimmed = TrimCommandLine(raw);
    c.projectPath = std::move(projectPath);
    if (c.trimmed.empty())
        return c;
    if (Lower(c.trimmed) == "play") {
        c.play = true;
        c.projectPath.clear();
        return c;
    }
    c.extension = Lower(c.trimmed.size() >= 3 ? std::string_view(c.trimmed).substr(c.trimmed.size() - 3)
                                              : std::string_view(c.trimmed));
    if (c.extension == "spj") {
        c.projectPath = c.trimmed;
    } else if (c.extension == "tqs" || c.extension == "tqc" || c.extension == "trm" || c.extension == "ssf") {
        c.projectPath.clear();
        c.opensDocument = true;
    }
    return c;
}

FirstScreen ChooseFirstScreen(const FirstScreenInputs& in)
{
    if ((in.showPlayground || in.play) && in.extension.empty() && in.playgroundAvailable)
        return FirstScreen::Playground;
    const bool documentNamed =
        in.extension == "tqs" || in.extension == "tqc" || in.extension == "trm" || in.extension == "ssf";
    if (!documentNamed && in.defaultProject) {
        if (in.firstRun)
            return FirstScreen::Welcome;
        if (in.startQuestion && in.commandLineEmpty)
            return FirstScreen::StartQuestion;
    }
    return FirstScreen::Tip;
}

std::string FrameTitle(std::string_view projectName, bool defaultProject, std::string_view activeChild,
                       bool childMaximised)
{
    std::string title = kFrameTitle;
    if (!activeChild.empty() && !childMaximised)
        title += " - [" + std::string(activeChild) + "]";
    if (!defaultProject)
        title = std::string(projectName) + " - " + title;
    return title;
}

} // namespace shell
