#pragma once
// Which picture each command of the main frame shows, without Qt: the desktop theme's icon name
// where one says what the command does, else one of our own drawings (res/icons/cmd/<name>.svg).
// Every command of the menus, the toolbar and the context menus has an entry.

#include <vector>

namespace res {

struct CommandPicture {
    int id;
    const char* theme; // a freedesktop icon name, or nullptr
    const char* own;   // our drawing, or nullptr
};

const std::vector<CommandPicture>& CommandPictures();
// The entry of a command id; nullptr when it has none.
const CommandPicture* CommandPictureOf(int id);

} // namespace res
