#pragma once
// The terminal pane's context menu ("Terminal"): its items with their command ids, the title of
// "Detect Motors" after the kind of the current port. The main frame handles the commands.

#include <string>
#include <vector>

namespace terminalmenu {

inline constexpr int kClear = 32846;
inline constexpr int kSave = 32872;
inline constexpr int kCopy = 32873;
inline constexpr int kDetectMotors = 32791;
inline constexpr int kEchoOn = 32947;
inline constexpr int kEchoOff = 32946;
inline constexpr int kFirstBaud = 32931; // 2400, 4800, 9600, 19200, 38400 bps
inline constexpr int kBauds[] = {2400, 4800, 9600, 19200, 38400};

struct Item {
    int id = 0;                // 0: a separator, or (with children) a submenu
    std::string text;
    std::vector<Item> children;
};

// The items for a current port of communication type commType (-1: none).
std::vector<Item> Items(int commType);

} // namespace terminalmenu
