#pragma once
// Icons of the program: the desktop theme's where it has the name, else the icon theme shipped with
// the system as a fallback, else our own drawings (res/icons). Nothing is copied from elsewhere.

#include <QIcon>
#include <QString>

namespace res {

// A theme icon by name; when no theme has it, our drawing `own` (res/icons/cmd/<own>.svg), or a
// painted square with a short label when there is no drawing either.
QIcon Icon(const QString& themeName, const QString& fallbackLabel, unsigned rgb = 0x3A6EA5,
           const QString& own = {});
// A command's picture: the theme's icon of that name, else our drawing `own`; a null icon when
// there is neither.
QIcon CommandIcon(const char* theme, const char* own);
// A row picture of a list (res/icons/list/<name>.svg).
QIcon ListImage(const char* name);
// The program's own icon (window and desktop).
QIcon AppIcon();
// The standard message-box icons: 0x10 hand, 0x20 question, 0x30 exclamation, 0x40 asterisk.
QIcon BoxIcon(unsigned iconBits);

} // namespace res
