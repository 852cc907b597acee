#include "app/shell/gui/Help.h"

#include "app/bridge/Seams.h"
#include "platform/paths/Paths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <utility>

namespace help {

std::string HelpFolder() { return platform::JoinPath(platform::AppFolder(), "help"); }

namespace {

// "page.htm#anchor" -> "page.htm" and "anchor".
std::pair<std::string, std::string> SplitAnchor(const std::string& topic)
{
    const size_t hash = topic.find('#');
    if (hash == std::string::npos)
        return {topic, {}};
    return {topic.substr(0, hash), topic.substr(hash + 1)};
}

} // namespace

std::string TopicFile(const std::string& topic)
{
    std::string t = SplitAnchor(topic).first;
    if (t.rfind("::/", 0) == 0)
        t = t.substr(3);
    while (!t.empty() && (t[0] == '/' || t[0] == '\\'))
        t.erase(0, 1);
    return platform::JoinPath(HelpFolder(), t);
}

std::function<bool(const std::string&, const std::string&)>& Opener()
{
    static std::function<bool(const std::string&, const std::string&)> opener = [](const std::string& file,
                                                                                    const std::string& anchor) {
        QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
        if (!anchor.empty())
            url.setFragment(QString::fromStdString(anchor));
        return QDesktopServices::openUrl(url);
    };
    return opener;
}

namespace {

bool OpenTopic(const std::string& topic, const std::string& anchor)
{
    if (topic.empty())
        return false;
    const std::string file = TopicFile(topic);
    const QFileInfo info(QString::fromStdString(file));
    // Only a plain readable file is handed on: a folder or device named as a topic is not.
    if (!info.isFile() || !info.isReadable() || !Opener() || !Opener()(file, anchor)) {
        bridge::Info().AddInfo("The help topic \"" + file + "\" is not available.");
        return false;
    }
    return true;
}

} // namespace

bool ShowHelpTopic(const std::string& topic) { return OpenTopic(topic, SplitAnchor(topic).second); }

bool HtmlHelpCommand(const std::string& name, const std::string& data)
{
    if (name == "Contents")
        return OpenTopic("index.htm", {});
    if (name == "Index")
        return OpenTopic("index.htm", data);
    return ShowHelpTopic(name);
}

} // namespace help
