#include "app/shell/gui/Help.h"

#include "app/shell/HelpTopics.h"
#include "app/shell/gui/AppContext.h"
#include "core/ui/InfoView.h"
#include "platform/paths/Paths.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QShortcut>

namespace help {

std::string HelpFolder() { return platform::JoinPath(platform::AppFolder(), "help"); }

std::string TopicFile(const std::string& topic) { return platform::JoinPath(HelpFolder(), TopicPage(topic)); }

namespace {

bool OpenTopic(const shell::CAppContext& context, const std::string& topic, const std::string& anchor)
{
    if (topic.empty())
        return false;
    const std::string file = TopicFile(topic);
    const QFileInfo info(QString::fromStdString(file));
    // Only a plain readable file is handed on: a folder or device named as a topic is not.
    if (!info.isFile() || !info.isReadable() ||
        !context.Desktop().OpenHelpPage(QString::fromStdString(file), QString::fromStdString(anchor))) {
        context.Info().AddInfo("The help topic \"" + file + "\" is not available.");
        return false;
    }
    return true;
}

} // namespace

bool ShowHelpTopic(const shell::CAppContext& context, const std::string& topic)
{
    const std::string resolved = ResolveTopic(topic);
    return OpenTopic(context, resolved, SplitAnchor(resolved).second);
}

bool HtmlHelpCommand(const shell::CAppContext& context, const std::string& name, const std::string& data)
{
    if (name == "Contents")
        return ShowHelpTopic(context, kContentsTopic);
    // The index at a keyword, or at its top.
    if (name == "Index")
        return data.empty() ? ShowHelpTopic(context, kKeywordIndexTopic) : OpenTopic(context, kContentsTopic, data);
    return ShowHelpTopic(context, name);
}

void HelpOnF1(QAbstractButton* helpButton)
{
    if (!helpButton)
        return;
    // Owned by the button: a shortcut is live only while its widget is visible and enabled, and
    // only in the button's own window.
    auto* key = new QShortcut(QKeySequence::HelpContents, helpButton);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, helpButton, &QAbstractButton::click);
}

} // namespace help
