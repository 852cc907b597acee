#pragma once
// The tip of the day's bookkeeping: whether tips are shown at start-up, and
// which tip comes next. The dialog itself comes with the application shell.
//
// Profile values: "OptionBoxes"\"NoStartupTips" (not 0: the dialog is not shown at start-up),
// "Settings"\"NextTip" (the index of the next tip, default 0).

#include <string>

// The tips file: the program folder + "/Tips.dat".
std::string TipsFilePath();
// Whether the tip of the day is shown at start-up ("OptionBoxes"\"NoStartupTips" is 0).
bool ShowTipsAtStartup();
// The dialog's check box "Don't show tips at startup" was checked when it closed.
void DisableStartupTips();
// The next tip (Next Tip button, and the first tip when the dialog opens): reads tip k =
// "Settings"\"NextTip" (beyond the count, or negative, it wraps to 0) and stores k + 1. When the
// file is missing, empty or unreadable the text is "Error reading Tips database."; a truncated file
// also sets NextTip back to 0 so that the next call starts over. `path` empty: TipsFilePath().
std::string NextTip(const std::string& path = {});
