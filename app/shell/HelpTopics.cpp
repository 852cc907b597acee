#include "app/shell/HelpTopics.h"

#include "core/ui/Questions.h"

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

std::string WindowTopic(int templateId) { return std::to_string(templateId) + ".htm"; }

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
        };
        // Pages opened by a dialog template or help id: the page dialogs' pages, the choice boxes,
        // the wizard's pages, the main frame's bars, the playground, the monitor and chart windows.
        for (int id : {113, 147, 167, 168, 170, 175, 176, 177, 178, 179, 181, 182, 183, 184, 186, 187, 188, 189, 206,
                       207, 208, 209, 222, 259, 284, 185, 330, 331, 332, 333, 336, 339, 174, 195})
            t.push_back(WindowTopic(id));
        return t;
    }();
    return topics;
}

} // namespace help
