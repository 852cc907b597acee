#include "app/project/TerminalMenu.h"

#include "core/port/CommPort.h"

namespace terminalmenu {

std::string DetectMotorsTitle(int commType)
{
    switch (commType) {
    case COMM_RS232: return "Detect/Address Motors on RS-232 chain";
    case COMM_RS485: return "Detect Motors on RS-485 bus";
    case COMM_ETHERNET: return "Detect Network Motors";
    case COMM_USB: return "Detect USB Motors";
    }
    return "Detect Motors";
}

std::vector<Item> Items(int commType)
{
    Item bauds{0, "Set Baudrate", {}};
    for (int i = 0; i < 5; ++i)
        bauds.children.push_back({kFirstBaud + i, std::to_string(kBauds[i]) + " bps", {}});
    return {{kClear, "Clear", {}},
            {kDetectMotors, DetectMotorsTitle(commType), {}},
            {0, "", {}},
            {kEchoOn, "Echo On", {}},
            {kEchoOff, "Echo Off", {}},
            bauds,
            {0, "", {}},
            {kSave, "Save", {}},
            {kCopy, "Copy\tCtrl+C", {}}};
}

} // namespace terminalmenu
