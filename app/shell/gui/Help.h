#pragma once
// Help topics are pages of the user guide in the program folder's "help" folder, opened by the
// context's desktop services (the desktop's browser, or our own help window where the desktop has
// none). A topic that is missing fails quietly: one line in the information view. The topics:
// app/shell/HelpTopics.h.

#include <string>

class QAbstractButton;
namespace shell {
class CAppContext;
}

namespace help {

// The help folder: <program folder>/help.
std::string HelpFolder();
// The file of a topic path ("VQXUsersGuide\Options\SDA.htm", "::/HowToUseVQXHelp.htm"), without
// the anchor a topic may name after "#".
std::string TopicFile(const std::string& topic);
// Opens a topic, at its anchor when it names one; false (and an information line) when its file
// is missing or cannot be shown.
bool ShowHelpTopic(const shell::CAppContext& context, const std::string& topic);
// "Contents" opens the help folder's index page, "Index" the same page's keyword index, at the
// keyword `data` when one is given; anything else is a topic.
bool HtmlHelpCommand(const shell::CAppContext& context, const std::string& name, const std::string& data = {});
// F1 in a dialog does what its Help button does (the topic of the page shown), while the button is
// shown and enabled; the button keeps its own mnemonic. Every dialog with a Help button calls it.
void HelpOnF1(QAbstractButton* helpButton);

} // namespace help
