#pragma once
// Icons of the program: from the desktop's icon theme when it has the name, else our own small
// picture painted here (a tinted square with a short label), so nothing is copied from elsewhere.

#include <QIcon>
#include <QString>

namespace res {

QIcon Icon(const QString& themeName, const QString& fallbackLabel, unsigned rgb = 0x3A6EA5);
// The program's own icon (window and desktop).
QIcon AppIcon();
// The standard message-box icons: 0x10 hand, 0x20 question, 0x30 exclamation, 0x40 asterisk.
QIcon BoxIcon(unsigned iconBits);

} // namespace res
