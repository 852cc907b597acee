#include "app/shell/HelpTopics.h"

#include "core/ui/Questions.h"

#include <iterator>
#include <string_view>

namespace help {

std::pair<std::string, std::string> SplitAnchor(const std::string& topic)
{
    const size_t hash = topic.find('#');
    if (hash == std::string::npos)
        return {topic, {}};
    return {topic.substr(0, hash), topic.substr(hash + 1)};
}

std::string TopicPage(const std::string& topic)
{
    std::string t = SplitAnchor(topic).first;
    if (t.rfind("::/", 0) == 0)
        t = t.substr(3);
    for (char& c : t)
        if (c == '\\')
            c = '/';
    while (!t.empty() && t[0] == '/')
        t.erase(0, 1);
    return t;
}

namespace {

// The windows, pages and boxes whose help is a page (and anchor) of the guide. Every other number
// is a page of its own ("<id>.htm") that holds its text.
struct GuideTopic {
    int id;
    const char* topic;
};
constexpr GuideTopic kGuideTopics[] = {
    {113, "VQXUsersGuide/GettingStarted.htm#Welcome"},
    {147, "VQXUsersGuide/ConfigurationView.htm"},
    {170, "VQXUsersGuide/Options/Scanner.htm"},
    {174, "VQXUsersGuide/Tools/ChartView.htm"},
    {175, "VQXUsersGuide/Options/Editor.htm"},
    {177, "VQXUsersGuide/Options/Terminal.htm"},
    {178, "VQXUsersGuide/SerialDataAnalyzer.htm"},
    {186, "VQXUsersGuide/Options/Advanced.htm"},
    {195, "VQXUsersGuide/Tools/MonitorWindow.htm"},
    {206, "VQXUsersGuide/CommunicationWizard.htm#Welcome"},
    {207, "VQXUsersGuide/CommunicationWizard.htm#Ports"},
    {208, "VQXUsersGuide/CommunicationWizard.htm#Bus"},
    {209, "VQXUsersGuide/CommunicationWizard.htm#Finished"},
    {222, "VQXUsersGuide/CommunicationWizard.htm#Decision"},
    {259, "VQXUsersGuide/Tools/Playground.htm"},
    {330, "VQXUsersGuide/Dialogs/NewProject.htm#GeneralPage"},
    {331, "VQXUsersGuide/Dialogs/NewProject.htm#PortsPage"},
    {332, "VQXUsersGuide/Dialogs/NewPort.htm#PortPage"},
    {333, "VQXUsersGuide/Dialogs/NewPort.htm#MotorsPage"},
    {336, "VQXUsersGuide/InformationView.htm"},
    {339, "VQXUsersGuide/Terminal.htm"},
};

// The numbers that have a page of their own.
constexpr int kOwnPages[] = {167, 168, 176, 179, 181, 182, 183, 184, 185, 187, 188, 189, 284};

} // namespace

std::string WindowTopic(int templateId)
{
    for (const GuideTopic& g : kGuideTopics)
        if (g.id == templateId)
            return g.topic;
    return std::to_string(templateId) + ".htm";
}

std::vector<int> NumberedTopics()
{
    std::vector<int> ids;
    for (const GuideTopic& g : kGuideTopics)
        ids.push_back(g.id);
    ids.insert(ids.end(), std::begin(kOwnPages), std::end(kOwnPages));
    return ids;
}

std::string ResolveTopic(const std::string& topic)
{
    const auto [page, anchor] = SplitAnchor(topic);
    const std::string file = TopicPage(page);
    const size_t digits = file.find_first_not_of("0123456789");
    if (digits == 0 || digits > 6 || file.substr(digits) != ".htm")
        return topic;
    const std::string mapped = WindowTopic(std::stoi(file.substr(0, digits)));
    // A numbered page of its own keeps the anchor it was asked with.
    return mapped == file && !anchor.empty() ? mapped + "#" + anchor : mapped;
}

const std::vector<std::string>& KnownTopics()
{
    static const std::vector<std::string> topics = [] {
        std::vector<std::string> t = {
            kContentsTopic,
            kKeywordIndexTopic,
            kProgrammersGuideTopic,
            kSynmoveTopic,
            "::/HowToUseVQXHelp.htm",
            ui::kChangeIPHelpTopic,
            "::/VQXUsersGuide\\TextEditor.htm",
            "::/VQXUsersGuide\\Dialogs\\NewPort.htm",
            "::/VQXUsersGuide\\Dialogs\\NewPort.htm#MotorsPage",
            "::/VQXUsersGuide\\Dialogs\\PortProperties.htm",
            "::/VQXUsersGuide\\Dialogs\\PortProperties.htm#MotorsPage",
            "::/VQXUsersGuide\\Dialogs\\NewMotor.htm",
            "::/VQXUsersGuide\\Dialogs\\MotorProperties.htm",
            "::/VQXUsersGuide\\Dialogs\\NewProject.htm#GeneralPage",
            "::/VQXUsersGuide\\Dialogs\\NewProject.htm#PortsPage",
            "::/VQXUsersGuide\\Dialogs\\ProjectProperties.htm",
            "::/VQXUsersGuide\\Dialogs\\CommunicationSettings.htm",
            "::/VQXUsersGuide\\Dialogs\\SaveProjectAs.htm",
            "::/VQXUsersGuide\\Dialogs\\NewMonitorItem.htm",
            "::/VQXUsersGuide\\Dialogs\\MonitorItemProperties.htm",
            "::/VQXUsersGuide\\Dialogs\\NewChartItem.htm",
            "::/VQXUsersGuide\\Dialogs\\ChartItemProperties.htm",
            "VQXUsersGuide\\Options\\Editor.htm",
            "VQXUsersGuide\\Options\\Terminal.htm",
            "VQXUsersGuide\\Options\\SDA.htm",
            "VQXUsersGuide\\Options\\Scanner.htm",
            "VQXUsersGuide\\Options\\Advanced.htm",
            "::/VQXUsersGuide\\Tools\\Calibration\\Verifying.htm",
            "::/VQXUsersGuide\\Tools\\Calibration\\Calibrating.htm",
            "VQXUsersGuide\\Tools\\MotorView\\MotorView.htm",
            "VQXUsersGuide\\Tools\\MotorView\\Status.htm",
            "VQXUsersGuide\\Tools\\MotorView\\Info.htm",
            "VQXUsersGuide\\Tools\\MotorView\\Monitor.htm",
            "VQXUsersGuide\\Tools\\MotorView\\UserVariables.htm",
            "VQXUsersGuide\\Tools\\MotorView\\Flags.htm",
            "VQXUsersGuide\\Tools\\MotorView\\MemMap.htm",
            "VQXUsersGuide\\Tools\\Tuner\\TuningWindow.htm",
            "VQXUsersGuide\\Tools\\Tuner\\TuningWindow.htm#TunerContextMenu",
        };
        // Pages opened by a dialog template or help id: the page dialogs' pages, the choice boxes,
        // the wizard's pages, the main frame's bars, the playground, the monitor and chart windows.
        for (const GuideTopic& g : kGuideTopics)
            t.push_back(g.topic);
        for (int id : kOwnPages)
            t.push_back(WindowTopic(id));
        return t;
    }();
    return topics;
}

} // namespace help
