#include "app/project/TerminalMenu.h"

#include "app/shell/FrameCommandTable.h"

namespace terminalmenu {

std::vector<Item> Items(int commType)
{
    const std::string detect = shell::DetectMotorsText(commType);
    Item bauds{0, "Set Baudrate", {}};
    for (int i = 0; i < 5; ++i)
        bauds.children.push_back({kFirstBaud + i, std::to_string(kBauds[i]) + " bps", {}});
    return {{kClear, "Clear", {}},
            {kDetectMotors, detect.empty() ? "Detect Motors" : detect, {}},
            {0, "", {}},
            {kEchoOn, "Echo On", {}},
            {kEchoOff, "Echo Off", {}},
            bauds,
            {0, "", {}},
            {kSave, "Save", {}},
            {kCopy, "Copy\tCtrl+C", {}}};
}

} // namespace terminalmenu
