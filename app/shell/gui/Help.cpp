#include "app/shell/gui/Help.h"

#include "app/bridge/Seams.h"
#include "app/shell/HelpTopics.h"
#include "app/shell/gui/HelpViewer.h"
#include "platform/paths/Paths.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <utility>

namespace help {

std::string HelpFolder() { return platform::JoinPath(platform::AppFolder(), "help"); }

std::string TopicFile(const std::string& topic) { return platform::JoinPath(HelpFolder(), TopicPage(topic)); }

std::function<bool(const std::string&, const std::string&)>& Opener()
{
    static std::function<bool(const std::string&, const std::string&)> opener = [](const std::string& file,
                                                                                    const std::string& anchor) {
        QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
        if (!anchor.empty())
            url.setFragment(QString::fromStdString(anchor));
        // The desktop's browser where the desktop has a way to start one; else our own window.
        if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty() && QDesktopServices::openUrl(url))
            return true;
        CHelpViewer::Instance().ShowPage(QString::fromStdString(file), QString::fromStdString(anchor));
        return true;
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
        return ShowHelpTopic(kContentsTopic);
    // The index at a keyword, or at its top.
    if (name == "Index")
        return data.empty() ? ShowHelpTopic(kKeywordIndexTopic) : OpenTopic(kContentsTopic, data);
    return ShowHelpTopic(name);
}

} // namespace help
