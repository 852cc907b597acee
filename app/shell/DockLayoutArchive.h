#pragma once
// The dock bars' layout in a project file: a group (the project uses "MainFrame") holding
// "DockDlgs" with one group "Arr%d" per bar, each with "Showed", "FloatingRect", "DockingRect",
// "m_dwStyle", "Where2Dock" and "PosInDockArr".

#include "app/framework/DockLayout.h"

#include <string_view>
#include <vector>

class CTagArchive;

namespace shell {

// One bar's items in the group `name` (absent on load: the record is unchanged; a missing item
// keeps its value).
void SerializeDockBar(std::string_view name, CTagArchive& ar, fw::DockBarRecord& record);

// The frame's layout. Storing writes `records` in order. Loading reads the stored bars into the
// first records (at most records.size(), never more than the ten slots of a frame, whatever count
// the file claims) and returns true; false when the group is absent (nothing changed).
bool SerializeDockLayout(std::string_view groupName, CTagArchive& ar, std::vector<fw::DockBarRecord>& records);

} // namespace shell
