#include "app/shell/gui/Help.h"

#include "app/bridge/Seams.h"
#include "platform/paths/Paths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace help {

std::string HelpFolder() { return platform::JoinPath(platform::AppFolder(), "help"); }

std::string TopicFile(const std::string& topic)
{
    std::string t = topic;
    if (t.rfind("::/", 0) == 0)
        t = t.substr(3);
    while (!t.empty() && (t[0] == '/' || t[0] == '\\'))
        t.erase(0, 1);
    return platform::JoinPath(HelpFolder(), t);
}

std::function<bool(const std::string&)>& Opener()
{
    static std::function<bool(const std::string&)> opener = [](const std::string& file) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file)));
    };
    return opener;
}

bool ShowHelpTopic(const std::string& topic)
{
    if (topic.empty())
        return false;
    const std::string file = TopicFile(topic);
    const QFileInfo info(QString::fromStdString(file));
    // Only a plain readable file is handed on: a folder or device named as a topic is not.
    if (!info.isFile() || !info.isReadable() || !Opener() || !Opener()(file)) {
        bridge::Info().AddInfo("The help topic \"" + file + "\" is not available.");
        return false;
    }
    return true;
}

bool HtmlHelpCommand(const std::string& name)
{
    if (name == "Contents" || name == "Index")
        return ShowHelpTopic("index.htm");
    return ShowHelpTopic(name);
}

} // namespace help
