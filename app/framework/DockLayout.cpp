#include "app/framework/DockLayout.h"

#include <algorithm>

namespace fw {

DockSide SideOf(uint32_t where2Dock)
{
    if (where2Dock & CBRS_ALIGN_TOP)
        return DockSide::Top;
    if (where2Dock & CBRS_ALIGN_BOTTOM)
        return DockSide::Bottom;
    if (where2Dock & CBRS_ALIGN_LEFT)
        return DockSide::Left;
    if (where2Dock & CBRS_ALIGN_RIGHT)
        return DockSide::Right;
    return DockSide::Floating;
}

uint32_t AlignmentOf(DockSide side)
{
    switch (side) {
    case DockSide::Left: return CBRS_ALIGN_LEFT;
    case DockSide::Top: return CBRS_ALIGN_TOP;
    case DockSide::Right: return CBRS_ALIGN_RIGHT;
    case DockSide::Bottom: return CBRS_ALIGN_BOTTOM;
    case DockSide::Floating: break;
    }
    return 0;
}

uint32_t Where2DockOnSave(uint32_t style) { return (style & CBRS_FLOATING) ? 0 : (style & CBRS_ALIGN_ANY); }

int StoredBarsToRead(int storedCount, int slots)
{
    return std::clamp(storedCount, 0, std::clamp(slots, 0, kMaxDockBars));
}

int32_t ClampDockPosition(int32_t stored) { return std::clamp<int32_t>(stored, 0, kDockPositions - 1); }

std::vector<int> DockRestoreOrder(const std::vector<DockBarRecord>& bars)
{
    std::vector<int> order;
    for (int p = 0; p < kDockPositions; ++p)
        for (size_t i = 0; i < bars.size(); ++i)
            if (ClampDockPosition(bars[i].posInDockArr) == p)
                order.push_back(static_cast<int>(i));
    return order;
}

} // namespace fw
